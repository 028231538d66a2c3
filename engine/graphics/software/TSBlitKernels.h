// What the blitter hands to the loops of one instruction path: a clipped draw
// and the tables of specialised loops. Internal to the pipeline.
#pragma once

#include <cstddef>

#include "engine/graphics/software/TSPixel555.h"

// One clipped draw. src and alpha point at the clipped source rectangle's
// left edge in the first row to be read (the bottom row when flipped
// vertically, with negative pitches); a mirrored loop reads each row from
// its right end. Pitches are in elements.
struct TSBlitJob {
  Pixel555* dst;
  ptrdiff_t dstPitch;
  const Pixel555* src;
  ptrdiff_t srcPitch;
  const BYTE* alpha;
  ptrdiff_t alphaPitch;
  int width;
  int height;
  Pixel555 key;     // compared with the raw source pixel
  Pixel555 mask;    // colour mask of the draw
  unsigned alpha8;  // constant alpha of the draw, 0..255
};

typedef void (*TSBlitLoop)(const TSBlitJob& job);

// Source kinds, in order of precedence.
enum TSSourceKind { SOURCE_PLAIN = 0, SOURCE_KEYED = 1, SOURCE_ALPHA = 2 };

// Loop index for blend mode 0..3, source kind and whether the constant alpha
// is below 255.
constexpr int BlitCaseIndex(unsigned mode, TSSourceKind kind, bool translucent) {
  return int((mode * 2 + (translucent ? 1 : 0)) * 3 + kind);
}
constexpr int BLIT_CASE_COUNT = 24;

struct TSPipelineKernels {
  TSBlitLoop blit[2][BLIT_CASE_COUNT];  // [mirrored][case]
  void (*copy)(void* dst, const void* src, size_t bytes);
  void (*fill8)(void* dst, BYTE value, size_t bytes);
  void (*fill16)(Pixel555* dst, Pixel555 value, size_t count);
};

const TSPipelineKernels& GetPortableKernels();
#if defined(__x86_64__)
const TSPipelineKernels& GetSse2Kernels();
const TSPipelineKernels& GetAvx2Kernels();
#endif

// The kernels of the current instruction path.
const TSPipelineKernels& GetPipelineKernels();
