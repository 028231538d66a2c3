#include "engine/image/TSImage.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "engine/image/DibStreamFile.h"
#include "engine/image/codec/DibImage.h"

namespace {

// 256 M pixels (1 GB) at most: the product is checked before any allocation.
constexpr int64_t kMaxPixels = int64_t(1) << 28;

// The codec layer's format numbers of image codes 0 to 4 (BMP, JPEG, PNG,
// TGA, PCX); detection is 0.
constexpr DWORD kCodecFormats[] = {1, 3, 4, 6, 7};
constexpr DWORD kCodecDetect = 0;
constexpr DWORD kCodecBmp = 1;

// Expands a row of 24-bit blue, green, red pixels into opaque colours. A
// little-endian load of four bytes at a pixel gives 0x??RRGGBB, so one load
// and one OR make a colour; the last pixel is read bytewise so as not to
// reach past the row.
void ExpandOpaqueRow(const BYTE* bits, CTSColor* row, INT width) {
  static_assert(std::endian::native == std::endian::little);
  INT x = 0;
  for (; x + 1 < width; ++x) {
    DWORD bgr;
    memcpy(&bgr, bits + size_t(x) * 3, sizeof(bgr));
    row[x] = CTSColor(0xFF000000u | bgr);
  }
  const BYTE* last = bits + size_t(x) * 3;
  row[x] = CTSColor(0xFF000000u | (DWORD(last[2]) << 16) | (DWORD(last[1]) << 8) | last[0]);
}

CTSColor ToColor(RGBQUAD quad, BYTE alpha) {
  return CTSColor((DWORD(alpha) << 24) | (DWORD(quad.rgbRed) << 16) | (DWORD(quad.rgbGreen) << 8) | quad.rgbBlue);
}

}  // namespace

CTSImage::~CTSImage() { Free(); }

void CTSImage::KeepError(const char* message) { snprintf(m_lastError, sizeof(m_lastError), "%s", message); }

bool CTSImage::Create(INT width, INT height, bool hasAlpha) {
  Free();
  if (width < 1 || height < 1 || int64_t(width) * height > kMaxPixels) return false;
  // Raw storage, not constructed colours: the contents are undefined until
  // written, and clearing them would add a pass over the whole block.
  m_pixels = static_cast<CTSColor*>(
      ::operator new[](size_t(width) * size_t(height) * sizeof(CTSColor), std::nothrow));
  if (m_pixels == nullptr) return false;
  m_width = width;
  m_height = height;
  m_hasAlpha = hasAlpha;
  return true;
}

void CTSImage::Free() {
  ::operator delete[](m_pixels);
  m_pixels = nullptr;
  m_width = 0;
  m_height = 0;
  m_hasAlpha = false;
}

CTSColor* CTSImage::GetScanline(INT y) {
  if (m_pixels == nullptr || y < 0 || y >= m_height) return nullptr;
  return m_pixels + size_t(y) * size_t(m_width);
}

bool CTSImage::Load(CTSIOStream* stream, INT format) {
  Free();
  KeepError("");
  if (stream == nullptr || !stream->CanRead()) return false;
  if (format < IMAGE_FORMAT_DETECT || format > IMAGE_FORMAT_PCX) return false;
  CDibImage decoded;
  CDibStreamFile file(stream);
  decoded.Decode(&file, format == IMAGE_FORMAT_DETECT ? kCodecDetect : kCodecFormats[format]);
  if (!decoded.IsValid()) {
    KeepError(decoded.GetLastError());
    return false;
  }
  const bool alpha = decoded.HasAlphaChannel();
  if (!Create(INT(decoded.GetWidth()), INT(decoded.GetHeight()), alpha)) return false;
  // The codec layer keeps rows bottom-up; they are taken in memory order.
  for (INT y = m_height - 1; y >= 0; --y) {
    CTSColor* row = GetScanline(y);
    const long sourceRow = long(m_height - 1 - y);
    if (decoded.GetBitsPerPixel() == 24 && !alpha) {
      ExpandOpaqueRow(decoded.GetBits(DWORD(sourceRow)), row, m_width);
      continue;
    }
    for (INT x = 0; x < m_width; ++x) {
      RGBQUAD quad = decoded.ReadPixel(x, sourceRow, alpha);
      row[x] = ToColor(quad, alpha ? quad.rgbReserved : 0xFF);
    }
  }
  return true;
}

bool CTSImage::Save(CTSIOStream* stream, INT format) {
  KeepError("");
  if (stream == nullptr || !stream->CanWrite() || m_width == 0 || m_height == 0) return false;
  const DWORD codecFormat = format >= IMAGE_FORMAT_JPEG && format <= IMAGE_FORMAT_PCX ? kCodecFormats[format] : kCodecBmp;
  CDibImage encoded;
  encoded.Create(DWORD(m_width), DWORD(m_height), 24, codecFormat);
  if (m_hasAlpha) encoded.CreateAlphaChannel();
  if (!encoded.IsValid()) {
    KeepError(encoded.GetLastError());
    return false;
  }
  for (INT y = 0; y < m_height; ++y) {
    const CTSColor* row = GetScanline(y);
    for (INT x = 0; x < m_width; ++x) {
      const CTSColor pixel = row[x];
      RGBQUAD quad = {pixel.GetBlue(), pixel.GetGreen(), pixel.GetRed(), pixel.GetAlpha()};
      encoded.WritePixel(x, long(m_height - 1 - y), quad, m_hasAlpha);
    }
  }
  CDibStreamFile file(stream);
  if (encoded.Encode(&file, codecFormat)) return true;
  KeepError(encoded.GetLastError());
  return false;
}
