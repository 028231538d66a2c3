// The turned path of DrawSpriteTransformed against the per-pixel model and
// hand-worked cases: the quarter turn, the colour mask and key of the
// rotator, the clip rectangle's position, oversized draws.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "engine/graphics/software/TSTransformBlit.h"
#include "tests/graphics/transform/TransformReference.h"

namespace {

using xref::Target;

float RandomAngle(std::mt19937& rng) {
  static const float kAngles[] = {1.5707964f, 3.1415927f, -1.5707964f, 0.5235988f,
                                  6.2831855f, 0.001f,     -0.001f};
  if (rng() % 3 == 0) return kAngles[rng() % (sizeof(kAngles) / sizeof(kAngles[0]))];
  return float(int(rng() % 14000) - 7000) / 1000.0f;
}

float RandomScale(std::mt19937& rng) {
  static const float kScales[] = {1.0f, 1.0f, 0.5f, 2.0f, 1.5f, 0.75f};
  if (rng() % 3 == 0) return 0.2f + float(rng() % 3000) / 1000.0f;
  return kScales[rng() % (sizeof(kScales) / sizeof(kScales[0]))];
}

TEST(RotatorTest, MatchesTheModelForRandomDraws) {
  std::mt19937 rng(21);
  for (int n = 0; n < 1500; ++n) {
    const xref::Kind kind = xref::Kind(rng() % 3);
    CTSGDITexture texture;
    xref::FillTexture(texture, 1 + int(rng() % 30), 1 + int(rng() % 30), kind, rng);
    RECT clip{0, 0, 72, 56};
    if (rng() % 2) {
      clip.left = int(rng() % 30);
      clip.top = int(rng() % 20);
      clip.right = clip.left + 1 + int(rng() % 42);
      clip.bottom = clip.top + 1 + int(rng() % 36);
    }
    Target t(72, 56, clip, rng);
    const int srcX = int(rng() % 7) - 3, srcY = int(rng() % 7) - 3;
    const int srcW = 1 + int(rng() % (texture.GetWidth() + 3)),
              srcH = 1 + int(rng() % (texture.GetHeight() + 3));
    const int x = int(rng() % 100) - 14, y = int(rng() % 84) - 14;
    const float sx = RandomScale(rng), sy = rng() % 2 ? sx : RandomScale(rng);
    const float angle = RandomAngle(rng);
    const unsigned mode = rng() % 5, flip = rng() % 5;
    const CTSColor color = xref::RandomColor(rng);
    xref::Surface expected = t.Snapshot();
    const xref::Surface before = expected;
    xref::Rotate(expected, texture, x, y, srcX, srcY, srcW, srcH, sx, sy, angle, mode, flip, color);
    DrawSpriteTransformed(t.target, &texture, x, y, srcX, srcY, srcW, srcH, sx, sy, angle, mode, flip, color);
    const xref::Surface actual = t.Snapshot();
    ASSERT_EQ(xref::ChangedOutsideClip(before, actual), 0) << "draw " << n;
    ASSERT_TRUE(actual.pixels == expected.pixels)
        << "draw " << n << " kind " << kind << " scale " << sx << " x " << sy << " angle " << angle
        << " mode " << mode << " flip " << flip << " colour " << std::hex << color.GetARGB();
  }
}

struct Fixed {
  std::mt19937 rng{22};
  Target t{64, 48, RECT{0, 0, 64, 48}, rng};
  CTSGDITexture texture;

