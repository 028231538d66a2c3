// The software device on a headless window: what reaches the window, where
// draws go, and the primitives against per-pixel reference shapes.
#include <gtest/gtest.h>

#include <random>

#include "engine/graphics/TSGDIGraphics.h"
#include "engine/graphics/TSGraphicsManager.h"
#include "tests/common/WindowReadback.h"
#include "tests/platform/RecordingWindow.h"

namespace {

// A distinct pixel at every point of the back buffer.
Pixel555 Pattern(int x, int y) { return Pixel555(((x & 31) << 10) | ((y & 31) << 5) | ((x ^ y) & 31)); }

class GDIGraphicsTest : public testing::Test {
 protected:
  void SetUp() override {
    m_device = CTSGraphicsManager::Instance().CreateDevice(TS_GUID_GDI_GRAPHICS, m_window.Handle(), 640, 480,
                                                           false, true);
    ASSERT_NE(m_device, nullptr);
    for (int i = 0; i < 640 * 480; ++i)
      Surface(m_device->GetRenderTarget())->GetPixelRow(0)[i] = Pattern(i % 640, i / 640);
  }
  void TearDown() override { m_device->Release(); }
  static CTSGDITexture* Surface(CTSRenderTarget* target) {
    return static_cast<CTSGDIRenderTarget*>(target)->GetSurface();
  }
  // What the window shows at (x, y): the top five bits of each channel.
  Pixel555 Shown(int x, int y) {
    const DWORD rgb = WindowReadback::Pixel(m_window.Handle(), x, y);
    return Pixel555((((rgb >> 19) & 31) << 10) | (((rgb >> 11) & 31) << 5) | ((rgb >> 3) & 31));
  }

