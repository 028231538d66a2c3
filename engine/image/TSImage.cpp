#include "engine/image/TSImage.h"

#include <cstddef>
#include <cstdint>
#include <new>

namespace {

// 256 M pixels (1 GB) at most: the product is checked before any allocation.
constexpr int64_t kMaxPixels = int64_t(1) << 28;

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
