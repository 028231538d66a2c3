// The scaler's column picking and row blends on AVX2. This file alone is
// compiled for AVX2; it runs only where the processor reports the
// instructions.
#include <immintrin.h>

#include <algorithm>
#include <cstdlib>

#include "engine/graphics/software/TSScaleColumns.h"

void PlanScaleColumnsAvx2(TSScaleColumns& columns, INT sourceWidth) {
  columns.vectorCount = 0;
  const int groups = columns.count / 16 * 2;
  if (groups == 0) return;
  // Columns run monotonically, so a group's ends are its extremes. The
  // widest spread of a group of eight decides between one 8-pixel window and
  // two; windows are moved left where needed to stay inside the row.
  const INT* column = columns.column;
  int spread = 0;
  for (int g = 0; g < groups; ++g)
    spread = std::max(spread, int(std::abs(column[g * 8 + 7] - column[g * 8])));
  const int window = spread < 8 ? 8 : 16;
  if (spread >= 16 || sourceWidth < window) return;
  columns.wide = window == 16;
  for (int g = 0; g < groups; ++g)
    columns.base[g] = std::min({column[g * 8], column[g * 8 + 7], INT(sourceWidth - window)});

  // Regular: windows a fixed stride apart, and every step picking the same
  // offsets from its windows as the first, whose picks then serve for all.
  columns.stride = columns.base[1] - columns.base[0];
  columns.regular = true;
  for (int g = 1; g < groups && columns.regular; ++g)
    columns.regular = columns.base[g] - columns.base[g - 1] == columns.stride;
  for (int i = 16; i < groups * 8 && columns.regular; ++i)
    columns.regular = column[i] - columns.base[i / 8] == column[i % 16] - columns.base[(i % 16) / 8];

  const int planned = columns.regular ? 2 : groups;
  for (int g = 0; g < planned; ++g) {
    // Group g fills lane g % 2 of step g / 2; a wide step keeps the picks
    // from the first half-window, then those from the second.
    BYTE* picks = columns.shuffle + (g / 2) * (columns.wide ? 64 : 32) + (g % 2) * 16;
    for (int k = 0; k < 8; ++k) {
      const int at = column[g * 8 + k] - columns.base[g];
      const bool second = at >= 8;
      BYTE* own = second ? picks + 32 : picks;
      own[2 * k] = BYTE((at % 8) * 2);
      own[2 * k + 1] = BYTE((at % 8) * 2 + 1);
      if (columns.wide) {
        BYTE* unused = second ? picks : picks + 32;
        unused[2 * k] = 0x80;  // a set top bit picks zero
        unused[2 * k + 1] = 0x80;
      }
    }
  }
  columns.vectorCount = groups * 8;
}

namespace {

// Eight pixels from lo in the low lane, eight from hi in the high one.
__m256i LoadPair(const Pixel555* lo, const Pixel555* hi) {
  return _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lo))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(hi)), 1);
}

__m256i LoadPicks(const BYTE* p) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(p)); }

// Sixteen pixels a step. A regular plan repeats its first step's picks with
// windows a fixed stride apart, so nothing of the plan is read in the loop.
template <bool kWide, bool kRegular>
void PickGroups(Pixel555* dst, const Pixel555* srcRow, const TSScaleColumns& columns) {
  constexpr int kStepBytes = kWide ? 64 : 32;
  const int vectorCount = columns.vectorCount;
  const INT* base = columns.base;
  const BYTE* shuffle = columns.shuffle;
  const ptrdiff_t stride = columns.stride;
  __m256i first = LoadPicks(shuffle);
  __m256i second = kWide ? LoadPicks(shuffle + 32) : _mm256_setzero_si256();
  const Pixel555* lo = srcRow + base[0];
  for (int i = 0; i < vectorCount; i += 16) {
    if constexpr (kRegular) {
      lo = srcRow + base[0] + (i / 8) * stride;
    } else {
      lo = srcRow + base[i / 8];
      first = LoadPicks(shuffle + (i / 16) * kStepBytes);
      if constexpr (kWide) second = LoadPicks(shuffle + (i / 16) * kStepBytes + 32);
    }
    const Pixel555* hi = kRegular ? lo + stride : srcRow + base[i / 8 + 1];
    __m256i out = _mm256_shuffle_epi8(LoadPair(lo, hi), first);
    if constexpr (kWide) out = _mm256_or_si256(out, _mm256_shuffle_epi8(LoadPair(lo + 8, hi + 8), second));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), out);
  }
}

}  // namespace

void PickScaleColumnsAvx2(Pixel555* dst, const Pixel555* srcRow, const TSScaleColumns& columns) {
  if (columns.vectorCount > 0) {
    if (columns.wide) {
      (columns.regular ? PickGroups<true, true> : PickGroups<true, false>)(dst, srcRow, columns);
    } else {
      (columns.regular ? PickGroups<false, true> : PickGroups<false, false>)(dst, srcRow, columns);
    }
  }
  for (int i = columns.vectorCount; i < columns.count; ++i) dst[i] = srcRow[columns.column[i]];
}

const TSScaleRows& GetScaleRowsAvx2() {
  static const TSScaleRows rows = MakeScaleRows<Avx2Lanes>();
  return rows;
}
