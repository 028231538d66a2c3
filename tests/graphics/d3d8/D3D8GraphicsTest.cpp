// The Direct3D 8 device over the layer's Direct3D: what reaches its back
// buffer, its textures and render targets, and how it copes with refused
// calls and a lost device.
#include <cmath>
#include <random>

#include "platform/Platform.h"
#include "tests/common/TestEvents.h"
#include "tests/graphics/d3d8/D3D8Fixture.h"

namespace {

IDirect3D8* NoDirect3D(UINT) { return nullptr; }

class D3D8GraphicsTest : public D3D8Fixture {};

// A device's life: without Direct3D it cannot be made; made full screen, the
// window loses its frame and other devices are refused it. Lost while the
// window is minimised, it clears nothing and takes no new mode. Once restored,
// Clear resets it: it sets its states again and forgets what it had bound (the
// same translucent texture, blown up 3 times with nearest sampling, blends
// over the new colour). Windowed at a new size, the window gets its frame and
// that size. Once destroyed, the window takes a new device, of its client
// area when no size is given, that shows black.
TEST_F(D3D8GraphicsTest, ADevicesLifeFromRefusalThroughALostDeviceToANewOne) {
  ASSERT_TRUE(Platform::SetModuleExport(
      "d3d8.dll", "Direct3DCreate8", reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&NoDirect3D))));
  EXPECT_FALSE(CreateDevice());
  Platform::SetModuleExport("d3d8.dll", "Direct3DCreate8", nullptr);
  const LONG style = GetWindowLongA(m_window, GWL_STYLE);
  ASSERT_TRUE(CreateDevice(160, 120, true));
  EXPECT_TRUE(m_device->IsFullScreen() && DWORD(GetWindowLongA(m_window, GWL_STYLE)) == DWORD(WS_POPUP));
  CTSUsePtr<CTSD3D8Graphics> other(new CTSD3D8Graphics);
  EXPECT_FALSE(other->Create(m_window, 64, 64, false, false) || other->Create(nullptr, 64, 64, false, false));
  std::mt19937 random(7);
  CTSUsePtr<CTSTexture> texture(MakeTexture(m_device, 8, 8, 0, [&](int, int) { return DWORD(random()); }));
  ASSERT_TRUE(texture);
  m_device->DrawSprite(texture.Get(), 0, 0, 0, 0, 8, 8, BLEND_ALPHA, FLIP_NONE, CTSColor(0xFFFFFFFF));
  for (SDL_WindowEventID event : {SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_RESTORED}) {
    SDL_Event sdlEvent = TestEvents::WindowEvent(m_window, event);
    SDL_PushEvent(&sdlEvent);
    TestEvents::PumpAll(nullptr);
    if (event == SDL_WINDOWEVENT_RESTORED) break;
    m_device->Clear(CTSColor(0xFFFF0000));
    EXPECT_FALSE(m_device->SetDisplayMode(100, 100, true));
    EXPECT_EQ(m_device->GetPixel(0, 0).GetARGB(), 0u);  // the old back buffer was let go for the reset
  }
  m_device->Clear(CTSColor(0xFF123456));
  m_device->DrawSpriteTransformed(texture.Get(), 50, 40, 0, 0, 8, 8, 3.0f, 3.0f, 0.0f, BLEND_ALPHA, FLIP_NONE,
                                  CTSColor(0xFFFFFFFF));
  const std::vector<DWORD> back = Pixels(m_device);
  ASSERT_EQ(back.size(), 160u * 120u);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) {
      const DWORD t =
          x >= 3 && x < 27 && y >= 3 && y < 27 ? texture->GetPixel((x - 3) / 3, (y - 3) / 3).GetARGB() : 0;
      for (int shift : {16, 8, 0}) {
        const double expected =
            (((t >> shift) & 0xFF) * (t >> 24) + ((0x123456 >> shift) & 0xFF) * (255 - (t >> 24))) / 255.0;
        ASSERT_NEAR((back[(25 + y) * 160 + 35 + x] >> shift) & 0xFF, expected, 1.5) << x << "," << y;
      }
    }
  CTSRenderTarget* target = m_device->GetRenderTarget();
  ASSERT_TRUE(m_device->SetDisplayMode(200, 100, false));
  RECT client;
  GetClientRect(m_window, &client);
  EXPECT_TRUE(!m_device->IsFullScreen() && GetWindowLongA(m_window, GWL_STYLE) == style &&
              m_device->GetRenderTarget() == target && target->GetWidth() == 200 && client.right == 200 &&
              client.bottom == 100);
  m_device->Clear(CTSColor(0xFF336699));
  EXPECT_TRUE(m_device->GetPixel(199, 99).GetARGB() == 0xFF336699u &&
              m_device->GetPixel(200, 50).GetARGB() == 0u);
  texture.Reset(nullptr);  // its Direct3D texture keeps the layer's device
  m_device->DestroyDevice();
  ASSERT_TRUE(other->Create(m_window, 0, 0, false, false));
  EXPECT_TRUE(other->Create(m_window, 10, 10, false, true));  // already made: nothing changes
  EXPECT_TRUE(other->GetWidth() == 200 && other->GetRenderTarget()->GetHeight() == 100);
  EXPECT_EQ(other->GetPixel(199, 5).GetARGB(), 0xFF000000u);
}

