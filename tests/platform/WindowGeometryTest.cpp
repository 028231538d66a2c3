#include <gtest/gtest.h>

#include "tests/platform/RecordingWindow.h"

namespace {

TEST(WindowGeometry, SetWindowPosSizesTheClientAreaAndMoves) {
  RecordingWindow window;
  RECT outer = {0, 0, 320, 200};
  ASSERT_TRUE(AdjustWindowRectEx(&outer, WS_OVERLAPPED | WS_CAPTION, TRUE, 0));
  EXPECT_EQ(outer.right - outer.left, 320);  // no non-client area here
  ASSERT_TRUE(SetWindowPos(window.Handle(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
  RECT client;
  ASSERT_TRUE(GetClientRect(window.Handle(), &client));
  EXPECT_EQ(client.left, 0);
  EXPECT_EQ(client.top, 0);
  EXPECT_EQ(client.right, 320);
  EXPECT_EQ(client.bottom, 200);
  ASSERT_TRUE(SetWindowPos(window.Handle(), nullptr, 40, 30, 0, 0, SWP_NOSIZE));
  RECT placed;
  ASSERT_TRUE(GetWindowRect(window.Handle(), &placed));
  EXPECT_EQ(placed.right - placed.left, 320);
  EXPECT_EQ(placed.bottom - placed.top, 200);
  EXPECT_FALSE(SetWindowPos(window.Handle(), nullptr, 0, 0, 0, 10, SWP_NOMOVE));
  EXPECT_FALSE(GetClientRect(nullptr, &client));
}

TEST(WindowGeometry, StyleIsKeptAndReturned) {
  RecordingWindow window;
  EXPECT_EQ(GetWindowLongA(window.Handle(), GWL_STYLE), WS_OVERLAPPED);
  EXPECT_EQ(SetWindowLongA(window.Handle(), GWL_STYLE, static_cast<LONG>(WS_POPUP)), WS_OVERLAPPED);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window.Handle(), GWL_STYLE)), static_cast<DWORD>(WS_POPUP));
  EXPECT_EQ(GetWindowLongA(window.Handle(), GWL_EXSTYLE), 0);
}

TEST(WindowGeometry, TheWorkAreaIsTheDisplaysUsableBounds) {
  RecordingWindow window;
  RECT area{};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
  EXPECT_GT(area.right - area.left, 0);
  EXPECT_GT(area.bottom - area.top, 0);
  EXPECT_FALSE(SystemParametersInfoA(SPI_GETWORKAREA, 0, nullptr, 0));
  EXPECT_FALSE(SystemParametersInfoA(0x0001, 0, &area, 0));
}

TEST(Modules, DirectDrawIsBuiltInAndFoundByName) {
  HMODULE ddraw = LoadLibraryA("DDRAW.DLL");
  ASSERT_NE(ddraw, nullptr);
  EXPECT_EQ(LoadLibraryA("ddraw.dll"), ddraw);
  EXPECT_EQ(LoadLibraryA("user32.dll"), nullptr);
  FARPROC create = GetProcAddress(ddraw, "DirectDrawCreate");
  ASSERT_NE(create, nullptr);
  EXPECT_EQ(GetProcAddress(ddraw, "DirectDrawCreateEx"), nullptr);
  EXPECT_TRUE(FreeLibrary(ddraw));
  EXPECT_TRUE(FreeLibrary(ddraw));
  EXPECT_FALSE(FreeLibrary(ddraw));  // no longer loaded
  EXPECT_EQ(GetProcAddress(ddraw, "DirectDrawCreate"), nullptr);
}

TEST(Modules, DirectDrawTakesTheScreenAndGivesItBack) {
  RecordingWindow window;
  LPDIRECTDRAW directDraw = nullptr;
  ASSERT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK);
  EXPECT_EQ(directDraw->SetDisplayMode(640, 480, 16), DDERR_NOEXCLUSIVEMODE);
  EXPECT_EQ(directDraw->SetCooperativeLevel(window.Handle(), DDSCL_EXCLUSIVE), DDERR_INVALIDPARAMS);
  ASSERT_EQ(directDraw->SetCooperativeLevel(window.Handle(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT),
            DD_OK);
  EXPECT_EQ(directDraw->SetDisplayMode(640, 480, 12), DDERR_INVALIDPARAMS);
  ASSERT_EQ(directDraw->SetDisplayMode(640, 480, 16), DD_OK);
  EXPECT_TRUE(IsWindow(window.Handle()));
  EXPECT_EQ(directDraw->RestoreDisplayMode(), DD_OK);
  EXPECT_EQ(directDraw->Release(), 0u);
  EXPECT_EQ(DirectDrawCreate(nullptr, nullptr, nullptr), DDERR_INVALIDPARAMS);
}

}  // namespace
