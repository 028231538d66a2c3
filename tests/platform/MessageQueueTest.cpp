#include <gtest/gtest.h>

#include <SDL.h>

#include "platform/Platform.h"
#include "tests/common/TestEvents.h"
#include "tests/platform/RecordingWindow.h"

namespace {

TEST(MessageQueue, PostedMessagesComeInOrderThenQuitThenPaint) {
  RecordingWindow window;
  ShowWindow(window.Handle(), SW_SHOW);  // the window now needs painting
  PostMessageA(window.Handle(), WM_USER, 1, 0);
  PostQuitMessage(7);
  PostMessageA(window.Handle(), WM_USER, 2, 0);

  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.wParam, 1u);
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.wParam, 1u);
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.wParam, 2u);
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  // WM_PAINT stays until the window is validated.
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
  DispatchMessageA(&msg);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(MessageQueue, FiltersByWindowAndRange) {
  RecordingWindow window;
  PostMessageA(nullptr, WM_USER, 1, 0);
  PostMessageA(window.Handle(), WM_USER + 5, 2, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, window.Handle(), 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 2u);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 1, WM_USER + 9, PM_REMOVE));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 1u);
}

TEST(MessageQueue, SendMessageCallsTheProcedureAtOnce) {
  RecordingWindow window;
  EXPECT_EQ(SendMessageA(window.Handle(), WM_USER, 9, 0), 0);
  ASSERT_EQ(window.Received(WM_USER).size(), 1u);
  EXPECT_EQ(window.Received(WM_USER)[0].wParam, 9u);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE));
}

class WaitMessageTest : public testing::Test {
 protected:
  void TearDown() override { Platform::DisableVirtualClock(); }
};

TEST_F(WaitMessageTest, OnTheVirtualClockTimeJumpsToTheNextScheduledEvent) {
  Platform::EnableVirtualClock(0, SYSTEMTIME{});
  RecordingWindow window;
  Platform::PostEventAt(5000, TestEvents::WindowEvent(window.Handle(), SDL_WINDOWEVENT_CLOSE));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  WaitMessage();
  EXPECT_EQ(timeGetTime(), 5000u);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
}

TEST_F(WaitMessageTest, ReturnsAtOnceWhenMessagesAreWaiting) {
  Platform::EnableVirtualClock(0, SYSTEMTIME{});
  PostMessageA(nullptr, WM_USER, 0, 0);
  WaitMessage();
  EXPECT_EQ(timeGetTime(), 0u);
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

}  // namespace
