// A plain per-pixel model of sprite drawing, written from the blend formulas
// and the clipping rules, and the random sprites, colours and targets that the
// blitter and transform tests draw with.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/graphics/software/TSGDIRenderTarget.h"

namespace blitref {

enum Kind { PLAIN, KEYED, ALPHA };

constexpr Pixel555 Rgb(unsigned r, unsigned g, unsigned b) { return Pixel555((r << 10) | (g << 5) | b); }
// Channel c (0 red, 1 green, 2 blue) of a pixel; a pixel made of f(c).
inline unsigned Channel(unsigned p, int c) { return (p >> (10 - 5 * c)) & 31; }
template <class F>
Pixel555 PerChannel(F f) {
  return Rgb(f(0), f(1), f(2));
}
// The colour as a pixel mask: the top five bits of each channel.
inline Pixel555 Mask(CTSColor c) { return Rgb(c.GetRed() >> 3, c.GetGreen() >> 3, c.GetBlue() >> 3); }

// DrawSprite's new destination for source s (alpha byte a) over d, with the
// colour's mask m and alpha A.
inline Pixel555 Blend(unsigned mode, Kind kind, unsigned A, Pixel555 m, Pixel555 s, Pixel555 d, unsigned a,
                      WORD key) {
  const bool keyed = kind == KEYED && s == key;
  if (keyed && mode != 1) return d;
  return PerChannel([&](int c) -> unsigned {
    const unsigned cs = Channel(s, c), csm = Channel(s & m, c), cd = Channel(d, c);
    const unsigned sa = kind == ALPHA ? (csm * (a >> 3)) >> 5 : csm;  // masked source times its alpha
    const unsigned e = (a * A) >> 8;                                  // alpha byte times colour alpha
    if (mode == 0) return kind == ALPHA ? (cs * a + cd * (256 - a)) >> 8 : cs;
    if (mode == 1) {
      if (kind == ALPHA) return (csm * e + cd * (256 - e)) >> 8;
      const unsigned w = keyed ? 0 : A;
      return (csm * (w >> 3) + cd * ((256 - w) >> 3)) >> 5;
    }
    if (mode == 2) {
      if (A == 255) return std::min(31u, sa + cd);
      if (kind == ALPHA) return std::min(31u, ((csm * (e >> 3)) >> 5) + cd);
      return std::min(255u, ((csm * 8 * A) >> 8) + cd * 8) >> 3;
    }
    return unsigned(std::max(0, int(cd) - int(A == 255 ? sa : (sa * A) >> 8)));
  });
}

// Pixels of a surface and the clip rectangle draws keep to (cut to the surface).
struct Surface {
  std::vector<Pixel555> pixels;
  int width, height;
  RECT clip;
  bool InColumn(int x) const {
    return x >= std::max(0, int(clip.left)) && x < std::min(width, int(clip.right));
  }
  bool InRow(int y) const {
    return y >= std::max(0, int(clip.top)) && y < std::min(height, int(clip.bottom));
  }
  // The clip cut to the surface, never inverted.
  RECT Cut() const {
    const LONG r = std::min(LONG(width), clip.right), b = std::min(LONG(height), clip.bottom);
    return RECT{std::min(std::max(clip.left, LONG(0)), r), std::min(std::max(clip.top, LONG(0)), b), r, b};
  }
};

inline Kind KindOf(const CTSGDITexture& t) {
  return t.GetAlphaRow(0) != nullptr ? ALPHA : t.GetColorKey16() != NO_COLOR_KEY ? KEYED : PLAIN;
}

// DrawSprite, pixel by pixel: the source rectangle is cut to the texture and
// placed with its cut corner at (x, y); the source pixels whose destination
// is inside the clip are kept; mirroring then reverses the kept columns and rows.
inline void Draw(Surface& out, const CTSGDITexture& t, int x, int y, int srcX, int srcY, int srcW, int srcH,
                 unsigned mode, unsigned flip, CTSColor color) {
  if (srcW < 1 || srcH < 1 || mode > 3 || flip > 3) return;
  const int left = std::max(srcX, 0), top = std::max(srcY, 0);
  const int right = std::min(srcX + srcW, t.GetWidth()), bottom = std::min(srcY + srcH, t.GetHeight());
  std::vector<int> cols, rows;
  for (int u = left; u < right; ++u)
    if (out.InColumn(x + u - left)) cols.push_back(u);
  for (int v = top; v < bottom; ++v)
    if (out.InRow(y + v - top)) rows.push_back(v);
  const size_t n = cols.size(), m = rows.size();
  for (size_t j = 0; j < m; ++j)
    for (size_t i = 0; i < n; ++i) {
      const int su = (flip & 1) ? cols[n - 1 - i] : cols[i], sv = (flip & 2) ? rows[m - 1 - j] : rows[j];
      Pixel555& d = out.pixels[size_t(y + rows[j] - top) * out.width + size_t(x + cols[i] - left)];
      const unsigned a = KindOf(t) == ALPHA ? t.GetAlphaRow(sv)[su] : 255;
      d = Blend(mode, KindOf(t), color.GetAlpha(), Mask(color), t.GetPixelRow(sv)[su], d, a,
                t.GetColorKey16());
    }
}

// A render target over a surface of random pixels. Clip sets the recorded
// size and the clip rectangle; the model's clip is worked out here.
struct Target {
  CTSGDIRenderTarget target;
  CTSGDITexture* surface = new CTSGDITexture;
  RECT clip{};

