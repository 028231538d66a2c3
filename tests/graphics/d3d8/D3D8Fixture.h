// A Direct3D 8 device on a shown headless window, made through the graphics manager
// over the layer's own Direct3D.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "engine/graphics/TSD3D8Graphics.h"
#include "engine/graphics/TSGraphicsManager.h"
#include "engine/image/TSImage.h"
#include "tests/platform/RecordingWindow.h"

class D3D8Fixture : public testing::Test {
 protected:
  void SetUp() override { ShowWindow(m_window, SW_SHOW); }
  void TearDown() override {
    if (m_device != nullptr) m_device->Release();
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

  RecordingWindow m_recording;
  HWND m_window = m_recording.Handle();
  CTSD3D8Graphics* m_device = nullptr;
};