  Pixel555 At(int x, int y) const { return t.surface->GetPixelRow(y)[x]; }
  void Fill(Pixel555 value) { std::fill_n(t.surface->GetPixelRow(0), 64 * 48, value); }
  int Changed(Pixel555 background) const {
    return int(64 * 48 -
               std::count(t.surface->GetPixelRow(0), t.surface->GetPixelRow(0) + 64 * 48, background));
  }
};

TEST(RotatorTest, QuarterTurnOfTenByTwenty) {
  // Turned by pi / 2 the 10 x 20 source fills a 22 x 12 box centred on
  // (30, 20): the steps are exactly 0 and 65536, the walk starts half a pixel
  // in, and the pixels landing inside the source form a 20 x 10 block at
  // (20, 14) in which destination (20 + r, 14 + k) shows source (9 - k, r).
  Fixed f;
  ASSERT_TRUE(f.texture.Allocate(10, 20, TEXTURE_FORMAT_X1R5G5B5, 0));
  f.texture.SetColorKey(0xFF000000);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 10; ++x) f.texture.GetPixelRow(y)[x] = Pixel555(0x4000 | (y << 4) | x);
  f.Fill(0);
  DrawSpriteTransformed(f.t.target, &f.texture, 30, 20, 0, 0, 10, 20, 1.0f, 1.0f, 1.5707964f, BLEND_NORMAL,
                        FLIP_NONE, CTSColor(0xFFFFFFFF));
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const bool inside = x >= 20 && x < 40 && y >= 14 && y < 24;
      const Pixel555 expected = inside ? f.texture.GetPixelRow(x - 20)[9 - (y - 14)] : 0;
      ASSERT_EQ(f.At(x, y), expected) << x << "," << y;
    }
}

TEST(RotatorTest, ModeZeroMasksWithTheColourAndKeysTheMaskedSource) {
  Fixed f;
  ASSERT_TRUE(f.texture.Allocate(3, 1, TEXTURE_FORMAT_X1R5G5B5, 0));
  f.texture.SetColorKey(CTSColor(0x0000F800));  // green 31: key 0x03E0
  f.texture.GetPixelRow(0)[0] = 0x7FFF;         // masked to 0x03E0, the key: skipped
  f.texture.GetPixelRow(0)[1] = 0x7C1F;         // masked to 0: drawn as black
  f.texture.GetPixelRow(0)[2] = 0x1234;         // masked to 0x0220
  f.Fill(0x0001);
  // A turn by pi leaves one row with the pixels reversed.
  DrawSpriteTransformed(f.t.target, &f.texture, 30, 20, 0, 0, 3, 1, 1.0f, 1.0f, 3.1415927f, BLEND_NORMAL,
                        FLIP_NONE, CTSColor(0xFF00FF00));
  std::vector<Pixel555> drawn;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      if (f.At(x, y) != 0x0001) drawn.push_back(f.At(x, y));
  EXPECT_EQ(drawn, (std::vector<Pixel555>{0x0220, 0x0000}));
}

TEST(RotatorTest, BlendModeAboveThreeDrawsAsModeZeroAndFlipAboveThreeDrawsNothing) {
  Fixed f;
  xref::FillTexture(f.texture, 12, 9, xref::ALPHA, f.rng);
  f.Fill(0x2222);
  Target zero(64, 48, RECT{0, 0, 64, 48}, f.rng);
  std::fill_n(zero.surface->GetPixelRow(0), 64 * 48, Pixel555(0x2222));
  DrawSpriteTransformed(f.t.target, &f.texture, 30, 20, 0, 0, 12, 9, 1.5f, 1.5f, 0.7f, 7, FLIP_HORIZONTAL,
                        CTSColor(0x80FF8040));
  DrawSpriteTransformed(zero.target, &f.texture, 30, 20, 0, 0, 12, 9, 1.5f, 1.5f, 0.7f, BLEND_NORMAL,
                        FLIP_HORIZONTAL, CTSColor(0x80FF8040));
  EXPECT_GT(f.Changed(0x2222), 100);
  EXPECT_TRUE(f.t.Snapshot().pixels == zero.Snapshot().pixels);
  f.Fill(0x2222);
  DrawSpriteTransformed(f.t.target, &f.texture, 30, 20, 0, 0, 12, 9, 1.5f, 1.5f, 0.7f, BLEND_NORMAL, 4,
                        CTSColor(0xFFFFFFFF));
  EXPECT_EQ(f.Changed(0x2222), 0);
}

