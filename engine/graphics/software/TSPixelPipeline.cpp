#include "engine/graphics/software/TSPixelPipeline.h"

#include <initializer_list>

#include "engine/graphics/software/TSBlitKernels.h"

namespace {

bool HasPath(TSInstructionPath path) {
  switch (path) {
    case TSInstructionPath::Portable:
      return true;
#if defined(__x86_64__)
    case TSInstructionPath::SSE2:
      return true;
    case TSInstructionPath::AVX2:
      return __builtin_cpu_supports("avx2");
#endif
    default:
      return false;
  }
}

const TSPipelineKernels& KernelsOf(TSInstructionPath path) {
  switch (path) {
#if defined(__x86_64__)
    case TSInstructionPath::SSE2:
      return GetSse2Kernels();
    case TSInstructionPath::AVX2:
      return GetAvx2Kernels();
#endif
    default:
      return GetPortableKernels();
  }
}

struct PathChoice {
  TSInstructionPath path;
  const TSPipelineKernels* kernels;
};

PathChoice& CurrentPath() {
  static PathChoice choice = [] {
    TSInstructionPath best = TSInstructionPath::Portable;
    for (TSInstructionPath path : {TSInstructionPath::SSE2, TSInstructionPath::AVX2})
      if (HasPath(path)) best = path;
    return PathChoice{best, &KernelsOf(best)};
  }();
  return choice;
}

}  // namespace

const TSPipelineKernels& GetPipelineKernels() { return *CurrentPath().kernels; }

void FastCopy(void* dst, const void* src, size_t bytes) { GetPipelineKernels().copy(dst, src, bytes); }

void FastFill8(void* dst, BYTE value, size_t bytes) { GetPipelineKernels().fill8(dst, value, bytes); }

void FastFill16(Pixel555* dst, Pixel555 value, size_t count) {
  GetPipelineKernels().fill16(dst, value, count);
}

bool IsPixelPipelineSupported() {
#if defined(__x86_64__)
  return __builtin_cpu_supports("sse2");
#else
  return true;
#endif
}

TSInstructionPath GetInstructionPath() { return CurrentPath().path; }

bool SetInstructionPath(TSInstructionPath path) {
  if (!HasPath(path)) return false;
  CurrentPath() = PathChoice{path, &KernelsOf(path)};
  return true;
}
