#include "app/FrameTimer.h"

void CFrameTimer::Begin() { m_frameStart = timeGetTime(); }

void CFrameTimer::End() {
  DWORD now = timeGetTime();
  m_frameEnd = now;
  if (!m_counting) {
    // The first frame's end opens the first one-second window.
    m_counting = true;
    m_fpsTime = now;
  } else if (now - m_fpsTime < 1000) {
    ++m_frames;
  } else {
    // The frame that closes a one-second window counts in neither window.
    m_fps = m_frames;
    m_frames = 0;
    m_fpsTime = now;
  }
}

void CFrameTimer::Wait(DWORD frameMs) {
  if (m_frameEnd - m_frameStart < frameMs) Sleep(m_frameStart - m_frameEnd + frameMs);
}
