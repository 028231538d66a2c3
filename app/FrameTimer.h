// Frame start and end times, the one-second FPS count and the frame limiter.
#pragma once

#include "platform/Windows.h"

class CFrameTimer {
 public:
  virtual ~CFrameTimer() = default;

  void Begin();
  void End();
  // Sleeps out the rest of a frame of frameMs milliseconds.
  void Wait(DWORD frameMs);
  DWORD GetFPS() const { return m_fps; }

 private:
  DWORD m_frames = 0;
  DWORD m_fps = 0;
  DWORD m_fpsTime = 0;
  DWORD m_frameStart = 0;
  DWORD m_frameEnd = 0;
  bool m_counting = false;
};
