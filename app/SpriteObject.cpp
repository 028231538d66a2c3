#include "app/SpriteObject.h"

void CSpriteObject::Draw(CTSGraphics* device) {
  if (GetImage() == nullptr) return;
  device->DrawSprite(GetImage(), GetX(), GetY(), m_sourceX, m_sourceY, DrawnWidth(), DrawnHeight(),
                     m_blendMode, m_flipFlags, m_color);
  SetDirty(false);
}

INT CSpriteObject::GetDirtyRects(RECT* out, INT max) const {
  if (GetImage() == nullptr || max < 1) return 0;
  out[0] = {GetX(), GetY(), EndOf(GetX(), DrawnWidth()), EndOf(GetY(), DrawnHeight())};
  return 1;
}
