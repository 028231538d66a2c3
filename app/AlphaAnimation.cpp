#include "app/AlphaAnimation.h"

bool CAlphaAnimation::Step(DWORD now) {
  if (now - m_clock <= 30) return false;
  m_clock = now;
  m_alpha += m_step;
  if (m_alpha >= 255) {
    m_alpha = 255;
    m_step = -m_step;
  } else if (m_alpha <= 0) {
    m_alpha = 0;
    m_step = -m_step;
  }
  return true;
}
