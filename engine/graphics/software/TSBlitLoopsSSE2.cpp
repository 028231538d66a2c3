// The loops on SSE2, which every x86-64 processor has.
#include "engine/graphics/software/TSBlitLoops.h"

const TSPipelineKernels& GetSse2Kernels() {
  static const TSPipelineKernels kernels = MakeKernels<Sse2Lanes>();
  return kernels;
}
