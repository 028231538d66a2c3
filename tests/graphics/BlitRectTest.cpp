// Blit rectangle clipping, intersections and rotated bounds.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/graphics/software/TSBlitRect.h"

namespace {

void ExpectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

const RECT kScreen{0, 0, 640, 480};
const RECT kTexture32{0, 0, 32, 32};

TEST(BlitRectTest, IntersectAndClampNeverInvert) {
  RECT out;
  const RECT a{10, 20, 50, 60}, b{30, 0, 100, 40};
  IntersectRectClamped(&out, &a, b);
  ExpectRect(out, 30, 20, 50, 40);
  IntersectRectClamped(&out, nullptr, b);
  ExpectRect(out, 30, 0, 100, 40);
  const RECT disjoint{200, 200, 300, 300};
  IntersectRectClamped(&out, &disjoint, b);
  ExpectRect(out, 100, 40, 100, 40);

  ClampRectToSurface(&out, nullptr, 64, 48);
  ExpectRect(out, 0, 0, 64, 48);
  const RECT left{-50, 5, -10, 20};
  ClampRectToSurface(&out, &left, 64, 48);
  ExpectRect(out, -10, 5, -10, 20);  // width 0
  const RECT over{-5, -5, 100, 100};
  ClampRectToSurface(&out, &over, 64, 48);
  ExpectRect(out, 0, 0, 64, 48);
}

TEST(BlitRectTest, ClipBlitRejectsEmptySizesWithoutTouchingOutputs) {
  RECT src{1, 2, 3, 4}, dst{5, 6, 7, 8};
  EXPECT_FALSE(ClipBlitRects(kScreen, kTexture32, 0, 0, 0, 0, 0, 10, &src, &dst));
  EXPECT_FALSE(ClipBlitRects(kScreen, kTexture32, 0, 0, 0, 0, 10, 0, &src, &dst));
  EXPECT_FALSE(ClipBlitRects(kScreen, kTexture32, 0, 0, 0, 0, -3, 10, &src, &dst));
  ExpectRect(src, 1, 2, 3, 4);
  ExpectRect(dst, 5, 6, 7, 8);
}

TEST(BlitRectTest, ClipBlitMovesSourceWithClippedDestination) {
  RECT src, dst;
  ASSERT_TRUE(ClipBlitRects(kScreen, kTexture32, -10, 0, 0, 0, 32, 32, &src, &dst));
  ExpectRect(src, 10, 0, 32, 32);
  ExpectRect(dst, 0, 0, 22, 32);

  ASSERT_TRUE(ClipBlitRects(kScreen, kTexture32, 630, 470, 0, 0, 32, 32, &src, &dst));
  ExpectRect(src, 0, 0, 10, 10);
  ExpectRect(dst, 630, 470, 640, 480);
}

TEST(BlitRectTest, SourceCutAtTextureEdgeKeepsDestinationOrigin) {
  RECT src, dst;
  ASSERT_TRUE(ClipBlitRects(kScreen, kTexture32, 100, 50, -5, -2, 20, 10, &src, &dst));
  ExpectRect(src, 0, 0, 15, 8);
  ExpectRect(dst, 100, 50, 115, 58);
}

TEST(BlitRectTest, DestinationOutsideClipLeavesEmptySource) {
  RECT src, dst;
  ASSERT_TRUE(ClipBlitRects(kScreen, kTexture32, 700, 10, 0, 0, 32, 32, &src, &dst));
  EXPECT_LT(src.right - src.left, 1);
  ASSERT_TRUE(ClipBlitRects(kScreen, kTexture32, 10, -40, 0, 0, 32, 32, &src, &dst));
  EXPECT_LT(src.bottom - src.top, 1);
  // Extreme coordinates do not wrap around into the clip.
  ASSERT_TRUE(ClipBlitRects(kScreen, kTexture32, INT32_MAX - 5, 0, 0, 0, 32, 32, &src, &dst));
  EXPECT_LT(src.right - src.left, 1);
  ASSERT_TRUE(ClipBlitRects(kScreen, kTexture32, INT32_MIN, 0, 0, 0, 32, 32, &src, &dst));
  EXPECT_LT(src.right - src.left, 1);
}

TEST(BlitRectTest, ScaledBlitIsCentredAndClippedInSourcePixels) {
  RECT src, dst;
  const RECT texture{0, 0, 5, 4};
  ASSERT_TRUE(ClipScaledBlitRects(kScreen, texture, 100, 50, 0, 0, 5, 4, 1.0f, 1.0f, &src, &dst));
  ExpectRect(dst, 98, 48, 103, 52);
  ExpectRect(src, 0, 0, 5, 4);

  // Doubled 5 x 4 (10 x 8) centred on (2, 2): 3 destination pixels clipped
  // on the left are truncate(3 / 2) = 1 source pixel.
  ASSERT_TRUE(ClipScaledBlitRects(kScreen, texture, 2, 2, 0, 0, 5, 4, 2.0f, 2.0f, &src, &dst));
  ExpectRect(dst, 0, 0, 7, 6);
  ExpectRect(src, 1, 1, 5, 4);

  EXPECT_FALSE(ClipScaledBlitRects(kScreen, texture, 2, 2, 0, 0, 0, 4, 2.0f, 2.0f, &src, &dst));
  EXPECT_FALSE(ClipScaledBlitRects(kScreen, texture, 2, 2, 0, 0, 5, 4, 0.0f, 1.0f, &src, &dst));
  EXPECT_FALSE(ClipScaledBlitRects(kScreen, texture, 2, 2, 0, 0, 5, 4, 1.0f, NAN, &src, &dst));
}

TEST(BlitRectTest, RotatedBounds) {
  LONG w = 0, h = 0, minX = 7, minY = 7;
  GetRotatedBounds(10, 20, &w, &h, 0.0f, &minX, &minY);
  EXPECT_EQ(w, 12);
  EXPECT_EQ(h, 22);
  EXPECT_EQ(minX, 0);
  EXPECT_EQ(minY, 0);

  // A quarter turn: cos16 truncates to 0, sin16 is 65536. Corners (0, 0),
  // (0, 10), (-20, 0), (-20, 9).
  GetRotatedBounds(10, 20, &w, &h, 1.5707964f, &minX, &minY);
  EXPECT_EQ(w, 22);
  EXPECT_EQ(h, 12);
  EXPECT_EQ(minX, -20);
  EXPECT_EQ(minY, 0);

  // Null minimum pointers are allowed; large sizes do not overflow.
  GetRotatedBounds(40000, 40000, &w, &h, 0.0f, nullptr, nullptr);
  EXPECT_EQ(w, 40002);
  EXPECT_EQ(h, 40002);
}

}  // namespace
