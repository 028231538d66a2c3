// Qarn's window and frame loop driven headless on the virtual clock, with
// input scheduled at given times. Each test runs in its own process (the
// application object lives until the process ends).
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/FrameLoop.h"
#include "app/GameFrame.h"
#include "app/Resource.h"
#include "app/Resources.h"
#include "app/WinMain.h"
#include "platform/Platform.h"
#include "tests/common/TempFolder.h"
#include "tests/common/TestEvents.h"

namespace {

// Frames of the default 33 ms run from time 0 until an input at atMs is
// handled: every frame that starts before it is drawn.
DWORD FramesStartedBefore(DWORD atMs, DWORD frameMs = 33) { return (atMs + frameMs - 1) / frameMs; }

class QarnRunTest : public testing::Test {
 protected:
  void SetUp() override {
    // Made before the application object, so that it is removed only after
    // the object's end banner went into it at exit.
    static TempFolder folder;
    std::filesystem::create_directories("Background");
    std::filesystem::copy_file(std::string(QARN_DATA_DIR) + "/Background/logo.bmp", "Background/logo.bmp",
                               std::filesystem::copy_options::overwrite_existing);
    Platform::EnableVirtualClock(0, SYSTEMTIME{2006, 3, 0, 5, 9, 7, 3, 0});
    Platform::SetResources(&QarnResources());
  }
  void TearDown() override { Platform::DisableVirtualClock(); }

  CGameFrame& StartWindow() {
    CGameFrame& frame = CGameFrame::Instance();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    EXPECT_TRUE(frame.CreateGameWindow(instance, LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_QARN))));
    EXPECT_TRUE(frame.CreateGraphicsDevice(TS_GUID_GDI_GRAPHICS, 640, 480, false));
    m_framesBefore = frame.GetFramesDrawn();
    return frame;
  }

  void PressAt(DWORD atMs, SDL_Keycode key, Uint16 modifiers) {
    HWND window = CGameFrame::Instance().GetWindow();
    Platform::PostEventAt(atMs, TestEvents::Key(window, key, modifiers, true));
    Platform::PostEventAt(atMs, TestEvents::Key(window, key, modifiers, false));
  }

  void WindowEventAt(DWORD atMs, SDL_WindowEventID id) {
    Platform::PostEventAt(atMs, TestEvents::WindowEvent(CGameFrame::Instance().GetWindow(), id));
  }

  DWORD FramesDrawn() const { return CGameFrame::Instance().GetFramesDrawn() - m_framesBefore; }

  DWORD m_framesBefore = 0;
};

TEST_F(QarnRunTest, TheFrameLimitEndsTheRunAfterExactlyThatManyPacedFrames) {
  CGameFrame::Instance().SetFrameLimit(60);
  EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT), 0);
  CGameFrame& frame = CGameFrame::Instance();
  EXPECT_EQ(frame.GetFramesDrawn(), 60u);
  EXPECT_FALSE(frame.IsRunning());
  EXPECT_FALSE(IsWindow(frame.GetWindow()));
  EXPECT_EQ(timeGetTime(), 60u * 30u);  // no Settings.ini: the frame is locked to 30 ms
  EXPECT_NE(ReadWholeFile("QarnLog.txt")
                .find("\nGame Window Created OK!\nCreate Graphics Device With 640 x 480, FullScreen = False OK!\n"),
            std::string::npos);
  EXPECT_NE(frame.GetDevice(), nullptr);
  EXPECT_TRUE(frame.GetRenderTree()->IsDirtyRectEnabled());
}

TEST_F(QarnRunTest, SettingsCanUnlockTheFrameRateAndTurnDirtyRectanglesOff) {
  std::FILE* file = std::fopen("Settings.ini", "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("[ Settting ]\r\nEnableDirtyRect = 0\r\nLockFPS=0\r\n", file);
  std::fclose(file);
  CGameFrame::Instance().SetFrameLimit(25);
  WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT);
  CGameFrame& frame = CGameFrame::Instance();
  EXPECT_EQ(frame.GetFramesDrawn(), 25u);
  EXPECT_EQ(timeGetTime(), 0u);  // no frame slept
  EXPECT_FALSE(frame.GetRenderTree()->IsDirtyRectEnabled());
}

