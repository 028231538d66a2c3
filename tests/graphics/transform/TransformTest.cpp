// DrawSpriteTransformed against the per-pixel models of the scaler and the
// rotator (and of DrawSprite at scale 1), and hand-worked draws.
#include <gtest/gtest.h>

#include <limits>

#include "engine/graphics/software/TSTransformBlit.h"
#include "tests/graphics/PipelinePaths.h"
#include "tests/graphics/transform/TransformReference.h"

namespace {

using namespace xref;

// Often the plain scales and turns, else any.
float RandomScale(std::mt19937& rng) {
  static const float kScales[] = {0.25f, 0.5f, 0.75f, 1.0f, 1.5f, 2.0f, 3.0f, 1.0f / 3.0f, 0.9f, 1.1f};
  return rng() % 3 == 0 ? 0.1f + float(rng() % 4000) / 1000.0f : kScales[rng() % 10];
}
float RandomAngle(std::mt19937& rng) {
  static const float kAngles[] = {1.5707964f, 3.1415927f, -1.5707964f, 0.5235988f,
                                  6.2831855f, 0.001f,     -0.001f};
  return rng() % 3 == 0 ? kAngles[rng() % 7] : float(int(rng() % 14000) - 7000) / 1000.0f;
}

// Random sources, rectangles, scales, modes and flips (4 included), colours
// and clips; the whole surface must equal the model. The scaler's loops
// depend on the instruction path, the rotator's do not.
void CompareRandomDraws(bool turned, int width, int height, int maxTexture, int draws, unsigned seed) {
  std::mt19937 rng(seed);
  const auto run = [&](TSInstructionPath path) {
    for (int n = 0; n < draws; ++n) {
      CTSGDITexture texture;
      FillTexture(texture, 1 + int(rng() % maxTexture), 1 + int(rng() % maxTexture), Kind(rng() % 3), rng);
      const int l = int(rng() % (width / 2)), top = int(rng() % (height / 2));
      const RECT part{l, top, l + 1 + int(rng() % (width - l)), top + 1 + int(rng() % (height - top))};
      Target t(width, height, rng() % 3 == 0 ? RECT{0, 0, width, height} : part, rng);
      const int srcX = int(rng() % 7) - 3, srcY = int(rng() % 7) - 3;
      const int srcW = 1 + int(rng() % (texture.GetWidth() + 3)),
                srcH = 1 + int(rng() % (texture.GetHeight() + 3));
      const int x = int(rng() % (width + 40)) - 20, y = int(rng() % (height + 40)) - 20;
      float sx = RandomScale(rng), sy = rng() % 2 ? sx : RandomScale(rng);
      if (!turned && rng() % 8 == 0) sx = sy = 1.0f;  // handed to DrawSprite at the centre
      const float angle = turned ? RandomAngle(rng) : 0.0f;
      const unsigned mode = rng() % 5, flip = rng() % 5;
      const CTSColor color = RandomColor(rng() % 2, rng);
      Surface expected = t.Snapshot();
      if (turned)
        Rotate(expected, texture, x, y, srcX, srcY, srcW, srcH, sx, sy, angle, mode, flip, color);
      else if (sx == 1.0f && sy == 1.0f)
        Draw(expected, texture, x - srcW / 2, y - srcH / 2, srcX, srcY, srcW, srcH, mode, flip, color);
      else
        Scale(expected, texture, x, y, srcX, srcY, srcW, srcH, sx, sy, mode, flip, color);
      DrawSpriteTransformed(t.target, &texture, x, y, srcX, srcY, srcW, srcH, sx, sy, angle, mode, flip,
                            color);
      ASSERT_TRUE(t.Snapshot().pixels == expected.pixels)
          << PathName(path) << " draw " << n << " scale " << sx << " x " << sy << " angle " << angle
          << " mode " << mode << " flip " << flip << " colour " << std::hex << color.GetARGB();
    }
  };
  if (turned)
    run(GetInstructionPath());
  else
    ForEachPath(run);
}

TEST(TransformTest, ScalerMatchesTheModel) {
  CompareRandomDraws(false, 80, 48, 40, 1500, 1);
  CompareRandomDraws(false, 1200, 6, 700, 60, 2);  // rows crossing the scaler's strips
}

TEST(TransformTest, RotatorMatchesTheModel) { CompareRandomDraws(true, 72, 56, 30, 1500, 21); }

// A texture whose pixel (x, y) is 0x4000 | y << 4 | x, on a zeroed 64 x 48 target.
struct Numbered {
  std::mt19937 rng{4};
  Target t{64, 48, RECT{0, 0, 64, 48}, rng};
  CTSGDITexture texture;
  Numbered(int w, int h) {
    EXPECT_TRUE(texture.Allocate(w, h, TEXTURE_FORMAT_X1R5G5B5, 0));
    texture.SetColorKey(0xFF000000);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) texture.GetPixelRow(y)[x] = Pixel555(0x4000 | (y << 4) | x);
    std::fill_n(t.surface->GetPixelRow(0), 64 * 48, 0);
  }
  Pixel555 At(int x, int y) const { return t.surface->GetPixelRow(y)[x]; }
};

