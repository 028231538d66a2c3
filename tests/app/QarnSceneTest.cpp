// The demo scene drawn end to end, headless on the virtual clock: the back
// buffer after some frames against a composition computed here from the
// logo file's own pixels, with dirty rectangles on and off, and the overlay's
// changed rectangle frame by frame; each run in a child process of its own.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "app/DemoScene.h"
#include "engine/graphics/TSGraphicsManager.h"
#include "app/FrameLoop.h"
#include "app/GameFrame.h"
#include "app/Resource.h"
#include "app/Resources.h"
#include "app/WinMain.h"
#include "engine/graphics/software/TSGDIRenderTarget.h"
#include "engine/graphics/software/TSGDITexture.h"
#include "platform/Platform.h"
#include "tests/app/ChildProcess.h"
#include "tests/common/TempFolder.h"
#include "tests/platform/RecordingWindow.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
const RECT kFpsRegion = {10, 10, 210, 26};

using Picture = std::vector<uint16_t>;  // kWidth x kHeight X1R5G5B5 pixels

// The 24-bit bottom-up BMP read by hand and reduced to X1R5G5B5 by keeping
// each channel's top five bits.
Picture ReadLogo(const std::string& path) {
  std::string file = ReadWholeFile(path);
  auto u32 = [&file](size_t at) {
    return uint32_t(uint8_t(file[at])) | uint32_t(uint8_t(file[at + 1])) << 8 |
           uint32_t(uint8_t(file[at + 2])) << 16 | uint32_t(uint8_t(file[at + 3])) << 24;
  };
  Picture logo;
  if (file.size() < 54 || file.compare(0, 2, "BM") != 0 || u32(18) != kWidth || u32(22) != kHeight ||
      (u32(28) & 0xFFFF) != 24)
    return logo;
  const size_t offset = u32(10), pitch = (kWidth * 3 + 3) / 4 * 4;
  if (file.size() < offset + pitch * kHeight) return logo;
  logo.resize(size_t(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const char* bgr = file.data() + offset + size_t(kHeight - 1 - y) * pitch + size_t(x) * 3;
      logo[size_t(y) * kWidth + x] =
          uint16_t((uint8_t(bgr[2]) >> 3) << 10 | (uint8_t(bgr[1]) >> 3) << 5 | uint8_t(bgr[0]) >> 3);
    }
  return logo;
}

// Constant-alpha blending of one pixel, source masked by the colour's top
// five bits per channel.
uint16_t BlendAlpha(uint16_t s, uint16_t d, uint32_t color) {
  const uint32_t a = color >> 24;
  const uint16_t mask = uint16_t(((color >> 19) & 0x1F) << 10 | ((color >> 11) & 0x1F) << 5 | ((color >> 3) & 0x1F));
  const uint16_t sm = s & mask;
  uint16_t out = 0;
  for (int shift : {10, 5, 0}) {
    const uint32_t cs = (sm >> shift) & 0x1F, cd = (d >> shift) & 0x1F;
    out |= uint16_t(((cs * (a >> 3) + cd * ((256 - a) >> 3)) >> 5) << shift);
  }
  return out;
}

// Draws the w x h part of the logo at (0, 0) with its top-left at (x, y),
// mirrored by the flags, over the picture.
void DrawPiece(Picture& out, const Picture& logo, int x, int y, int w, int h, int flip, uint32_t color) {
  for (int row = 0; row < h; ++row)
    for (int col = 0; col < w; ++col) {
      const int sx = (flip & 1) ? w - 1 - col : col;
      const int sy = (flip & 2) ? h - 1 - row : row;
      uint16_t& d = out[size_t(y + row) * kWidth + (x + col)];
      d = BlendAlpha(logo[size_t(sy) * kWidth + sx], d, color);
    }
}

// The demo's frame on black: the whole logo in white, the green piece, the
// magenta mirror, the green piece mirrored both ways; the two pulsing
// sprites in the colours given.
Picture ComposeScene(const Picture& logo, uint32_t sprite2, uint32_t sprite4) {
  Picture out(size_t(kWidth) * kHeight, 0);
  DrawPiece(out, logo, 0, 0, kWidth, kHeight, 0, 0xFFFFFFFF);
  DrawPiece(out, logo, 100, 100, 200, 200, 0, sprite2);
  DrawPiece(out, logo, 400, 100, 200, 200, 1, 0xFFFF00FF);
  DrawPiece(out, logo, 400, 200, 200, 200, 3, sprite4);
  return out;
}

// The pulse in the last of the given number of frames, started frameMs
// apart from time 0: a step of 5 whenever more than 30 ms passed since the
// last step, down to 0 and back up to 255.
uint32_t AlphaInFrame(int frames, DWORD frameMs) {
  int alpha = 255, step = -5;
  DWORD clock = 0;
  for (int i = 0; i < frames; ++i) {
    const DWORD now = DWORD(i) * frameMs;
    if (now - clock <= 30) continue;
    clock = now;
    alpha += step;
    if (alpha >= 255 || alpha <= 0) step = -step;
  }
  return uint32_t(alpha);
}

// The colours the frame loop gives the pulsing pieces for an alpha.
uint32_t PulsingWhite(uint32_t alpha) { return alpha << 24 | 0x00FFFFFF; }
uint32_t PulsingGreen(uint32_t alpha) { return alpha << 24 | 0x0000FF00; }

Picture BackBuffer() {
  Picture out;
  CTSGraphics* device = CGameFrame::Instance().GetDevice();
  if (device == nullptr || device->GetRenderTarget() == nullptr) return out;
  CTSGDITexture* surface = static_cast<CTSGDIRenderTarget*>(device->GetRenderTarget())->GetSurface();
  if (surface == nullptr || surface->GetWidth() != kWidth || surface->GetHeight() != kHeight) return out;
  for (int y = 0; y < kHeight; ++y) {
    const Pixel555* row = surface->GetPixelRow(y);
    out.insert(out.end(), row, row + kWidth);
  }
  return out;
}

// Every pixel outside the overlay's text region; the first few differences
// are listed.
testing::AssertionResult SameOutsideFpsText(const Picture& expected, const Picture& actual) {
  if (actual.size() != expected.size())
    return testing::AssertionFailure() << "the back buffer could not be read";
  int differences = 0;
  std::string listed;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      if (x >= kFpsRegion.left && x < kFpsRegion.right && y >= kFpsRegion.top && y < kFpsRegion.bottom)
        continue;
      const size_t i = size_t(y) * kWidth + x;
      if (expected[i] == actual[i]) continue;
      if (++differences <= 5) {
        char line[80];
        std::snprintf(line, sizeof(line), " (%d,%d) expected %04X got %04X", x, y, expected[i], actual[i]);
        listed += line;
      }
    }
  if (differences == 0) return testing::AssertionSuccess();
  return testing::AssertionFailure() << differences << " pixels differ:" << listed;
}

