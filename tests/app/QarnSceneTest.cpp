// The demo scene drawn end to end, headless on the virtual clock: the back
// buffer after some frames against a composition computed here from the
// logo file's own pixels, with dirty rectangles on and off, and the overlay's
// changed rectangle frame by frame; and the frame loop ended by input. Each
// run in a child process of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/FrameLoop.h"
#include "app/Resource.h"
#include "app/Resources.h"
#include "app/WinMain.h"
#include "engine/graphics/TSGraphicsManager.h"
#include "engine/graphics/software/TSGDIRenderTarget.h"
#include "tests/app/SdlBmp.h"
#include "tests/common/AllocationCounter.h"
#include "tests/common/TempFolder.h"
#include "tests/common/TestEvents.h"
#include "tests/platform/RecordingWindow.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
const RECT kFpsRegion = {10, 10, 210, 26};

using Picture = std::vector<uint16_t>;  // kWidth x kHeight X1R5G5B5 pixels

// Constant-alpha blending of one pixel, source masked by the colour's top
// five bits per channel.
uint16_t BlendAlpha(uint16_t s, uint16_t d, uint32_t color) {
  const uint32_t a = color >> 24;
  const uint32_t sm = s & ((color >> 19 & 0x1F) << 10 | (color >> 11 & 0x1F) << 5 | (color >> 3 & 0x1F));
  uint16_t out = 0;
  for (int shift : {10, 5, 0})
    out |=
        uint16_t((((sm >> shift & 0x1F) * (a >> 3) + (d >> shift & 0x1F) * ((256 - a) >> 3)) >> 5) << shift);
  return out;
}

// Draws the w x h part of the logo at (0, 0) with its top-left at (x, y),
// mirrored by the flags, over the picture.
void DrawPiece(Picture& out, const Picture& logo, int x, int y, int w, int h, int flip, uint32_t color) {
  for (int row = 0; row < h; ++row)
    for (int col = 0; col < w; ++col) {
      uint16_t& d = out[size_t(y + row) * kWidth + (x + col)];
      d = BlendAlpha(logo[size_t((flip & 2) ? h - 1 - row : row) * kWidth + ((flip & 1) ? w - 1 - col : col)],
                     d, color);
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
  for (DWORD i = 0, clock = 0; i < DWORD(frames); ++i)
    if (i * frameMs - clock > 30) {
      clock = i * frameMs;
      alpha += step;
      if (alpha >= 255 || alpha <= 0) step = -step;
    }
  return uint32_t(alpha);
}

// Qarn's application object lives until its process ends: each run goes in a
// forked child of its own, which passes when the body ran with every check passing.
// The child's failures are written where the parent shows them.
template <class Body>
void InChildProcess(Body body) {
  EXPECT_EXIT(
      {
        body();
        const testing::TestResult* result = testing::UnitTest::GetInstance()->current_test_info()->result();
        for (int i = 0; i < result->total_part_count(); ++i)
          std::fprintf(stderr, "%s\n", result->GetTestPartResult(i).message());
        std::exit(result->Failed());
      },
      testing::ExitedWithCode(0), "");
}

Picture BackBuffer() {
  CTSGDITexture* surface =
      static_cast<CTSGDIRenderTarget*>(CGameFrame::Instance().GetDevice()->GetRenderTarget())->GetSurface();
  Picture out;
  for (int y = 0; y < kHeight; ++y)
    out.insert(out.end(), surface->GetPixelRow(y), surface->GetPixelRow(y) + kWidth);
  return out;
}

// The picture with the overlay's text region blanked.
Picture WithoutFpsText(Picture picture) {
  for (LONG y = kFpsRegion.top; y < kFpsRegion.bottom; ++y)
    std::fill_n(picture.begin() + y * kWidth + kFpsRegion.left, kFpsRegion.right - kFpsRegion.left, 0);
  return picture;
}

std::string Text(const RECT& r) {
  return testing::PrintToString(std::vector<LONG>{r.left, r.top, r.right, r.bottom});
}

class QarnSceneFixture : public testing::Test {
 protected:
  void SetUp() override {
    // The logo and the font of the frame-rate text.
    std::filesystem::copy(QARN_DATA_DIR, ".", std::filesystem::copy_options::recursive);
    // The logo as SDL reads it, reduced to X1R5G5B5 by keeping each channel's top five bits.
    for (uint32_t p : ReadBmpWithSdl("Background/logo.bmp", kWidth, kHeight))
      m_logo.push_back(uint16_t((p >> 19) << 10 | (p >> 11 & 0x1F) << 5 | (p >> 3 & 0x1F)));
    ASSERT_EQ(m_logo.size(), size_t(kWidth) * kHeight) << "not a 640 x 480 24-bit BMP";
    Platform::EnableVirtualClock(0, SYSTEMTIME{2006, 3, 0, 5, 9, 7, 3, 0});
    Platform::SetResources(&QarnResources());
  }
  void TearDown() override { Platform::DisableVirtualClock(); }

  // The window and the device as WinMain makes them, without the settings file.
  static CGameFrame& StartWindow() {
    CGameFrame& frame = CGameFrame::Instance();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    EXPECT_TRUE(frame.CreateGameWindow(instance, LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_QARN))) &&
                frame.CreateGraphicsDevice(TS_GUID_GDI_GRAPHICS, kWidth, kHeight, false) &&
                frame.GetFramesDrawn() == 0u);
    return frame;
  }

  TempFolder m_folder;
  Picture m_logo;
};