TEST(TransformTest, QuarterTurnOfTenByTwenty) {
  // Turned by pi / 2 the 10 x 20 source fills a 22 x 12 box centred on
  // (30, 20): the steps are exactly 0 and 65536, the walk starts half a pixel
  // in, and destination (20 + r, 14 + k) shows source (9 - k, r).
  Numbered f(10, 20);
  DrawSpriteTransformed(f.t.target, &f.texture, 30, 20, 0, 0, 10, 20, 1.0f, 1.0f, 1.5707964f, BLEND_NORMAL,
                        FLIP_NONE, CTSColor(0xFFFFFFFF));
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const bool inside = x >= 20 && x < 40 && y >= 14 && y < 24;
      ASSERT_EQ(f.At(x, y), inside ? f.texture.GetPixelRow(x - 20)[9 - (y - 14)] : 0) << x << "," << y;
    }
}

TEST(TransformTest, UnequalScalesStepSeparately) {
  // 4 x 4 scaled 3 x 2 is 12 x 8 at (14, 6): scale 3 steps by 1365 / 4096,
  // so the first column is read four times; scale 2 steps by 2048.
  const int columns[12] = {0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3};
  for (FlipFlags flip : {FLIP_NONE, FLIP_HORIZONTAL})
    ForEachPath([&](TSInstructionPath path) {
      Numbered f(4, 4);
      DrawSpriteTransformed(f.t.target, &f.texture, 20, 10, 0, 0, 4, 4, 3.0f, 2.0f, 0.0f, BLEND_NORMAL, flip,
                            CTSColor(0xFFFFFFFF));
      for (int y = 5; y < 15; ++y)
        for (int x = 13; x < 27; ++x) {
          const bool inside = x >= 14 && x < 26 && y >= 6 && y < 14;
          const int column = inside ? (flip ? 3 - columns[x - 14] : columns[x - 14]) : 0;
          ASSERT_EQ(f.At(x, y), inside ? f.texture.GetPixelRow((y - 6) / 2)[column] : 0)
              << PathName(path) << " flip " << flip << " at " << x << "," << y;
        }
    });
}

// On a 40 x 30 surface whose target records 100 x 90, a white 2 x 2 texture
// centred on (20, 15) either covers the surface, and nothing beyond it, or
// draws nothing at all.
TEST(TransformTest, OversizedAndUndefinedDraws) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const struct {
    float sx, sy, angle;
    bool covers;
  } draws[] = {{30, 30, 0, true},
               {30, 30, 0.4f, true},
               {12000, 12000, 0.3f, true},   // fits 32 bits
               {30000, 30000, 0.3f, false},  // the corner products leave 32 bits
               {1e-6f, 1e-6f, 0.3f, false},  // so do steps of 65536 / 1e-6
               {0, 1, 0, false},
               {1, 0, 0.3f, false},
               {-2, 2, 0, false},
               {nan, 1, 0, false},
               {1, nan, 0.3f, false},
               {inf, 1, 0, false},
               {2, inf, 0.3f, false},
               {2, 2, nan, false},
               {2, 2, inf, false}};
  std::mt19937 rng(5);
  CTSGDITexture white;
  ASSERT_TRUE(white.Allocate(2, 2, TEXTURE_FORMAT_X1R5G5B5, 0));
  white.ClearRect(0xFFFFFFFF, nullptr);
  white.SetColorKey(0xFF000000);
  for (const auto& d : draws)
    for (CTSTexture* texture : {static_cast<CTSTexture*>(&white), static_cast<CTSTexture*>(nullptr)}) {
      Target t(40, 30, RECT{0, 0, 40, 30}, rng);
      t.Clip(RECT{0, 0, 100, 90}, 100, 90);
      std::fill_n(t.surface->GetPixelRow(0), 40 * 30, 0);
      DrawSpriteTransformed(t.target, texture, 20, 15, 0, 0, 2, 2, d.sx, d.sy, d.angle, BLEND_NORMAL,
                            FLIP_NONE, CTSColor(0xFFFFFFFF));
      const int covered =
          int(std::count(t.surface->GetPixelRow(0), t.surface->GetPixelRow(0) + 40 * 30, 0x7FFF));
      EXPECT_EQ(covered, d.covers && texture ? 40 * 30 : 0) << d.sx << " x " << d.sy << " angle " << d.angle;
    }
}

}  // namespace
