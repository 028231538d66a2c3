#include "engine/image/TSImage.h"

#include <cstddef>
#include <cstdint>
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

CTSColor ToColor(RGBQUAD quad, BYTE alpha) {
  return CTSColor((DWORD(alpha) << 24) | (DWORD(quad.rgbRed) << 16) | (DWORD(quad.rgbGreen) << 8) | quad.rgbBlue);
}

}  // namespace

CTSImage::~CTSImage() { Free(); }

bool CTSImage::Create(INT width, INT height, bool hasAlpha) {
  Free();
  if (width < 1 || height < 1 || int64_t(width) * height > kMaxPixels) return false;
  m_pixels = new (std::nothrow) CTSColor[size_t(width) * size_t(height)];
  if (m_pixels == nullptr) return false;
  m_width = width;
  m_height = height;
  m_hasAlpha = hasAlpha;
  return true;
}

void CTSImage::Free() {
  delete[] m_pixels;
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
  if (stream == nullptr || !stream->CanRead()) return false;
  if (format < IMAGE_FORMAT_DETECT || format > IMAGE_FORMAT_PCX) return false;
  CDibImage decoded;
  CDibStreamFile file(stream);
  decoded.Decode(&file, format == IMAGE_FORMAT_DETECT ? kCodecDetect : kCodecFormats[format]);
  if (!decoded.IsValid()) return false;
  const bool alpha = decoded.HasAlphaChannel();
  if (!Create(INT(decoded.GetWidth()), INT(decoded.GetHeight()), alpha)) return false;
  // The codec layer keeps rows bottom-up.
  for (INT y = 0; y < m_height; ++y) {
    CTSColor* row = GetScanline(y);
    const long sourceRow = long(m_height - 1 - y);
    if (decoded.GetBitsPerPixel() == 24 && !alpha) {
      const BYTE* bits = decoded.GetBits(DWORD(sourceRow));
      for (INT x = 0; x < m_width; ++x, bits += 3)
        row[x] = CTSColor(0xFF000000u | (DWORD(bits[2]) << 16) | (DWORD(bits[1]) << 8) | bits[0]);
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
  if (stream == nullptr || !stream->CanWrite() || m_width == 0 || m_height == 0) return false;
  const DWORD codecFormat = format >= IMAGE_FORMAT_JPEG && format <= IMAGE_FORMAT_PCX ? kCodecFormats[format] : kCodecBmp;
  CDibImage encoded;
  encoded.Create(DWORD(m_width), DWORD(m_height), 24, codecFormat);
  if (m_hasAlpha) encoded.CreateAlphaChannel();
  if (!encoded.IsValid()) return false;
  for (INT y = 0; y < m_height; ++y) {
    const CTSColor* row = GetScanline(y);
    for (INT x = 0; x < m_width; ++x) {
      const CTSColor pixel = row[x];
      RGBQUAD quad = {pixel.GetBlue(), pixel.GetGreen(), pixel.GetRed(), pixel.GetAlpha()};
      encoded.WritePixel(x, long(m_height - 1 - y), quad, m_hasAlpha);
    }
  }
  CDibStreamFile file(stream);
  return encoded.Encode(&file, codecFormat);
}
