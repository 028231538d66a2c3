// The loops in plain C++, one pixel at a time: for processors without the
// vector paths, and the reference the vector paths are compared with.
#include "engine/graphics/software/TSBlitLoops.h"

const TSPipelineKernels& GetPortableKernels() {
  static const TSPipelineKernels kernels = MakeKernels<ScalarLanes>();
  return kernels;
}
