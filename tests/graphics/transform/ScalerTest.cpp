// The unturned paths of DrawSpriteTransformed: the hand-off to DrawSprite and
// the nearest-neighbour scaler, against the per-pixel model and hand-worked
// cases, on every instruction path.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "engine/graphics/software/TSTransformBlit.h"
#include "tests/graphics/PipelinePaths.h"
#include "tests/graphics/transform/TransformReference.h"

namespace {

using xref::Target;

float RandomScale(std::mt19937& rng) {
  static const float kScales[] = {0.25f, 0.5f, 0.75f, 1.0f, 1.5f, 2.0f, 3.0f, 1.0f / 3.0f, 0.9f, 1.1f};
  if (rng() % 3 == 0) return 0.1f + float(rng() % 4000) / 1000.0f;
  return kScales[rng() % (sizeof(kScales) / sizeof(kScales[0]))];
}

RECT RandomClip(int width, int height, std::mt19937& rng) {
  if (rng() % 3 == 0) return RECT{0, 0, width, height};
  const int left = int(rng() % (width / 2)), top = int(rng() % (height / 2));
  return RECT{left, top, left + 1 + int(rng() % (width - left)), top + 1 + int(rng() % (height - top))};
}

// Random sources, rectangles, scales, flips, modes, colours and clips; the
// whole surface must equal the model, so nothing lands outside the clip.
void CompareRandomDraws(int surfaceWidth, int surfaceHeight, int maxTexture, int draws, unsigned seed) {
  std::mt19937 rng(seed);
  ForEachPath([&](TSInstructionPath path) {
    for (int n = 0; n < draws; ++n) {
      const xref::Kind kind = xref::Kind(rng() % 3);
      CTSGDITexture texture;
      xref::FillTexture(texture, 1 + int(rng() % maxTexture), 1 + int(rng() % maxTexture), kind, rng);
      Target t(surfaceWidth, surfaceHeight, RandomClip(surfaceWidth, surfaceHeight, rng), rng);
      const int srcX = int(rng() % 7) - 3, srcY = int(rng() % 7) - 3;
      const int srcW = 1 + int(rng() % (texture.GetWidth() + 3)),
                srcH = 1 + int(rng() % (texture.GetHeight() + 3));
      const int x = int(rng() % (surfaceWidth + 40)) - 20, y = int(rng() % (surfaceHeight + 40)) - 20;
      float sx = RandomScale(rng), sy = rng() % 2 ? sx : RandomScale(rng);
      if (sx == 1.0f && sy == 1.0f) sy = 2.0f;  // the hand-off is tested apart
      const unsigned mode = rng() % 5, flip = rng() % 5;
      const CTSColor color = xref::RandomColor(rng);
      xref::Surface expected = t.Snapshot();
      const xref::Surface before = expected;
      xref::Scale(expected, texture, x, y, srcX, srcY, srcW, srcH, sx, sy, mode, flip, color);
      DrawSpriteTransformed(t.target, &texture, x, y, srcX, srcY, srcW, srcH, sx, sy, 0.0f, mode, flip,
                            color);
      const xref::Surface actual = t.Snapshot();
      ASSERT_EQ(xref::ChangedOutsideClip(before, actual), 0);
      ASSERT_TRUE(actual.pixels == expected.pixels)
          << PathName(path) << " draw " << n << " kind " << kind << " scale " << sx << " x " << sy << " mode "
          << mode << " flip " << flip << " colour " << std::hex << color.GetARGB();
    }
  });
}

TEST(ScalerTest, MatchesTheModelForRandomDraws) { CompareRandomDraws(80, 48, 40, 1500, 1); }

// Wide rows cross the strips the scaler works in, and long runs exercise the
// vector column picking.
TEST(ScalerTest, MatchesTheModelOnWideRows) { CompareRandomDraws(1200, 6, 700, 60, 2); }

TEST(ScalerTest, ScaleOneHandsOffToDrawSpriteAtTheCentre) {
  std::mt19937 rng(3);
  for (int n = 0; n < 400; ++n) {
    const xref::Kind kind = xref::Kind(rng() % 3);
    CTSGDITexture texture;
    xref::FillTexture(texture, 1 + int(rng() % 30), 1 + int(rng() % 30), kind, rng);
    const RECT clip = RandomClip(64, 40, rng);
    Target viaTransform(64, 40, clip, rng);
    Target viaSprite(64, 40, clip, rng);
    std::copy_n(viaTransform.surface->GetPixelRow(0), 64 * 40, viaSprite.surface->GetPixelRow(0));
    const int srcW = 1 + int(rng() % 34), srcH = 1 + int(rng() % 34);
    const int x = int(rng() % 80) - 8, y = int(rng() % 56) - 8;
    const unsigned mode = rng() % 5, flip = rng() % 5;
    const CTSColor color = xref::RandomColor(rng);
    DrawSpriteTransformed(viaTransform.target, &texture, x, y, 0, 0, srcW, srcH, 1.0f, 1.0f, 0.0f, mode, flip,
                          color);
    viaSprite.target.DrawSprite(&texture, x - srcW / 2, y - srcH / 2, 0, 0, srcW, srcH, mode, flip, color);
    ASSERT_TRUE(viaTransform.Snapshot().pixels == viaSprite.Snapshot().pixels) << "draw " << n;
  }
}

struct Fixed {
  std::mt19937 rng{4};
  Target t{40, 30, RECT{0, 0, 40, 30}, rng};
  CTSGDITexture texture;

