// The demo's pulsing alpha: 255 down to 0 and back in steps of 5, one step
// each time more than 30 ms have passed.
#pragma once

#include "platform/Windows.h"

class CAlphaAnimation {
 public:
  explicit CAlphaAnimation(DWORD now) : m_clock(now) {}

  // Advances by one step when the time has come; true when alpha changed.
  bool Step(DWORD now);
  DWORD GetAlpha() const { return static_cast<DWORD>(m_alpha); }

 private:
  DWORD m_clock;
  int m_alpha = 255;
  int m_step = -5;
};
