// A Direct3D 8 device on a headless window, made through the graphics manager
// over the layer's own Direct3D.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "engine/graphics/TSD3D8Graphics.h"
#include "engine/graphics/TSGraphicsManager.h"
#include "engine/image/TSImage.h"

class D3D8Fixture : public testing::Test {
 protected:
  static HWND MakeWindow(const char* title) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "D3D8TestWindow";
    RegisterClassExA(&windowClass);
    HWND window = CreateWindowExA(0, "D3D8TestWindow", title, WS_OVERLAPPED | WS_CAPTION, CW_USEDEFAULT, 0,
                                  320, 240, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window, SW_SHOW);
    return window;
  }
  void SetUp() override { ASSERT_NE(m_window = MakeWindow("d3d8"), nullptr); }
  void TearDown() override {
    if (m_device != nullptr) m_device->Release();
    if (IsWindow(m_window)) DestroyWindow(m_window);
  }

  bool CreateDevice(INT width = 160, INT height = 120, bool fullScreen = false) {
    m_device = static_cast<CTSD3D8Graphics*>(CTSGraphicsManager::Instance().CreateDevice(
        TS_GUID_D3D8_GRAPHICS, m_window, width, height, fullScreen, true));
    return m_device != nullptr;
  }

  // A texture of the format on the device whose pixel (x, y) is pixel(x, y).
  template <class Pixel>
  static CTSTexture* MakeTexture(CTSGraphics* device, INT width, INT height, INT format, Pixel pixel) {
    CTSTexture* texture = device->CreateTexture(width, height, format, 0);
    for (INT y = 0; texture != nullptr && y < height; ++y)
      for (INT x = 0; x < width; ++x) texture->SetPixel(x, y, CTSColor(pixel(x, y)));
    return texture;
  }

  // The current render target as 0xAARRGGBB, read once: (x, y) at [y * width + x].
  static std::vector<DWORD> Pixels(CTSGraphics* device) {
    CTSUsePtr<CTSImage> image(new CTSImage);
    std::vector<DWORD> pixels;
    if (!device->GetRenderTarget()->CopyToImage(image.Get())) return pixels;
    for (INT y = 0; y < image->GetHeight(); ++y)
      for (INT x = 0; x < image->GetWidth(); ++x) pixels.push_back(image->GetScanline(y)[x].GetARGB());
    return pixels;
  }

  HWND m_window = nullptr;
  CTSD3D8Graphics* m_device = nullptr;
};
