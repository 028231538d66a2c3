#include "app/ImageObject.h"

#include <algorithm>
#include <cstdint>

void CImageObject::Draw(CTSGraphics* device) {
  if (!m_image) return;
  device->BltWhole(m_image.Get(), m_bounds.left, m_bounds.top);
  m_dirty = false;
}

INT CImageObject::GetDirtyRects(RECT* out, INT max) const {
  if (!m_image || max < 1) return 0;
  out[0] = m_bounds;
  return 1;
}

bool CImageObject::GetBoundRect(RECT* out) const {
  if (!m_image) return false;
  *out = m_bounds;
  return true;
}

void CImageObject::SetImage(CTSTexture* image) {
  if (image == m_image.Get()) return;
  if (image != nullptr) {
    image->AddRef();
    m_dirty = true;
  }
  m_image = image;
  SetPosition(GetX(), GetY());
}

void CImageObject::SetPosition(INT x, INT y) {
  m_bounds = {x, y, x, y};
  if (m_image) {
    m_bounds.right = EndOf(x, m_image->GetWidth());
    m_bounds.bottom = EndOf(y, m_image->GetHeight());
  }
}

INT CImageObject::EndOf(INT start, INT length) {
  return static_cast<INT>(std::clamp<int64_t>(int64_t{start} + length, INT32_MIN, INT32_MAX));
}