// Through WinMain with the settings file: with dirty rectangles on, frames
// locked to 30 ms, so the pulse steps every second frame; off, frames
// unlocked, so no time passes and the pulse never steps.
TEST_F(QarnSceneFixture, WinMainDrawsTheSceneAsComposedWithDirtyRectanglesOnOrOff) {
  for (bool dirtyRects : {true, false}) {
    SCOPED_TRACE(dirtyRects);
    std::ofstream("Settings.ini", std::ios::binary)
        << "[Settting]\r\nEnableDirtyRect=" << dirtyRects << "\r\nLockFPS=" << dirtyRects << "\r\n";
    InChildProcess([&] {
      CGameFrame::Instance().SetFrameLimit(40);
      WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT);
      CGameFrame& frame = CGameFrame::Instance();
      EXPECT_TRUE(frame.GetFramesDrawn() == 40 && frame.GetRenderTree()->IsDirtyRectEnabled() == dirtyRects &&
                  timeGetTime() == (dirtyRects ? 40u * 30u : 0u));
      // Unlocked, the pulse never steps: the second sprite keeps the green it was built with.
      const uint32_t alpha = AlphaInFrame(40, dirtyRects ? 30 : 0);
      // The frame loop pulses the second sprite in white and the fourth in green.
      const uint32_t second = dirtyRects ? alpha << 24 | 0xFFFFFF : 0xFF00FF00;
      const Picture expected = ComposeScene(m_logo, second, alpha << 24 | 0xFF00);
      EXPECT_TRUE(WithoutFpsText(expected) == WithoutFpsText(BackBuffer())) << "alpha " << alpha;
    });
  }
}

// Frames drawn as the frame loop draws them, pulse included: with nothing
// else changing, the only rectangle a dirty frame reports after the first is
// the overlay's text, exactly in the frames where the FPS value it takes in
// Update changed. After the first frame, drawing and presenting a frame (FPS
// text included) allocates nothing, with dirty rectangles on or off.
TEST_F(QarnSceneFixture, TheOverlayReportsItsTextOnlyWhenTheFpsValueChangedAndFramesDoNotAllocate) {
  InChildProcess([&] {
    CGameFrame& frame = StartWindow();
    CTSRenderTree& tree = *frame.GetRenderTree();
    CTSGraphics& device = *frame.GetDevice();
    CTSTexture* logo = frame.GetImageManager()->LoadTexture("Background\\logo.bmp", CTSColor(0), -1);
    ASSERT_NE(logo, nullptr);
    const DemoScene scene = BuildDemoScene(tree, logo);
    frame.SetFrameTime(30);
    DWORD shownFps = 0, changes = 0;
    size_t allocations = 0;
    for (int i = 0; i < 160; ++i) {
      const size_t before = AllocationCount();
      frame.BeginFrame();
      const DWORD fps = frame.GetFPS();
      if (i >= 100) SetDemoSceneAlpha(scene, DWORD(i * 5 % 256));
      tree.EnableDirtyRect(i < 130);
      device.BeginScene();
      tree.Update();
      tree.Render(&device);
      device.EndScene();
      frame.EndFrame();
      RECT bounds;
      tree.GetDirtyBounds(&bounds);
      device.Present(nullptr, i < 130 ? &bounds : nullptr, i < 130 ? &bounds : nullptr);
      if (i >= 1) allocations += AllocationCount() - before;
      const char* expected = i == 0            ? "{ 0, 0, 640, 480 }"
                             : fps != shownFps ? "{ 10, 10, 90, 26 }"
                                               : "{ 0, 0, 0, 0 }";
      changes += i > 0 && fps != shownFps;
      EXPECT_TRUE(i >= 100 || Text(bounds) == expected) << i << ": FPS " << shownFps << " -> " << fps;
      shownFps = fps;
    }
    // The first one-second window closes with a new value.
    EXPECT_TRUE(changes >= 1u && allocations == 0u) << allocations << " allocations";
  });
}

// Frames of 33 ms run from time 0 until an input at atMs is handled: every
// frame that starts before it is drawn.
DWORD Before(DWORD atMs) { return (atMs + 32) / 33; }