std::string Text(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

void WriteSettings(bool dirtyRects, bool lockFps) {
  std::FILE* file = std::fopen("Settings.ini", "wb");
  ASSERT_NE(file, nullptr);
  std::fprintf(file, "[Settting]\r\nEnableDirtyRect=%d\r\nLockFPS=%d\r\n", dirtyRects ? 1 : 0, lockFps ? 1 : 0);
  std::fclose(file);
}

class QarnSceneFixture : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories("Background");
    std::filesystem::copy_file(std::string(QARN_DATA_DIR) + "/Background/logo.bmp", "Background/logo.bmp",
                               std::filesystem::copy_options::overwrite_existing);
    m_logo = ReadLogo("Background/logo.bmp");
    ASSERT_EQ(m_logo.size(), size_t(kWidth) * kHeight) << "not a 640 x 480 24-bit BMP";
    Platform::EnableVirtualClock(0, SYSTEMTIME{2006, 3, 0, 5, 9, 7, 3, 0});
    Platform::SetResources(&QarnResources());
  }
  void TearDown() override { Platform::DisableVirtualClock(); }

  // The window, the device and the scene as WinMain makes them, without the
  // settings file.
  DemoScene StartScene(bool dirtyRects) {
    CGameFrame& frame = CGameFrame::Instance();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    EXPECT_TRUE(frame.CreateGameWindow(instance, LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_QARN))));
    EXPECT_TRUE(frame.CreateGraphicsDevice(TS_GUID_GDI_GRAPHICS, kWidth, kHeight, false));
    frame.GetRenderTree()->EnableDirtyRect(dirtyRects);
    CTSTexture* logo = frame.GetImageManager()->LoadTexture("Background\\logo.bmp", CTSColor(0), -1);
    EXPECT_NE(logo, nullptr);
    return BuildDemoScene(*frame.GetRenderTree(), logo);
  }

  TempFolder m_folder;
  Picture m_logo;
};

