#include <gtest/gtest.h>

#include <SDL.h>

#include "platform/sdl/WindowImpl.h"
#include "tests/common/TestEvents.h"
#include "tests/platform/RecordingWindow.h"

namespace {

TEST(Window, CreationSendsCreateAndShowingActivatesAndAsksForPaint) {
  RecordingWindow window;
  ASSERT_NE(window.Handle(), nullptr);
  EXPECT_EQ(window.Received(WM_CREATE).size(), 1u);
  EXPECT_TRUE(window.Received(WM_ACTIVATE).empty());
  ShowWindow(window.Handle(), SW_SHOW);
  ASSERT_EQ(window.Received(WM_ACTIVATE).size(), 1u);
  EXPECT_EQ(window.Received(WM_ACTIVATE)[0].wParam, MAKEWPARAM(WA_ACTIVE, 0));
  UpdateWindow(window.Handle());
  EXPECT_EQ(window.Received(WM_PAINT).size(), 1u);
  // The default processing validated the window: nothing more to paint.
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST(Window, UnknownClassesAndBadClassRecordsAreRefused) {
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass) - 4;
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.lpszClassName = "Short";
  EXPECT_EQ(RegisterClassExA(&windowClass), 0);
  EXPECT_EQ(RegisterClassExA(nullptr), 0);
  EXPECT_FALSE(DestroyWindow(nullptr));
  EXPECT_FALSE(ShowWindow(reinterpret_cast<HWND>(&windowClass), SW_SHOW));
}

TEST(Window, ClosingDestroysTheWindowThroughTheDefaultProcessing) {
  RecordingWindow window;
  HWND handle = window.Handle();
  SDL_Event close = TestEvents::WindowEvent(handle, SDL_WINDOWEVENT_CLOSE);
  SDL_PushEvent(&close);
  TestEvents::PumpAll(nullptr);
  EXPECT_EQ(window.Received(WM_CLOSE).size(), 1u);
  EXPECT_EQ(window.Received(WM_DESTROY).size(), 1u);
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_EQ(Platform::GetSdlWindow(handle), nullptr);
}

TEST(Window, DestroyingDropsTheMessagesPostedToIt) {
  RecordingWindow window;
  HWND handle = window.Handle();
  PostMessageA(handle, WM_USER, 1, 0);
  PostMessageA(nullptr, WM_USER, 2, 0);
  DestroyWindow(handle);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.wParam, 2u);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PostMessageA(handle, WM_USER, 3, 0));
}

TEST(Window, MinimisingAndRestoringSendActivateWithTheMinimisedFlag) {
  RecordingWindow window;
  ShowWindow(window.Handle(), SW_SHOW);
  TestEvents::PumpAll(nullptr);
  window.Clear();
  SDL_Event minimised = TestEvents::WindowEvent(window.Handle(), SDL_WINDOWEVENT_MINIMIZED);
  SDL_PushEvent(&minimised);
  TestEvents::PumpAll(nullptr);
  ASSERT_EQ(window.Received(WM_ACTIVATE).size(), 1u);
  EXPECT_EQ(HIWORD(window.Received(WM_ACTIVATE)[0].wParam), 1);
  EXPECT_TRUE(IsIconic(window.Handle()));

  SDL_Event restored = TestEvents::WindowEvent(window.Handle(), SDL_WINDOWEVENT_RESTORED);
  SDL_PushEvent(&restored);
  TestEvents::PumpAll(nullptr);
  ASSERT_EQ(window.Received(WM_ACTIVATE).size(), 2u);
  EXPECT_EQ(window.Received(WM_ACTIVATE)[1].wParam, MAKEWPARAM(WA_ACTIVE, 0));
  EXPECT_FALSE(IsIconic(window.Handle()));
  // Restoring uncovers the window: it is painted again.
  EXPECT_EQ(window.Received(WM_PAINT).size(), 1u);
}

TEST(Window, ExposureAsksForOnePaint) {
  RecordingWindow window;
  ShowWindow(window.Handle(), SW_SHOW);
  TestEvents::PumpAll(nullptr);
  window.Clear();
  SDL_Event exposed = TestEvents::WindowEvent(window.Handle(), SDL_WINDOWEVENT_EXPOSED);
  SDL_PushEvent(&exposed);
  SDL_PushEvent(&exposed);
  TestEvents::PumpAll(nullptr);
  EXPECT_EQ(window.Received(WM_PAINT).size(), 1u);
}

TEST(MessageBox, HeadlessTextGoesToStandardError) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, "Create Game Frame Failed!", "Error", MB_OK), IDOK);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Create Game Frame Failed!\n");
}

}  // namespace
