// Plain per-pixel models of the scaled and the rotated sprite draw, written
// from the stepping and blending rules, for the tests to compare with, and
// the fixtures they draw on.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/graphics/software/TSBlitRect.h"
#include "engine/graphics/software/TSGDIRenderTarget.h"

namespace xref {

enum Kind { PLAIN, KEYED, ALPHA };

inline unsigned Channel(unsigned p, int channel) {
  return channel == 0 ? (p >> 10) & 31 : channel == 1 ? (p >> 5) & 31 : p & 31;
}

template <class F>
Pixel555 PerChannel(F f) {
  return Pixel555((f(0) << 10) | (f(1) << 5) | f(2));
}

inline Pixel555 Lerp(Pixel555 s, Pixel555 d, unsigned w) {
  return PerChannel([&](int c) { return (Channel(d, c) * (32 - w) + Channel(s, c) * w) >> 5; });
}
inline Pixel555 Add(Pixel555 s, Pixel555 d, unsigned ws, unsigned wd) {
  return PerChannel([&](int c) { return std::min(31u, (Channel(s, c) * ws + Channel(d, c) * wd) >> 5); });
}
inline Pixel555 Sub(Pixel555 s, Pixel555 d, unsigned ws, unsigned wd) {
  return PerChannel([&](int c) {
    const int diff = int(Channel(d, c) * wd) - int(Channel(s, c) * ws);
    return diff < 0 ? 0u : unsigned(diff) >> 5;
  });
}

inline Pixel555 Mask(CTSColor color) {
  return Pixel555(((color.GetRed() >> 3) << 10) | ((color.GetGreen() >> 3) << 5) | (color.GetBlue() >> 3));
}

// The new destination pixel d for source pixel s with alpha byte a. The
// scaler copies the raw source in mode 0, masks only when the colour is not
// white and compares the key with the raw source; the rotator masks always,
// compares the key with the masked source and takes modes above 3 as 0.
inline Pixel555 Blend(bool rotator, unsigned mode, Kind kind, CTSColor color, Pixel555 s, Pixel555 d,
                      unsigned a, WORD key) {
  const Pixel555 sm = Pixel555(s & Mask(color));
  if (rotator && mode > 3) mode = 0;
  if (kind == KEYED && (rotator ? sm : s) == key) return d;
  const unsigned W = color.GetAlpha() >> 3;
  const unsigned w = kind == ALPHA ? (a * W) >> 8 : W;
  const bool white = (color.GetARGB() & 0xFFFFFF) == 0xFFFFFF;
  const Pixel555 masked = rotator || !white ? sm : s;
  switch (mode) {
    case 0: {
      const Pixel555 source = rotator ? sm : s;
      return kind == ALPHA ? Lerp(source, d, a >> 3) : source;
    }
    case 1:
      return Lerp(masked, d, w);
    case 2:
      return Add(masked, d, w, 31);
    default:
      return Sub(masked, d, w, 31);
  }
}

struct Surface {
  std::vector<Pixel555> pixels;
  int width, height;
  RECT clip;  // within the surface
};

inline Kind KindOf(const CTSGDITexture& t) {
  if (t.GetAlphaRow(0) != nullptr) return ALPHA;
  return t.GetColorKey16() != 0xFFFF ? KEYED : PLAIN;
}

inline unsigned AlphaAt(const CTSGDITexture& t, int x, int y) {
  return t.GetAlphaRow(y) != nullptr ? t.GetAlphaRow(y)[x] : 0;
}

// The scaler: the clipped rectangles of ClipScaledBlitRects; (R - L) x scale
// output columns at most, never more than the clipped destination holds;
// column i reads (L << 12 + i * step) >> 12, mirrored ((R << 12) - 1 -
// i * step) >> 12, never outside [L, R); rows likewise.
inline void Scale(Surface& out, const CTSGDITexture& t, int x, int y, int srcX, int srcY, int srcW, int srcH,
                  float sx, float sy, unsigned mode, unsigned flip, CTSColor color) {
  if (!(sx > 0 && sy > 0) || mode > 3) return;
  if (flip > 3) flip = 0;
  const RECT bounds{0, 0, t.GetWidth(), t.GetHeight()};
  RECT src, dst;
  if (!ClipScaledBlitRects(out.clip, bounds, x, y, srcX, srcY, srcW, srcH, sx, sy, &src, &dst)) return;
  if (src.right - src.left < 1 || src.bottom - src.top < 1) return;
  const int64_t columns = std::min<int64_t>(int64_t(float(src.right - src.left) * sx), dst.right - dst.left);
  const int64_t rows = std::min<int64_t>(int64_t(float(src.bottom - src.top) * sy), dst.bottom - dst.top);
  const int64_t stepX = int64_t((1.0 / sx) * 4096);
  const int64_t stepY = int64_t((1.0 / sy) * 4096);
  for (int64_t j = 0; j < rows; ++j) {
    int64_t row = (flip & 2) ? ((int64_t(src.bottom) << 12) - 1 - j * stepY) >> 12
                             : ((int64_t(src.top) << 12) + j * stepY) >> 12;
    row = std::clamp<int64_t>(row, src.top, src.bottom - 1);
    for (int64_t i = 0; i < columns; ++i) {
      int64_t col = (flip & 1) ? ((int64_t(src.right) << 12) - 1 - i * stepX) >> 12
                               : ((int64_t(src.left) << 12) + i * stepX) >> 12;
      col = std::clamp<int64_t>(col, src.left, src.right - 1);
      Pixel555& d = out.pixels[(dst.top + j) * out.width + dst.left + i];
      d = Blend(false, mode, KindOf(t), color, t.GetPixelRow(int(row))[col], d,
                AlphaAt(t, int(col), int(row)), t.GetColorKey16());
    }
  }
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
  const int w = right - left, h = bottom - top;
  if (w < 1 || h < 1) return;
  LONG bw, bh, mx0, my0;
  GetRotatedBounds(LONG(float(w) * sx), LONG(float(h) * sy), &bw, &bh, turned, &mx0, &my0);
  const int boxLeft = x - (bw >> 1), boxTop = y - (bh >> 1);
  const int startX = std::max<int>(boxLeft, out.clip.left), startY = std::max<int>(boxTop, out.clip.top);
  const int64_t mx = mx0 + (startX - boxLeft), my = my0 + (startY - boxTop);
  const int64_t cosStep = int64_t(std::cos(turned) * 65536.0f / sx);
  const int64_t sinStep = int64_t(std::sin(turned) * 65536.0f / sy);
  const int64_t u0 = int64_t(float(cosStep * mx + sinStep * my) - 32768.0f / sx);
  const int64_t v0 = int64_t(float(cosStep * my - sinStep * mx) - 32768.0f / sy);
  for (int dy = startY; dy <= boxTop + bh && dy < out.clip.bottom; ++dy) {
    for (int dx = startX; dx <= boxLeft + bw && dx < out.clip.right; ++dx) {
      const int64_t i = dx - startX, k = dy - startY;
      const int64_t u = u0 + i * cosStep + k * sinStep;
      const int64_t v = v0 + k * cosStep - i * sinStep;
      int64_t col = (u >> 16) + left, row = (v >> 16) + top;
      if (col < left || col >= right || row < top || row >= bottom) continue;
      if (flip & 1) col = left + right - 1 - col;
      if (flip & 2) row = top + bottom - 1 - row;
      Pixel555& d = out.pixels[dy * out.width + dx];
      d = Blend(true, mode, KindOf(t), color, t.GetPixelRow(int(row))[col], d, AlphaAt(t, int(col), int(row)),
                t.GetColorKey16());
    }
  }
}

// A render target over a surface of random pixels, with a clip rectangle.
struct Target {
  CTSGDIRenderTarget target;
  CTSGDITexture* surface = new CTSGDITexture;