// Each format keeps pixels at its precision through Lock; an opaque colour
// key clears the pixels that keep the same value as the key would (any other
// key is only recorded). Render targets keep all 24 colour bits, and pixel
// access follows the current target.
TEST_F(D3D8GraphicsTest, TexturesAndRenderTargetsKeepTheirPixelsAndKeys) {
  ASSERT_TRUE(CreateDevice());
  std::mt19937 random(21);
  std::vector<DWORD> written(37 * 11);
  for (INT format : {0, 1, 2}) {
    for (DWORD& c : written) c = random() % 4 ? DWORD(random()) : 0xFF123456u;
    CTSUsePtr<CTSTexture> texture(
        MakeTexture(m_device, 37, 11, format, [&](int x, int y) { return written[y * 37 + x]; }));
    ASSERT_TRUE(texture);
    texture->SetPixel(37, 5, CTSColor(~written[6 * 37]));  // past the row's end: nothing
    const auto kept = [&](DWORD c) {
      const DWORD a = c >> 24, r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
      if (format == 1) return (a >= 0x80 ? 0xFF000000u : 0u) | r >> 3 << 19 | g >> 3 << 11 | b >> 3 << 3;
      return format == 2 ? a >> 4 << 28 | r >> 4 << 20 | g >> 4 << 12 | b >> 4 << 4 : c;
    };
    for (DWORD key : {0x00123456u, 0xFF133557u}) {
      texture->SetColorKey(CTSColor(key));
      for (INT i = 0; i < 37 * 11; ++i)
        ASSERT_EQ(texture->GetPixel(i % 37, i / 37).GetARGB(),
                  kept(written[i]) & (key >> 24 && kept(written[i]) == kept(key) ? 0xFFFFFFu : ~0u))
            << "format " << format << " key " << key << " at " << i;
    }
  }
  CTSUsePtr<CTSRenderTarget> target(m_device->CreateRenderTarget(37, 11));
  ASSERT_TRUE(target);
  for (INT i = 0; i < 37 * 11; ++i) target->SetPixel(i % 37, i / 37, CTSColor(written[i] & 0xFFFFFFu));
  m_device->SetRenderTarget(target.Get());
  for (DWORD& c : written) c |= 0xFF000000u;  // read back opaque
  EXPECT_EQ(Pixels(m_device), written);
  for (auto [w, h, format] :
       {std::tuple{0, 10, 0}, {10, -1, 0}, {0x7FFFFFFF, 2, 0}, {1 << 20, 2, 0}, {8, 8, 4}})
    EXPECT_EQ(m_device->CreateTexture(w, h, format, 0), nullptr) << w << "x" << h << " format " << format;
  EXPECT_EQ(m_device->CreateRenderTarget(1 << 20, 5), nullptr);
  for (INT format : {-1, 0, 1, 2, 3, 4, 256})
    EXPECT_EQ(m_device->IsTextureFormatSupported(format), format >= 0 && format <= 2) << format;
}

// Filled circles cover the polygon of their vertices and stay in the circle;
// points cover every point given within the clip rectangle (in batches), and
// only those.
TEST_F(D3D8GraphicsTest, PrimitivesCoverTheirShapesWithinTheClip) {
  ASSERT_TRUE(CreateDevice(640, 480));
  for (INT radius : {4, 10, 30, 100, 230, 520}) {
    m_device->Clear(CTSColor(0xFF000000));
    m_device->DrawCircle(320, 240, radius, CTSColor(0xFF00FF00), true);
    const std::vector<DWORD> back = Pixels(m_device);
    const double inner = radius * std::cos(3.1415927 / (radius < 6 ? 8 : radius < 51 ? 18 : 36)) - 1.5;
    for (int i = 0; i < 640 * 480; ++i) {
      const double distance = std::hypot(i % 640 + 0.5 - 320, i / 640 + 0.5 - 240);
      ASSERT_TRUE(back[i] == (distance < inner ? 0xFF00FF00u : 0xFF000000u) ||
                  (distance >= inner && distance <= radius + 1.5))
          << radius << " at " << i;
    }
  }
  std::vector<TSPoint> points(3000);  // the last 500 not drawn
  for (size_t i = 0; i < points.size(); ++i) points[i] = {INT(i % 157) * 2, INT(i / 157) * 2};
  const RECT clip = {0, 0, 300, 36};
  m_device->SetClipRect(&clip);
  m_device->DrawPoints(points.data(), 2500, CTSColor(0xFFFF0000));
  const std::vector<DWORD> back = Pixels(m_device);
  for (const TSPoint& p : points)
    ASSERT_EQ(back[p.y * 640 + p.x],
              &p - &points[0] < 2500 && p.x < 300 && p.y < 36 ? 0xFFFF0000u : 0xFF00FF00u)
        << p.x << "," << p.y;
}

}  // namespace
