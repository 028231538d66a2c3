// A scene object showing a whole texture with its top-left corner at a
// position. It holds one use of the texture, and is dirty from SetImage until
// its next Draw.
#pragma once

#include "engine/graphics/TSTexture.h"
#include "engine/object/TSUseCountObject.h"
#include "engine/scene/TSRenderTreeObject.h"

class CImageObject : public CTSRenderTreeObject {
 public:
  CImageObject() = default;

  // Without an image: nothing is drawn and nothing is reported.
  void Draw(CTSGraphics* device) override;
  // The bounds, as one rectangle; 0 when max leaves no room.
  INT GetDirtyRects(RECT* out, INT max) const override;
  bool GetBoundRect(RECT* out) const override;
  bool IsDirty() const override { return m_dirty; }

  // Takes a use of image and gives up the one held before; setting the image
  // already held changes nothing. A new image marks the object dirty.
  void SetImage(CTSTexture* image);
  CTSTexture* GetImage() const { return m_image.Get(); }
  // Moves the bounds (position + image size) without marking the object dirty.
  void SetPosition(INT x, INT y);
  INT GetX() const { return m_bounds.left; }
  INT GetY() const { return m_bounds.top; }

 protected:
  void SetDirty(bool dirty) { m_dirty = dirty; }
  // start + length, held within the 32-bit range so that far positions cannot overflow.
  static INT EndOf(INT start, INT length);

 private:
  CTSUsePtr<CTSTexture> m_image;
  RECT m_bounds{0, 0, 0, 0};
  bool m_dirty = false;
};