TEST_F(QarnRunTest, AllQueuedMessagesAreHandledBeforeAFrame) {
  CGameFrame& frame = StartWindow();
  for (int i = 0; i < 3; ++i) PostMessageA(frame.GetWindow(), WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0);
  PostMessageA(frame.GetWindow(), WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
  frame.SetFrameLimit(100);
  RunFrameLoop(frame, nullptr);
  EXPECT_EQ(FramesDrawn(), 0u);
  EXPECT_FALSE(frame.IsRunning());
}

TEST_F(QarnRunTest, ClosingTheWindowEndsTheLoop) {
  CGameFrame& frame = StartWindow();
  WindowEventAt(500, SDL_WINDOWEVENT_CLOSE);
  RunFrameLoop(frame, nullptr);
  EXPECT_EQ(FramesDrawn(), FramesStartedBefore(500));
  EXPECT_FALSE(IsWindow(frame.GetWindow()));
}

TEST_F(QarnRunTest, AltFThenXChoosesExit) {
  CGameFrame& frame = StartWindow();
  PressAt(100, SDLK_f, KMOD_LALT);
  PressAt(100, SDLK_x, KMOD_NONE);
  RunFrameLoop(frame, nullptr);
  EXPECT_EQ(FramesDrawn(), FramesStartedBefore(100));
}

TEST_F(QarnRunTest, AboutFromTheMenuOrItsAcceleratorsChangesNothing) {
  CGameFrame& frame = StartWindow();
  PressAt(100, SDLK_SLASH, KMOD_LALT | KMOD_LSHIFT);  // Alt+"?"
  PressAt(150, SDLK_SLASH, KMOD_LALT);                // Alt+"/"
  PressAt(200, SDLK_h, KMOD_LALT);
  PressAt(200, SDLK_a, KMOD_NONE);
  WindowEventAt(300, SDL_WINDOWEVENT_CLOSE);
  RunFrameLoop(frame, nullptr);
  EXPECT_EQ(FramesDrawn(), FramesStartedBefore(300));
}

TEST_F(QarnRunTest, NoFrameIsDrawnWhileMinimised) {
  CGameFrame& frame = StartWindow();
  WindowEventAt(100, SDL_WINDOWEVENT_MINIMIZED);
  WindowEventAt(1000, SDL_WINDOWEVENT_RESTORED);
  WindowEventAt(2000, SDL_WINDOWEVENT_CLOSE);
  RunFrameLoop(frame, nullptr);
  // Frames from 0 until the minimise, none until 1000, then frames until 2000.
  EXPECT_EQ(FramesDrawn(), FramesStartedBefore(100) + FramesStartedBefore(1000));
}

TEST_F(QarnRunTest, TheFpsCounterHoldsStillWhileMinimised) {
  CGameFrame& frame = StartWindow();
  WindowEventAt(1500, SDL_WINDOWEVENT_MINIMIZED);
  WindowEventAt(9000, SDL_WINDOWEVENT_RESTORED);
  PressAt(9100, SDLK_f, KMOD_LALT);
  PressAt(9100, SDLK_x, KMOD_NONE);
  RunFrameLoop(frame, nullptr);
  // The frame starting at 1023 closed the first window; the first frame after
  // the restore closes the second, which holds only the frames drawn between
  // those two and the minimise.
  EXPECT_EQ(frame.GetFPS(), FramesStartedBefore(1500) - FramesStartedBefore(1024));
}

TEST_F(QarnRunTest, ExitWritesTheEndBannerAtTheEndOfTheRun) {
  EXPECT_EXIT(
      {
        CGameFrame& frame = StartWindow();
        WindowEventAt(200, SDL_WINDOWEVENT_CLOSE);
        RunFrameLoop(frame, nullptr);
        std::exit(frame.IsRunning() ? 3 : 0);
      },
      testing::ExitedWithCode(0), "");
  std::string log = ReadWholeFile("QarnLog.txt");
  const std::string endOfRun = "-----------------Qarn log ended at 2006,03,05, 9: 7:03----------------\n" +
                               std::string(70, '-') + "\n";
  ASSERT_GE(log.size(), endOfRun.size());
  EXPECT_EQ(log.substr(log.size() - endOfRun.size()), endOfRun);
  EXPECT_NE(log.find("Game Window Created OK!\n"), std::string::npos);
}

}  // namespace
