// The BMP codec: file header or none, 12-, 40-, 64-, 108- and 124-byte and
// larger information headers, 1 to 32 bits per pixel, channel masks (alpha
// included) and run-length coding. Colour spaces, gamma and colour profiles
// are skipped.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/image/codec/DibBytes.h"
#include "engine/image/codec/DibImage.h"

static_assert(std::endian::native == std::endian::little, "the DIB block is kept in file byte order");

namespace {

constexpr WORD kBmpType = 0x4D42;  // "BM"
constexpr DWORD kFileHeaderSize = 14;
constexpr DWORD kInfoHeaderSize = 40;
constexpr DWORD kCoreHeaderSize = 12;
constexpr DWORD kExtendedHeaderSize = 64;
constexpr DWORD kV4HeaderSize = 108;
constexpr DWORD kV5HeaderSize = 124;
// The red, green, blue and alpha masks of V4 and V5 headers end here.
constexpr DWORD kMasksEnd = 56;

// One channel of a 16- or 32-bit pixel, scaled to 8 bits: narrower channels
// are zero-filled (5 bits of 0x1F give 248), wider ones keep their top 8 bits.
class Channel {
 public:
  Channel(DWORD mask, WORD pixelBits) : m_mask(pixelBits == 16 ? mask & 0xFFFF : mask) {
    if (m_mask == 0) return;
    m_shift = std::countr_zero(m_mask);
    m_bits = std::bit_width(m_mask >> m_shift);
  }
  BYTE Extract(DWORD pixel) const {
    if (m_mask == 0) return 0;
    DWORD value = (pixel & m_mask) >> m_shift;
    value = m_bits >= 8 ? value >> (m_bits - 8) : value << (8 - m_bits);
    return static_cast<BYTE>(value);
  }

 private:
  DWORD m_mask;
  int m_shift = 0;
  int m_bits = 0;
};

}  // namespace

