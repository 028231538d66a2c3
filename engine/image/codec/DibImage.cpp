#include "engine/image/codec/DibImage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD kDetectionOrder[] = {CDibImage::FORMAT_BMP, CDibImage::FORMAT_JPG,  CDibImage::FORMAT_ICO,
                                     CDibImage::FORMAT_GIF, CDibImage::FORMAT_PNG,  CDibImage::FORMAT_TGA,
                                     CDibImage::FORMAT_PCX, CDibImage::FORMAT_WBMP, CDibImage::FORMAT_WMF};

LONG DpiToPelsPerMeter(long dpi) {
  return static_cast<LONG>((static_cast<int64_t>(dpi) * 10000 + 127) / 254);
}

}  // namespace

// Indexed by format id; formats without a codec yet have null entries and are
// reported as unknown.
const CDibImage::Codec CDibImage::kDecoders[FORMAT_COUNT] = {
    nullptr,                 // detection
    &CDibImage::DecodeBmp,   // BMP
    &CDibImage::DecodeGif,   // GIF
    &CDibImage::DecodeJpeg,  // JPEG
    &CDibImage::DecodePng,   // PNG
    &CDibImage::DecodeIco,   // ICO
    &CDibImage::DecodeTga,   // TGA
    &CDibImage::DecodePcx,   // PCX
    &CDibImage::DecodeWbmp,  // WBMP
    &CDibImage::DecodeWmf,   // WMF
};
const CDibImage::Codec CDibImage::kEncoders[FORMAT_COUNT] = {
    nullptr,                 // detection
    &CDibImage::EncodeBmp,   // BMP
    &CDibImage::EncodeGif,   // GIF
    &CDibImage::EncodeJpeg,  // JPEG
    &CDibImage::EncodePng,   // PNG
    &CDibImage::EncodeIco,   // ICO
    &CDibImage::EncodeTga,   // TGA
    &CDibImage::EncodePcx,   // PCX
    &CDibImage::EncodeWbmp,  // WBMP
    &CDibImage::EncodeWmf,   // WMF
};

CDibImage::CDibImage() = default;

CDibImage::~CDibImage() { Destroy(); }

bool CDibImage::Fail(const char* message) {
  size_t length = strnlen(message, sizeof(m_info.lastError) - 1);
  memmove(m_info.lastError, message, length);
  m_info.lastError[length] = '\0';
  return false;
}

void* CDibImage::Create(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD formatId) {
  bool hadAlpha = m_alpha != nullptr;
  Destroy();
  if (width == 0 || height == 0) {
    Fail("CDibImage::Create : width and height must be greater than zero");
    return nullptr;
  }
  WORD bits = bitsPerPixel <= 1 ? 1 : bitsPerPixel <= 4 ? 4 : bitsPerPixel <= 8 ? 8 : 24;
  DWORD colors = bits == 24 ? 0 : 1u << bits;
  uint64_t effWidth = ((static_cast<uint64_t>(width) * bits + 31) >> 5) * 4;
  uint64_t imageSize = effWidth * height;  // both below 2^32: no overflow
  if (imageSize > kMaxMemory || static_cast<uint64_t>(width) * height > kMaxMemory) {
    Fail("DIBIMAGE_MAX_MEMORY exceeded");
    return nullptr;
  }
  size_t paletteSize = colors * sizeof(RGBQUAD);
  // Cleared, so that row padding and the unused bits of a byte, which
  // decoders never fill, are defined when an encoder copies them to a file.
  m_dib = static_cast<BYTE*>(calloc(1, sizeof(BITMAPINFOHEADER) + paletteSize + imageSize));
  if (m_dib == nullptr) {
    Fail("CDibImage::Create can't allocate memory");
    return nullptr;
  }
  m_header = {};
  m_header.biSize = sizeof(BITMAPINFOHEADER);
  m_header.biWidth = static_cast<LONG>(width);
  m_header.biHeight = static_cast<LONG>(height);
  m_header.biPlanes = 1;
  m_header.biBitCount = bits;
  m_header.biCompression = BI_RGB;
  m_header.biSizeImage = static_cast<DWORD>(imageSize);
  m_header.biXPelsPerMeter = DpiToPelsPerMeter(m_info.xDpi);
  m_header.biYPelsPerMeter = DpiToPelsPerMeter(m_info.yDpi);
  m_header.biClrUsed = colors;
  m_info.type = formatId;
  m_info.effWidth = static_cast<DWORD>(effWidth);
  memcpy(m_dib, &m_header, sizeof(m_header));
  m_info.bits = m_dib + sizeof(m_header) + paletteSize;
  if (hadAlpha) CreateAlphaChannel();
  return m_dib;
}

