// A plain per-pixel model of sprite drawing, written from the blend formulas
// and the clipping rules, for the blitter tests to compare with.
#pragma once

#include <algorithm>
#include <vector>

#include "engine/graphics/software/TSGDIRenderTarget.h"

namespace blitref {

// One channel (0 red, 1 green, 2 blue) of a pixel as a 5-bit value.
inline unsigned Channel(unsigned p, int channel) {
  switch (channel) {
    case 0:
      return (p & 0x7C00) >> 10;
    case 1:
      return (p & 0x03E0) >> 5;
    default:
      return p & 0x001F;
  }
}

enum Kind { PLAIN, KEYED, ALPHA };

// The new destination pixel for source s (alpha a) over destination d.
inline Pixel555 Blend(unsigned mode, Kind kind, unsigned A, Pixel555 m, Pixel555 s, Pixel555 d, unsigned a,
                      WORD key) {
  const bool keyed = kind == KEYED && s == key;
  if (keyed && mode != 1) return d;
  const unsigned sm = s & m;
  unsigned out[3];
  for (int ch = 0; ch < 3; ++ch) {
    const unsigned cs = Channel(s, ch), csm = Channel(sm, ch), cd = Channel(d, ch);
    unsigned v = 0;
    if (mode == 0) {
      v = kind == ALPHA ? (cs * a + cd * (256 - a)) >> 8 : cs;
    } else if (mode == 1) {
      if (kind == ALPHA) {
        const unsigned e = (a * A) >> 8;
        v = (csm * e + cd * (256 - e)) >> 8;
      } else {
        const unsigned alpha = keyed ? 0 : A;
        v = (csm * (alpha >> 3) + cd * ((256 - alpha) >> 3)) >> 5;
      }
    } else if (mode == 2) {
      if (A == 255) {
        v = kind == ALPHA ? std::min(31u, ((csm * (a >> 3)) >> 5) + cd) : std::min(31u, csm + cd);
      } else if (kind == ALPHA) {
        const unsigned e = (a * A) >> 11;
        v = std::min(31u, ((csm * e) >> 5) + cd);
      } else {
        v = std::min(255u, ((csm * 8 * A) >> 8) + cd * 8) >> 3;
      }
    } else {
      int r;
      if (A == 255) {
        r = kind == ALPHA ? int(cd) - int((csm * (a >> 3)) >> 5) : int(cd) - int(csm);
      } else if (kind == ALPHA) {
        r = int(cd) - int((((csm * (a >> 3)) >> 5) * A) >> 8);
      } else {
        r = int(cd) - int((csm * A) >> 8);
      }
      v = unsigned(std::max(0, r));
    }
    out[ch] = v;
  }
  return Pixel555((out[0] << 10) | (out[1] << 5) | out[2]);
}

// DrawSprite onto pixels (width x height) within clip, pixel by pixel: the
// source rectangle is cut to the texture, placed with its cut corner at
// (x, y), and every source pixel whose destination falls inside the clip is
// kept; mirroring then reverses the kept columns and rows.
inline void Draw(std::vector<Pixel555>& pixels, int width, const RECT& clip, const CTSGDITexture& texture,
                 int x, int y, int srcX, int srcY, int srcW, int srcH, unsigned mode, unsigned flip,
                 CTSColor color) {
  if (srcW < 1 || srcH < 1 || mode > 3 || flip > 3) return;
  const int left = std::max(srcX, 0), top = std::max(srcY, 0);
  const int right = std::min(srcX + srcW, texture.GetWidth()),
            bottom = std::min(srcY + srcH, texture.GetHeight());
  std::vector<int> cols, rows;
  for (int u = left; u < right; ++u)
    if (x + u - left >= clip.left && x + u - left < clip.right) cols.push_back(u);
  for (int v = top; v < bottom; ++v)
    if (y + v - top >= clip.top && y + v - top < clip.bottom) rows.push_back(v);
  const Kind kind = texture.GetAlphaRow(0) != nullptr         ? ALPHA
                    : texture.GetColorKey16() != NO_COLOR_KEY ? KEYED
                                                              : PLAIN;
  const WORD key = texture.GetColorKey16();
  const Pixel555 m = ColorToPixel555(color);
  const size_t n = cols.size(), rowCount = rows.size();
  for (size_t j = 0; j < rowCount; ++j) {
    const int sv = (flip & 2) ? rows[rowCount - 1 - j] : rows[j];
    for (size_t i = 0; i < n; ++i) {
      const int su = (flip & 1) ? cols[n - 1 - i] : cols[i];
      Pixel555& d = pixels[size_t(y + rows[j] - top) * width + size_t(x + cols[i] - left)];
      const unsigned a = kind == ALPHA ? texture.GetAlphaRow(sv)[su] : 255;
      d = Blend(mode, kind, color.GetAlpha(), m, texture.GetPixelRow(sv)[su], d, a, key);
    }
  }
}

}  // namespace blitref
