// Plain per-pixel models of the plain, scaled and turned sprite draws, written
// from the blend formulas and the clipping and stepping rules, and the random
// sprites, colours and targets the tests draw with.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "engine/graphics/software/TSBlitRect.h"
#include "engine/graphics/software/TSGDIRenderTarget.h"
#include "engine/graphics/software/TSPixelPipeline.h"

namespace blitref {

// Runs pixel tests on every instruction path the processor has: selects
// each path the processor has in turn, the portable one first, for
// body(path), then the original path again.
template <class Body>
void ForEachPath(Body body) {
  const TSInstructionPath original = GetInstructionPath();
  for (TSInstructionPath path :
       {TSInstructionPath::Portable, TSInstructionPath::SSE2, TSInstructionPath::AVX2})
    if (SetInstructionPath(path)) body(path);
  SetInstructionPath(original);
}

enum Kind { PLAIN, KEYED, ALPHA };

constexpr Pixel555 Rgb(unsigned r, unsigned g, unsigned b) { return Pixel555((r << 10) | (g << 5) | b); }
// Channel c (0 red, 1 green, 2 blue) of a pixel; a pixel made of f(c).
inline unsigned Channel(unsigned p, int c) { return (p >> (10 - 5 * c)) & 31; }
inline Pixel555 PerChannel(const std::function<unsigned(int)>& f) { return Rgb(f(0), f(1), f(2)); }
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
    const unsigned w = keyed ? 0 : A;  // a keyed pixel mixes with weight 0
    if (mode == 1 && kind == ALPHA) return (csm * e + cd * (256 - e)) >> 8;
    if (mode == 1) return (csm * (w >> 3) + cd * ((256 - w) >> 3)) >> 5;
    if (mode == 2 && A == 255) return std::min(31u, sa + cd);
    if (mode == 2 && kind == ALPHA) return std::min(31u, ((csm * (e >> 3)) >> 5) + cd);
    if (mode == 2) return std::min(255u, ((csm * 8 * A) >> 8) + cd * 8) >> 3;
    return unsigned(std::max(0, int(cd) - int(A == 255 ? sa : (sa * A) >> 8)));
  });
}

// Pixels of a surface, and the clip rectangle draws keep to, cut to it.
struct Surface {
  std::vector<Pixel555> pixels;
  int width;
  RECT clip;
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
    if (x + u - left >= out.clip.left && x + u - left < out.clip.right) cols.push_back(u);
  for (int v = top; v < bottom; ++v)
    if (y + v - top >= out.clip.top && y + v - top < out.clip.bottom) rows.push_back(v);
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
// size and the clip rectangle, and works out the clip the model keeps to.
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
    const LONG right = std::min({r.right, LONG(recordedWidth), LONG(surface->GetWidth())}),
               bottom = std::min({r.bottom, LONG(recordedHeight), LONG(surface->GetHeight())});
    clip = RECT{std::min(std::max(r.left, LONG(0)), right), std::min(std::max(r.top, LONG(0)), bottom), right,
                bottom};
  }
  Surface Snapshot() const {
    const Pixel555* p = surface->GetPixelRow(0);
    return Surface{{p, p + surface->GetWidth() * surface->GetHeight()}, surface->GetWidth(), clip};
  }
};

// A texture of the kind filled with random pixels; keyed ones have many key
// pixels, alpha planes many 0 and 255 bytes. The key colour's low three bits
// per channel do not matter, and alpha textures get a key their plane overrides.
inline void FillTexture(CTSGDITexture& t, int w, int h, Kind kind, std::mt19937& rng) {
  ASSERT_TRUE(t.Allocate(w, h, kind == ALPHA ? TEXTURE_FORMAT_X1R5G5B5_ALPHA8 : TEXTURE_FORMAT_X1R5G5B5, 0));
  const Pixel555 key = Pixel555(rng() & 0x7FFF);
  const DWORD k = Channel(key, 0) << 19 | Channel(key, 1) << 11 | Channel(key, 2) << 3 | (rng() & 0x070707);
  t.SetColorKey(kind == PLAIN ? DWORD(0xFF000000 | rng()) : DWORD(rng() % 255) << 24 | k);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) t.GetPixelRow(y)[x] = rng() % 3 == 0 ? key : Pixel555(rng() & 0x7FFF);
    if (BYTE* a = t.GetAlphaRow(y))
      for (int x = 0; x < w; ++x) a[x] = rng() % 4 == 0 ? 0 : rng() % 3 == 0 ? 255 : BYTE(rng());
  }
}

