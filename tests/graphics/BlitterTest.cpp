// Blit clipping and turned bounds worked out by hand (the scaler and rotator
// models build on them), and the blitter against the per-pixel model on every
// instruction path.
#include <gtest/gtest.h>

#include <array>

#include "tests/graphics/BlitReference.h"

namespace {

using namespace blitref;
using Edges = std::array<LONG, 4>;

TEST(BlitRectTest, ClippedRectanglesAndTurnedBounds) {
  const RECT screen{0, 0, 640, 480}, texture{0, 0, 5, 4};
  RECT src, dst;
  for (LONG x : {LONG(INT32_MAX - 5), LONG(INT32_MIN)})  // no wrapping around into the clip
    EXPECT_TRUE(ClipBlitRects(screen, texture, x, 0, 0, 0, 5, 4, &src, &dst) && src.right - src.left < 1)
        << x;

  // 5 x 4 scaled and centred on (x, y); n destination pixels clipped on a
  // side take trunc(n / scale) source pixels off it. {x, y, sx, sy}, source, destination.
  const std::tuple<std::array<float, 4>, Edges, Edges> scaled[] = {
      {{2, 2, 2, 2}, {1, 1, 5, 4}, {0, 0, 7, 6}},
      {{638, 478, 2, 2}, {0, 0, 4, 3}, {633, 474, 640, 480}},
      {{1, 480, 3, 0.5f}, {2, 0, 5, 2}, {0, 479, 9, 480}}};
  for (const auto& [c, s, d] : scaled) {
    ASSERT_TRUE(
        ClipScaledBlitRects(screen, texture, LONG(c[0]), LONG(c[1]), 0, 0, 5, 4, c[2], c[3], &src, &dst));
    EXPECT_EQ(Edges({src.left, src.top, src.right, src.bottom}), s) << c[0];
    EXPECT_EQ(Edges({dst.left, dst.top, dst.right, dst.bottom}), d) << c[0];
  }
  for (float bad : {0.0f, -1.0f, NAN, INFINITY})
    EXPECT_FALSE(ClipScaledBlitRects(screen, texture, 2, 2, 0, 0, 5, 4, bad, 1, &src, &dst) ||
                 ClipScaledBlitRects(screen, texture, 2, 2, 0, 0, 5, 4, 1, bad, &src, &dst));
  EXPECT_FALSE(ClipScaledBlitRects(screen, texture, 2, 2, 0, 0, 0, 4, 2, 2, &src, &dst));

  // A w x h box turned: 16.16 sine and cosine, the corners (0, 0), (w, 0),
  // (0, h) and (w - 1, h) turned, plus 2 each way.
  // {w, h, angle}, {width, height, minimum x, minimum y}.
  const std::pair<std::array<float, 3>, Edges> turns[] = {{{10, 20, 0}, {12, 22, 0, 0}},
                                                          {{10, 20, 1.5707964f}, {22, 12, -20, 0}},
                                                          {{10, 20, 3.1415927f}, {12, 22, -10, -20}},
                                                          {{40000, 40000, 0}, {40002, 40002, 0, 0}}};
  for (const auto& [t, expected] : turns) {
    Edges got;
    GetRotatedBounds(LONG(t[0]), LONG(t[1]), &got[0], &got[1], t[2], &got[2], &got[3]);
    EXPECT_EQ(got, expected) << t[2];
  }
}

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
      for (int kind = 0; kind < 6; ++kind)  // three kinds, opaque then translucent
        for (unsigned flip = 0; flip < 4; ++flip)
          for (int w = 1; w <= 70; ++w)
            for (int h : {1, 2, 5}) {
              FillTexture(texture, w + in(0, 4), h + in(0, 2), Kind(kind % 3), rng);
              const CTSColor color = RandomColor(kind > 2, rng);
              // Half the time anywhere, cut by the source, the clip and the recorded size.
              const bool cut = rng() % 2 == 0;
              const int x = cut ? in(-w - 5, kW + 5) : in(0, kW - w),
                        y = cut ? in(-h - 2, kH + 2) : in(0, kH - h), srcW = cut ? in(-1, w + 4) : w,
                        srcH = cut ? in(0, h + 2) : h,
                        srcX = cut ? in(-4, texture.GetWidth() + 1) : in(0, texture.GetWidth() - w),
                        srcY = cut ? in(-2, texture.GetHeight()) : in(0, texture.GetHeight() - h);
              const int l = in(-5, kW), top = in(-2, kH);
              const RECT clip =
                  cut ? RECT{l, top, in(l - 3, kW + 5), in(top - 1, kH + 2)} : RECT{0, 0, kW, kH};
              t.Clip(clip, cut ? in(kW - 10, kW + 30) : kW, cut ? in(kH - 3, kH + 5) : kH);
              for (int i = 0; i < kW * kH; ++i) t.surface->GetPixelRow(0)[i] = Pixel555(rng() & 0x7FFF);
              Surface expected = t.Snapshot();
              Draw(expected, texture, x, y, srcX, srcY, srcW, srcH, mode, flip, color);
              t.target.DrawSprite(&texture, x, y, srcX, srcY, srcW, srcH, mode, flip, color);
              ASSERT_TRUE(t.Snapshot().pixels == expected.pixels)
                  << int(path) << mode << kind << flip << " " << w;
            }
  });
}

}  // namespace
