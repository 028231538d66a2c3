// Qarn's window and frame loop driven headless on the virtual clock, with
// input scheduled at given times; each run in a child process of its own.
#include <gtest/gtest.h>

#include <SDL.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/FrameLoop.h"
#include "app/GameFrame.h"
#include "app/Resource.h"
#include "app/Resources.h"
#include "platform/Platform.h"
#include "tests/app/ChildProcess.h"
#include "tests/common/TempFolder.h"
#include "tests/common/TestEvents.h"

namespace {

// Frames of frameMs run from time 0 until an input at atMs is handled: every
// frame that starts before it is drawn.
DWORD FramesStartedBefore(DWORD atMs, DWORD frameMs = 33) { return (atMs + frameMs - 1) / frameMs; }

class QarnRunTest : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories("Background");
    std::filesystem::copy_file(std::string(QARN_DATA_DIR) + "/Background/logo.bmp", "Background/logo.bmp");
    Platform::EnableVirtualClock(0, SYSTEMTIME{2006, 3, 0, 5, 9, 7, 3, 0});
    Platform::SetResources(&QarnResources());
  }
  void TearDown() override { Platform::DisableVirtualClock(); }

  static CGameFrame& StartWindow() {
    CGameFrame& frame = CGameFrame::Instance();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    EXPECT_TRUE(frame.CreateGameWindow(instance, LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_QARN))));
    EXPECT_TRUE(frame.CreateGraphicsDevice(TS_GUID_GDI_GRAPHICS, 640, 480, false));
    EXPECT_EQ(frame.GetFramesDrawn(), 0u);
    return frame;
  }

  TempFolder m_folder;
};

TEST_F(QarnRunTest, InputEndsTheLoopAfterTheFramesStartedBeforeIt) {
  enum Kind { kKey, kWindow };
  struct Input { DWORD at; Kind kind; int what; Uint16 modifiers; };  // what: a key, or a window event
  const struct { const char* what; std::vector<Input> inputs; DWORD frames; } cases[] = {
      {"close", {{500, kWindow, SDL_WINDOWEVENT_CLOSE, 0}}, FramesStartedBefore(500)},
      {"Alt+F then X", {{100, kKey, SDLK_f, KMOD_LALT}, {100, kKey, SDLK_x, KMOD_NONE}}, FramesStartedBefore(100)},
      {"About three ways, then close",
       {{100, kKey, SDLK_SLASH, KMOD_LALT | KMOD_LSHIFT}, {150, kKey, SDLK_SLASH, KMOD_LALT},
        {200, kKey, SDLK_h, KMOD_LALT}, {200, kKey, SDLK_a, KMOD_NONE}, {300, kWindow, SDL_WINDOWEVENT_CLOSE, 0}},
       FramesStartedBefore(300)}, {"no frame while minimised",
       {{100, kWindow, SDL_WINDOWEVENT_MINIMIZED, 0}, {1000, kWindow, SDL_WINDOWEVENT_RESTORED, 0},
        {2000, kWindow, SDL_WINDOWEVENT_CLOSE, 0}}, FramesStartedBefore(100) + FramesStartedBefore(1000)}, };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    IN_CHILD_PROCESS({
      CGameFrame& frame = StartWindow();
      for (const Input& in : c.inputs) {
        if (in.kind == kWindow)
          Platform::PostEventAt(in.at, TestEvents::WindowEvent(frame.GetWindow(), SDL_WindowEventID(in.what)));
        for (bool down : {true, false})
          if (in.kind == kKey) Platform::PostEventAt(in.at, TestEvents::Key(frame.GetWindow(), in.what, in.modifiers, down));
      }
      RunFrameLoop(frame, nullptr);
      EXPECT_TRUE(frame.GetFramesDrawn() == c.frames && !frame.IsRunning() && !IsWindow(frame.GetWindow()));
    });
  }
}

TEST_F(QarnRunTest, QueuedMessagesComeBeforeFramesAndTheFpsCountHoldsWhileMinimised) {
  IN_CHILD_PROCESS({
    CGameFrame& frame = StartWindow();
    for (int i = 0; i < 3; ++i) PostMessageA(frame.GetWindow(), WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0);
    PostMessageA(frame.GetWindow(), WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
    RunFrameLoop(frame, nullptr);
    EXPECT_EQ(frame.GetFramesDrawn(), 0u);
  });
  IN_CHILD_PROCESS({
    CGameFrame& frame = StartWindow();
    HWND window = frame.GetWindow();
    Platform::PostEventAt(1500, TestEvents::WindowEvent(window, SDL_WINDOWEVENT_MINIMIZED));
    Platform::PostEventAt(9000, TestEvents::WindowEvent(window, SDL_WINDOWEVENT_RESTORED));
    Platform::PostEventAt(9100, TestEvents::WindowEvent(window, SDL_WINDOWEVENT_CLOSE));
    RunFrameLoop(frame, nullptr);
    // The frame starting at 1023 closed the first window; the first frame
    // after the restore closes the second, which holds only the frames drawn
    // between those two and the minimise.
    EXPECT_EQ(frame.GetFPS(), FramesStartedBefore(1500) - FramesStartedBefore(1024));
  });
}

}  // namespace