// Opaque, or an alpha of 0, 128, 254 or any; often white.
inline CTSColor RandomColor(bool translucent, std::mt19937& rng) {
  const unsigned pick = rng() % 8;
  const DWORD alpha = !translucent ? 255 : pick == 0 ? 0 : pick == 1 ? 128 : pick == 2 ? 254 : rng() % 255;
  return CTSColor((alpha << 24) | (rng() % 4 == 0 ? 0xFFFFFF : rng() & 0xFFFFFF));
}

// The three mixers, per channel: d (32 - w) + s w; s ws + d wd up to 31;
// d wd - s ws down to 0; all shifted right by 5.
inline Pixel555 Lerp(Pixel555 s, Pixel555 d, unsigned w) {
  return PerChannel([&](int c) { return (Channel(d, c) * (32 - w) + Channel(s, c) * w) >> 5; });
}
inline Pixel555 Add(Pixel555 s, Pixel555 d, unsigned ws, unsigned wd) {
  return PerChannel([&](int c) { return std::min(31u, (Channel(s, c) * ws + Channel(d, c) * wd) >> 5); });
}
inline Pixel555 Sub(Pixel555 s, Pixel555 d, unsigned ws, unsigned wd) {
  return PerChannel(
      [&](int c) { return unsigned(std::max(0, int(Channel(d, c) * wd) - int(Channel(s, c) * ws))) >> 5; });
}

// Blends source pixel (col, row) into destination pixel (dx, dy). The
// scaler copies the raw source in mode 0, masks only when the colour is not
// white and compares the key with the raw source; the rotator masks always,
// compares the key with the masked source and takes modes above 3 as 0.
inline void Put(Surface& out, const CTSGDITexture& t, bool rotator, int dx, int dy, int64_t col, int64_t row,
                unsigned mode, CTSColor color) {
  Pixel555& d = out.pixels[size_t(dy) * out.width + size_t(dx)];
  const Pixel555 s = t.GetPixelRow(int(row))[col], sm = Pixel555(s & Mask(color)), copied = rotator ? sm : s;
  const Kind kind = KindOf(t);
  const unsigned a = kind == ALPHA ? t.GetAlphaRow(int(row))[col] : 0, W = color.GetAlpha() >> 3;
  const unsigned w = kind == ALPHA ? (a * W) >> 8 : W;
  const Pixel555 masked = rotator || (color.GetARGB() & 0xFFFFFF) != 0xFFFFFF ? sm : s;
  if (rotator && mode > 3) mode = 0;
  if (kind == KEYED && copied == t.GetColorKey16()) return;
  if (mode == 0) d = kind == ALPHA ? Lerp(copied, d, a >> 3) : copied;
  if (mode > 0)
    d = mode == 1 ? Lerp(masked, d, w) : mode == 2 ? Add(masked, d, w, 31) : Sub(masked, d, w, 31);
}

