// The frame-rate overlay: "FPS:n" in font 0, opaque green, at (10, 10). The
// scene root; it reports its text rectangle only when the value changed.
#pragma once

#include "engine/scene/TSRenderTreeObject.h"

class CFPSObject : public CTSRenderTreeObject {
 public:
  CFPSObject() = default;

  // Takes the application's current frames per second.
  void Update(INT elapsedMs) override;
  void Draw(CTSGraphics* device) override;
  INT GetDirtyRects(RECT* out, INT max) const override;
  bool GetBoundRect(RECT* out) const override;
  bool IsDirty() const override { return true; }

 private:
  DWORD m_previousFps = 0;
  DWORD m_currentFps = 0;
  RECT m_textRect = {10, 10, 90, 26};
  // The text rectangle and room to its right for long values.
  RECT m_boundRect = {10, 10, 210, 26};
};
