// The software device on a headless window: what reaches the window is read
// back and compared with what was drawn into the back buffer.
#include <gtest/gtest.h>

#include "engine/graphics/TSGDIGraphics.h"
#include "engine/graphics/TSGraphicsManager.h"
#include "engine/graphics/software/TSPixel555.h"
#include "tests/common/WindowReadback.h"
#include "tests/platform/RecordingWindow.h"

namespace {

// The X1R5G5B5 pixel a window pixel shows: the top five bits of each channel.
Pixel555 WindowPixel(HWND window, int x, int y) {
  DWORD rgb = WindowReadback::Pixel(window, x, y);
  return static_cast<Pixel555>((((rgb >> 19) & 31) << 10) | (((rgb >> 11) & 31) << 5) | ((rgb >> 3) & 31));
}

class GDIGraphicsTest : public testing::Test {
 protected:
  void SetUp() override {
    ShowWindow(m_window.Handle(), SW_SHOW);
    m_device = CTSGraphicsManager::Instance().CreateDevice(TS_GUID_GDI_GRAPHICS, m_window.Handle(), 640, 480,
                                                           false, true);
    ASSERT_NE(m_device, nullptr);
    WindowReadback::Fill(m_window.Handle(), 0x000000);
  }
  void TearDown() override {
    if (m_device != nullptr) m_device->Release();
  }

  CTSGDITexture* BackBuffer() {
    auto* target = static_cast<CTSGDIRenderTarget*>(m_device->GetRenderTarget());
    return target->GetSurface();
  }

  // A distinct pixel at every point of the back buffer.
  static Pixel555 Pattern(int x, int y) { return static_cast<Pixel555>(((x & 31) << 10) | ((y & 31) << 5) | ((x ^ y) & 31)); }
  void FillPattern() {
    CTSGDITexture* surface = BackBuffer();
    for (int y = 0; y < surface->GetHeight(); ++y)
      for (int x = 0; x < surface->GetWidth(); ++x) surface->GetPixelRow(y)[x] = Pattern(x, y);
  }

  RecordingWindow m_window;
  CTSGraphics* m_device = nullptr;
};

TEST_F(GDIGraphicsTest, PresentWithThreeNullsCopiesTheWholeBackBuffer) {
  FillPattern();
  m_device->Present(nullptr, nullptr, nullptr);
  for (int y = 0; y < 480; y += 7)
    for (int x = 0; x < 640; x += 3) ASSERT_EQ(WindowPixel(m_window.Handle(), x, y), Pattern(x, y)) << x << "," << y;
  EXPECT_EQ(WindowPixel(m_window.Handle(), 639, 479), Pattern(639, 479));
}

TEST_F(GDIGraphicsTest, PresentOfOneRectangleCopiesJustIt) {
  FillPattern();
  RECT r = {100, 40, 164, 72};
  m_device->Present(nullptr, &r, &r);
  for (int y = 30; y < 80; ++y) {
    for (int x = 90; x < 170; ++x) {
      bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
      ASSERT_EQ(WindowPixel(m_window.Handle(), x, y), inside ? Pattern(x, y) : 0) << x << "," << y;
    }
  }
}

TEST_F(GDIGraphicsTest, PresentStretchesAndCopiesNothingForEmptyRectangles) {
  FillPattern();
  RECT source = {0, 0, 32, 16};
  RECT destination = {200, 100, 264, 132};
  m_device->Present(nullptr, &destination, &source);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(WindowPixel(m_window.Handle(), 200 + x, 100 + y), Pattern(x / 2, y / 2));
  WindowReadback::Fill(m_window.Handle(), 0x000000);
  RECT empty = {10, 10, 10, 50};
  m_device->Present(nullptr, &empty, &source);
  m_device->Present(nullptr, &destination, &empty);
  for (int y = 0; y < 480; y += 5)
    for (int x = 0; x < 640; x += 5) ASSERT_EQ(WindowReadback::Pixel(m_window.Handle(), x, y), 0u);
}

TEST_F(GDIGraphicsTest, AnOddWidthBecomesEvenAndSizesTheClientArea) {
  m_device->Release();
  m_device = CTSGraphicsManager::Instance().CreateDevice(TS_GUID_GDI_GRAPHICS, m_window.Handle(), 639, 300, false,
                                                         true);
  ASSERT_NE(m_device, nullptr);
  EXPECT_EQ(m_device->GetWidth(), 640);
  EXPECT_EQ(m_device->GetHeight(), 300);
  RECT client;
  GetClientRect(m_window.Handle(), &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 300);
  EXPECT_EQ(BackBuffer()->GetWidth(), 640);
  RECT clip;
  m_device->GetClipRect(&clip);
  EXPECT_EQ(clip.right, 640);
  EXPECT_EQ(clip.bottom, 300);
}

TEST_F(GDIGraphicsTest, UnchangedModesAndSameSizeSwitchesKeepTheBackBuffer) {
  FillPattern();
  CTSRenderTarget* before = m_device->GetRenderTarget();
  EXPECT_TRUE(m_device->SetDisplayMode(640, 480, false));
  EXPECT_EQ(m_device->GetRenderTarget(), before);
  EXPECT_TRUE(m_device->Create(m_window.Handle(), 320, 200, true, true));  // already created: nothing changes
  EXPECT_EQ(m_device->GetWidth(), 640);
  EXPECT_FALSE(m_device->IsFullScreen());

  ASSERT_TRUE(m_device->SetDisplayMode(640, 480, true));
  EXPECT_TRUE(m_device->IsFullScreen());
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(m_window.Handle(), GWL_STYLE)), static_cast<DWORD>(WS_POPUP));
  ASSERT_TRUE(m_device->SetDisplayMode(640, 480, false));
  EXPECT_FALSE(m_device->IsFullScreen());
  EXPECT_EQ(GetWindowLongA(m_window.Handle(), GWL_STYLE), WS_OVERLAPPED);
  EXPECT_EQ(m_device->GetRenderTarget(), before);
  EXPECT_EQ(BackBuffer()->GetPixelRow(123)[456], Pattern(456, 123));

  ASSERT_TRUE(m_device->SetDisplayMode(320, 240, false));
  EXPECT_EQ(m_device->GetWidth(), 320);
  EXPECT_EQ(m_device->GetRenderTarget()->GetWidth(), 320);
}

