// The Direct3D 8 device over Windows' own Direct3D 8, in a framed window whose
// outer rectangle is larger than its client area.
#include <gtest/gtest.h>

#include <tuple>

#include "engine/graphics/TSD3D8Graphics.h"
#include "engine/graphics/TSGraphicsManager.h"

namespace {

// A windowed reset to no size takes the client area, as the back buffer does,
// and leaves the window's size as it was.
TEST(D3D8OnWindows, AWindowedResetToNoSizeKeepsTheClientArea) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "D3D8OnWindows";
  ASSERT_NE(RegisterClassExA(&windowClass), 0);
  HWND window = CreateWindowExA(0, "D3D8OnWindows", "", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
  RECT client = {};
  ASSERT_TRUE(GetClientRect(window, &client));
  CTSUsePtr<CTSGraphics> device(
      CTSGraphicsManager::Instance().CreateDevice(TS_GUID_D3D8_GRAPHICS, window, 0, 0, false, false));
  ASSERT_TRUE(device);
  for (int reset = 0; reset < 2; ++reset) {
    ASSERT_TRUE(device->SetDisplayMode(0, 0, false));
    RECT now = {};
    GetClientRect(window, &now);
    EXPECT_EQ(std::tuple(device->GetWidth(), device->GetHeight(), now.right, now.bottom),
              std::tuple(client.right, client.bottom, client.right, client.bottom));
  }
  device.Reset(nullptr);
  DestroyWindow(window);
}

}  // namespace
