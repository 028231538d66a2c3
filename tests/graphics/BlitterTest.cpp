// Every blend case, source kind, opacity and flip of the blitter against the
// per-pixel model, over random pixels, alphas, keys and colours, every width
// from 1 to 70, clipped and unclipped, on every instruction path.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tests/graphics/BlitReference.h"
#include "tests/graphics/PipelinePaths.h"

namespace {

constexpr int kTargetWidth = 100;
constexpr int kTargetHeight = 12;

struct Draw {
  int x, y, srcX, srcY, srcW, srcH;
  RECT clip;
};

// A texture of the given kind filled with random pixels; keyed textures get
// many pixels equal to the key, alpha planes many 0 and 255 bytes.
void FillTexture(CTSGDITexture& texture, int width, int height, blitref::Kind kind, std::mt19937& rng) {
  const INT format = kind == blitref::ALPHA ? TEXTURE_FORMAT_X1R5G5B5_ALPHA8 : TEXTURE_FORMAT_X1R5G5B5;
  ASSERT_TRUE(texture.Allocate(width, height, format, 0));
  const Pixel555 key = Pixel555(rng() & 0x7FFF);
  // The key colour's low three bits per channel do not matter; its alpha
  // below 255 makes it a key.
  const CTSColor keyColor(BYTE(rng() % 255), BYTE(((key >> 10) << 3) | (rng() & 7)),
                          BYTE((((key >> 5) & 31) << 3) | (rng() & 7)),
                          BYTE(((key & 31) << 3) | (rng() & 7)));
  // Plain textures get an opaque key (no key); alpha textures a real one,
  // which the alpha plane must override.
  texture.SetColorKey(kind == blitref::PLAIN ? CTSColor(0xFF000000 | (rng() & 0xFFFFFF)) : keyColor);
  for (int y = 0; y < height; ++y) {
    Pixel555* row = texture.GetPixelRow(y);
    for (int x = 0; x < width; ++x) row[x] = (rng() % 3 == 0) ? key : Pixel555(rng() & 0x7FFF);
    if (BYTE* alpha = texture.GetAlphaRow(y)) {
      for (int x = 0; x < width; ++x) {
        const unsigned pick = rng() % 4;
        alpha[x] = pick == 0 ? 0 : pick == 1 ? 255 : BYTE(rng());
      }
    }
  }
}

CTSColor RandomColor(bool translucent, std::mt19937& rng) {
  unsigned alpha = 255;
  if (translucent) {
    const unsigned pick = rng() % 8;
    alpha = pick == 0 ? 0 : pick == 1 ? 128 : pick == 2 ? 254 : rng() % 255;
  }
  DWORD rgb = rng() & 0xFFFFFF;
  if (rng() % 4 == 0) rgb = 0xFFFFFF;
  return CTSColor((alpha << 24) | rgb);
}

// Either the whole sprite well inside the target, or random positions,
// source rectangles and clip rectangles cutting any side or everything.
Draw RandomDraw(int width, int height, int textureWidth, int textureHeight, bool clipped, std::mt19937& rng) {
  auto in = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
  Draw draw;
  if (!clipped) {
    draw.clip = RECT{0, 0, kTargetWidth, kTargetHeight};
    draw.x = in(0, kTargetWidth - width);
    draw.y = in(0, kTargetHeight - height);
    draw.srcX = in(0, textureWidth - width);
    draw.srcY = in(0, textureHeight - height);
    draw.srcW = width;
    draw.srcH = height;
    return draw;
  }
  const int l = in(-5, kTargetWidth), t = in(-2, kTargetHeight);
  draw.clip = RECT{l, t, in(l - 3, kTargetWidth + 5), in(t - 1, kTargetHeight + 2)};
  draw.x = in(-width - 5, kTargetWidth + 5);
  draw.y = in(-height - 2, kTargetHeight + 2);
  draw.srcX = in(-4, textureWidth - 1);
  draw.srcY = in(-2, textureHeight - 1);
  draw.srcW = in(-1, width + 4);
  draw.srcH = in(0, height + 2);
  return draw;
}

TEST(BlitterTest, EveryCaseMatchesThePerPixelModel) {
  ForEachPath([&](TSInstructionPath path) {
    std::mt19937 rng(20261206);
    CTSGDIRenderTarget target;
    auto* surface = new CTSGDITexture;
    ASSERT_TRUE(surface->Allocate(kTargetWidth, kTargetHeight, TEXTURE_FORMAT_X1R5G5B5, 0));
    target.SetSurface(surface);
    target.SetWidth(kTargetWidth);
    target.SetHeight(kTargetHeight);
    CTSGDITexture texture;
    std::vector<Pixel555> expected;
    const int heights[] = {1, 2, 5};
    for (unsigned mode = 0; mode < 4; ++mode)
      for (int kindIndex = 0; kindIndex < 3; ++kindIndex)
        for (bool translucent : {false, true})
          for (unsigned flip = 0; flip < 4; ++flip)
            for (int width = 1; width <= 70; ++width)
              for (int height : heights) {
                const auto kind = blitref::Kind(kindIndex);
                FillTexture(texture, width + int(rng() % 5), height + int(rng() % 3), kind, rng);
                const CTSColor color = RandomColor(translucent, rng);
                const bool clipped = rng() % 2 == 0;
                const Draw d =
                    RandomDraw(width, height, texture.GetWidth(), texture.GetHeight(), clipped, rng);
                for (int y = 0; y < kTargetHeight; ++y)
                  for (int x = 0; x < kTargetWidth; ++x)
                    surface->GetPixelRow(y)[x] = Pixel555(rng() & 0x7FFF);
                target.SetClipRect(&d.clip);
                RECT clip;
                target.GetClipRect(&clip);
                const Pixel555* pixels = surface->GetPixelRow(0);
                expected.assign(pixels, pixels + kTargetWidth * kTargetHeight);
                blitref::Draw(expected, kTargetWidth, clip, texture, d.x, d.y, d.srcX, d.srcY, d.srcW, d.srcH,
                              mode, flip, color);
                target.DrawSprite(&texture, d.x, d.y, d.srcX, d.srcY, d.srcW, d.srcH, mode, flip, color);
                for (int i = 0; i < kTargetWidth * kTargetHeight; ++i) {
                  ASSERT_EQ(pixels[i], expected[i])
                      << PathName(path) << " mode " << mode << " kind " << kindIndex << " alpha "
                      << int(color.GetAlpha()) << " flip " << flip << " width " << width << " height "
                      << height << (clipped ? " clipped" : "") << " at " << i % kTargetWidth << ","
                      << i / kTargetWidth << " draw (" << d.x << "," << d.y << ") src (" << d.srcX << ","
                      << d.srcY << "," << d.srcW << "," << d.srcH << ") clip (" << clip.left << ","
                      << clip.top << "," << clip.right << "," << clip.bottom << ")";
                }
              }
  });
}

}  // namespace
