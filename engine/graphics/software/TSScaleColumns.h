// Column picking of the nearest-neighbour scaler. Every row of a scaled draw
// reads the same source columns, so they are worked out once per strip of
// output pixels, together with the shuffle plan that lets the AVX2 path pick
// sixteen pixels with two or four loads instead of sixteen. Internal to the
// pipeline.
#pragma once

#include "engine/graphics/software/TSTransformPixels.h"

struct TSScaleColumns {
  static constexpr int MAX_COUNT = 1024;  // output pixels of one strip

  int count = 0;            // output pixels of this strip
  INT column[MAX_COUNT];    // source column of each
  int vectorCount = 0;      // leading pixels the shuffle plan covers, a multiple of 16
  bool wide = false;        // each group of eight reads a 16-pixel window, else an 8-pixel one
  INT base[MAX_COUNT / 8];  // first window pixel of each group of eight
  bool regular = false;     // every step picks alike, windows stride pixels apart
  int stride = 0;
  alignas(32) BYTE shuffle[MAX_COUNT / 16 * 64];  // byte picks per 16 pixels (wide: two sets)
};

// Prepares the AVX2 shuffle plan for rows sourceWidth pixels wide; leaves
// vectorCount at 0 when the columns spread too far for it.
void PlanScaleColumnsAvx2(TSScaleColumns& columns, INT sourceWidth);
// dst[i] = srcRow[column[i]] for the strip, by the plan where it has one.
void PickScaleColumnsAvx2(Pixel555* dst, const Pixel555* srcRow, const TSScaleColumns& columns);
// The scaler's row blends on AVX2.
const TSScaleRows& GetScaleRowsAvx2();
