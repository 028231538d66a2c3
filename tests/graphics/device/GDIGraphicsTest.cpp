// The software device on a headless window: what reaches the window, where
// draws go, and the primitives against per-pixel reference shapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "engine/graphics/TSGDIGraphics.h"
#include "engine/graphics/TSGraphicsManager.h"
#include "tests/common/WindowReadback.h"
#include "tests/platform/RecordingWindow.h"

namespace {

// A distinct pixel at every point of the back buffer, and what a window
// pixel showing one reads as: each channel's top five bits.
Pixel555 Pattern(int x, int y) { return Pixel555(((x & 31) << 10) | ((y & 31) << 5) | ((x ^ y) & 31)); }
Pixel555 WindowPixel(HWND window, int x, int y) {
  const DWORD rgb = WindowReadback::Pixel(window, x, y);
  return Pixel555((((rgb >> 19) & 31) << 10) | (((rgb >> 11) & 31) << 5) | ((rgb >> 3) & 31));
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
    return static_cast<CTSGDIRenderTarget*>(m_device->GetRenderTarget())->GetSurface();
  }
  void FillPattern() {
    for (int y = 0; y < BackBuffer()->GetHeight(); ++y)
      for (int x = 0; x < BackBuffer()->GetWidth(); ++x) BackBuffer()->GetPixelRow(y)[x] = Pattern(x, y);
  }

  RecordingWindow m_window;
  CTSGraphics* m_device = nullptr;
};

// Null rectangles are the whole client area and back buffer; a destination
// twice the source's size doubles every pixel; empty rectangles copy nothing.
TEST_F(GDIGraphicsTest, PresentCopiesTheSourceRectangleOntoTheDestination) {
  const RECT part{100, 40, 164, 72}, source{0, 0, 32, 16}, doubled{200, 100, 264, 132}, empty{10, 10, 10, 50};
  const struct {
    const RECT *destination, *source;
  } cases[] = {
      {nullptr, nullptr}, {&part, &part}, {&doubled, &source}, {&empty, &source}, {&doubled, &empty}};
  const RECT whole{0, 0, 640, 480};
  FillPattern();
  for (const auto& c : cases) {
    WindowReadback::Fill(m_window.Handle(), 0x000000);
    m_device->Present(nullptr, c.destination, c.source);
    const RECT& d = c.destination ? *c.destination : whole;
    const RECT& s = c.source ? *c.source : whole;
    const bool copies = d.right > d.left && s.right > s.left;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        const bool inside = copies && x >= d.left && x < d.right && y >= d.top && y < d.bottom;
        const Pixel555 expected =
            inside ? Pattern(s.left + (x - d.left) * (s.right - s.left) / (d.right - d.left),
                             s.top + (y - d.top) * (s.bottom - s.top) / (d.bottom - d.top))
                   : 0;
        ASSERT_EQ(WindowPixel(m_window.Handle(), x, y), expected)
            << "case " << &c - cases << " at " << x << "," << y;
      }
  }
}