class QarnSceneTest : public QarnSceneFixture, public testing::WithParamInterface<bool> {};

// Through WinMain with the settings file: with dirty rectangles on, frames
// locked to 30 ms, so the pulse steps every second frame; off, frames
// unlocked, so no time passes and the pulse never steps.
TEST_P(QarnSceneTest, WinMainDrawsTheSceneAsComposedWithDirtyRectanglesOnOrOff) {
  const bool dirtyRects = GetParam();
  WriteSettings(dirtyRects, dirtyRects);
  IN_CHILD_PROCESS({
    CGameFrame::Instance().SetFrameLimit(40);
    WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT);
    CGameFrame& frame = CGameFrame::Instance();
    EXPECT_EQ(frame.GetFramesDrawn(), 40u);
    EXPECT_EQ(frame.GetRenderTree()->IsDirtyRectEnabled(), dirtyRects);
    EXPECT_EQ(timeGetTime(), dirtyRects ? 40u * 30u : 0u);
    // Unlocked, the pulse never steps: the second sprite keeps the green it was built with.
    const uint32_t alpha = AlphaInFrame(40, dirtyRects ? 30 : 0);
    const uint32_t second = dirtyRects ? PulsingWhite(alpha) : PulsingGreen(255);
    EXPECT_TRUE(SameOutsideFpsText(ComposeScene(m_logo, second, PulsingGreen(alpha)), BackBuffer()))
        << "alpha " << alpha;
  });
}

INSTANTIATE_TEST_SUITE_P(DirtyRects, QarnSceneTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "On" : "Off"; });

// Frames of 40 ms: the pulse steps in every frame from the second on. After
// 20 frames it is on its way down; after 60 it has turned round at 0. The dirty pass
// repaints the pulsing pieces and whatever lies under and over them.
class QarnPulseTest : public QarnSceneFixture, public testing::WithParamInterface<std::tuple<bool, int>> {};

TEST_P(QarnPulseTest, ThePulsingPiecesBlendWithTheAlphaOfTheLastFrame) {
  const auto [dirtyRects, frames] = GetParam();
  IN_CHILD_PROCESS({
    DemoScene scene = StartScene(dirtyRects);
    CGameFrame& frame = CGameFrame::Instance();
    frame.SetFrameTime(40);
    frame.SetFrameLimit(DWORD(frames));
    RunFrameLoop(frame, &scene);
    EXPECT_EQ(frame.GetFramesDrawn(), DWORD(frames));
    const uint32_t alpha = AlphaInFrame(frames, 40);
    EXPECT_TRUE(SameOutsideFpsText(ComposeScene(m_logo, PulsingWhite(alpha), PulsingGreen(alpha)), BackBuffer()))
        << "alpha " << alpha;
  });
}

INSTANTIATE_TEST_SUITE_P(Frames, QarnPulseTest, testing::Combine(testing::Bool(), testing::Values(20, 60)));

// Frames drawn here without the pulse: with nothing else changing, the only
// rectangle a dirty frame reports after the first is the overlay's text,
// exactly in the frames where the FPS value it takes in Update changed.
TEST_F(QarnSceneFixture, TheOverlayReportsItsTextOnlyWhenTheFpsValueChanged) {
  IN_CHILD_PROCESS({
    StartScene(true);
    CGameFrame& frame = CGameFrame::Instance();
    frame.SetFrameTime(30);
    CTSRenderTree& tree = *frame.GetRenderTree();
    DWORD shownFps = 0;
    int changes = 0;
    for (int i = 0; i < 100; ++i) {
      frame.BeginFrame();
      const DWORD fps = frame.GetFPS();
      frame.GetDevice()->BeginScene();
      tree.Update();
      tree.Render(frame.GetDevice());
      frame.GetDevice()->EndScene();
      RECT bounds;
      tree.GetDirtyBounds(&bounds);
      frame.EndFrame();
      const char* expected = i == 0 ? "0,0,640,480" : fps != shownFps ? "10,10,90,26" : "0,0,0,0";
      changes += i > 0 && fps != shownFps;
      EXPECT_EQ(Text(bounds), expected) << "frame " << i << ", FPS " << shownFps << " -> " << fps;
      shownFps = fps;
    }
    // Three seconds of frames close at least two one-second windows.
    EXPECT_GE(changes, 1);
  });
}

