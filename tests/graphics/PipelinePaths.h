// Runs pixel tests on every instruction path the processor has.
#pragma once

#include "engine/graphics/software/TSPixelPipeline.h"

inline const char* PathName(TSInstructionPath path) {
  return path == TSInstructionPath::Portable ? "portable" : path == TSInstructionPath::SSE2 ? "SSE2" : "AVX2";
}

// Selects each path the processor has in turn, the portable one first, for
// body(path), then the original path again.
template <class Body>
void ForEachPath(Body body) {
  const TSInstructionPath original = GetInstructionPath();
  for (TSInstructionPath path :
       {TSInstructionPath::Portable, TSInstructionPath::SSE2, TSInstructionPath::AVX2})
    if (SetInstructionPath(path)) body(path);
  SetInstructionPath(original);
}