TEST_F(GDIGraphicsTest, DisplayModes) {
  // An odd width becomes even, for the back buffer, the clip and the client area.
  ASSERT_TRUE(m_device->SetDisplayMode(639, 300, false));
  RECT client, clip;
  GetClientRect(m_window.Handle(), &client);
  m_device->GetClipRect(&clip);
  for (LONG w : {LONG(m_device->GetWidth()), LONG(BackBuffer()->GetWidth()), client.right, clip.right})
    EXPECT_EQ(w, 640);
  for (LONG h : {LONG(m_device->GetHeight()), client.bottom, clip.bottom}) EXPECT_EQ(h, 300);

  // Switching to full screen and back at the same size keeps the back buffer.
  FillPattern();
  CTSRenderTarget* before = m_device->GetRenderTarget();
  EXPECT_TRUE(m_device->Create(m_window.Handle(), 320, 200, true, true));  // already created: nothing changes
  EXPECT_EQ(m_device->GetWidth(), 640);
  ASSERT_TRUE(m_device->SetDisplayMode(640, 300, true));
  EXPECT_TRUE(m_device->IsFullScreen());
  EXPECT_EQ(DWORD(GetWindowLongA(m_window.Handle(), GWL_STYLE)), DWORD(WS_POPUP));
  ASSERT_TRUE(m_device->SetDisplayMode(640, 300, false));
  EXPECT_FALSE(m_device->IsFullScreen());
  EXPECT_EQ(GetWindowLongA(m_window.Handle(), GWL_STYLE), WS_OVERLAPPED);
  EXPECT_EQ(m_device->GetRenderTarget(), before);
  EXPECT_EQ(BackBuffer()->GetPixelRow(123)[456], Pattern(456, 123));
  ASSERT_TRUE(m_device->SetDisplayMode(320, 240, false));
  EXPECT_EQ(m_device->GetRenderTarget()->GetWidth(), 320);
}

TEST_F(GDIGraphicsTest, TexturesAreMadeInTheSoftwareFormatsOnly) {
  for (INT format = -1; format <= 5; ++format) {
    const bool software = format == 3 || format == 4;
    EXPECT_EQ(m_device->IsTextureFormatSupported(format), software);
    CTSTexture* texture = m_device->CreateTexture(16, 8, format, 1);
    ASSERT_EQ(texture != nullptr, software) << format;
    if (texture == nullptr) continue;
    EXPECT_EQ(std::vector<INT>({texture->GetFormat(), texture->GetWidth(), texture->GetHeight(),
                                texture->GetFilter(), INT(texture->GetUseCount())}),
              std::vector<INT>({format, 16, 8, 1, 1}));
    texture->Release();
  }
  EXPECT_EQ(m_device->CreateTexture(0, 16, 4, 0), nullptr);
}

// Sprites go to the current target within its clip; null textures draw nothing.
TEST_F(GDIGraphicsTest, SpritesAndClearsStayInTheClip) {
  CTSTexture* sprite = m_device->CreateTexture(4, 4, 4, 0);
  ASSERT_NE(sprite, nullptr);
  static_cast<CTSGDITexture*>(sprite)->ClearRect(CTSColor(0xFFFF0000), nullptr);
  FillPattern();
  const RECT clip{10, 10, 12, 20}, all{0, 0, 640, 480};
  m_device->SetClipRect(&clip);
  m_device->BltWhole(sprite, 8, 8);
  m_device->DrawSprite(nullptr, 0, 0, 0, 0, 10, 10, BLEND_ALPHA, FLIP_NONE, CTSColor(0xFFFFFFFF));
  m_device->Blt(nullptr, 0, 0, 0, 0, 10, 10);
  m_device->BltWhole(nullptr, 0, 0);
  m_device->DrawSpriteTransformed(nullptr, 5, 5, 0, 0, 10, 10, 2.0f, 2.0f, 0.5f, 0, 0, CTSColor(0xFFFFFFFF));
  m_device->DrawSpriteTransformed(sprite, 11, 16, 0, 0, 4, 4, 2.0f, 2.0f, 0.0f, 0, 0, CTSColor(0xFFFFFFFF));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x)
      ASSERT_EQ(BackBuffer()->GetPixelRow(y)[x],
                x >= 10 && x < 12 && y >= 10 && y < 20 ? 0x7C00 : Pattern(x, y));
  m_device->Clear(CTSColor(0xFF0000FF));
  m_device->SetClipRect(&all);
  EXPECT_EQ(BackBuffer()->GetPixelRow(10)[9], Pattern(9, 10));
  EXPECT_EQ(BackBuffer()->GetPixelRow(19)[11], 0x001F);
  sprite->Release();
}

