// The TGA codec: uncompressed and run-length coded colour-mapped, true-colour
// and greyscale pictures, either vertical origin, either horizontal direction.
// The format has no signature, so the header is checked strictly enough that
// other files and noise are refused.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/image/codec/DibBytes.h"
#include "engine/image/codec/DibImage.h"

namespace {

constexpr size_t kHeaderSize = 18;

enum TgaType : BYTE {
  kMapped = 1,
  kTrueColor = 2,
  kGray = 3,
  kRleMapped = 9,
  kRleTrueColor = 10,
  kRleGray = 11,
};

constexpr BYTE kRightToLeft = 0x10;
constexpr BYTE kTopOrigin = 0x20;
constexpr BYTE kAlphaBitsMask = 0x0F;


bool IsEntrySize(BYTE bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

// Scales a 5-bit channel to 8 bits over the full range, rounded (31 gives 255).
BYTE Expand5(DWORD value) { return static_cast<BYTE>(((value & 0x1F) * 255 + 15) / 31); }

// One pixel or map entry of 2, 3 or 4 bytes as blue, green, red, alpha.
RGBQUAD ToQuad(const BYTE* p, size_t bytes) {
  if (bytes == 2) {
    DWORD value = Le16(p);
    return RGBQUAD{Expand5(value), Expand5(value >> 5), Expand5(value >> 10),
                   static_cast<BYTE>(value & 0x8000 ? 255 : 0)};
  }
  return RGBQUAD{p[0], p[1], p[2], static_cast<BYTE>(bytes == 4 ? p[3] : 255)};
}

// Hands out the pixels of the file one row at a time, in file order. Run
// packets may carry over from one row to the next, never past the last pixel.
class TgaPixelReader {
 public:
  TgaPixelReader(CDibFile* file, size_t pixelBytes, bool rle, uint64_t pixels)
      : m_file(file), m_pixelBytes(pixelBytes), m_rle(rle), m_pixelsLeft(pixels) {}

  bool ReadRow(BYTE* row, size_t width) {
    if (!m_rle) return m_file->Read(row, m_pixelBytes, width) == width;
    size_t x = 0;
    while (x < width) {
      if (m_packetLeft == 0 && !StartPacket()) return false;
      size_t count = std::min<size_t>(m_packetLeft, width - x);
      BYTE* out = row + x * m_pixelBytes;
      if (m_repeat) {
        for (size_t i = 0; i < count; ++i) memcpy(out + i * m_pixelBytes, m_value, m_pixelBytes);
      } else if (m_file->Read(out, m_pixelBytes, count) != count) {
        return false;
      }
      x += count;
      m_packetLeft -= count;
    }
    return true;
  }

 private:
  bool StartPacket() {
    long header = m_file->GetByte();
    if (header < 0) return false;
    m_packetLeft = (static_cast<size_t>(header) & 0x7F) + 1;
    if (m_packetLeft > m_pixelsLeft) return false;
    m_pixelsLeft -= m_packetLeft;
    m_repeat = (header & 0x80) != 0;
    return !m_repeat || m_file->Read(m_value, m_pixelBytes, 1) == 1;
  }

  CDibFile* m_file;
  size_t m_pixelBytes;
  bool m_rle;
  uint64_t m_pixelsLeft;
  size_t m_packetLeft = 0;
  bool m_repeat = false;
  BYTE m_value[4] = {};
};

}  // namespace

bool CDibImage::DecodeTga(CDibFile* file) {
  BYTE header[kHeaderSize];
  if (file->Read(header, sizeof(header), 1) != 1) return Fail("Not a TGA");
  BYTE idLength = header[0];
  BYTE mapType = header[1];
  BYTE type = header[2];
  DWORD mapFirst = Le16(header + 3);
  DWORD mapLength = Le16(header + 5);
  BYTE entryBits = header[7];
  DWORD width = Le16(header + 12);
  DWORD height = Le16(header + 14);
  BYTE depth = header[16];
  BYTE descriptor = header[17];
  BYTE alphaBits = descriptor & kAlphaBitsMask;

  bool mapped = type == kMapped || type == kRleMapped;
  bool gray = type == kGray || type == kRleGray;
  bool trueColor = type == kTrueColor || type == kRleTrueColor;
  if (!mapped && !gray && !trueColor) return Fail("Unknown TGA image type");
  // A map is either described in full or not at all; the interleaving bits
  // are unused and must be clear.
  bool headerOk = width != 0 && height != 0 && (descriptor & 0xC0) == 0;
  if (mapType == 1) {
    headerOk = headerOk && IsEntrySize(entryBits) && mapLength != 0;
  } else {
    headerOk = headerOk && mapType == 0 && mapLength == 0 && (entryBits == 0 || IsEntrySize(entryBits));
  }
  if (mapped) {
    // 8-bit indexes reach entries 0 to 255 only.
    headerOk = headerOk && mapType == 1 && depth == 8 && mapFirst + mapLength <= 256 && alphaBits <= 8;
  } else if (gray) {
    headerOk = headerOk && depth == 8 && alphaBits <= 8;
  } else if (depth == 15 || depth == 16) {
    headerOk = headerOk && alphaBits <= 1;
  } else {
    headerOk = headerOk && ((depth == 24 && alphaBits == 0) || (depth == 32 && alphaBits <= 8));
  }
  if (!headerOk) return Fail("bad TGA header");

  // The file must hold the id field, the map and the least data the pixels
  // can be coded in: one more check against other files, and no memory is
  // claimed for pixels that are not there.
  size_t pixelBytes = (depth + 7) / 8;
  size_t entryBytes = mapType == 1 ? (entryBits + 7) / 8 : 0;
  bool rle = type >= kRleMapped;
  uint64_t pixels = static_cast<uint64_t>(width) * height;
  uint64_t leastData = rle ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
  long start = file->Tell();
  long fileSize = file->Size();
  if (start >= 0 && fileSize >= 0 &&
      (fileSize < start ||
       static_cast<uint64_t>(fileSize - start) < idLength + mapLength * entryBytes + leastData))
    return Fail("corrupted TGA");
  if (!file->Seek(idLength, 1)) return Fail("corrupted TGA");

  if (m_info.escape == -1) {
    m_header.biWidth = static_cast<LONG>(width);
    m_header.biHeight = static_cast<LONG>(height);
    return Fail("output dimensions returned");
  }
  if (Cancelled()) return Fail("Cancelled");

  if (Create(width, height, trueColor ? 24 : 8, FORMAT_TGA) == nullptr) return Fail("TGA Create failed");
  bool alpha = depth == 32 || (depth == 16 && alphaBits == 1);
  if (alpha && !CreateAlphaChannel()) return Fail("TGA Create failed");

  if (mapType == 1) {
    BYTE entry[4];
    for (DWORD i = 0; i < mapLength; ++i) {
      if (file->Read(entry, entryBytes, 1) != 1) return Fail("corrupted TGA");
      RGBQUAD color = ToQuad(entry, entryBytes);
      color.rgbReserved = 0;
      // Entries of a map that true-colour pixels do not use are skipped.
      if (mapped) Palette()[mapFirst + i] = color;
    }
  }
  if (gray) SetGrayPalette();
  if (Cancelled()) return Fail("Cancelled");

  BYTE* row = static_cast<BYTE*>(malloc(width * pixelBytes));
  if (row == nullptr) return Fail("TGA Create failed");
  TgaPixelReader reader(file, pixelBytes, rle, pixels);
  bool rightToLeft = (descriptor & kRightToLeft) != 0;
  bool topOrigin = (descriptor & kTopOrigin) != 0;
  bool complete = true;
  for (DWORD r = 0; r < height && complete; ++r) {
    complete = reader.ReadRow(row, width);
    DWORD y = topOrigin ? height - 1 - r : r;
    BYTE* out = GetBits(y);
    BYTE* opacity = alpha ? m_alpha + static_cast<size_t>(y) * width : nullptr;
    for (DWORD c = 0; c < width && complete; ++c) {
      DWORD x = rightToLeft ? width - 1 - c : c;
      const BYTE* in = row + c * pixelBytes;
      if (pixelBytes == 1) {
        out[x] = in[0];
        continue;
      }
      RGBQUAD color = ToQuad(in, pixelBytes);
      memcpy(out + x * 3, &color, 3);
      if (opacity != nullptr) opacity[x] = color.rgbReserved;
    }
  }
  free(row);
  if (!complete) return Fail("corrupted TGA");
  return true;
}

// 8-bit images are written colour-mapped with 24-bit entries, 24-bit ones as
// true colour (32 bits with 8 alpha bits when the image has an alpha channel),
// uncompressed, bottom row first.
bool CDibImage::EncodeTga(CDibFile* file) {
  WORD bits = GetBitsPerPixel();
  if (bits != 8 && bits != 24) return Fail("Bit depth must be 8 or 24");
  DWORD width = GetWidth();
  DWORD height = GetHeight();
  if (width > 0xFFFF || height > 0xFFFF) return Fail("Image too large for TGA");
  bool alpha = bits == 24 && m_alpha != nullptr;
  size_t pixelBytes = bits == 8 ? 1 : alpha ? 4 : 3;

  BYTE header[kHeaderSize] = {};
  if (bits == 8) {
    header[1] = 1;
    header[2] = kMapped;
    PutLe16(header + 5, m_header.biClrUsed);
    header[7] = 24;
  } else {
    header[2] = kTrueColor;
  }
  PutLe16(header + 12, width);
  PutLe16(header + 14, height);
  header[16] = static_cast<BYTE>(pixelBytes * 8);
  header[17] = alpha ? 8 : 0;
  if (file->Write(header, sizeof(header), 1) != 1) return Fail("Write Error in TGA file");
  if (bits == 8) {
    BYTE map[256 * 3];
    for (DWORD i = 0; i < m_header.biClrUsed; ++i) memcpy(map + i * 3, &Palette()[i], 3);
    if (file->Write(map, 3, m_header.biClrUsed) != m_header.biClrUsed) return Fail("Write Error in TGA file");
  }
  BYTE* row = nullptr;
  if (alpha && (row = static_cast<BYTE*>(malloc(static_cast<size_t>(width) * 4))) == nullptr)
    return Fail("can't allocate memory");
  bool written = true;
  for (DWORD y = 0; y < height && written; ++y) {
    const BYTE* pixels = GetBits(y);
    if (alpha) {
      const BYTE* opacity = m_alpha + static_cast<size_t>(y) * width;
      for (DWORD x = 0; x < width; ++x) {
        memcpy(row + x * 4, pixels + x * 3, 3);
        row[x * 4 + 3] = opacity[x];
      }
      pixels = row;
    }
    written = file->Write(pixels, pixelBytes, width) == width;
  }
  free(row);
  if (!written) return Fail("Write Error in TGA file");
  return true;
}