  Pixel555 At(int x, int y) const { return t.surface->GetPixelRow(y)[x]; }
  void Fill(Pixel555 value) { std::fill_n(t.surface->GetPixelRow(0), 40 * 30, value); }
};

TEST(ScalerTest, TwoByTwoDoubledCoversTwoByTwoBlocks) {
  Fixed f;
  ASSERT_TRUE(f.texture.Allocate(2, 2, TEXTURE_FORMAT_X1R5G5B5, 0));
  f.texture.SetColorKey(0xFF000000);
  const Pixel555 p[2][2] = {{0x0001, 0x0020}, {0x0400, 0x7FFF}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) f.texture.GetPixelRow(y)[x] = p[y][x];
  f.Fill(0x1111);
  ForEachPath([&](TSInstructionPath) {
    DrawSpriteTransformed(f.t.target, &f.texture, 10, 10, 0, 0, 2, 2, 2.0f, 2.0f, 0.0f, BLEND_NORMAL,
                          FLIP_NONE, CTSColor(0xFFFFFFFF));
    for (int y = 7; y < 13; ++y)
      for (int x = 7; x < 13; ++x) {
        const bool inside = x >= 8 && x < 12 && y >= 8 && y < 12;
        EXPECT_EQ(f.At(x, y), inside ? p[(y - 8) / 2][(x - 8) / 2] : 0x1111) << x << "," << y;
      }
  });
}

TEST(ScalerTest, UnequalScalesStepSeparately) {
  // Scale 3 steps by 1365 / 4096, so the first column is read four times;
  // scale 2 steps by 2048.
  Fixed f;
  ASSERT_TRUE(f.texture.Allocate(4, 4, TEXTURE_FORMAT_X1R5G5B5, 0));
  f.texture.SetColorKey(0xFF000000);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) f.texture.GetPixelRow(y)[x] = Pixel555(y * 4 + x + 1);
  const int columns[12] = {0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3};
  const int mirrored[12] = {3, 3, 3, 3, 2, 2, 2, 1, 1, 1, 0, 0};
  for (FlipFlags flip : {FLIP_NONE, FLIP_HORIZONTAL}) {
    f.Fill(0);
    DrawSpriteTransformed(f.t.target, &f.texture, 20, 10, 0, 0, 4, 4, 3.0f, 2.0f, 0.0f, BLEND_NORMAL, flip,
                          CTSColor(0xFFFFFFFF));
    for (int j = 0; j < 8; ++j)
      for (int i = 0; i < 12; ++i)
        EXPECT_EQ(f.At(14 + i, 6 + j), Pixel555((j / 2) * 4 + (flip ? mirrored[i] : columns[i]) + 1))
            << i << "," << j << " flip " << flip;
    EXPECT_EQ(f.At(13, 6), 0);
    EXPECT_EQ(f.At(26, 6), 0);
    EXPECT_EQ(f.At(14, 14), 0);
  }
}

TEST(ScalerTest, WeightsOfAnOpaqueColourAndOfAZeroAlpha) {
  Fixed f;
  ASSERT_TRUE(f.texture.Allocate(2, 2, TEXTURE_FORMAT_X1R5G5B5, 0));
  f.texture.SetColorKey(0xFF000000);
  std::fill_n(f.texture.GetPixelRow(0), 4, Pixel555(0x7FFF));
  // Mode 1 with A = 255 mixes by 31/32: 31 over 0 gives 30.
  f.Fill(0);
  DrawSpriteTransformed(f.t.target, &f.texture, 10, 10, 0, 0, 2, 2, 2.0f, 2.0f, 0.0f, BLEND_ALPHA, FLIP_NONE,
                        CTSColor(0xFFFFFFFF));
  EXPECT_EQ(f.At(9, 9), 0x7BDE);
  // Mode 2 with A = 0 adds nothing but still scales the destination by 31/32.
  f.Fill(0x7FFF);
  DrawSpriteTransformed(f.t.target, &f.texture, 10, 10, 0, 0, 2, 2, 2.0f, 2.0f, 0.0f, BLEND_ADD, FLIP_NONE,
                        CTSColor(0x00FFFFFF));
  EXPECT_EQ(f.At(9, 9), 0x7BDE);
  EXPECT_EQ(f.At(7, 9), 0x7FFF);
}