bool CDibImage::DecodeBmp(CDibFile* file) {
  long start = file->Tell();
  BYTE fileHeader[kFileHeaderSize];
  if (start < 0 || file->Read(fileHeader, sizeof(fileHeader), 1) != 1) return Fail("Not a BMP");
  int64_t pixelOffset = 0;
  if (Le16(fileHeader) == kBmpType) {
    pixelOffset = Le32(fileHeader + 10);
  } else if (!file->Seek(start, 0)) {  // a bare bitmap without file header
    return Fail("Not a BMP");
  }

  BYTE info[kMasksEnd];
  if (file->Read(info, 4, 1) != 1) return Fail("Error reading BMP info");
  DWORD headerSize = Le32(info);
  bool core = headerSize == kCoreHeaderSize;
  bool masksInHeader = headerSize == kV4HeaderSize || headerSize == kV5HeaderSize;
  DWORD headerRead = core ? kCoreHeaderSize : masksInHeader ? kMasksEnd : kInfoHeaderSize;
  if (file->Read(info + 4, headerRead - 4, 1) != 1) return Fail("Error reading BMP info");
  int64_t width, height;
  WORD planes, bits;
  DWORD compression = BI_RGB, colorsUsed = 0;
  LONG xPelsPerMeter = 0, yPelsPerMeter = 0;
  if (core) {
    width = Le16(info + 4);
    height = Le16(info + 6);
    planes = Le16(info + 8);
    bits = Le16(info + 10);
  } else {
    width = static_cast<int32_t>(Le32(info + 4));
    height = static_cast<int32_t>(Le32(info + 8));
    planes = Le16(info + 12);
    bits = Le16(info + 14);
    compression = Le32(info + 16);
    DWORD imageSize = Le32(info + 20);
    xPelsPerMeter = static_cast<int32_t>(Le32(info + 24));
    yPelsPerMeter = static_cast<int32_t>(Le32(info + 28));
    colorsUsed = Le32(info + 32);
    if (masksInHeader) {
      if (!file->Seek(static_cast<long>(headerSize - kMasksEnd), 1)) return Fail("Error reading BMP info");
    } else if (headerSize == kExtendedHeaderSize) {
      if (!file->Seek(kExtendedHeaderSize - kInfoHeaderSize, 1)) return Fail("Error reading BMP info");
    } else if (headerSize > kInfoHeaderSize) {
      // Other sizes only when the fields agree with an uncompressed picture.
      // The size field has 32 bits, so only products that fit can match it.
      int64_t rowBytes = (bits * width + 31) / 32 * 4;
      bool consistent = rowBytes > 0 && height > 0 && height <= UINT32_MAX / rowBytes &&
                        imageSize == rowBytes * height && planes == 1 && compression == BI_RGB &&
                        colorsUsed == 0;
      if (!consistent || !file->Seek(static_cast<long>(headerSize - kInfoHeaderSize), 1))
        return Fail("Error reading BMP info");
    } else if (headerSize != kInfoHeaderSize) {
      return Fail("Error reading BMP info");
    }
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return Fail("Error reading BMP info");
  if (colorsUsed == 0 && bits <= 8) colorsUsed = 1u << bits;

  bool topDown = height < 0;
  height = std::abs(height);
  if (width <= 0 || height == 0 || height > INT32_MAX) return Fail("Can't allocate memory");
  if (m_info.escape == -1) {
    m_header.biWidth = static_cast<LONG>(width);
    m_header.biHeight = static_cast<LONG>(height);
    return Fail("output dimensions returned");
  }
  if (Cancelled()) return Fail("Cancelled");
  // Uncompressed rows must be in the file before memory is claimed for them
  // (the padding of the last row may be missing).
  bool uncompressed = compression == BI_RGB || (compression == BI_BITFIELDS && (bits == 16 || bits == 32));
  long fileSize = file->Size();
  if (uncompressed && fileSize >= 0) {
    int64_t available = fileSize - (pixelOffset != 0 ? start + pixelOffset : file->Tell());
    int64_t stride = (width * bits + 31) / 32 * 4;
    int64_t lastRow = (width * bits + 7) / 8;
    if (available < lastRow || height - 1 > (available - lastRow) / stride) return Fail("corrupted BMP");
  }
  if (Create(static_cast<DWORD>(width), static_cast<DWORD>(height), bits, FORMAT_BMP) == nullptr)
    return Fail("Can't allocate memory");
  SetXDpi(static_cast<long>(std::floor(xPelsPerMeter * 0.0254 + 0.5)));
  SetYDpi(static_cast<long>(std::floor(yPelsPerMeter * 0.0254 + 0.5)));

  if (bits <= 8) {
    // Entries beyond the image's palette are skipped; 3-byte entries are
    // widened in place from the last one down.
    DWORD entrySize = core ? sizeof(RGBTRIPLE) : sizeof(RGBQUAD);
    DWORD entries = std::min(colorsUsed, m_header.biClrUsed);
    RGBQUAD* palette = Palette();
    if (file->Read(palette, entrySize, entries) != entries) return Fail("corrupted BMP");
    for (DWORD i = entries; i-- > 0;) {
      const BYTE* entry = reinterpret_cast<const BYTE*>(palette) + i * entrySize;
      palette[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
    }
    if (pixelOffset == 0 && colorsUsed > entries &&
        !file->Seek(static_cast<long>(static_cast<int64_t>(colorsUsed - entries) * entrySize), 1))
      return Fail("corrupted BMP");
  }

  // Red, green, blue and alpha; a 40-byte header is followed by the first three.
  DWORD masks[4] = {0x7C00, 0x03E0, 0x001F, 0};
  if (compression == BI_BITFIELDS && (bits == 16 || bits == 32)) {
    if (masksInHeader) {
      for (int i = 0; i < 4; ++i) masks[i] = Le32(info + kInfoHeaderSize + 4 * i);
    } else {
      BYTE maskBytes[12];
      if (file->Read(maskBytes, sizeof(maskBytes), 1) != 1) return Fail("corrupted BMP");
      for (int i = 0; i < 3; ++i) masks[i] = Le32(maskBytes + 4 * i);
    }
    if (masks[3] != 0 && !CreateAlphaChannel()) return Fail("can't allocate memory");
  }
  if (pixelOffset != 0 && !file->Seek(static_cast<long>(start + pixelOffset), 0))
    return Fail("corrupted BMP");
  if (Cancelled()) return Fail("Cancelled");

  size_t rows = static_cast<size_t>(height);
  size_t columns = static_cast<size_t>(width);
  // Reads `stride` bytes a row; the padding of the last row may be missing.
  auto readRows = [&](size_t stride, size_t rowBytes) {
    size_t total = stride * rows;
    size_t got = file->Read(m_info.bits, 1, total);
    if (got < total - stride + rowBytes) return false;
    memset(m_info.bits + got, 0, total - got);
    return true;
  };
  switch (bits) {
    case 32: {
      if (compression != BI_RGB && compression != BI_BITFIELDS) return Fail("unknown compression");
      BYTE* row = static_cast<BYTE*>(malloc(columns * 4));
      if (row == nullptr) return Fail("can't allocate memory");
      const bool masked = compression == BI_BITFIELDS;
      const Channel red(masks[0], 32), green(masks[1], 32), blue(masks[2], 32), alpha(masks[3], 32);
      bool complete = true;
      for (size_t y = 0; y < rows && complete; ++y) {
        complete = file->Read(row, columns * 4, 1) == 1;
        BYTE* out = GetBits(static_cast<DWORD>(y));
        BYTE* opacity = m_alpha != nullptr ? m_alpha + y * columns : nullptr;
        for (size_t x = 0; x < columns && complete; ++x) {
          if (!masked) {
            memcpy(out + x * 3, row + x * 4, 3);
            continue;
          }
          DWORD pixel = Le32(row + x * 4);
          out[x * 3] = blue.Extract(pixel);
          out[x * 3 + 1] = green.Extract(pixel);
          out[x * 3 + 2] = red.Extract(pixel);
          if (opacity != nullptr) opacity[x] = alpha.Extract(pixel);
        }
      }
      free(row);
      if (!complete) return Fail("corrupted BMP");
      break;
    }
    case 24:
      if (compression != BI_RGB) return Fail("unknown compression");
      if (!readRows(m_info.effWidth, columns * 3)) return Fail("corrupted BMP");
      break;
    case 16: {
      if (compression != BI_RGB && compression != BI_BITFIELDS) return Fail("unknown compression");
      size_t stride = (columns + 1) / 2 * 4;
      if (!readRows(stride, columns * 2)) return Fail("corrupted BMP");
      // Widen to 24 bits in place, from the last pixel backwards, so that no
      // 16-bit pixel is overwritten before it is read.
      const Channel red(masks[0], 16), green(masks[1], 16), blue(masks[2], 16), alpha(masks[3], 16);
      for (size_t y = rows; y-- > 0;) {
        for (size_t x = columns; x-- > 0;) {
          DWORD pixel = Le16(m_info.bits + y * stride + x * 2);
          BYTE* out = m_info.bits + y * m_info.effWidth + x * 3;
          out[0] = blue.Extract(pixel);
          out[1] = green.Extract(pixel);
          out[2] = red.Extract(pixel);
          if (m_alpha != nullptr) m_alpha[y * columns + x] = alpha.Extract(pixel);
        }
      }
      break;
    }
    default:
      if (compression == BI_RGB) {
        if (!readRows(m_info.effWidth, (columns * bits + 7) / 8)) return Fail("corrupted BMP");
      } else if ((compression == BI_RLE8 && bits == 8) || (compression == BI_RLE4 && bits == 4)) {
        if (!DecodeRle(file, bits == 4)) return false;
      } else {
        return Fail("compression type not supported");
      }
  }
  if (topDown) FlipRows();
  return true;
}

// Run-length coded rows: pairs (count, index) repeat an index (RLE4: two
// alternating nibbles); a zero count introduces end of line (0), end of
// bitmap (1), a move right and up (2), or a literal run padded to 16 bits.
// Pixels outside the image are dropped; pixels the data never reaches stay 0.
bool CDibImage::DecodeRle(CDibFile* file, bool fourBit) {
  long width = m_header.biWidth;
  long height = m_header.biHeight;
  memset(m_info.bits, 0, static_cast<size_t>(m_info.effWidth) * height);
  auto nibble = [](BYTE value, int i) { return static_cast<BYTE>(i & 1 ? value & 0x0F : value >> 4); };
  long x = 0, y = 0;
  BYTE pair[2];
  BYTE literal[256];
  while (y < height) {
    if (file->Read(pair, 2, 1) != 1) return Fail("corrupted BMP");
    int count = pair[0];
    if (count != 0) {
      // An RLE8 run that would pass the padded row width ends the picture.
      bool last = !fourBit && x + count > static_cast<long>(m_info.effWidth);
      for (int i = 0; i < count; ++i, ++x) {
        if (x < width) SetPixelIndex(x, y, fourBit ? nibble(pair[1], i) : pair[1]);
      }
      if (last) return true;
      continue;
    }
    switch (pair[1]) {
      case 0:
        x = 0;
        ++y;
        break;
      case 1:
        return true;
      case 2: {
        BYTE delta[2];
        if (file->Read(delta, 2, 1) != 1) return Fail("corrupted BMP");
        x += delta[0];
        y += delta[1];
        break;
      }
      default: {
        count = pair[1];
        size_t bytes = fourBit ? (count + 1) / 2 : count;
        bytes += bytes & 1;
        if (file->Read(literal, bytes, 1) != 1) return Fail("corrupted BMP");
        for (int i = 0; i < count; ++i, ++x) {
          if (x < width) SetPixelIndex(x, y, fourBit ? nibble(literal[i / 2], i) : literal[i]);
        }
      }
    }
  }
  return true;
}

bool CDibImage::EncodeBmp(CDibFile* file) {
  DWORD paletteBytes = m_header.biClrUsed * sizeof(RGBQUAD);
  DWORD pixelOffset = kFileHeaderSize + kInfoHeaderSize + paletteBytes;
  BYTE fileHeader[kFileHeaderSize] = {'B', 'M'};
  PutLe32(fileHeader + 2, pixelOffset + m_header.biSizeImage);
  PutLe32(fileHeader + 10, pixelOffset);
  memcpy(m_dib, &m_header, sizeof(m_header));
  size_t dibSize = kInfoHeaderSize + paletteBytes + m_header.biSizeImage;
  if (file->Write(fileHeader, sizeof(fileHeader), 1) != 1 || file->Write(m_dib, dibSize, 1) != 1)
    return Fail("Write Error");
  return true;
}