  Target(int width, int height, const RECT& clip, std::mt19937& rng) {
    EXPECT_TRUE(surface->Allocate(width, height, TEXTURE_FORMAT_X1R5G5B5, 0));
    for (int i = 0; i < width * height; ++i) surface->GetPixelRow(0)[i] = Pixel555(rng() & 0x7FFF);
    target.SetSurface(surface);
    target.SetWidth(width);
    target.SetHeight(height);
    target.SetClipRect(&clip);
  }
  Surface Snapshot() const {
    RECT clip;
    target.GetClipRect(&clip);
    const Pixel555* p = surface->GetPixelRow(0);
    return Surface{std::vector<Pixel555>(p, p + surface->GetWidth() * surface->GetHeight()),
                   surface->GetWidth(), surface->GetHeight(), clip};
  }
};

// A texture of the kind, random pixels; keyed ones have many key pixels,
// alpha planes many 0 and 255 bytes.
inline void FillTexture(CTSGDITexture& t, int width, int height, Kind kind, std::mt19937& rng) {
  ASSERT_TRUE(
      t.Allocate(width, height, kind == ALPHA ? TEXTURE_FORMAT_X1R5G5B5_ALPHA8 : TEXTURE_FORMAT_X1R5G5B5, 0));
  const Pixel555 key = Pixel555(rng() & 0x7FFF);
  t.SetColorKey(kind == PLAIN ? CTSColor(0xFF000000 | rng())
                              : CTSColor(BYTE(rng() % 255), BYTE((key >> 10) << 3),
                                         BYTE(((key >> 5) & 31) << 3), BYTE((key & 31) << 3)));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) t.GetPixelRow(y)[x] = rng() % 3 == 0 ? key : Pixel555(rng() & 0x7FFF);
    if (BYTE* a = t.GetAlphaRow(y)) {
      for (int x = 0; x < width; ++x) {
        const unsigned pick = rng() % 4;
        a[x] = pick == 0 ? 0 : pick == 1 ? 255 : BYTE(rng());
      }
    }
  }
}

inline CTSColor RandomColor(std::mt19937& rng) {
  const unsigned pick = rng() % 6;
  const DWORD alpha = pick == 0 ? 0 : pick == 1 ? 255 : pick == 2 ? 128 : rng() & 0xFF;
  const DWORD rgb = rng() % 3 == 0 ? 0xFFFFFF : rng() & 0xFFFFFF;
  return CTSColor((alpha << 24) | rgb);
}

// Pixels outside the clip rectangle that differ between a and b.
inline int ChangedOutsideClip(const Surface& a, const Surface& b) {
  int changed = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      const bool inside = x >= a.clip.left && x < a.clip.right && y >= a.clip.top && y < a.clip.bottom;
      if (!inside && a.pixels[y * a.width + x] != b.pixels[y * a.width + x]) ++changed;
    }
  return changed;
}

}  // namespace xref
