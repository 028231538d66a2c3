#include "app/FPSObject.h"

#include <cstdio>

#include "app/GameFrame.h"
#include "engine/text/TSTextRegistry.h"

void CFPSObject::Update(INT elapsedMs) {
  (void)elapsedMs;
  m_previousFps = m_currentFps;
  m_currentFps = CGameFrame::Instance().GetFPS();
}

void CFPSObject::Draw(CTSGraphics* device) {
  char text[32];
  std::snprintf(text, sizeof(text), "FPS:%u", static_cast<unsigned>(m_currentFps));
  CTSTextRegistry::Instance().DrawText(0, device, m_textRect.left, m_textRect.top, CTSColor(0xFF00FF00), text, -1,
                                       -1);
}

INT CFPSObject::GetDirtyRects(RECT* out, INT max) const {
  if (m_previousFps == m_currentFps || out == nullptr || max < 1) return 0;
  out[0] = m_textRect;
  return 1;
}

bool CFPSObject::GetBoundRect(RECT* out) const {
  if (out == nullptr) return false;
  *out = m_boundRect;
  return true;
}