TEST_F(GDIGraphicsTest, TexturesAreMadeInTheSoftwareFormatsOnly) {
  EXPECT_EQ(m_device->CreateTexture(16, 16, 0, 0), nullptr);
  EXPECT_EQ(m_device->CreateTexture(16, 16, 1, 0), nullptr);
  EXPECT_EQ(m_device->CreateTexture(0, 16, 4, 0), nullptr);
  for (INT format : {3, 4}) {
    CTSTexture* texture = m_device->CreateTexture(16, 8, format, 1);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetFormat(), format);
    EXPECT_EQ(texture->GetWidth(), 16);
    EXPECT_EQ(texture->GetFilter(), 1);
    EXPECT_EQ(texture->GetUseCount(), 1);
    texture->Release();
  }
}

TEST_F(GDIGraphicsTest, SpriteCallsWithANullTextureDoNothing) {
  FillPattern();
  m_device->DrawSprite(nullptr, 0, 0, 0, 0, 10, 10, BLEND_ALPHA, FLIP_NONE, CTSColor(0xFFFFFFFF));
  m_device->Blt(nullptr, 0, 0, 0, 0, 10, 10);
  m_device->BltWhole(nullptr, 0, 0);
  m_device->DrawSpriteTransformed(nullptr, 5, 5, 0, 0, 10, 10, 2.0f, 2.0f, 0.5f, BLEND_NORMAL, FLIP_NONE,
                                  CTSColor(0xFFFFFFFF));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(BackBuffer()->GetPixelRow(y)[x], Pattern(x, y));
}

TEST_F(GDIGraphicsTest, DrawsAndClearsGoToTheCurrentTargetWithinItsClip) {
  CTSTexture* sprite = m_device->CreateTexture(4, 4, 4, 0);
  ASSERT_NE(sprite, nullptr);
  static_cast<CTSGDITexture*>(sprite)->ClearRect(CTSColor(0xFFFF0000), nullptr);
  m_device->Clear(CTSColor(0xFF000000));
  RECT clip = {10, 10, 12, 20};
  m_device->SetClipRect(&clip);
  m_device->BltWhole(sprite, 8, 8);
  m_device->SetClipRect(nullptr);
  EXPECT_EQ(BackBuffer()->GetPixelRow(10)[10], 0x7C00);
  EXPECT_EQ(BackBuffer()->GetPixelRow(10)[11], 0x7C00);
  EXPECT_EQ(BackBuffer()->GetPixelRow(9)[10], 0);
  EXPECT_EQ(BackBuffer()->GetPixelRow(10)[9], 0);
  EXPECT_EQ(BackBuffer()->GetPixelRow(10)[12], 0);
  sprite->Release();
}