TEST_F(GDIGraphicsTest, AnOffScreenTargetNeverTakesTheBackBuffersPlace) {
  FillPattern();
  CTSRenderTarget* offScreen = m_device->CreateRenderTarget(64, 32);
  ASSERT_NE(offScreen, nullptr);
  m_device->SetRenderTarget(offScreen);
  RECT clip;
  m_device->GetClipRect(&clip);
  EXPECT_EQ(clip.right - clip.left, 0);  // empty until set while current
  m_device->SetClipRect(nullptr);
  m_device->Clear(CTSColor(0xFFFFFFFF));
  m_device->SetPixel(0, 0, CTSColor(0xFF0000FF));
  EXPECT_EQ(m_device->GetPixel(0, 0).GetARGB(), 0xFF0000F8u);
  EXPECT_EQ(static_cast<CTSGDIRenderTarget*>(offScreen)->GetSurface()->GetPixelRow(31)[63], 0x7FFF);

  m_device->Present(nullptr, nullptr, nullptr);  // shows the back buffer, at its size
  EXPECT_EQ(WindowPixel(m_window.Handle(), 639, 479), Pattern(639, 479));
  EXPECT_EQ(WindowPixel(m_window.Handle(), 0, 0), Pattern(0, 0));
  ASSERT_TRUE(m_device->SetDisplayMode(320, 240, false));
  EXPECT_EQ(m_device->GetRenderTarget(), offScreen);
  m_device->SetRenderTarget(nullptr);
  m_device->Clear(CTSColor(0xFFFFFFFF));  // no target: nothing happens
  m_device->GetClipRect(&clip);
  EXPECT_EQ(clip.right, 0);
  m_device->DestroyDevice();
  EXPECT_FALSE(m_device->IsCreated());
  EXPECT_TRUE(offScreen->IsValid());
  EXPECT_EQ(offScreen->GetUseCount(), 1);
  offScreen->Release();
}

// Reference shapes. Straight lines leave out their end point; slanted ones
// step along the longer axis (length S), where offset j has the shorter
// axis's offset just below (j + 1) L / S. A disc holds the offsets, smaller s
// and larger l, with s² + (l - 1/2)² < r² + 1/4; its outline those of them
// whose outward neighbour along l is outside.
bool OnLine(long x, long y, long x1, long y1, long x2, long y2) {
  if (x1 == x2) return x == x1 && y >= std::min(y1, y2) && y < std::max(y1, y2);
  if (y1 == y2) return y == y1 && x >= std::min(x1, x2) && x < std::max(x1, x2);
  const long lx = std::abs(x2 - x1), ly = std::abs(y2 - y1), s = std::max(lx, ly);
  const long px = (x - x1) * (x2 > x1 ? 1 : -1), py = (y - y1) * (y2 > y1 ? 1 : -1);
  const auto below = [s](long j, long l) { return ((j + 1) * l + s - 1) / s - 1; };
  return lx == s ? px >= 0 && px <= s && py == below(px, ly) : py >= 0 && py <= s && px == below(py, lx);
}
bool InDisc(long s, long l, long r) { return s * s + l * l - l < r * r || (s == 0 && l == 0); }

