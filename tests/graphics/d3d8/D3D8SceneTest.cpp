// The same drawing on both devices in one process: the Direct3D 8 device's
// back buffer against the software device's, which serves as the reference.
//
// The two cannot agree exactly. The software device keeps 5 bits per channel,
// blends with weights cut to 5 bits (a >> 3 and (256 - a) >> 3 over 32, which
// sum to 31/32 at most) and truncates, so each layer it draws may fall short
// of the exact blend by up to two 5-bit steps (16 in 8-bit units); Direct3D
// blends the 8-bit widening of the same 5-bit picture (up to 7 above it) with
// 8-bit alpha. A pixel one layer deep may differ by 16 + 7 = 23 per channel;
// under the demo's pulsing pieces, two layers deep, by 2 x 16 + 7 = 39. The
// mean difference over the frame must stay within one and a half steps (12).
// A wrong flip, colour, blend mode, clip or position breaks these by far.
#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "app/DemoScene.h"
#include "engine/image/TSImageManager.h"
#include "engine/scene/TSRenderTree.h"
#include "tests/graphics/d3d8/D3D8Fixture.h"

namespace {

constexpr INT kWidth = 640;
constexpr INT kHeight = 480;

testing::AssertionResult Close(const std::vector<DWORD>& expected, const std::vector<DWORD>& actual,
                               int tolerance) {
  if (expected.size() != size_t(kWidth) * kHeight || actual.size() != expected.size())
    return testing::AssertionFailure() << "a back buffer could not be read";
  int worst = 0;
  double total = 0;
  for (size_t i = 0; i < expected.size() * 3; ++i) {
    const int shift = int(i % 3) * 8;
    const int difference =
        std::abs(int((expected[i / 3] >> shift) & 0xFF) - int((actual[i / 3] >> shift) & 0xFF));
    total += difference;
    worst = std::max(worst, difference);
  }
  const double mean = total / double(expected.size() * 3);
  if (worst <= tolerance && mean <= 12.0) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "worst " << worst << ", mean " << mean;
}

using D3D8SceneTest = D3D8Fixture;

// The demo scene frame by frame: the first frame in full, then frames that
// repaint only the pulsing pieces. Then every blend mode x every flip, one
// cell each: a sprite of random pixels and alpha, cut from inside its
// texture, drawn with a random colour and alpha over an opaque random
// background (mode 0 over black, where its "source times alpha" and the
// software device's mix agree). The software device masks the source with
// the colour where Direct3D multiplies, so colour channels are 0 or 255,
// where both mean the same. The clip rectangle cuts the outer cells.
TEST_F(D3D8SceneTest, TheDemoSceneAndEverySpriteDrawMatchTheSoftwareDevice) {
  RecordingWindow other;
  CTSUsePtr<CTSGraphics> software(CTSGraphicsManager::Instance().CreateDevice(
      TS_GUID_GDI_GRAPHICS, other.Handle(), kWidth, kHeight, false, true));  // let go before its window
  ASSERT_TRUE(software && CreateDevice(kWidth, kHeight));
  CTSGraphics* devices[2] = {software.Get(), m_device};
  CTSImageManager images[2] = {CTSImageManager(devices[0]), CTSImageManager(devices[1])};
  CTSUsePtr<CTSRenderTree> trees[2];
  DemoScene scenes[2];
  for (int i = 0; i < 2; ++i) {
    CTSTexture* logo =
        images[i].LoadTexture((std::string(QARN_DATA_DIR) + "/Background/logo.bmp").c_str(), CTSColor(0), -1);
    ASSERT_NE(logo, nullptr) << "no logo in " << QARN_DATA_DIR << " (build qarn_data)";
    trees[i].Reset(new CTSRenderTree(128, true));
    scenes[i] = BuildDemoScene(*trees[i].Get(), logo);
  }
  for (DWORD alpha : {255u, 200u, 128u, 35u, 0u, 90u}) {
    for (int i = 0; i < 2; ++i) {
      SetDemoSceneAlpha(scenes[i], alpha);
      devices[i]->BeginScene();
      trees[i]->Update();
      trees[i]->Render(devices[i]);
      devices[i]->EndScene();
    }
    ASSERT_TRUE(Close(Pixels(devices[0]), Pixels(devices[1]), 40)) << "alpha " << alpha;
  }
  std::mt19937 random(17);
  CTSUsePtr<CTSTexture> sprites[2], grounds[2];
  for (int i = 0; i < 2; ++i) {
    std::mt19937 pixels(5);
    sprites[i].Reset(MakeTexture(devices[i], 37, 29, i == 0 ? 3 : 0, [&](int, int) { return pixels(); }));
    grounds[i].Reset(
        MakeTexture(devices[i], 150, 110, i == 0 ? 4 : 0, [&](int, int) { return pixels() | 0xFF000000u; }));
    ASSERT_TRUE(sprites[i] && grounds[i]);
    grounds[0]->SetColorKey(CTSColor(0xFF000000));  // an opaque key: none (a new software texture has one)
    const RECT clip = {12, 30, 630, 455};
    devices[i]->SetClipRect(nullptr);  // the whole frame, whatever the scene left
    devices[i]->Clear(CTSColor(0xFF000000));
    devices[i]->SetClipRect(&clip);
  }
  for (BlendMode mode = 0; mode < 4; ++mode)
    for (FlipFlags flip = 0; flip < 4; ++flip) {
      const INT x = 8 + flip * 158, y = 25 + mode * 115;
      const DWORD color = (random() & 0xFF000000u) | (random() & 1 ? 0xFF0000u : 0) |
                          (random() & 1 ? 0xFF00u : 0) | (random() & 1 ? 0xFFu : 0xFF0000u);
      for (int i = 0; i < 2; ++i) {
        if (mode != BLEND_NORMAL) devices[i]->BltWhole(grounds[i].Get(), x, y);
        devices[i]->DrawSprite(sprites[i].Get(), x + (flip == 0 ? -5 : 20), y + (mode == 0 ? -10 : 10), 3, 2,
                               30, 24, mode, flip, CTSColor(color));
      }
    }
  EXPECT_TRUE(Close(Pixels(devices[0]), Pixels(devices[1]), 24));
}

}  // namespace