  Target(int width, int height, const RECT& r, std::mt19937& rng) {
    EXPECT_TRUE(surface->Allocate(width, height, TEXTURE_FORMAT_X1R5G5B5, 0));
    for (int i = 0; i < width * height; ++i) surface->GetPixelRow(0)[i] = Pixel555(rng() & 0x7FFF);
    target.SetSurface(surface);
    Clip(r, width, height);
  }
  void Clip(const RECT& r, int recordedWidth, int recordedHeight) {
    target.SetWidth(recordedWidth);
    target.SetHeight(recordedHeight);
    target.SetClipRect(&r);
    clip =
        RECT{r.left, r.top, std::min(r.right, LONG(recordedWidth)), std::min(r.bottom, LONG(recordedHeight))};
  }
  Surface Snapshot() const {
    const Pixel555* p = surface->GetPixelRow(0);
    const int w = surface->GetWidth(), h = surface->GetHeight();
    return Surface{std::vector<Pixel555>(p, p + w * h), w, h, clip};
  }
};

// A texture of the kind filled with random pixels; keyed ones have many key
// pixels, alpha planes many 0 and 255 bytes. The key colour's low three bits
// per channel do not matter, and alpha textures get a key their plane overrides.
inline void FillTexture(CTSGDITexture& t, int width, int height, Kind kind, std::mt19937& rng) {
  ASSERT_TRUE(
      t.Allocate(width, height, kind == ALPHA ? TEXTURE_FORMAT_X1R5G5B5_ALPHA8 : TEXTURE_FORMAT_X1R5G5B5, 0));
  const Pixel555 key = Pixel555(rng() & 0x7FFF);
  const auto low = [&] { return rng() & 7; };
  t.SetColorKey(kind == PLAIN
                    ? CTSColor(0xFF000000 | rng())
                    : CTSColor(BYTE(rng() % 255), BYTE((Channel(key, 0) << 3) | low()),
                               BYTE((Channel(key, 1) << 3) | low()), BYTE((Channel(key, 2) << 3) | low())));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) t.GetPixelRow(y)[x] = rng() % 3 == 0 ? key : Pixel555(rng() & 0x7FFF);
    if (BYTE* a = t.GetAlphaRow(y))
      for (int x = 0; x < width; ++x) a[x] = rng() % 4 == 0 ? 0 : rng() % 3 == 0 ? 255 : BYTE(rng());
  }
}

// Opaque, or an alpha of 0, 128, 254 or any; often white.
inline CTSColor RandomColor(bool translucent, std::mt19937& rng) {
  const unsigned pick = rng() % 8;
  const DWORD alpha = !translucent ? 255 : pick == 0 ? 0 : pick == 1 ? 128 : pick == 2 ? 254 : rng() % 255;
  return CTSColor((alpha << 24) | (rng() % 4 == 0 ? 0xFFFFFF : rng() & 0xFFFFFF));
}

}  // namespace blitref
