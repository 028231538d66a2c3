// A render object for the scene benchmarks: a rectangle of a texture (or of
// nothing) drawn with constant alpha, dirty until drawn.
#pragma once

#include "engine/scene/TSRenderTreeObject.h"

class CBenchSprite : public CTSRenderTreeObject {
 public:
  CBenchSprite(CTSTexture* image, INT x, INT y, INT w, INT h, FlipFlags flip, DWORD color)
      : m_image(image), m_bound{x, y, x + w, y + h}, m_flip(flip), m_color(color) {}
  void Touch() { m_dirty = true; }
  void SetColor(DWORD color) {
    m_color = color;
    m_dirty = true;
  }

  void Draw(CTSGraphics* device) override {
    device->DrawSprite(m_image, m_bound.left, m_bound.top, 0, 0, m_bound.right - m_bound.left,
                       m_bound.bottom - m_bound.top, BLEND_ALPHA, m_flip, m_color);
    m_dirty = false;
  }
  INT GetDirtyRects(RECT* out, INT max) const override {
    if (max < 1) return 0;
    out[0] = m_bound;
    return 1;
  }
  bool GetBoundRect(RECT* out) const override {
    *out = m_bound;
    return true;
  }
  bool IsDirty() const override { return m_dirty; }

 private:
  CTSTexture* m_image;
  RECT m_bound;
  FlipFlags m_flip;
  CTSColor m_color;
  bool m_dirty = true;
};
