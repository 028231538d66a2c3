// Lookup tables for weighted add and subtract of 5-bit channels, and the three
// per-pixel mixers of the stretched and rotated blits.
#pragma once

#include <cstddef>

#include "engine/graphics/software/TSPixel555.h"

class CTSBlendTables {
 public:
  // Entries per table: one for every (i, j, r, n) of 5-bit values.
  static constexpr size_t TABLE_SIZE = size_t(1) << 20;
  static constexpr unsigned Index(unsigned i, unsigned j, unsigned r, unsigned n) {
    return (i << 15) | (j << 10) | (r << 5) | n;
  }

  // Builds both tables; throws the engine exception when memory runs out.
  CTSBlendTables();
  ~CTSBlendTables();
  CTSBlendTables(const CTSBlendTables&) = delete;
  CTSBlendTables& operator=(const CTSBlendTables&) = delete;

  // add: min(31, (i * r + j * n) >> 5); subtract: max(0, (i * r - j * n) >> 5).
  const BYTE* GetAddTable() const { return m_add; }
  const BYTE* GetSubTable() const { return m_sub; }

 private:
  BYTE* m_add = nullptr;
  BYTE* m_sub = nullptr;
};

// The process-wide tables, built by static initialisation before main runs.
extern const CTSBlendTables g_blendTables;

// Per channel (c(d) * (32 - w) + c(s) * w) >> 5, w in 0..32. The channels are
// spread so that one multiply per pixel serves all three: green moves to the
// high half, where its products cannot reach red's.
inline Pixel555 Lerp555(Pixel555 s, Pixel555 d, unsigned w) {
  const DWORD sp = ((DWORD(s) & PIXEL555_GREEN) << 16) | (s & (PIXEL555_RED | PIXEL555_BLUE));
  const DWORD dp = ((DWORD(d) & PIXEL555_GREEN) << 16) | (d & (PIXEL555_RED | PIXEL555_BLUE));
  const DWORD v = ((dp * (32 - w) + sp * w) >> 5) & 0x03E07C1F;
  return Pixel555(v | (v >> 16));
}

// Per channel min(31, (c(s) * ws + c(d) * wd) >> 5), weights in 0..31.
inline Pixel555 BlendAdd555(Pixel555 s, Pixel555 d, unsigned ws, unsigned wd) {
  const BYTE* t = g_blendTables.GetAddTable() + ((ws << 5) | wd);
  const unsigned r = t[((s & PIXEL555_RED) << 5) | (d & PIXEL555_RED)];
  const unsigned g = t[((s & PIXEL555_GREEN) << 10) | ((d & PIXEL555_GREEN) << 5)];
  const unsigned b = t[((s & PIXEL555_BLUE) << 15) | ((d & PIXEL555_BLUE) << 10)];
  return Pixel555((r << 10) | (g << 5) | b);
}

// Per channel max(0, (c(d) * wd - c(s) * ws) >> 5), weights in 0..31.
inline Pixel555 BlendSub555(Pixel555 s, Pixel555 d, unsigned ws, unsigned wd) {
  const BYTE* t = g_blendTables.GetSubTable() + ((wd << 5) | ws);
  const unsigned r = t[((d & PIXEL555_RED) << 5) | (s & PIXEL555_RED)];
  const unsigned g = t[((d & PIXEL555_GREEN) << 10) | ((s & PIXEL555_GREEN) << 5)];
  const unsigned b = t[((d & PIXEL555_BLUE) << 15) | ((s & PIXEL555_BLUE) << 10)];
  return Pixel555((r << 10) | (g << 5) | b);
}
