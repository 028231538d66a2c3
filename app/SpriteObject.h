// A scene object drawing a part of a texture through the device's DrawSprite:
// a source rectangle, a blend mode, mirror flips and a modulation colour.
// A setter marks the sprite dirty only when it changes the stored value.
#pragma once

#include "app/ImageObject.h"
#include "engine/graphics/TSColor.h"
#include "engine/graphics/TSGraphicsTypes.h"

class CSpriteObject : public CImageObject {
 public:
  CSpriteObject() = default;

  // Draws width x height from (source x, source y); a negative width or
  // height stands for the image's own.
  void Draw(CTSGraphics* device) override;
  // The rectangle Draw covers: the position and the drawn width and height.
  INT GetDirtyRects(RECT* out, INT max) const override;

  void SetBlendMode(BlendMode blendMode) { Store(m_blendMode, blendMode); }
  void SetFlip(FlipFlags flipFlags) { Store(m_flipFlags, flipFlags); }
  void SetSourceX(INT x) { Store(m_sourceX, x); }
  void SetSourceY(INT y) { Store(m_sourceY, y); }
  void SetWidth(INT width) { Store(m_width, width); }
  void SetHeight(INT height) { Store(m_height, height); }
  void SetColor(CTSColor color) { Store(m_color, color); }

 private:
  template <class T>
  void Store(T& field, T value) {
    if (field == value) return;
    field = value;
    SetDirty(true);
  }
  INT DrawnWidth() const { return m_width < 0 ? GetImage()->GetWidth() : m_width; }
  INT DrawnHeight() const { return m_height < 0 ? GetImage()->GetHeight() : m_height; }

  BlendMode m_blendMode = BLEND_ALPHA;
  FlipFlags m_flipFlags = FLIP_NONE;
  INT m_sourceX = 0;
  INT m_sourceY = 0;
  INT m_width = -1;
  INT m_height = -1;
  CTSColor m_color = 0xFFFFFFFF;
};
