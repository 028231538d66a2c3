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

// Without Direct3D, or with the window's device taken, creation fails and
// leaves nothing behind: once the other device is gone, the window takes one.
TEST_F(D3D8GraphicsTest, CreationFailsCleanlyWhenRefusedAndWorksAfter) {
  CTSUsePtr<CTSD3D8Graphics> device(new CTSD3D8Graphics);
  ASSERT_TRUE(Platform::SetModuleExport(
      "d3d8.dll", "Direct3DCreate8", reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&NoDirect3D))));
  EXPECT_FALSE(CreateDevice(64, 64));
  Platform::SetModuleExport("d3d8.dll", "Direct3DCreate8", nullptr);
  ASSERT_TRUE(CreateDevice(64, 64));
  EXPECT_FALSE(device->Create(m_window, 64, 64, false, false));
  EXPECT_EQ(device->GetRenderTarget(), nullptr);
  EXPECT_FALSE(device->Create(nullptr, 64, 64, false, false));
  m_device->DestroyDevice();
  EXPECT_EQ(m_device->GetRenderTarget(), nullptr);
  // No size: the window's client area; a new device shows black.
  RECT client;
  ASSERT_TRUE(GetClientRect(m_window, &client));
  ASSERT_TRUE(device->Create(m_window, 0, 0, false, false));
  EXPECT_EQ(device->GetRenderTarget()->GetHeight(), client.bottom);
  EXPECT_EQ(device->GetPixel(client.right - 1, 5).GetARGB(), 0xFF000000u);
  EXPECT_TRUE(device->Create(m_window, 10, 10, false, true));  // already made: nothing changes
  EXPECT_EQ(device->GetWidth(), client.right);
}

// A full-screen device is lost while its window is minimised: clearing does
// nothing, a new mode is refused. Once restored, Clear resets it, and it sets
// its states again and forgets what it had bound: the same translucent
// texture, blown up 3 times with nearest sampling, blends over the new colour.
TEST_F(D3D8GraphicsTest, ALostDeviceIsResetByClearAndDrawsAsBefore) {
  ASSERT_TRUE(CreateDevice(160, 120, true));
  std::mt19937 random(7);
  std::vector<DWORD> texels;
  CTSUsePtr<CTSTexture> texture(MakeTexture(m_device, 8, 8, 0, [&](int, int) {
    texels.push_back(DWORD(random()));
    return texels.back();
  }));
  ASSERT_TRUE(texture);
  m_device->DrawSprite(texture.Get(), 0, 0, 0, 0, 8, 8, BLEND_ALPHA, FLIP_NONE, CTSColor(0xFFFFFFFF));
  for (SDL_WindowEventID event : {SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_RESTORED}) {
    SDL_Event sdlEvent = TestEvents::WindowEvent(m_window, event);
    SDL_PushEvent(&sdlEvent);
    TestEvents::PumpAll(nullptr);
    if (event == SDL_WINDOWEVENT_RESTORED) break;
    m_device->Clear(CTSColor(0xFFFF0000));
    EXPECT_FALSE(m_device->SetDisplayMode(100, 100, true));
  }
  m_device->Clear(CTSColor(0xFF123456));
  m_device->DrawSpriteTransformed(texture.Get(), 50, 40, 0, 0, 8, 8, 3.0f, 3.0f, 0.0f, BLEND_ALPHA, FLIP_NONE,
                                  CTSColor(0xFFFFFFFF));
  const std::vector<DWORD> back = Pixels(m_device);
  ASSERT_EQ(back.size(), 160u * 120u);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) {
      const DWORD t = x >= 3 && x < 27 && y >= 3 && y < 27 ? texels[((y - 3) / 3) * 8 + (x - 3) / 3] : 0;
      for (int shift : {16, 8, 0}) {
        const double expected =
            (((t >> shift) & 0xFF) * (t >> 24) + ((0x123456 >> shift) & 0xFF) * (255 - (t >> 24))) / 255.0;
        ASSERT_NEAR((back[(25 + y) * 160 + 35 + x] >> shift) & 0xFF, expected, 1.5) << x << "," << y;
      }
    }
}

TEST_F(D3D8GraphicsTest, SetDisplayModeResetsToTheNewSizeAndSizesTheWindow) {
  ASSERT_TRUE(CreateDevice(160, 120));
  EXPECT_FALSE(CTSUsePtr<CTSD3D8Graphics>(new CTSD3D8Graphics)->SetDisplayMode(40, 30, false));
  CTSRenderTarget* target = m_device->GetRenderTarget();
  const LONG style = GetWindowLongA(m_window, GWL_STYLE);
  ASSERT_TRUE(m_device->SetDisplayMode(200, 100, false));
  RECT clip, client;
  m_device->GetClipRect(&clip);
  GetClientRect(m_window, &client);
  EXPECT_TRUE(m_device->GetWidth() == 200 && m_device->GetHeight() == 100 &&
              m_device->GetRenderTarget() == target && target->GetWidth() == 200 &&
              target->GetHeight() == 100 && clip.right == 200 && clip.bottom == 100 && client.right == 200 &&
              client.bottom == 100);
  m_device->Clear(CTSColor(0xFF336699));
  EXPECT_EQ(BackPixel(199, 99), 0xFF336699u);
  EXPECT_EQ(BackPixel(200, 50), 0u);
  // Down to a smaller buffer: pixel access stays inside it.
  ASSERT_TRUE(m_device->SetDisplayMode(40, 30, false));
  EXPECT_EQ(BackPixel(100, 20), 0u);
  EXPECT_EQ(Pixels(m_device).size(), 40u * 30u);
  // Full screen takes the window's frame away; windowed brings it back.
  ASSERT_TRUE(m_device->SetDisplayMode(64, 48, true));
  EXPECT_TRUE(m_device->IsFullScreen());
  EXPECT_EQ(DWORD(GetWindowLongA(m_window, GWL_STYLE)), DWORD(WS_POPUP));
  ASSERT_TRUE(m_device->SetDisplayMode(64, 48, false));
  EXPECT_FALSE(m_device->IsFullScreen());
  EXPECT_EQ(GetWindowLongA(m_window, GWL_STYLE), style);
}

