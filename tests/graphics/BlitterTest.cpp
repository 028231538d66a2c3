// The blitter against the per-pixel model on every instruction path, and
// hand-worked pixels and draws that pin the model's rules.
#include <gtest/gtest.h>

#include "tests/graphics/BlitReference.h"
#include "tests/graphics/PipelinePaths.h"
#include "tests/graphics/surface/MemoryTexture.h"

namespace {

using namespace blitref;

// Every blend mode, source kind, opacity and flip, every width from 1 to 70:
// either the whole sprite inside the target, or random places, source
// rectangles, clips and recorded target sizes cutting any side or everything.
TEST(BlitterTest, EveryCaseMatchesThePerPixelModel) {
  constexpr int kW = 100, kH = 12;
  ForEachPath([&](TSInstructionPath path) {
    std::mt19937 rng(20261206);
    const auto in = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
    Target t(kW, kH, RECT{0, 0, kW, kH}, rng);
    CTSGDITexture texture;
    for (unsigned mode = 0; mode < 4; ++mode)
      for (int kind = 0; kind < 3; ++kind)
        for (bool translucent : {false, true})
          for (unsigned flip = 0; flip < 4; ++flip)
            for (int w = 1; w <= 70; ++w)
              for (int h : {1, 2, 5}) {
                FillTexture(texture, w + in(0, 4), h + in(0, 2), Kind(kind), rng);
                const CTSColor color = RandomColor(translucent, rng);
                int x = in(0, kW - w), y = in(0, kH - h), srcX = in(0, texture.GetWidth() - w),
                    srcY = in(0, texture.GetHeight() - h), srcW = w, srcH = h;
                t.Clip(RECT{0, 0, kW, kH}, kW, kH);
                if (rng() % 2 == 0) {
                  const int l = in(-5, kW), top = in(-2, kH);
                  t.Clip(RECT{l, top, in(l - 3, kW + 5), in(top - 1, kH + 2)}, in(kW - 10, kW + 30),
                         in(kH - 3, kH + 5));
                  x = in(-w - 5, kW + 5), y = in(-h - 2, kH + 2);
                  srcX = in(-4, texture.GetWidth() + 1), srcY = in(-2, texture.GetHeight());
                  srcW = in(-1, w + 4), srcH = in(0, h + 2);
                }
                for (int i = 0; i < kW * kH; ++i) t.surface->GetPixelRow(0)[i] = Pixel555(rng() & 0x7FFF);
                Surface expected = t.Snapshot();
                Draw(expected, texture, x, y, srcX, srcY, srcW, srcH, mode, flip, color);
                t.target.DrawSprite(&texture, x, y, srcX, srcY, srcW, srcH, mode, flip, color);
                const Surface actual = t.Snapshot();
                for (int i = 0; i < kW * kH; ++i)
                  ASSERT_EQ(actual.pixels[i], expected.pixels[i])
                      << PathName(path) << " mode " << mode << " kind " << kind << " colour " << std::hex
                      << color.GetARGB() << std::dec << " flip " << flip << " size " << w << "x" << h
                      << " at " << i % kW << "," << i / kW << " draw (" << x << "," << y << ") src (" << srcX
                      << "," << srcY << "," << srcW << "," << srcH << ")";
              }
  });
}

// Source s (alpha byte a, none when a < 0; the texture's key is Rgb(1, 2, 3))
// drawn with the colour over d, worked by hand; the model must agree.
TEST(BlitterTest, HandWorkedPixels) {
  struct Case {
    unsigned mode;
    int a;
    DWORD color;
    Pixel555 s, d, expected;
  };
  const Case cases[] = {
      {0, 0, 0xFF00FF00, Rgb(31, 31, 31), Rgb(4, 5, 6), Rgb(4, 5, 6)},        // alpha 0 keeps d
      {0, 255, 0xFF00FF00, Rgb(31, 31, 31), 0, Rgb(30, 30, 30)},              // 31 x 255 >> 8, no mask
      {1, -1, 0x80FFFFFF, Rgb(31, 31, 31), 0, Rgb(15, 15, 15)},               // 31 x 16 >> 5
      {1, -1, 0x00FFFFFF, Rgb(31, 31, 31), Rgb(7, 8, 9), Rgb(7, 8, 9)},       // colour alpha 0
      {1, -1, 0xFF00FF00, Rgb(31, 31, 31), 0, Rgb(0, 30, 0)},                 // green mask, 31 x 31 >> 5
      {2, -1, 0xFFFFFFFF, Rgb(20, 20, 20), Rgb(20, 20, 5), Rgb(31, 31, 25)},  // saturates
      {3, -1, 0xFFFFFFFF, Rgb(20, 20, 20), Rgb(10, 25, 20), Rgb(0, 5, 0)},    // stops at 0
      {0, -1, 0xFFFFFFFF, Rgb(1, 2, 3), Rgb(9, 9, 9), Rgb(9, 9, 9)},          // keyed
      {0, 255, 0xFFFFFFFF, Rgb(1, 2, 3), 0, Rgb(0, 1, 2)},                    // the plane beats the key
  };
  std::mt19937 rng(1);
  for (const Case& c : cases)
    ForEachPath([&](TSInstructionPath path) {
      CTSGDITexture texture;
      ASSERT_TRUE(
          texture.Allocate(1, 1, c.a < 0 ? TEXTURE_FORMAT_X1R5G5B5 : TEXTURE_FORMAT_X1R5G5B5_ALPHA8, 0));
      texture.SetColorKey(0x00081018);
      texture.GetPixelRow(0)[0] = c.s;
      if (c.a >= 0) texture.GetAlphaRow(0)[0] = BYTE(c.a);
      Target t(1, 1, RECT{0, 0, 1, 1}, rng);
      t.surface->GetPixelRow(0)[0] = c.d;
      Surface model = t.Snapshot();
      Draw(model, texture, 0, 0, 0, 0, 1, 1, c.mode, FLIP_NONE, c.color);
      t.target.DrawSprite(&texture, 0, 0, 0, 0, 1, 1, c.mode, FLIP_NONE, c.color);
      EXPECT_EQ(t.surface->GetPixelRow(0)[0], c.expected) << PathName(path) << " case " << &c - cases;
      EXPECT_EQ(model.pixels[0], c.expected) << "case " << &c - cases;
    });
}

// Mirroring reverses what clipping leaves; a source cut at the texture's
// edge keeps its destination corner.
TEST(BlitterTest, ClippingComesBeforeMirroring) {
  std::mt19937 rng(2);
  CTSGDITexture texture;
  ASSERT_TRUE(texture.Allocate(10, 1, TEXTURE_FORMAT_X1R5G5B5, 0));
  texture.SetColorKey(0xFF000000);
  for (unsigned i = 0; i < 10; ++i) texture.GetPixelRow(0)[i] = Rgb(i + 1, 0, 0);
  ForEachPath([&](TSInstructionPath path) {
    Target t(12, 2, RECT{0, 0, 12, 2}, rng);
    std::fill_n(t.surface->GetPixelRow(0), 24, 0);
    t.target.DrawSprite(&texture, -3, 0, 0, 0, 10, 1, BLEND_NORMAL, FLIP_HORIZONTAL, 0xFFFFFFFF);
    t.target.Blt(&texture, 4, 1, -5, 0, 8, 1);
    const unsigned reds[2][12] = {{10, 9, 8, 7, 6, 5, 4}, {0, 0, 0, 0, 1, 2, 3}};
    for (int i = 0; i < 24; ++i)
      EXPECT_EQ(t.surface->GetPixelRow(0)[i], Rgb(reds[i / 12][i % 12], 0, 0)) << PathName(path) << " " << i;
  });
}

TEST(BlitterTest, InvalidDrawsDrawNothing) {
  std::mt19937 rng(3);
  CTSGDITexture texture, empty;
  FillTexture(texture, 2, 2, PLAIN, rng);
  CMemoryTexture foreign(2, 2, TEXTURE_FORMAT_X1R5G5B5);
  Target t(4, 4, RECT{0, 0, 4, 4}, rng);
  const Surface before = t.Snapshot();
  const struct {
    CTSTexture* texture;
    unsigned mode, flip;
  } draws[] = {{&texture, 4, 0}, {&texture, 0, 4}, {nullptr, 0, 0}, {&empty, 0, 0}, {&foreign, 0, 0}};
  for (const auto& d : draws) t.target.DrawSprite(d.texture, 0, 0, 0, 0, 2, 2, d.mode, d.flip, 0xFFFFFFFF);
  EXPECT_EQ(t.Snapshot().pixels, before.pixels);
  CTSGDIRenderTarget bare;  // no surface: must not crash
  bare.Blt(&texture, 0, 0, 0, 0, 2, 2);
}

}  // namespace