TEST_F(GDIGraphicsTest, AnOffScreenTargetNeverTakesTheBackBuffersPlace) {
  FillPattern();
  CTSRenderTarget* backBuffer = m_device->GetRenderTarget();
  CTSRenderTarget* offScreen = m_device->CreateRenderTarget(64, 32);
  ASSERT_NE(offScreen, nullptr);
  EXPECT_EQ(offScreen->GetWidth(), 64);
  m_device->SetRenderTarget(offScreen);
  RECT clip;
  m_device->GetClipRect(&clip);
  EXPECT_EQ(clip.right - clip.left, 0);  // empty until set while current
  m_device->SetClipRect(nullptr);
  m_device->Clear(CTSColor(0xFFFFFFFF));
  EXPECT_EQ(static_cast<CTSGDIRenderTarget*>(offScreen)->GetSurface()->GetPixelRow(31)[63], 0x7FFF);

  m_device->Present(nullptr, nullptr, nullptr);  // shows the back buffer, at its size
  EXPECT_EQ(WindowPixel(m_window.Handle(), 639, 479), Pattern(639, 479));
  ASSERT_TRUE(m_device->SetDisplayMode(320, 240, false));
  EXPECT_EQ(m_device->GetRenderTarget(), offScreen);
  EXPECT_EQ(offScreen->GetWidth(), 64);
  m_device->SetRenderTarget(nullptr);
  m_device->Clear(CTSColor(0xFFFFFFFF));  // no target: nothing happens
  m_device->DestroyDevice();
  EXPECT_FALSE(m_device->IsCreated());
  EXPECT_TRUE(offScreen->IsValid());
  EXPECT_EQ(offScreen->GetUseCount(), 1);
  offScreen->Release();
  EXPECT_NE(backBuffer, nullptr);
}

// A device whose life the test can watch.
int g_liveDevices = 0;
class CCountedDevice : public CTSGDIGraphics {
 public:
  CCountedDevice() { ++g_liveDevices; }
  ~CCountedDevice() override { --g_liveDevices; }
};
CTSGraphics* CreateCountedDevice(DWORD) { return new CCountedDevice; }
CTSGraphics* CreateNothing(DWORD) { return nullptr; }

const GUID kTestKind = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

TEST(GraphicsManager, ADeviceThatFailsCreateIsNotKeptAlive) {
  CTSGraphicsManager& manager = CTSGraphicsManager::Instance();
  ASSERT_TRUE(manager.RegisterDevice(kTestKind, CreateCountedDevice, 0));
  EXPECT_EQ(manager.CreateDevice(kTestKind, nullptr, 640, 480, false, false), nullptr);
  EXPECT_EQ(g_liveDevices, 0);
  RecordingWindow window;
  CTSGraphics* device = manager.CreateDevice(kTestKind, window.Handle(), 64, 64, false, false);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(g_liveDevices, 1);
  device->Release();
  EXPECT_EQ(g_liveDevices, 0);
}

TEST(GraphicsManager, UnknownKindsAndSecondRegistrationsAreRefused) {
  CTSGraphicsManager& manager = CTSGraphicsManager::Instance();
  RecordingWindow window;
  const GUID unknown = {0xDEADBEEF, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
  EXPECT_EQ(manager.CreateDevice(unknown, window.Handle(), 64, 64, false, false), nullptr);
  EXPECT_FALSE(manager.RegisterDevice(TS_GUID_GDI_GRAPHICS, CreateNothing, 0));
  EXPECT_FALSE(manager.RegisterDevice(unknown, nullptr, 0));
  CTSGraphics* device = manager.CreateDevice(TS_GUID_GDI_GRAPHICS, window.Handle(), 64, 64, false, false);
  ASSERT_NE(device, nullptr);  // the first record still answers
  void* out = nullptr;
  EXPECT_TRUE(device->QueryObject(TS_GUID_GRAPHICS, &out));
  EXPECT_FALSE(device->QueryObject(TS_GUID_TEXTURE, &out));
  device->Release();
  // The second record makes the Direct3D 8 device, not yet created.
  CTSGraphics* d3d8 = CreateD3D8Graphics(0);
  ASSERT_NE(d3d8, nullptr);
  EXPECT_TRUE(*d3d8->GetClassGUID() == TS_GUID_D3D8_GRAPHICS);
  EXPECT_FALSE(d3d8->IsCreated());
  d3d8->Release();
}

}  // namespace