// Not seen in the demo's frames: the plain image object, the uses an image
// object holds, and bounds far out.
TEST(ImageObject, ShowsItsWholeImageHoldsOneUseOfItAndKeepsItsBoundsIn32Bits) {
  RecordingWindow window;
  CTSUsePtr<CTSGraphics> device(CTSGraphicsManager::Instance().CreateDevice(TS_GUID_GDI_GRAPHICS, window.Handle(), 64, 48, false, true));
  CTSUsePtr<CTSGDITexture> block(new CTSGDITexture);
  ASSERT_TRUE(device && block->Allocate(30, 20, TEXTURE_FORMAT_X1R5G5B5, 0));
  block->ClearRect(CTSColor(0xFFF80000), nullptr);
  device->Clear(CTSColor(0));
  CImageObject image;
  image.SetPosition(5, 7);
  image.Draw(device.Get());  // without an image: nothing
  image.SetImage(block.Get());
  RECT rects[2] = {};
  EXPECT_TRUE(image.IsDirty() && image.GetDirtyRects(rects, 0) == 0 && image.GetDirtyRects(rects, 2) == 1);
  EXPECT_EQ(Text(rects[0]), "5,7,35,27");
  image.Draw(device.Get());
  EXPECT_FALSE(image.IsDirty());
  for (INT y = 0; y < 48; ++y)
    for (INT x = 0; x < 64; ++x)
      EXPECT_EQ(device->GetPixel(x, y).GetARGB() & 0xFFFFFF, x >= 5 && x < 35 && y >= 7 && y < 27 ? 0xF80000u : 0u) << x << "," << y;

  CTSUsePtr<CTSGDITexture> first(new CTSGDITexture), second(new CTSGDITexture);
  ASSERT_TRUE(first->Allocate(30, 20, TEXTURE_FORMAT_X1R5G5B5, 0) && second->Allocate(8, 4, TEXTURE_FORMAT_X1R5G5B5, 0));
  auto* sprite = new CSpriteObject;
  RECT out[2] = {};
  EXPECT_FALSE(sprite->GetBoundRect(out) || sprite->GetDirtyRects(out, 1) || sprite->IsDirty());
  sprite->SetImage(first.Get());
  sprite->SetImage(first.Get());
  EXPECT_EQ(first->GetUseCount(), 2);
  sprite->SetImage(second.Get());
  EXPECT_EQ(first->GetUseCount(), 1);
  EXPECT_EQ(second->GetUseCount(), 2);
  EXPECT_EQ(sprite->GetDirtyRects(out, 0), 0);
  EXPECT_TRUE(sprite->GetDirtyRects(out, 1) == 1 && Text(out[0]) == "0,0,8,4");  // no size set: the image's own
  sprite->SetPosition(INT_MAX - 5, INT_MIN);
  EXPECT_TRUE(sprite->GetBoundRect(out));
  EXPECT_EQ(Text(out[0]), Text({INT_MAX - 5, INT_MIN, INT_MAX, INT_MIN + 4}));
  sprite->SetImage(nullptr);  // an empty place
  EXPECT_EQ(second->GetUseCount(), 1);
  EXPECT_FALSE(sprite->GetBoundRect(out));
  sprite->SetImage(first.Get());
  CTSRenderTree* tree = new CTSRenderTree(8, true);
  tree->GetRoot()->AddChild(sprite, nullptr, nullptr);
  tree->Release();
  EXPECT_EQ(first->GetUseCount(), 1);
}

}  // namespace
