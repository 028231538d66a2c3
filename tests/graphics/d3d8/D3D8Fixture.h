// A Direct3D 8 device on a headless window, made through the graphics
// manager with the recording double in place of the layer's Direct3D.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/graphics/TSD3D8Graphics.h"
#include "engine/graphics/TSGraphicsManager.h"
#include "tests/graphics/d3d8/RecordingDirect3D.h"

class D3D8Fixture : public testing::Test {
 protected:
  static HWND MakeWindow(const char* title) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "D3D8TestWindow";
    RegisterClassExA(&windowClass);
    return CreateWindowExA(0, "D3D8TestWindow", title, WS_OVERLAPPED | WS_CAPTION, CW_USEDEFAULT, 0, 320, 240,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }

  void SetUp() override {
    RecordingDirect3D::Install();
    RecordingDirect3D::ClearCalls();
    m_window = MakeWindow("d3d8");
    ASSERT_NE(m_window, nullptr);
    ShowWindow(m_window, SW_SHOW);
  }
  void TearDown() override {
    if (m_device != nullptr) m_device->Release();
    m_device = nullptr;
    if (IsWindow(m_window)) DestroyWindow(m_window);
    RecordingDirect3D::ReportTextureCaps(false, 0);
    RecordingDirect3D::ReportDeviceNotReset(0);
    RecordingDirect3D::RefuseCreation(false);
    RecordingDirect3D::Uninstall();
  }

  // The device at width x height, windowed, window sized to it.
  bool CreateDevice(INT width = 160, INT height = 120) {
    CTSGraphics* device = CTSGraphicsManager::Instance().CreateDevice(TS_GUID_D3D8_GRAPHICS, m_window, width,
                                                                      height, false, true);
    m_device = static_cast<CTSD3D8Graphics*>(device);
    return m_device != nullptr;
  }

  // A texture of the format whose pixel (x, y) is pixel(x, y), opaque unless
  // the function says otherwise.
  template <class Pixel>
  CTSD3D8Texture* MakeTexture(INT width, INT height, INT format, INT filter, Pixel pixel) {
    CTSTexture* texture = m_device->CreateTexture(width, height, format, filter);
    if (texture == nullptr) return nullptr;
    for (INT y = 0; y < height; ++y)
      for (INT x = 0; x < width; ++x) texture->SetPixel(x, y, CTSColor(pixel(x, y)));
    return static_cast<CTSD3D8Texture*>(texture);
  }

  // The back buffer as 0xAARRGGBB, read through its render target.
  DWORD BackPixel(INT x, INT y) { return m_device->GetRenderTarget()->GetPixel(x, y).GetARGB(); }

  HWND m_window = nullptr;
  CTSD3D8Graphics* m_device = nullptr;
};