// Random lines, rectangles, circles and points across the edges of a 64 x 48
// back buffer, drawn through the device with a small clip they must ignore.
TEST_F(GDIGraphicsTest, PrimitivesMatchTheReferenceShapes) {
  ASSERT_TRUE(m_device->SetDisplayMode(64, 48, false));
  const RECT clip{20, 20, 22, 22};
  m_device->SetClipRect(&clip);
  std::mt19937 rng(9);
  const auto any = [&](int lo, int hi) { return long(lo + int(rng() % unsigned(hi - lo + 1))); };
  for (int n = 0; n < 1500; ++n) {
    const int shape = n % 6;
    long x1 = any(-10, 74), y1 = any(-10, 58), x2 = any(-10, 74), y2 = any(-10, 58);
    if (n % 12 == 1) x2 = x1;
    if (n % 12 == 7) y2 = y1;
    const long r = rng() % 10 == 0 ? any(-9, -3) : any(0, 40);  // below -2: nothing
    const bool filled = rng() % 2;
    TSPoint points[20];
    for (TSPoint& p : points) p = TSPoint{INT(any(-3, 66)), INT(any(-3, 50))};
    BackBuffer()->ClearRect(0, nullptr);
    const CTSColor white(0xFFFFFFFF);
    if (shape == 0 || shape == 1) m_device->DrawLine(x1, y1, x2, y2, white);
    if (shape == 2 || shape == 3) m_device->DrawRect(x1, y1, x2, y2, white, filled);
    if (shape == 4) m_device->DrawCircle(x1, y1, r, white, filled);
    if (shape == 5) m_device->DrawPoints(points, 20, white);
    for (long y = 0; y < 48; ++y)
      for (long x = 0; x < 64; ++x) {
        const long s = std::min(std::abs(x - x1), std::abs(y - y1)),
                   l = std::max(std::abs(x - x1), std::abs(y - y1));
        bool expected =
            shape < 2    ? OnLine(x, y, x1, y1, x2, y2)
            : shape == 4 ? r >= 0 && InDisc(s, l, r) && (filled || !InDisc(s, l + 1, r))
                         : std::any_of(points, points + 20, [&](TSPoint p) { return p.x == x && p.y == y; });
        if (shape == 2 || shape == 3)
          expected = filled ? x >= std::min(x1, x2) && x < std::max(x1, x2) && y >= y1 && y < y2
                            : OnLine(x, y, x1, y1, x2, y1) || OnLine(x, y, x1, y2, x2, y2) ||
                                  OnLine(x, y, x1, y1, x1, y2) || OnLine(x, y, x2, y1, x2, y2);
        ASSERT_EQ(BackBuffer()->GetPixelRow(int(y))[x] != 0, expected)
            << "shape " << shape << " (" << x1 << "," << y1 << ")-(" << x2 << "," << y2 << ") r " << r
            << (filled ? " filled" : "") << " at " << x << "," << y;
      }
  }
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

TEST(GraphicsManager, DevicesAreMadeByKindAndOnlyKeptWhenCreated) {
  CTSGraphicsManager& manager = CTSGraphicsManager::Instance();
  const GUID kind = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  const GUID unknown = {0xDEADBEEF, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
  ASSERT_TRUE(manager.RegisterDevice(kind, CreateCountedDevice, 0));
  EXPECT_FALSE(manager.RegisterDevice(TS_GUID_GDI_GRAPHICS, CreateNothing, 0));  // the first record stays
  EXPECT_FALSE(manager.RegisterDevice(unknown, nullptr, 0));
  EXPECT_EQ(manager.CreateDevice(kind, nullptr, 640, 480, false, false), nullptr);  // Create fails: released
  EXPECT_EQ(g_liveDevices, 0);
  RecordingWindow window;
  EXPECT_EQ(manager.CreateDevice(unknown, window.Handle(), 64, 64, false, false), nullptr);
  CTSGraphics* device = manager.CreateDevice(kind, window.Handle(), 64, 64, false, false);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(g_liveDevices, 1);
  device->Release();
  EXPECT_EQ(g_liveDevices, 0);
  device = manager.CreateDevice(TS_GUID_GDI_GRAPHICS, window.Handle(), 64, 64, false, false);
  ASSERT_NE(device, nullptr);
  void* out = nullptr;
  EXPECT_TRUE(device->QueryObject(TS_GUID_GRAPHICS, &out) && !device->QueryObject(TS_GUID_TEXTURE, &out));
  device->Release();
  CTSGraphics* d3d8 = CreateD3D8Graphics(0);  // the other built-in kind, not yet created
  ASSERT_NE(d3d8, nullptr);
  EXPECT_TRUE(*d3d8->GetClassGUID() == TS_GUID_D3D8_GRAPHICS && !d3d8->IsCreated());
  d3d8->Release();
}

}  // namespace