void CDibImage::Destroy() {
  free(m_alpha);
  m_alpha = nullptr;
  free(m_dib);
  m_dib = nullptr;
  m_header = {};
  m_info.bits = nullptr;
  m_info.effWidth = 0;
  m_info.transIndex = -1;
}

BYTE* CDibImage::GetBits(DWORD y) const {
  if (m_dib == nullptr || y >= GetHeight()) return nullptr;
  return m_info.bits + static_cast<size_t>(y) * m_info.effWidth;
}

RGBQUAD* CDibImage::Palette() const {
  return m_dib == nullptr ? nullptr : reinterpret_cast<RGBQUAD*>(m_dib + sizeof(BITMAPINFOHEADER));
}

RGBQUAD CDibImage::GetPaletteColor(BYTE index) const {
  if (index >= m_header.biClrUsed || m_dib == nullptr) return RGBQUAD{};
  return Palette()[index];
}

void CDibImage::SetPaletteColor(BYTE index, RGBQUAD color) {
  if (index < m_header.biClrUsed && m_dib != nullptr) Palette()[index] = color;
}

BYTE CDibImage::GetPixelIndex(long x, long y) const {
  if (m_dib == nullptr || m_header.biClrUsed == 0 || x < 0 || y < 0 || x >= m_header.biWidth ||
      y >= m_header.biHeight)
    return 0;
  const BYTE* row = GetBits(static_cast<DWORD>(y));
  switch (m_header.biBitCount) {
    case 8:
      return row[x];
    case 4:
      return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    default:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
}

void CDibImage::SetPixelIndex(long x, long y, BYTE index) {
  BYTE* row = GetBits(static_cast<DWORD>(y));
  switch (m_header.biBitCount) {
    case 8:
      row[x] = index;
      break;
    case 4: {
      int shift = (x & 1) ? 0 : 4;
      row[x >> 1] = static_cast<BYTE>((row[x >> 1] & ~(0x0F << shift)) | ((index & 0x0F) << shift));
      break;
    }
    default: {
      int shift = 7 - (x & 7);
      row[x >> 3] = static_cast<BYTE>((row[x >> 3] & ~(1 << shift)) | ((index & 1) << shift));
    }
  }
}

RGBQUAD CDibImage::ReadPixel(long x, long y, bool withAlpha) const {
  if (m_dib == nullptr) return RGBQUAD{};
  // Outside the image: the colour of the first pixel.
  if (x < 0 || y < 0 || x >= m_header.biWidth || y >= m_header.biHeight) x = y = 0;
  RGBQUAD color;
  if (m_header.biClrUsed != 0) {
    color = Palette()[GetPixelIndex(x, y)];
  } else {
    const BYTE* pixel = GetBits(static_cast<DWORD>(y)) + x * 3;
    color = RGBQUAD{pixel[0], pixel[1], pixel[2], 0};
  }
  color.rgbReserved = withAlpha && m_alpha != nullptr ? GetAlphaAt(x, y) : 0;
  return color;
}

BYTE CDibImage::NearestIndex(RGBQUAD color) const {
  const RGBQUAD* palette = Palette();
  BYTE best = 0;
  long bestDistance = 0x7FFFFFFF;
  for (DWORD i = 0; i < m_header.biClrUsed && bestDistance != 0; ++i) {
    long db = palette[i].rgbBlue - color.rgbBlue;
    long dg = palette[i].rgbGreen - color.rgbGreen;
    long dr = palette[i].rgbRed - color.rgbRed;
    long distance = db * db + dg * dg + dr * dr;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<BYTE>(i);
    }
  }
  return best;
}

void CDibImage::WritePixel(long x, long y, RGBQUAD color, bool withAlpha) {
  if (m_dib == nullptr || x < 0 || y < 0 || x >= m_header.biWidth || y >= m_header.biHeight) return;
  if (m_header.biClrUsed != 0) {
    SetPixelIndex(x, y, NearestIndex(color));
  } else {
    BYTE* pixel = GetBits(static_cast<DWORD>(y)) + x * 3;
    pixel[0] = color.rgbBlue;
    pixel[1] = color.rgbGreen;
    pixel[2] = color.rgbRed;
  }
  if (withAlpha && m_alpha != nullptr)
    m_alpha[static_cast<size_t>(y) * m_header.biWidth + x] = color.rgbReserved;
}

