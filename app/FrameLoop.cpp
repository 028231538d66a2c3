#include "app/FrameLoop.h"

#include "app/AlphaAnimation.h"

namespace {

// Updates and draws the scene, then presents what changed: the dirty bounds,
// or the whole back buffer when the tree repainted everything.
void DrawFrame(CTSGraphics& device, CTSRenderTree& tree) {
  device.BeginScene();
  tree.Update();
  tree.Render(&device);
  device.EndScene();
  if (tree.IsDirtyRectEnabled()) {
    RECT bounds;
    tree.GetDirtyBounds(&bounds);
    device.Present(nullptr, &bounds, &bounds);
  } else {
    device.Present(nullptr, nullptr, nullptr);
  }
}

}  // namespace

// Messages come first: a frame is drawn only when the queue is empty, and
// none while the window is minimised.
void RunFrameLoop(CGameFrame& frame, const DemoScene* scene) {
  CAlphaAnimation alpha(timeGetTime());
  while (frame.IsRunning()) {
    if (frame.PumpMessage()) continue;
    if (frame.IsMinimized()) {
      WaitMessage();
      continue;
    }
    frame.BeginFrame();
    if (alpha.Step(timeGetTime()) && scene != nullptr) SetDemoSceneAlpha(*scene, alpha.GetAlpha());
    DrawFrame(*frame.GetDevice(), *frame.GetRenderTree());
    frame.EndFrame();
  }
}
