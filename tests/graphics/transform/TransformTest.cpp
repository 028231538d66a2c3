// DrawSpriteTransformed against the per-pixel models of the scaler and the
// rotator (and of DrawSprite at scale 1), whose mixers are written from the
// channel formulas the blend tables hold, and hand-worked draws.
#include <gtest/gtest.h>

#include "engine/graphics/software/TSTransformBlit.h"
#include "tests/graphics/BlitReference.h"

namespace {

using namespace blitref;

// Two times in three one of the plain values, else any in [lo, lo + span).
float Pick(std::mt19937& rng, std::initializer_list<float> plain, float lo, float span) {
  return rng() % 3 ? plain.begin()[rng() % plain.size()] : lo + span * float(rng() % 1000) / 1000.0f;
}

// Random sources, rectangles, scales, modes and flips (4 included), colours
// and clips; the whole surface must equal the model. The scaler's loops
// depend on the instruction path, the rotator's do not.
void CompareRandomDraws(bool turned, int width, int height, int maxTexture, int draws, unsigned seed) {
  std::mt19937 rng(seed);
  const auto run = [&](TSInstructionPath path) {
    for (int n = 0; n < draws; ++n) {
      CTSGDITexture tex;
      FillTexture(tex, 1 + int(rng() % maxTexture), 1 + int(rng() % maxTexture), Kind(rng() % 3), rng);
      const int l = int(rng() % (width / 2)), top = int(rng() % (height / 2));
      const RECT area{l, top, l + 1 + int(rng() % (width - l)), top + 1 + int(rng() % (height - top))};
      Target t(width, height, rng() % 3 == 0 ? RECT{0, 0, width, height} : area, rng);
      const int srcX = int(rng() % 7) - 3, srcY = int(rng() % 7) - 3;
      const int srcW = 1 + int(rng() % (tex.GetWidth() + 3)), srcH = 1 + int(rng() % (tex.GetHeight() + 3));
      const int x = int(rng() % (width + 40)) - 20, y = int(rng() % (height + 40)) - 20;
      auto scale = [&] { return Pick(rng, {.25f, .5f, .75f, 1, 1.5f, 2, 3, 1 / 3.f, .9f, 1.1f}, .1f, 4); };
      float sx = scale(), sy = rng() % 2 ? sx : scale();
      if (!turned && rng() % 8 == 0) sx = sy = 1.0f;  // handed to DrawSprite at the centre
      const float angle =
          turned ? Pick(rng, {1.5707964f, 3.1415927f, -1.5707964f, 6.2831855f, 0.001f}, -6.99f, 14) : 0;
      const unsigned mode = rng() % 5, flip = rng() % 5;
      const CTSColor color = RandomColor(rng() % 2, rng);
      Surface expected = t.Snapshot();
      if (turned)
        Rotate(expected, tex, x, y, srcX, srcY, srcW, srcH, sx, sy, angle, mode, flip, color);
      else if (sx == 1.0f && sy == 1.0f)
        Draw(expected, tex, x - srcW / 2, y - srcH / 2, srcX, srcY, srcW, srcH, mode, flip, color);
      else
        Scale(expected, tex, x, y, srcX, srcY, srcW, srcH, sx, sy, mode, flip, color);
      DrawSpriteTransformed(t.target, &tex, x, y, srcX, srcY, srcW, srcH, sx, sy, angle, mode, flip, color);
      ASSERT_TRUE(t.Snapshot().pixels == expected.pixels) << int(path) << " draw " << n;
    }
  };
  turned ? run(GetInstructionPath()) : ForEachPath(run);
}

TEST(TransformTest, ScalerAndRotatorMatchTheirModelsAndRefuseOversizedAndUndefinedDraws) {
  CompareRandomDraws(false, 80, 48, 40, 1500, 1);
  CompareRandomDraws(false, 1200, 6, 700, 60, 2);  // rows crossing the scaler's strips
  CompareRandomDraws(true, 72, 56, 30, 1500, 21);
  // On a 40 x 30 surface whose target records 100 x 90, a white 2 x 2 texture
  // centred on (20, 15) scaled by (sx, sy) and turned covers the surface and
  // nothing beyond (c = 1), or draws nothing: 2 x 12000 fits 32 bits, 2 x 30000
  // and steps of 65536 / 1e-6 do not, zero, undefined and infinite scales and
  // turns have no image.
  const float draws[][4] = {{30, 30, 0, 1},          {30, 30, 0.4f, 1},       {12000, 12000, 0.3f, 1},
                            {30000, 30000, 0.3f, 0}, {1e-6f, 1e-6f, 0.3f, 0}, {0, 1, 0, 0},
                            {1, 0, 0.3f, 0},         {INFINITY, 1, 0, 0},     {2, INFINITY, 0.3f, 0},
                            {2, 2, NAN, 0},          {2, 2, INFINITY, 0}};
  std::mt19937 rng(5);
  CTSGDITexture white;
  ASSERT_TRUE(white.Allocate(2, 2, TEXTURE_FORMAT_X1R5G5B5, 0));
  white.ClearRect(0xFFFFFFFF, nullptr);
  white.SetColorKey(0xFF000000);
  for (const auto& d : draws) {
    Target t(40, 30, RECT{0, 0, 40, 30}, rng);
    t.Clip(RECT{0, 0, 100, 90}, 100, 90);
    std::fill_n(t.surface->GetPixelRow(0), 40 * 30, 0);
    DrawSpriteTransformed(t.target, &white, 20, 15, 0, 0, 2, 2, d[0], d[1], d[2], 0, 0, 0xFFFFFFFF);
    DrawSpriteTransformed(t.target, nullptr, 20, 15, 0, 0, 2, 2, d[0], d[1], d[2], 0, 0, 0);
    EXPECT_EQ(std::count(t.surface->GetPixelRow(0), t.surface->GetPixelRow(0) + 40 * 30, 0x7FFF), d[3] * 1200)
        << d[0] << " x " << d[1] << " angle " << d[2];
  }
}

}  // namespace
