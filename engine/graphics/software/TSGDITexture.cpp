#include "engine/graphics/software/TSGDITexture.h"

#include <new>

#include "engine/graphics/TSPixelFormat.h"
#include "engine/graphics/software/TSBlitRect.h"
#include "engine/graphics/software/TSPixelPipeline.h"
#include "engine/image/TSImage.h"

CTSGDITexture::~CTSGDITexture() { Free(); }

INT CTSGDITexture::GetFormat() const {
  return m_alpha != nullptr ? TEXTURE_FORMAT_X1R5G5B5_ALPHA8 : TEXTURE_FORMAT_X1R5G5B5;
}

bool CTSGDITexture::Lock(TSLockInfo& info) {
  if (m_pixels == nullptr) return false;
  info.pitch = m_width * 2;
  info.alphaPitch = m_alpha != nullptr ? m_width : 0;
  info.format = GetFormat();
  info.bits = m_pixels;
  info.alphaBits = m_alpha;
  return true;
}

void CTSGDITexture::SetPixel(INT x, INT y, const CTSColor& color) {
  Pixel555* row = GetPixelRow(y);
  if (row == nullptr || x < 0 || x >= m_width) return;
  row[x] = ColorToPixel555(color);
  if (m_alpha != nullptr) GetAlphaRow(y)[x] = color.GetAlpha();
}

CTSColor CTSGDITexture::GetPixel(INT x, INT y) {
  const Pixel555* row = GetPixelRow(y);
  if (row == nullptr || x < 0 || x >= m_width) return 0;
  const CTSColor color = ReadX1R5G5B5(row[x]);
  if (m_alpha == nullptr) return color;
  return CTSColor((DWORD(GetAlphaRow(y)[x]) << 24) | (color.GetARGB() & 0x00FFFFFF));
}

bool CTSGDITexture::Allocate(INT width, INT height, INT format, INT filter) {
  Free();
  if (width < 1 || height < 1) return false;
  const size_t count = size_t(width) * size_t(height);
  m_pixels = new (std::nothrow) Pixel555[count];
  if (m_pixels == nullptr) return false;
  m_ownsPixels = true;
  if (format == TEXTURE_FORMAT_X1R5G5B5_ALPHA8) {
    m_alpha = new (std::nothrow) BYTE[count];
    if (m_alpha == nullptr) {
      Free();
      return false;
    }
  }
  m_width = width;
  m_height = height;
  SetFilter(filter);
  return true;
}

void CTSGDITexture::ReleaseBuffers() {
  if (m_ownsPixels) delete[] m_pixels;
  delete[] m_alpha;
  m_pixels = nullptr;
  m_alpha = nullptr;
  m_ownsPixels = false;
}

void CTSGDITexture::Free() {
  ReleaseBuffers();
  m_width = 0;
  m_height = 0;
  m_colorKey = 0x0000FFFF;
  m_filter = -1;
}

void CTSGDITexture::AttachPixels(Pixel555* pixels) {
  ReleaseBuffers();
  m_pixels = pixels;
}

void CTSGDITexture::SetColorKey16(WORD key) { m_colorKey = ReadX1R5G5B5(key); }

bool CTSGDITexture::CopyFromImage(CTSImage* image, CTSColor key) {
  if (image == nullptr || !IsValid() || image->GetWidth() != m_width || image->GetHeight() != m_height) return false;
  // A stored 16-bit key always has alpha 255, which the blitter reads as no
  // key: the key given here never makes pixels transparent.
  SetColorKey16(key.GetAlpha() == 0xFF ? ColorToPixel555(key) : NO_COLOR_KEY);
  for (INT y = 0; y < m_height; ++y) {
    const CTSColor* source = image->GetScanline(y);
    Pixel555* row = GetPixelRow(y);
    for (INT x = 0; x < m_width; ++x) row[x] = ColorToPixel555(source[x]);
    if (BYTE* alpha = GetAlphaRow(y))
      for (INT x = 0; x < m_width; ++x) alpha[x] = source[x].GetAlpha();
  }
  return true;
}

Pixel555* CTSGDITexture::GetPixelRow(INT y) const {
  if (m_pixels == nullptr || y < 0 || y >= m_height) return nullptr;
  return m_pixels + size_t(y) * size_t(m_width);
}

BYTE* CTSGDITexture::GetAlphaRow(INT y) const {
  if (m_alpha == nullptr || y < 0 || y >= m_height) return nullptr;
  return m_alpha + size_t(y) * size_t(m_width);
}

WORD CTSGDITexture::GetColorKey16() const {
  if (m_colorKey.GetAlpha() == 0xFF) return NO_COLOR_KEY;
  return ColorToPixel555(m_colorKey);
}

void CTSGDITexture::ClearRect(CTSColor color, const RECT* rect) {
  if (m_pixels == nullptr || m_width < 1 || m_height < 1) return;
  RECT r;
  ClampRectToSurface(&r, rect, m_width, m_height);
  const Pixel555 value = ColorToPixel555(color);
  if (r.right - r.left == m_width && r.bottom - r.top == m_height) {
    FastFill16(m_pixels, value, size_t(m_width) * size_t(m_height));
    return;
  }
  if (r.right <= r.left) return;
  for (LONG y = r.top; y < r.bottom; ++y)
    FastFill16(GetPixelRow(y) + r.left, value, size_t(r.right - r.left));
}