// Each format keeps pixels at its precision through Lock; an opaque colour
// key clears the pixels that keep the same value as the key would (any other
// key is only recorded). Render targets keep all 24 colour bits.
TEST_F(D3D8GraphicsTest, TexturesAndRenderTargetsKeepTheirPixelsAndKeys) {
  ASSERT_TRUE(CreateDevice());
  std::mt19937 random(21);
  for (INT format : {0, 1, 2, 3}) {
    std::vector<DWORD> written(37 * 11);
    for (DWORD& c : written) c = random() % 4 ? DWORD(random()) : 0xFF123456u;
    CTSUsePtr<CTSTexture> texture(
        MakeTexture(m_device, 37, 11, format, [&](int x, int y) { return written[y * 37 + x]; }));
    CTSUsePtr<CTSRenderTarget> target(format == 3 ? m_device->CreateRenderTarget(37, 11) : nullptr);
    ASSERT_TRUE(format == 3 ? target && !texture : bool(texture));
    const auto kept = [&](DWORD c) {
      const DWORD a = c >> 24, r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
      if (format == 1) return (a >= 0x80 ? 0xFF000000u : 0u) | r >> 3 << 19 | g >> 3 << 11 | b >> 3 << 3;
      if (format == 2) return a >> 4 << 28 | r >> 4 << 20 | g >> 4 << 12 | b >> 4 << 4;
      return format == 3 ? c | 0xFF000000u : c;
    };
    for (DWORD key : {0x00123456u, 0xFF133557u}) {
      if (format == 3) {
        for (size_t i = 0; i < written.size(); ++i)
          target->SetPixel(INT(i % 37), INT(i / 37), CTSColor(written[i]));
        m_device->SetRenderTarget(target.Get());
      } else {
        texture->SetColorKey(CTSColor(key));
      }
      for (INT i = 0; i < 37 * 11; ++i) {
        const DWORD expected =
            kept(written[i]) & (key >> 24 && kept(written[i]) == kept(key) ? 0xFFFFFFu : ~0u);
        ASSERT_EQ(
            (format == 3 ? m_device->GetPixel(i % 37, i / 37) : texture->GetPixel(i % 37, i / 37)).GetARGB(),
            expected)
            << "format " << format << " key " << key << " at " << i;
      }
    }
  }
  m_device->SetRenderTarget(nullptr);
  EXPECT_EQ(BackPixel(5, 6), 0u);
  for (auto [w, h, format] :
       {std::tuple{0, 10, 0}, {10, -1, 0}, {0x7FFFFFFF, 2, 0}, {1 << 20, 2, 0}, {8, 8, 4}})
    EXPECT_EQ(m_device->CreateTexture(w, h, format, 0), nullptr) << w << "x" << h << " format " << format;
  EXPECT_TRUE(m_device->CreateRenderTarget(0, 5) == nullptr &&
              m_device->CreateRenderTarget(1 << 20, 5) == nullptr);
  for (INT format : {-1, 0, 1, 2, 3, 4, 256})
    EXPECT_EQ(m_device->IsTextureFormatSupported(format), format >= 0 && format <= 2) << format;
}

// Filled circles cover the polygon of their vertices and stay in the circle;
// points cover every point given; primitives stay in the clip rectangle.
TEST_F(D3D8GraphicsTest, PrimitivesCoverTheirShapesWithinTheClip) {
  ASSERT_TRUE(CreateDevice(640, 480));
  for (INT radius : {4, 10, 30, 100, 230, 520}) {
    m_device->Clear(CTSColor(0xFF000000));
    m_device->DrawCircle(320, 240, radius, CTSColor(0xFF00FF00), true);
    const std::vector<DWORD> back = Pixels(m_device);
    const double inner = radius * std::cos(3.1415927 / (radius < 6 ? 8 : radius < 51 ? 18 : 36)) - 1.5;
    for (int i = 0; i < 640 * 480; ++i) {
      const double distance = std::hypot(i % 640 + 0.5 - 320, i / 640 + 0.5 - 240);
      if (distance < inner || distance > radius + 1.5) {
        ASSERT_EQ(back[i], distance < inner ? 0xFF00FF00u : 0xFF000000u) << radius << " at " << i;
      }
    }
  }
  std::vector<TSPoint> points(2500);
  for (size_t i = 0; i < points.size(); ++i) points[i] = {INT(i % 157) * 2, INT(i / 157) * 2};
  const RECT clip = {0, 0, 300, 30};
  m_device->Clear(CTSColor(0xFF000000));
  m_device->SetClipRect(&clip);
  m_device->DrawPoints(points.data(), INT(points.size()), CTSColor(0xFFFF0000));
  const std::vector<DWORD> back = Pixels(m_device);
  for (const TSPoint& p : points)
    ASSERT_EQ(back[p.y * 640 + p.x], p.x < 300 && p.y < 30 ? 0xFFFF0000u : 0xFF000000u) << p.x << "," << p.y;
}

}  // namespace
