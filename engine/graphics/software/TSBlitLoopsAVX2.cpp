// The loops on AVX2. This file alone is compiled for AVX2; it runs only where
// the processor reports the instructions.
#include "engine/graphics/software/TSBlitLoops.h"

const TSPipelineKernels& GetAvx2Kernels() {
  static const TSPipelineKernels kernels = MakeKernels<Avx2Lanes>();
  return kernels;
}
