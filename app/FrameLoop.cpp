#include "app/FrameLoop.h"

#include "app/AlphaAnimation.h"

// Messages come first: a frame is drawn only when the queue is empty, and
// none while the window is minimised.
void RunFrameLoop(CGameFrame& frame) {
  CAlphaAnimation alpha(timeGetTime());
  while (frame.IsRunning()) {
    if (frame.PumpMessage()) continue;
    if (frame.IsMinimized()) {
      WaitMessage();
      continue;
    }
    frame.BeginFrame();
    alpha.Step(timeGetTime());
    frame.EndFrame();
  }
}