  RecordingWindow m_window;
  CTSGraphics* m_device = nullptr;
};

// Null rectangles are the whole client area and back buffer; a destination
// twice the source's size doubles every pixel; empty rectangles copy nothing.
TEST_F(GDIGraphicsTest, PresentAndDisplayModes) {
  const RECT whole{0, 0, 640, 480}, area{100, 40, 164, 72}, source{0, 0, 32, 16}, doubled{200, 100, 264, 132},
      empty{10, 10, 10, 50};
  const RECT cases[][2] = {
      {whole, whole}, {area, area}, {doubled, source}, {empty, source}, {doubled, empty}};
  for (const auto& [d, s] : cases) {  // destination, source; the first passed as null
    WindowReadback::Fill(m_window.Handle(), 0x000000);
    m_device->Present(nullptr, &d == cases[0] ? nullptr : &d, &d == cases[0] ? nullptr : &s);
    for (int i = 0; i < 640 * 480; ++i) {
      const int x = i % 640, y = i / 640, w = d.right - d.left, h = d.bottom - d.top;
      const bool inside = s.right > s.left && x >= d.left && x < d.right && y >= d.top && y < d.bottom;
      ASSERT_EQ(Shown(x, y), inside ? Pattern(s.left + (x - d.left) * (s.right - s.left) / w,
                                              s.top + (y - d.top) * (s.bottom - s.top) / h)
                                    : 0)
          << "destination " << d.left << "," << d.top << " at " << x << "," << y;
    }
  }
  // Full screen and back at the same size keeps the back buffer and restores
  // the window's style; an odd width becomes even, back buffer and client area.
  CTSRenderTarget* back = m_device->GetRenderTarget();
  const auto style = [&] { return DWORD(GetWindowLongA(m_window.Handle(), GWL_STYLE)); };
  EXPECT_TRUE(m_device->SetDisplayMode(640, 480, true) && m_device->IsFullScreen() && style() == WS_POPUP);
  EXPECT_TRUE(m_device->Create(nullptr, 320, 200, false, true) && m_device->SetDisplayMode(640, 480, false));
  EXPECT_TRUE(!m_device->IsFullScreen() && style() == WS_OVERLAPPED && m_device->GetRenderTarget() == back);
  EXPECT_EQ(Surface(back)->GetPixelRow(9)[9], Pattern(9, 9));
  RECT client;
  ASSERT_TRUE(m_device->SetDisplayMode(319, 200, false) && GetClientRect(m_window.Handle(), &client));
  EXPECT_TRUE(m_device->GetWidth() == 320 && client.right == 320 && client.bottom == 200);
}

// Textures come in the software formats. Draws go to the current target
// within its clip; the back buffer stays what Present shows, and outlives no
// other target: a device created again draws into its new back buffer.
// Device kinds are registered once.
TEST_F(GDIGraphicsTest, DrawsGoToTheCurrentTargetWithinItsClipAndKindsRegisterOnce) {
  EXPECT_TRUE(!m_device->CreateTexture(1, 1, 0, 0) && m_device->IsTextureFormatSupported(3) &&
              !m_device->IsTextureFormatSupported(2) && !m_device->IsTextureFormatSupported(256));
  CTSTexture* sprite = m_device->CreateTexture(4, 4, 4, 1);
  CTSRenderTarget* target = m_device->CreateRenderTarget(64, 32);
  ASSERT_TRUE(sprite && target && sprite->GetFormat() == 4 && sprite->GetFilter() == 1 &&
              !m_device->CreateTexture(0, 8, 4, 0));
  static_cast<CTSGDITexture*>(sprite)->ClearRect(CTSColor(0xFFFF0000), nullptr);
  m_device->SetRenderTarget(target);
  const RECT area{10, 10, 12, 20};
  m_device->SetClipRect(nullptr);
  m_device->Clear(CTSColor(0xFF000000));
  m_device->SetClipRect(&area);
  m_device->BltWhole(sprite, 8, 8);                                                        // rows 10 and 11
  m_device->Blt(sprite, 8, 12, 0, 0, 4, 2);                                                // 12 and 13
  m_device->DrawSprite(sprite, 8, 14, 0, 0, 4, 2, BLEND_ADD, FLIP_NONE, 0xFFFFFFFF);       // 14 and 15
  m_device->DrawSpriteTransformed(sprite, 10, 18, 0, 0, 4, 2, 1, 2, 0, 0, 0, 0xFFFFFFFF);  // 16 to 19
  m_device->BltWhole(nullptr, 0, 0);
  m_device->Blt(nullptr, 0, 0, 0, 0, 4, 4);
  m_device->SetPixel(0, 0, CTSColor(0xFF0000FF));
  EXPECT_EQ(m_device->GetPixel(0, 0).GetARGB(), 0xFF0000F8u);
  for (int i = 64; i < 64 * 32; ++i)
    ASSERT_EQ(Surface(target)->GetPixelRow(0)[i], i % 64 / 2 == 5 && i / 640 == 1 ? 0x7C00 : 0) << i;
  m_device->Present(nullptr, nullptr, nullptr);
  EXPECT_TRUE(Shown(0, 0) == Pattern(0, 0) && Shown(11, 11) == Pattern(11, 11));
  ASSERT_TRUE(m_device->SetDisplayMode(320, 240, false));
  EXPECT_EQ(m_device->GetRenderTarget(), target);
  m_device->SetRenderTarget(nullptr);
  m_device->Clear(CTSColor(0xFFFFFFFF));  // no target: nothing happens
  RECT clip;
  m_device->GetClipRect(&clip);  // no target: an empty clip
  m_device->SetRenderTarget(target);
  m_device->DestroyDevice();
  EXPECT_TRUE(!m_device->IsCreated() && !m_device->GetRenderTarget() && target->IsValid() &&
              target->GetUseCount() == 1 && clip.right == 0);
  // Created again, the device draws into its new back buffer, which Present shows.
  ASSERT_TRUE(m_device->Create(m_window.Handle(), 320, 240, false, true));
  m_device->Clear(CTSColor(0xFFFFFFFF));
  m_device->Present(nullptr, nullptr, nullptr);
  EXPECT_EQ(Shown(300, 200), 0x7FFF);
  target->Release();
  sprite->Release();
  // A kind registers once, with a factory; its devices are handed out created.
  CTSGraphicsManager& manager = CTSGraphicsManager::Instance();
  const GUID kind = {0x12345678, 0, 0, {1}}, other = {0x12345679, 0, 0, {1}};
  const TSGraphicsFactory make = [](DWORD) -> CTSGraphics* { return new CTSGDIGraphics; };
  EXPECT_TRUE(manager.RegisterDevice(kind, make, 0) && !manager.RegisterDevice(kind, make, 0) &&
              !manager.RegisterDevice(other, nullptr, 0));
  CTSUsePtr<CTSGraphics> device(manager.CreateDevice(kind, m_window.Handle(), 64, 64, false, false));
  EXPECT_TRUE(device && device->IsCreated() && !manager.CreateDevice(kind, nullptr, 64, 64, false, false) &&
              !manager.CreateDevice(other, m_window.Handle(), 64, 64, false, false));
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
    const long x1 = any(-10, 74), y1 = any(-10, 58), x2 = n % 12 == 1 ? x1 : any(-10, 74),
               y2 = n % 12 == 7 ? y1 : any(-10, 58), r = rng() % 10 == 0 ? any(-9, -1) : any(0, 40);
    TSPoint points[20];
    for (TSPoint& p : points) p = TSPoint{INT(any(-3, 66)), INT(any(-3, 50))};
    Surface(m_device->GetRenderTarget())->ClearRect(0, nullptr);
    const int shape = n % 4, filled = n / 4 % 2;
    if (shape == 0) m_device->DrawLine(x1, y1, x2, y2, 0xFFFFFFFF);
    if (shape == 1) m_device->DrawRect(x1, y1, x2, y2, 0xFFFFFFFF, filled);
    if (shape == 2) m_device->DrawCircle(x1, y1, r, 0xFFFFFFFF, filled);
    if (shape == 3) m_device->DrawPoints(points, 20, 0xFFFFFFFF);
    for (long y = 0; y < 48; ++y)
      for (long x = 0; x < 64; ++x) {
        const long ax = std::abs(x - x1), ay = std::abs(y - y1), s = std::min(ax, ay), l = std::max(ax, ay);
        const bool expected =
            shape == 0   ? OnLine(x, y, x1, y1, x2, y2)
            : shape == 2 ? r >= 0 && InDisc(s, l, r) && (filled || !InDisc(s, l + 1, r))
            : shape == 3 ? std::any_of(points, points + 20, [&](TSPoint p) { return p.x == x && p.y == y; })
            : filled     ? x >= std::min(x1, x2) && x < std::max(x1, x2) && y >= y1 && y < y2
                         : OnLine(x, y, x1, y1, x2, y1) || OnLine(x, y, x1, y2, x2, y2) ||
                           OnLine(x, y, x1, y1, x1, y2) || OnLine(x, y, x2, y1, x2, y2);
        ASSERT_EQ(Surface(m_device->GetRenderTarget())->GetPixelRow(int(y))[x] != 0, expected)
            << shape << ": " << x1 << "," << y1 << " " << x2 << "," << y2 << " " << r << " at " << x;
      }
  }
}

}  // namespace