bool CDibImage::CreateAlphaChannel() {
  if (m_dib == nullptr) return false;
  if (m_alpha != nullptr) return true;
  size_t size = static_cast<size_t>(m_header.biWidth) * m_header.biHeight;
  m_alpha = static_cast<BYTE*>(malloc(size));
  if (m_alpha == nullptr) return false;
  memset(m_alpha, 255, size);
  return true;
}

BYTE CDibImage::GetAlphaAt(long x, long y) const {
  if (m_alpha == nullptr || x < 0 || y < 0 || x >= m_header.biWidth || y >= m_header.biHeight) return 0;
  return m_alpha[static_cast<size_t>(y) * m_header.biWidth + x];
}

void CDibImage::SetXDpi(long dpi) {
  m_info.xDpi = dpi;
  m_header.biXPelsPerMeter = DpiToPelsPerMeter(dpi);
}

void CDibImage::SetYDpi(long dpi) {
  m_info.yDpi = dpi;
  m_header.biYPelsPerMeter = DpiToPelsPerMeter(dpi);
}

bool CDibImage::IsGrayScale() const {
  if (m_dib == nullptr || m_header.biBitCount != 8 || m_header.biClrUsed != 256) return false;
  const RGBQUAD* palette = Palette();
  for (int i = 0; i < 256; ++i) {
    if (palette[i].rgbBlue != i || palette[i].rgbGreen != i || palette[i].rgbRed != i) return false;
  }
  return true;
}

void CDibImage::SetGrayPalette() {
  RGBQUAD* palette = Palette();
  for (DWORD i = 0; i < m_header.biClrUsed; ++i) {
    BYTE level = static_cast<BYTE>(i * 255 / (m_header.biClrUsed - 1));
    palette[i] = RGBQUAD{level, level, level, 0};
  }
}

void CDibImage::FlipRows() {
  // Swapped in place, so flipping needs no memory and cannot fail.
  DWORD height = GetHeight();
  for (DWORD y = 0; y < height / 2; ++y) {
    BYTE* low = GetBits(y);
    std::swap_ranges(low, low + m_info.effWidth, GetBits(height - 1 - y));
    if (m_alpha != nullptr) {
      const size_t width = static_cast<size_t>(m_header.biWidth);
      std::swap_ranges(m_alpha + y * width, m_alpha + (y + 1) * width, m_alpha + (height - 1 - y) * width);
    }
  }
}

void CDibImage::TakeOver(CDibImage& other) {
  if (&other == this) return;
  Destroy();
  m_dib = other.m_dib;
  m_header = other.m_header;
  m_info = other.m_info;
  m_alpha = other.m_alpha;
  other.m_dib = nullptr;
  other.m_alpha = nullptr;
  other.Destroy();
}

bool CDibImage::DecodeWith(DWORD formatId, CDibFile* file, bool* dimensionsOnly) {
  *dimensionsOnly = false;
  CDibImage candidate;
  candidate.m_info.escape = m_info.escape;
  if ((candidate.*kDecoders[formatId])(file)) {
    TakeOver(candidate);
    return true;
  }
  if (m_info.escape == -1 && !candidate.IsValid() && candidate.m_header.biWidth > 0) {
    // The decoder stopped after the dimensions, as asked.
    Destroy();
    m_header = candidate.m_header;
    m_info.type = formatId;
    *dimensionsOnly = true;
  }
  return Fail(candidate.m_info.lastError);
}

bool CDibImage::Decode(CDibFile* file, DWORD formatId) {
  if (file == nullptr) return Fail("null file handler");
  if (formatId == FORMAT_UNKNOWN) {
    long start = file->Tell();
    bool dimensionsOnly;
    for (DWORD id : kDetectionOrder) {
      if (kDecoders[id] == nullptr) continue;
      if (DecodeWith(id, file, &dimensionsOnly)) return true;
      if (dimensionsOnly) return false;
      file->Seek(start, 0);
    }
  } else if (formatId < FORMAT_COUNT && kDecoders[formatId] != nullptr) {
    bool dimensionsOnly;
    return DecodeWith(formatId, file, &dimensionsOnly);
  }
  return Fail("Decode: Unknown or wrong format");
}

bool CDibImage::Encode(CDibFile* file, DWORD formatId) {
  if (formatId >= FORMAT_COUNT || kEncoders[formatId] == nullptr) return Fail("Encode: Unknown format");
  if (file == nullptr) return Fail("null file handler");
  if (!IsValid()) return Fail("null image!!!");
  return (this->*kEncoders[formatId])(file);
}
