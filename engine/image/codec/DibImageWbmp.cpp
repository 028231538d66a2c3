// The WBMP codec, type 0 only: a type field and a fixed header byte, both 0,
// width and height, then rows of 1 bit per pixel, top row first, each padded
// to a byte, 1 white and 0 black. Numbers are stored 7 bits a byte, most
// significant first, with the top bit set on every byte but the last.
//
// The format has no signature, so the decoder is strict to keep other data
// from passing as a WBMP: besides the two zero fields, the bytes after the
// header must be exactly the rows the dimensions call for.
#include <cstdlib>
#include <cstring>

#include "engine/image/codec/DibImage.h"

namespace {

// Four bytes hold 28 bits, more than any picture the container can take.
constexpr int kMaxNumberBytes = 4;

// False at the end of the file or when the number runs longer than it may.
bool ReadNumber(CDibFile* file, DWORD* value) {
  *value = 0;
  for (int i = 0; i < kMaxNumberBytes; ++i) {
    long byte = file->GetByte();
    if (byte < 0) return false;
    *value = *value << 7 | (byte & 0x7F);
    if ((byte & 0x80) == 0) return true;
  }
  return false;
}

bool WriteNumber(CDibFile* file, DWORD value) {
  BYTE bytes[5];
  int count = 0;
  do {
    bytes[4 - count] = static_cast<BYTE>((value & 0x7F) | (count != 0 ? 0x80 : 0));
    value >>= 7;
    ++count;
  } while (value != 0);
  return file->Write(bytes + 5 - count, count, 1) == 1;
}

// Luminance times 1000, kept whole so that rounding never makes two colours tie.
int Luminance(RGBQUAD color) { return 299 * color.rgbRed + 587 * color.rgbGreen + 114 * color.rgbBlue; }

}  // namespace

bool CDibImage::DecodeWbmp(CDibFile* file) {
  DWORD type, width, height;
  if (!ReadNumber(file, &type)) return Fail("Not a WBMP");
  if (type != 0) return Fail("Unsupported WBMP type");
  if (file->GetByte() != 0) return Fail("Not a WBMP");
  if (!ReadNumber(file, &width) || !ReadNumber(file, &height) || width == 0 || height == 0)
    return Fail("Corrupted WBMP");
  uint64_t stride = (static_cast<uint64_t>(width) + 7) / 8;
  long here = file->Tell();
  long size = file->Size();
  if (here < 0 || size < here || static_cast<uint64_t>(size - here) != stride * height)
    return Fail("Corrupted WBMP");

  if (m_info.escape == -1) {
    m_header.biWidth = static_cast<LONG>(width);
    m_header.biHeight = static_cast<LONG>(height);
    return Fail("output dimensions returned");
  }
  if (Cancelled()) return Fail("Cancelled");
  if (Create(width, height, 1, FORMAT_WBMP) == nullptr) return Fail("WBMP Create failed");
  SetPaletteColor(0, RGBQUAD{0, 0, 0, 0});
  SetPaletteColor(1, RGBQUAD{255, 255, 255, 0});
  // The file's bits are the container's indexes; rows only change order.
  for (DWORD y = height; y-- > 0;) {
    BYTE* row = GetBits(y);
    if (file->Read(row, stride, 1) != 1) return Fail("Corrupted WBMP");
    memset(row + stride, 0, m_info.effWidth - stride);
  }
  return true;
}

// Each pixel is written white when its colour is the lighter of the two
// palette entries, so a palette with white first writes right too.
bool CDibImage::EncodeWbmp(CDibFile* file) {
  if (m_header.biBitCount != 1) return Fail("Can't save this image as WBMP");
  DWORD width = GetWidth();
  DWORD height = GetHeight();
  BYTE flip = Luminance(GetPaletteColor(1)) < Luminance(GetPaletteColor(0)) ? 0xFF : 0x00;
  size_t stride = (static_cast<size_t>(width) + 7) / 8;
  // Bits past the last pixel of a row are written as 0.
  BYTE lastByteMask = static_cast<BYTE>(0xFF << ((8 - width % 8) % 8));
  BYTE* row = static_cast<BYTE*>(malloc(stride));
  bool written = row != nullptr && file->PutByte(0) && file->PutByte(0) && WriteNumber(file, width) &&
                 WriteNumber(file, height);
  for (DWORD y = height; y-- > 0 && written;) {
    const BYTE* bits = GetBits(y);
    for (size_t i = 0; i < stride; ++i) row[i] = bits[i] ^ flip;
    row[stride - 1] &= lastByteMask;
    written = file->Write(row, stride, 1) == 1;
  }
  bool allocated = row != nullptr;
  free(row);
  if (!allocated) return Fail("can't allocate memory");
  return written || Fail("Write Error in WBMP file");
}