TEST(ScalerTest, ModeZeroIgnoresTheColourAndKeysTheRawSource) {
  Fixed f;
  ASSERT_TRUE(f.texture.Allocate(2, 1, TEXTURE_FORMAT_X1R5G5B5, 0));
  f.texture.SetColorKey(CTSColor(0x00F80000));  // red 31: key 0x7C00
  f.texture.GetPixelRow(0)[0] = 0x7C00;
  f.texture.GetPixelRow(0)[1] = 0x7FFF;
  f.Fill(0x0001);
  DrawSpriteTransformed(f.t.target, &f.texture, 10, 10, 0, 0, 2, 1, 2.0f, 2.0f, 0.0f, BLEND_NORMAL, FLIP_NONE,
                        CTSColor(0xFF00FF00));
  EXPECT_EQ(f.At(8, 9), 0x0001);   // keyed
  EXPECT_EQ(f.At(10, 9), 0x7FFF);  // all channels copied
}

TEST(ScalerTest, BadScalesAndModesDrawNothing) {
  Fixed f;
  ASSERT_TRUE(f.texture.Allocate(4, 4, TEXTURE_FORMAT_X1R5G5B5, 0));
  f.texture.SetColorKey(0xFF000000);
  std::fill_n(f.texture.GetPixelRow(0), 16, Pixel555(0x7FFF));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float scales[][2] = {{0, 1}, {1, 0}, {-2, 2}, {2, -1}, {nan, 1}, {1, nan}, {inf, 1}, {1, inf}};
  f.Fill(0);
  for (const auto& s : scales)
    DrawSpriteTransformed(f.t.target, &f.texture, 20, 15, 0, 0, 4, 4, s[0], s[1], 0.0f, BLEND_NORMAL,
                          FLIP_NONE, CTSColor(0xFFFFFFFF));
  DrawSpriteTransformed(f.t.target, &f.texture, 20, 15, 0, 0, 4, 4, 2.0f, 2.0f, 0.0f, 4, FLIP_NONE,
                        CTSColor(0xFFFFFFFF));
  DrawSpriteTransformed(f.t.target, nullptr, 20, 15, 0, 0, 4, 4, 2.0f, 2.0f, 0.0f, BLEND_NORMAL, FLIP_NONE,
                        CTSColor(0xFFFFFFFF));
  EXPECT_EQ(std::count(f.t.surface->GetPixelRow(0), f.t.surface->GetPixelRow(0) + 40 * 30, 0), 40 * 30);
  // A flip value above 3 is drawn unflipped.
  DrawSpriteTransformed(f.t.target, &f.texture, 20, 15, 0, 0, 4, 4, 2.0f, 2.0f, 0.0f, BLEND_NORMAL, 4,
                        CTSColor(0xFFFFFFFF));
  EXPECT_EQ(f.At(16, 11), 0x7FFF);
}

TEST(ScalerTest, TruncationNeverWritesPastTheClippedDestination) {
  // Ten columns at 2.5 centred on 100 span 88..113; the clip's left edge at
  // 100 drops trunc(12 / 2.5) = 4 source columns, leaving 6 x 2.5 = 15
  // output columns for the 13 that remain inside the clip.
  std::mt19937 rng(5);
  Target t(130, 20, RECT{100, 0, 113, 20}, rng);
  CTSGDITexture texture;
  ASSERT_TRUE(texture.Allocate(10, 2, TEXTURE_FORMAT_X1R5G5B5, 0));
  texture.SetColorKey(0xFF000000);
  std::fill_n(texture.GetPixelRow(0), 20, Pixel555(0x7FFF));
  std::fill_n(t.surface->GetPixelRow(0), 130 * 20, Pixel555(0));
  ForEachPath([&](TSInstructionPath) {
    DrawSpriteTransformed(t.target, &texture, 100, 10, 0, 0, 10, 2, 2.5f, 2.5f, 0.0f, BLEND_NORMAL, FLIP_NONE,
                          CTSColor(0xFFFFFFFF));
    for (int x = 98; x < 118; ++x)
      EXPECT_EQ(t.surface->GetPixelRow(10)[x], x >= 100 && x < 113 ? 0x7FFF : 0) << x;
  });
}

}  // namespace
