// Rectangle intersection, clamping, blit clipping and turned bounds.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "engine/graphics/software/TSBlitRect.h"

namespace {

using Edges = std::array<LONG, 4>;
Edges E(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// Over random rectangles: a coordinate is inside the result on an axis iff it
// is inside both inputs, and the result is never inverted.
TEST(BlitRectTest, IntersectAndClampKeepTheOverlapAndNeverInvert) {
  std::mt19937 rng(1);
  const auto any = [&] { return LONG(int(rng() % 120) - 30); };
  for (int n = 0; n < 3000; ++n) {
    const RECT a{any(), any(), any(), any()}, b{any(), any(), any(), any()};
    const LONG w = LONG(rng() % 60), h = LONG(rng() % 60);
    RECT cut, clamped, whole;
    IntersectRectClamped(&cut, &a, b);
    ClampRectToSurface(&clamped, &a, w, h);
    ASSERT_TRUE(cut.left <= cut.right && cut.top <= cut.bottom && clamped.left <= clamped.right &&
                clamped.top <= clamped.bottom);
    for (LONG v = -40; v < 100; ++v) {
      ASSERT_EQ(v >= cut.left && v < cut.right, v >= a.left && v < a.right && v >= b.left && v < b.right);
      ASSERT_EQ(v >= cut.top && v < cut.bottom, v >= a.top && v < a.bottom && v >= b.top && v < b.bottom);
      ASSERT_EQ(v >= clamped.left && v < clamped.right, v >= a.left && v < a.right && v >= 0 && v < w);
      ASSERT_EQ(v >= clamped.top && v < clamped.bottom, v >= a.top && v < a.bottom && v >= 0 && v < h);
    }
    IntersectRectClamped(&cut, nullptr, b);
    ClampRectToSurface(&whole, nullptr, w, h);
    ASSERT_EQ(E(cut), E(b));
    ASSERT_EQ(E(whole), (Edges{0, 0, w, h}));
  }
}

TEST(BlitRectTest, BlitRectanglesWorkedByHand) {
  const RECT screen{0, 0, 640, 480}, texture{0, 0, 32, 32}, small{0, 0, 5, 4};
  RECT src, dst;
  EXPECT_FALSE(ClipBlitRects(screen, texture, 0, 0, 0, 0, 0, 10, &src, &dst));
  EXPECT_FALSE(ClipBlitRects(screen, texture, 0, 0, 0, 0, 10, -3, &src, &dst));
  for (LONG x : {LONG(INT32_MAX - 5), LONG(INT32_MIN)}) {  // no wrapping around into the clip
    ASSERT_TRUE(ClipBlitRects(screen, texture, x, 0, 0, 0, 32, 32, &src, &dst));
    EXPECT_LT(src.right - src.left, 1) << x;
  }
  // 5 x 4 doubled is 10 x 8, centred; destination pixels clipped on a side
  // take trunc(n / 2) source pixels off it.
  ASSERT_TRUE(ClipScaledBlitRects(screen, small, 100, 50, 0, 0, 5, 4, 1.0f, 1.0f, &src, &dst));
  EXPECT_EQ(E(dst), (Edges{98, 48, 103, 52}));
  EXPECT_EQ(E(src), (Edges{0, 0, 5, 4}));
  ASSERT_TRUE(ClipScaledBlitRects(screen, small, 2, 2, 0, 0, 5, 4, 2.0f, 2.0f, &src, &dst));
  EXPECT_EQ(E(dst), (Edges{0, 0, 7, 6}));
  EXPECT_EQ(E(src), (Edges{1, 1, 5, 4}));
  ASSERT_TRUE(ClipScaledBlitRects(screen, small, 638, 478, 0, 0, 5, 4, 2.0f, 2.0f, &src, &dst));
  EXPECT_EQ(E(dst), (Edges{633, 474, 640, 480}));
  EXPECT_EQ(E(src), (Edges{0, 0, 4, 3}));
  for (float s : {0.0f, -1.0f, NAN, INFINITY}) {
    EXPECT_FALSE(ClipScaledBlitRects(screen, small, 2, 2, 0, 0, 5, 4, s, 1.0f, &src, &dst));
    EXPECT_FALSE(ClipScaledBlitRects(screen, small, 2, 2, 0, 0, 5, 4, 1.0f, s, &src, &dst));
  }
  EXPECT_FALSE(ClipScaledBlitRects(screen, small, 2, 2, 0, 0, 0, 4, 2.0f, 2.0f, &src, &dst));

  // Turned bounds: 16.16 sine and cosine, corners (0, 0), (w, 0), (0, h) and
  // (w - 1, h) turned, plus 2. A quarter turn has cos16 0 and sin16 65536.
  const struct {
    LONG w, h;
    float angle;
    Edges expected;  // width, height, minimum x, minimum y
  } turns[] = {{10, 20, 0.0f, {12, 22, 0, 0}},
               {10, 20, 1.5707964f, {22, 12, -20, 0}},
               {10, 20, 3.1415927f, {12, 22, -10, -20}},
               {10, 20, NAN, {12, 22, 0, 0}},  // taken as no turn
               {40000, 40000, 0.0f, {40002, 40002, 0, 0}}};
  for (const auto& t : turns) {
    Edges got;
    GetRotatedBounds(t.w, t.h, &got[0], &got[1], t.angle, &got[2], &got[3]);
    EXPECT_EQ(got, t.expected) << t.angle;
    GetRotatedBounds(t.w, t.h, &got[0], &got[1], t.angle, nullptr, nullptr);  // the minimums are optional
    EXPECT_EQ(got[0], t.expected[0]);
  }
}

}  // namespace
