// Plain per-pixel models of the scaled and the turned sprite draw, written
// from the stepping and blending rules, for the tests to compare with.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/graphics/software/TSBlitRect.h"
#include "tests/graphics/BlitReference.h"

namespace xref {

using namespace blitref;

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

// The new destination pixel d for source pixel s with alpha byte a. The
// scaler copies the raw source in mode 0, masks only when the colour is not
// white and compares the key with the raw source; the rotator masks always,
// compares the key with the masked source and takes modes above 3 as 0.
inline Pixel555 Blend(bool rotator, unsigned mode, Kind kind, CTSColor color, Pixel555 s, Pixel555 d,
                      unsigned a, WORD key) {
  const Pixel555 sm = Pixel555(s & Mask(color));
  if (rotator && mode > 3) mode = 0;
  if (kind == KEYED && (rotator ? sm : s) == key) return d;
  const unsigned W = color.GetAlpha() >> 3, w = kind == ALPHA ? (a * W) >> 8 : W;
  const Pixel555 masked = rotator || (color.GetARGB() & 0xFFFFFF) != 0xFFFFFF ? sm : s;
  const Pixel555 copied = rotator ? sm : s;
  switch (mode) {
    case 0:
      return kind == ALPHA ? Lerp(copied, d, a >> 3) : copied;
    case 1:
      return Lerp(masked, d, w);
    case 2:
      return Add(masked, d, w, 31);
    default:
      return Sub(masked, d, w, 31);
  }
}

inline void Put(Surface& out, const CTSGDITexture& t, bool rotator, int dx, int dy, int64_t col, int64_t row,
                unsigned mode, CTSColor color) {
  Pixel555& d = out.pixels[size_t(dy) * out.width + size_t(dx)];
  const unsigned a = t.GetAlphaRow(int(row)) != nullptr ? t.GetAlphaRow(int(row))[col] : 0;
  d = Blend(rotator, mode, KindOf(t), color, t.GetPixelRow(int(row))[col], d, a, t.GetColorKey16());
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
  if (!ClipScaledBlitRects(out.Cut(), bounds, x, y, srcX, srcY, srcW, srcH, sx, sy, &src, &dst)) return;
  if (src.right - src.left < 1 || src.bottom - src.top < 1) return;
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
  const int startX = std::max<int>(boxLeft, out.Cut().left), startY = std::max<int>(boxTop, out.Cut().top);
  const int64_t mx = mx0 + (startX - boxLeft), my = my0 + (startY - boxTop);
  const int64_t cosStep = int64_t(std::cos(turned) * 65536.0f / sx);
  const int64_t sinStep = int64_t(std::sin(turned) * 65536.0f / sy);
  const int64_t u0 = int64_t(float(cosStep * mx + sinStep * my) - 32768.0f / sx);
  const int64_t v0 = int64_t(float(cosStep * my - sinStep * mx) - 32768.0f / sy);
  for (int dy = startY; dy <= boxTop + bh && out.InRow(dy); ++dy)
    for (int dx = startX; dx <= boxLeft + bw && out.InColumn(dx); ++dx) {
      const int64_t i = dx - startX, k = dy - startY;
      int64_t col = ((u0 + i * cosStep + k * sinStep) >> 16) + left,
              row = ((v0 + k * cosStep - i * sinStep) >> 16) + top;
      if (col < left || col >= right || row < top || row >= bottom) continue;
      if (flip & 1) col = left + right - 1 - col;
      if (flip & 2) row = top + bottom - 1 - row;
      Put(out, t, true, dx, dy, col, row, mode, color);
    }
}

}  // namespace xref