// The scaler: the clipped rectangles of ClipScaledBlitRects; (R - L) x scale
// output columns at most, never more than the clipped destination holds;
// column i reads (L << 12 + i * step) >> 12, mirrored ((R << 12) - 1 -
// i * step) >> 12, never outside [L, R); rows likewise.
inline void Scale(Surface& out, const CTSGDITexture& t, int x, int y, int srcX, int srcY, int srcW, int srcH,
                  float sx, float sy, unsigned mode, unsigned flip, CTSColor color) {
  if (!(sx > 0 && sy > 0) || mode > 3) return;
  if (flip > 3) flip = 0;
  RECT src, dst, bounds{0, 0, t.GetWidth(), t.GetHeight()};
  if (!ClipScaledBlitRects(out.clip, bounds, x, y, srcX, srcY, srcW, srcH, sx, sy, &src, &dst) ||
      src.right - src.left < 1 || src.bottom - src.top < 1)
    return;
  const auto walk = [](int64_t i, float scale, LONG lo, LONG hi, bool mirrored) {
    const int64_t step = int64_t((1.0 / scale) * 4096);
    const int64_t at =
        mirrored ? ((int64_t(hi) << 12) - 1 - i * step) >> 12 : ((int64_t(lo) << 12) + i * step) >> 12;
    return std::clamp<int64_t>(at, lo, hi - 1);
  };
  const int64_t columns = std::min<int64_t>(int64_t(float(src.right - src.left) * sx), dst.right - dst.left);
  const int64_t rows = std::min<int64_t>(int64_t(float(src.bottom - src.top) * sy), dst.bottom - dst.top);
  for (int64_t j = 0; j < rows; ++j)
    for (int64_t i = 0; i < columns; ++i)
      Put(out, t, false, int(dst.left + i), int(dst.top + j), walk(i, sx, src.left, src.right, flip & 1),
          walk(j, sy, src.top, src.bottom, flip & 2), mode, color);
}

// The rotator, pixel by pixel: the box of GetRotatedBounds for the scaled
// source size and the angle 2 pi - angle, centred on (x, y), walked from its
// first visible column and row (the box's last column and row included) to
// the clip; each pixel's source position computed from the walk's start.
inline void Rotate(Surface& out, const CTSGDITexture& t, int x, int y, int srcX, int srcY, int srcW, int srcH,
                   float sx, float sy, float angle, unsigned mode, unsigned flip, CTSColor color) {
  if (!(sx > 0 && sy > 0) || flip > 3) return;
  const float turned = 6.2831855f - angle;
  const int right = std::min(srcX + srcW, t.GetWidth()), bottom = std::min(srcY + srcH, t.GetHeight());
  const int left = std::min(std::max(srcX, 0), right), top = std::min(std::max(srcY, 0), bottom);
  if (right - left < 1 || bottom - top < 1) return;
  LONG bw, bh, mx0, my0;
  GetRotatedBounds(LONG(float(right - left) * sx), LONG(float(bottom - top) * sy), &bw, &bh, turned, &mx0,
                   &my0);
  const int boxLeft = x - (bw >> 1), boxTop = y - (bh >> 1);
  const int startX = std::max<int>(boxLeft, out.clip.left), startY = std::max<int>(boxTop, out.clip.top);
  const int64_t mx = mx0 + (startX - boxLeft), my = my0 + (startY - boxTop);
  const int64_t cosStep = int64_t(std::cos(turned) * 65536.0f / sx);
  const int64_t sinStep = int64_t(std::sin(turned) * 65536.0f / sy);
  const int64_t u0 = int64_t(float(cosStep * mx + sinStep * my) - 32768.0f / sx);
  const int64_t v0 = int64_t(float(cosStep * my - sinStep * mx) - 32768.0f / sy);
  for (int dy = startY; dy <= boxTop + bh && dy < out.clip.bottom; ++dy)
    for (int dx = startX; dx <= boxLeft + bw && dx < out.clip.right; ++dx) {
      const int64_t i = dx - startX, k = dy - startY;
      int64_t col = ((u0 + i * cosStep + k * sinStep) >> 16) + left,
              row = ((v0 + k * cosStep - i * sinStep) >> 16) + top;
      if (col < left || col >= right || row < top || row >= bottom) continue;
      if (flip & 1) col = left + right - 1 - col;
      if (flip & 2) row = top + bottom - 1 - row;
      Put(out, t, true, dx, dy, col, row, mode, color);
    }
}

}  // namespace blitref
