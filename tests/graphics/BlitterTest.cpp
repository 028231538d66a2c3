// The blitter against the per-pixel model on every instruction path.
#include <gtest/gtest.h>

#include "tests/graphics/BlitReference.h"
#include "tests/graphics/PipelinePaths.h"

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
                  x = in(-w - 5, kW + 5), y = in(-h - 2, kH + 2), srcW = in(-1, w + 4), srcH = in(0, h + 2);
                  srcX = in(-4, texture.GetWidth() + 1), srcY = in(-2, texture.GetHeight());
                }
                for (int i = 0; i < kW * kH; ++i) t.surface->GetPixelRow(0)[i] = Pixel555(rng() & 0x7FFF);
                Surface expected = t.Snapshot();
                // Now and then an unknown mode or flip, which draws nothing.
                const unsigned m = rng() % 64 ? mode : 4, f = rng() % 64 ? flip : 4;
                Draw(expected, texture, x, y, srcX, srcY, srcW, srcH, m, f, color);
                t.target.DrawSprite(&texture, x, y, srcX, srcY, srcW, srcH, m, f, color);
                ASSERT_TRUE(t.Snapshot().pixels == expected.pixels)
                    << PathName(path) << " mode " << m << " kind " << kind << " flip " << f << " at " << x
                    << "," << y << " from " << srcX << "," << srcY << " " << srcW << "x" << srcH;
              }
  });
}

}  // namespace