// The frame loop driven by input scheduled at given times. While minimised
// no frame is drawn and the FPS count holds: the frame starting at 1023
// closes the first window, the first after the restore the second, which
// holds only the frames drawn between the two and the minimise.
TEST_F(QarnSceneFixture, InputEndsTheLoopAfterTheFramesStartedBeforeIt) {
  enum Kind { kKey, kWindow, kCommand };  // commands are queued before the loop starts
  struct Input {
    DWORD at;
    Kind kind;
    int what;  // a key, a window event or a command
    Uint16 modifiers = 0;
  };
  const struct {
    const char* what;
    std::vector<Input> inputs;
    DWORD frames = 0, fps = 0;
  } cases[] = {
      {"close", {{500, kWindow, SDL_WINDOWEVENT_CLOSE}}, Before(500), 0},
      {"About, then Alt+F X",
       {{0, kCommand, IDM_ABOUT}, {100, kKey, SDLK_f, KMOD_LALT}, {100, kKey, SDLK_x}},
       Before(100)},
      {"minimised",
       {{1500, kWindow, SDL_WINDOWEVENT_MINIMIZED},
        {9000, kWindow, SDL_WINDOWEVENT_RESTORED},
        {9100, kWindow, SDL_WINDOWEVENT_CLOSE}},
       Before(1500) + Before(100),
       Before(1500) - Before(1024)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    InChildProcess([&] {
      CGameFrame& frame = StartWindow();
      HWND window = frame.GetWindow();
      for (const Input& in : c.inputs) {
        if (in.kind == kWindow)
          Platform::PostEventAt(in.at, TestEvents::WindowEvent(window, SDL_WindowEventID(in.what)));
        if (in.kind == kCommand) PostMessageA(window, WM_COMMAND, MAKEWPARAM(in.what, 0), 0);
        for (bool down : {true, false})
          if (in.kind == kKey)
            Platform::PostEventAt(in.at, TestEvents::Key(window, in.what, in.modifiers, down));
      }
      RunFrameLoop(frame, nullptr);
      EXPECT_TRUE(frame.GetFramesDrawn() == c.frames && frame.GetFPS() == c.fps && !frame.IsRunning() &&
                  !IsWindow(window))
          << frame.GetFramesDrawn() << " frames, FPS " << frame.GetFPS();
    });
  }
}

// Not seen in the demo's frames: the plain image object, the uses an image
// object holds, and bounds far out.
TEST(ImageObject, ShowsItsWholeImageHoldsOneUseOfItAndKeepsItsBoundsIn32Bits) {
  RecordingWindow window;
  CTSUsePtr<CTSGraphics> device(CTSGraphicsManager::Instance().CreateDevice(
      TS_GUID_GDI_GRAPHICS, window.Handle(), 64, 48, false, true));
  CTSUsePtr<CTSGDITexture> block(new CTSGDITexture);
  CTSUsePtr<CTSGDITexture> small(new CTSGDITexture);
  ASSERT_TRUE(device && block->Allocate(30, 20, TEXTURE_FORMAT_X1R5G5B5, 0) &&
              small->Allocate(8, 4, TEXTURE_FORMAT_X1R5G5B5, 0));
  block->ClearRect(CTSColor(0xFFF80000), nullptr);
  device->Clear(CTSColor(0));
  CImageObject image;
  image.SetPosition(5, 7);
  image.Draw(device.Get());  // without an image: nothing
  image.SetImage(block.Get());
  RECT rects[2] = {};
  EXPECT_TRUE(image.IsDirty() && image.GetDirtyRects(rects, 0) == 0 && image.GetDirtyRects(rects, 2) == 1);
  EXPECT_EQ(Text(rects[0]), "{ 5, 7, 35, 27 }");
  image.Draw(device.Get());
  EXPECT_FALSE(image.IsDirty());
  // The block's corners, and the pixels just outside them.
  auto red = [&](INT x, INT y) { return (device->GetPixel(x, y).GetARGB() & 0xFFFFFF) == 0xF80000u; };
  EXPECT_TRUE(red(5, 7) && red(34, 26) && !red(4, 7) && !red(5, 6) && !red(35, 26) && !red(34, 27));

  CSpriteObject sprite;
  EXPECT_FALSE(sprite.GetBoundRect(rects) || sprite.GetDirtyRects(rects, 1) || sprite.IsDirty());
  sprite.SetImage(block.Get());
  sprite.SetImage(block.Get());
  EXPECT_EQ(block->GetUseCount(), 3);  // the test's, the image's and the sprite's
  sprite.SetImage(small.Get());
  EXPECT_TRUE(block->GetUseCount() == 2 && small->GetUseCount() == 2 && sprite.GetDirtyRects(rects, 0) == 0);
  // No size set: the image's own.
  EXPECT_TRUE(sprite.GetDirtyRects(rects, 1) == 1 && Text(rects[0]) == "{ 0, 0, 8, 4 }");
  sprite.SetPosition(INT_MAX - 5, INT_MIN);
  EXPECT_TRUE(sprite.GetBoundRect(rects) &&
              Text(rects[0]) == Text({INT_MAX - 5, INT_MIN, INT_MAX, INT_MIN + 4}))
      << Text(rects[0]);
  sprite.SetImage(nullptr);  // an empty place
  EXPECT_TRUE(small->GetUseCount() == 1 && !sprite.GetBoundRect(rects));
}

}  // namespace