TEST(RotatorTest, HonoursTheClipRectanglePosition) {
  std::mt19937 rng(23);
  const RECT clip{10, 12, 30, 26};
  Target t(64, 48, clip, rng);
  std::fill_n(t.surface->GetPixelRow(0), 64 * 48, Pixel555(0));
  CTSGDITexture texture;
  ASSERT_TRUE(texture.Allocate(40, 40, TEXTURE_FORMAT_X1R5G5B5, 0));
  texture.SetColorKey(0xFF000000);
  std::fill_n(texture.GetPixelRow(0), 40 * 40, Pixel555(0x7FFF));
  DrawSpriteTransformed(t.target, &texture, 20, 20, 0, 0, 40, 40, 2.0f, 2.0f, 0.3f, BLEND_NORMAL, FLIP_NONE,
                        CTSColor(0xFFFFFFFF));
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const bool inside = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
      ASSERT_EQ(t.surface->GetPixelRow(y)[x], inside ? 0x7FFF : 0) << x << "," << y;
    }
}

TEST(RotatorTest, BothPathsStayInsideASurfaceSmallerThanTheTarget) {
  // The clip rectangle follows the target's recorded size, here larger than
  // the surface; the surface still bounds every write.
  std::mt19937 rng(24);
  Target t(40, 30, RECT{0, 0, 40, 30}, rng);
  t.target.SetWidth(100);
  t.target.SetHeight(90);
  t.target.SetClipRect(nullptr);
  CTSGDITexture texture;
  ASSERT_TRUE(texture.Allocate(16, 16, TEXTURE_FORMAT_X1R5G5B5, 0));
  texture.SetColorKey(0xFF000000);
  std::fill_n(texture.GetPixelRow(0), 16 * 16, Pixel555(0x7FFF));
  for (float angle : {0.0f, 0.4f}) {
    std::fill_n(t.surface->GetPixelRow(0), 40 * 30, Pixel555(0));
    DrawSpriteTransformed(t.target, &texture, 40, 30, 0, 0, 16, 16, 8.0f, 8.0f, angle, BLEND_NORMAL,
                          FLIP_NONE, CTSColor(0xFFFFFFFF));
    EXPECT_EQ(std::count(t.surface->GetPixelRow(0), t.surface->GetPixelRow(0) + 40 * 30, 0x7FFF), 40 * 30);
  }
}

TEST(RotatorTest, OversizedAndUndefinedDrawsAreRefused) {
  Fixed f;
  ASSERT_TRUE(f.texture.Allocate(2, 2, TEXTURE_FORMAT_X1R5G5B5, 0));
  f.texture.SetColorKey(0xFF000000);
  std::fill_n(f.texture.GetPixelRow(0), 4, Pixel555(0x7FFF));
  f.Fill(0);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  // 2 x 30000 = 60000 pixels: the corner products leave 32 bits.
  DrawSpriteTransformed(f.t.target, &f.texture, 30, 20, 0, 0, 2, 2, 30000.0f, 30000.0f, 0.3f, BLEND_NORMAL,
                        FLIP_NONE, CTSColor(0xFFFFFFFF));
  // Steps of 65536 / 1e-6 leave 32 bits as well.
  DrawSpriteTransformed(f.t.target, &f.texture, 30, 20, 0, 0, 2, 2, 1e-6f, 1e-6f, 0.3f, BLEND_NORMAL,
                        FLIP_NONE, CTSColor(0xFFFFFFFF));
  DrawSpriteTransformed(f.t.target, &f.texture, 30, 20, 0, 0, 2, 2, 2.0f, 2.0f, nan, BLEND_NORMAL, FLIP_NONE,
                        CTSColor(0xFFFFFFFF));
  DrawSpriteTransformed(f.t.target, &f.texture, 30, 20, 0, 0, 2, 2, 2.0f, 2.0f, inf, BLEND_NORMAL, FLIP_NONE,
                        CTSColor(0xFFFFFFFF));
  DrawSpriteTransformed(f.t.target, &f.texture, 30, 20, 0, 0, 2, 2, inf, 2.0f, 0.3f, BLEND_NORMAL, FLIP_NONE,
                        CTSColor(0xFFFFFFFF));
  EXPECT_EQ(f.Changed(0), 0);
  // 2 x 12000 stays within 32 bits and covers the whole surface.
  DrawSpriteTransformed(f.t.target, &f.texture, 30, 20, 0, 0, 2, 2, 12000.0f, 12000.0f, 0.3f, BLEND_NORMAL,
                        FLIP_NONE, CTSColor(0xFFFFFFFF));
  EXPECT_EQ(f.Changed(0), 64 * 48);
}

}  // namespace
