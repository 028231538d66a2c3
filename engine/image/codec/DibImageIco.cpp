// The ICO codec. An icon file is a directory of images; each image is either a
// bitmap without file header (an information header whose height counts the
// colour rows and the 1-bit transparency mask together, a palette, the colour
// rows, then the mask rows) or a complete PNG file.
//
// The decoder takes the largest image of the directory, of equal sizes the one
// with the most bits per pixel (the first one on a tie). The encoder writes a
// one-image icon.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "engine/image/codec/DibBytes.h"
#include "engine/image/codec/DibImage.h"
#include "engine/image/codec/DibMemFile.h"

namespace {

constexpr size_t kDirectorySize = 6;
constexpr size_t kEntrySize = 16;
constexpr size_t kInfoHeaderSize = 40;
constexpr DWORD kLargestIcon = 256;  // a directory byte of 0 stands for 256
constexpr BYTE kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};


// Bytes of a row of `width` pixels padded to a multiple of 4.
uint64_t Stride(uint64_t width, unsigned bits) { return (width * bits + 31) / 32 * 4; }

bool MaskBit(const BYTE* row, uint64_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }

}  // namespace

bool CDibImage::DecodeIco(CDibFile* file) {
  long start = file->Tell();
  BYTE directory[kDirectorySize];
  if (start < 0 || file->Read(directory, sizeof(directory), 1) != 1) return Fail("Not an ICO");
  WORD type = Le16(directory + 2);  // 1 icon, 2 cursor
  WORD count = Le16(directory + 4);
  if (Le16(directory) != 0 || (type != 1 && type != 2) || count == 0) return Fail("Not an ICO");

  uint64_t bestArea = 0;
  WORD bestBits = 0;
  DWORD offset = 0, size = 0;
  for (WORD i = 0; i < count; ++i) {
    BYTE entry[kEntrySize];
    if (file->Read(entry, sizeof(entry), 1) != 1) return Fail("corrupted ICO");
    uint64_t area = static_cast<uint64_t>(entry[0] != 0 ? entry[0] : kLargestIcon) *
                    (entry[1] != 0 ? entry[1] : kLargestIcon);
    WORD bits = Le16(entry + 6);
    if (i == 0 || area > bestArea || (area == bestArea && bits > bestBits)) {
      bestArea = area;
      bestBits = bits;
      size = Le32(entry + 8);
      offset = Le32(entry + 12);
    }
  }
  // The image must lie inside the file; it is read whole and parsed from memory.
  long fileSize = file->Size();
  if (fileSize < start || size == 0 || offset > static_cast<uint64_t>(fileSize - start) ||
      size > static_cast<uint64_t>(fileSize - start) - offset)
    return Fail("corrupted ICO");
  std::unique_ptr<BYTE[]> data(new (std::nothrow) BYTE[size]);
  if (data == nullptr) return Fail("ICO Create failed");
  if (!file->Seek(static_cast<long>(start + offset), 0) || file->Read(data.get(), size, 1) != 1)
    return Fail("corrupted ICO");

  if (size >= sizeof(kPngSignature) && memcmp(data.get(), kPngSignature, sizeof(kPngSignature)) == 0) {
    CDibMemFile png(data.get(), size);
    if (DecodePng(&png)) {
      m_info.type = FORMAT_ICO;
      return true;
    }
    // Stopping after the dimensions or on request is reported as the PNG
    // decoder said; any other failure is a broken icon.
    if ((m_info.escape == -1 && m_header.biWidth > 0) || strcmp(m_info.lastError, "Cancelled") == 0)
      return false;
    return Fail("corrupted ICO");
  }

  const BYTE* info = data.get();
  if (size < kInfoHeaderSize) return Fail("corrupted ICO");
  DWORD headerSize = Le32(info);
  int32_t width = static_cast<int32_t>(Le32(info + 4));
  int32_t doubleHeight = static_cast<int32_t>(Le32(info + 8));
  WORD bits = Le16(info + 14);
  DWORD compression = Le32(info + 16);
  DWORD colorsUsed = Le32(info + 32);
  if (headerSize < kInfoHeaderSize || width <= 0 || doubleHeight < 2 || compression != BI_RGB ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
    return Fail("corrupted ICO");
  uint64_t height = static_cast<uint64_t>(doubleHeight) / 2;
  uint64_t paletteEntries = 0;
  if (bits <= 8) paletteEntries = colorsUsed != 0 ? colorsUsed : 1u << bits;
  uint64_t colorRows = headerSize + paletteEntries * 4;
  uint64_t colorStride = Stride(width, bits);
  uint64_t maskStride = Stride(width, 1);
  if (colorRows > size || colorStride * height > size - colorRows) return Fail("corrupted ICO");
  uint64_t maskRows = colorRows + colorStride * height;
  bool hasMask = maskStride * height <= size - maskRows;

  if (m_info.escape == -1) {
    m_header.biWidth = width;
    m_header.biHeight = static_cast<LONG>(height);
    return Fail("output dimensions returned");
  }
  if (Cancelled()) return Fail("Cancelled");
  if (Create(static_cast<DWORD>(width), static_cast<DWORD>(height), bits, FORMAT_ICO) == nullptr ||
      !CreateAlphaChannel())
    return Fail("ICO Create failed");
  // Palette entries beyond what the bit depth can index are not used.
  for (uint64_t i = 0; i < paletteEntries && i < m_header.biClrUsed; ++i) {
    const BYTE* entry = info + headerSize + i * 4;
    SetPaletteColor(static_cast<BYTE>(i), RGBQUAD{entry[0], entry[1], entry[2], 0});
  }

  // Colour rows are stored bottom-up like the container's; 32-bit pixels give
  // their fourth byte to the alpha channel.
  size_t columns = static_cast<size_t>(width);
  bool alphaBytes = false;
  for (uint64_t y = 0; y < height; ++y) {
    const BYTE* in = info + colorRows + y * colorStride;
    BYTE* out = GetBits(static_cast<DWORD>(y));
    if (bits != 32) {
      memcpy(out, in, m_info.effWidth);
      continue;
    }
    BYTE* opacity = m_alpha + y * columns;
    for (size_t x = 0; x < columns; ++x) {
      memcpy(out + x * 3, in + x * 4, 3);
      opacity[x] = in[x * 4 + 3];
      alphaBytes |= opacity[x] != 0;
    }
  }
  if (Cancelled()) return Fail("Cancelled");

  // Without alpha bytes (older 32-bit icons have them all 0) the mask tells:
  // a set bit is a transparent pixel.
  size_t pixels = columns * height;
  if (!alphaBytes) {
    if (!hasMask) return Fail("corrupted ICO");
    for (uint64_t y = 0; y < height; ++y) {
      const BYTE* mask = info + maskRows + y * maskStride;
      BYTE* opacity = m_alpha + y * columns;
      for (size_t x = 0; x < columns; ++x) opacity[x] = MaskBit(mask, x) ? 0 : 255;
    }
  }
  // A wholly opaque icon needs no alpha channel.
  bool opaque = true;
  for (size_t i = 0; i < pixels && opaque; ++i) opaque = m_alpha[i] == 255;
  if (opaque) {
    free(m_alpha);
    m_alpha = nullptr;
  }
  return true;
}

// 24-bit images with an alpha channel become 32-bit icons (blue, green, red,
// alpha); others keep their bit depth and palette. The mask marks the pixels
// whose alpha is below 128, or none when there is no alpha channel.
bool CDibImage::EncodeIco(CDibFile* file) {
  DWORD width = GetWidth();
  DWORD height = GetHeight();
  if (width > kLargestIcon || height > kLargestIcon) return Fail("Can't save this image as icon");
  WORD bits = m_header.biBitCount == 24 && m_alpha != nullptr ? 32 : m_header.biBitCount;
  DWORD colors = m_header.biClrUsed;
  DWORD colorStride = static_cast<DWORD>(Stride(width, bits));
  DWORD maskStride = static_cast<DWORD>(Stride(width, 1));
  DWORD imageSize = (colorStride + maskStride) * height;

  BYTE head[kDirectorySize + kEntrySize + kInfoHeaderSize] = {};
  PutLe16(head + 2, 1);  // an icon
  PutLe16(head + 4, 1);  // of one image
  BYTE* entry = head + kDirectorySize;
  entry[0] = static_cast<BYTE>(width % kLargestIcon);
  entry[1] = static_cast<BYTE>(height % kLargestIcon);
  entry[2] = static_cast<BYTE>(colors % 256);
  PutLe16(entry + 4, 1);  // planes
  PutLe16(entry + 6, bits);
  PutLe32(entry + 8, static_cast<DWORD>(kInfoHeaderSize + colors * 4 + imageSize));
  PutLe32(entry + 12, sizeof(head) - kInfoHeaderSize);
  BYTE* info = entry + kEntrySize;
  PutLe32(info, kInfoHeaderSize);
  PutLe32(info + 4, width);
  PutLe32(info + 8, height * 2);
  PutLe16(info + 12, 1);
  PutLe16(info + 14, bits);
  PutLe32(info + 20, imageSize);
  PutLe32(info + 32, colors);
  bool written =
      file->Write(head, sizeof(head), 1) == 1 && (colors == 0 || file->Write(Palette(), colors * 4, 1) == 1);

  BYTE row[kLargestIcon * 4];
  for (DWORD y = 0; y < height && written; ++y) {
    const BYTE* colorRow = GetBits(y);
    if (bits == 32) {
      for (DWORD x = 0; x < width; ++x) {
        memcpy(row + x * 4, colorRow + x * 3, 3);
        row[x * 4 + 3] = m_alpha[static_cast<size_t>(y) * width + x];
      }
      colorRow = row;
    }
    written = file->Write(colorRow, colorStride, 1) == 1;
  }
  for (DWORD y = 0; y < height && written; ++y) {
    memset(row, 0, maskStride);
    for (DWORD x = 0; x < width && m_alpha != nullptr; ++x) {
      if (m_alpha[static_cast<size_t>(y) * width + x] < 128)
        row[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
    }
    written = file->Write(row, maskStride, 1) == 1;
  }
  return written || Fail("Write Error in ICO file");
}
