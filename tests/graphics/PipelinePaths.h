// Runs pixel tests on every instruction path the processor has.
#pragma once

#include <vector>

#include "engine/graphics/software/TSPixelPipeline.h"

// The paths this processor can run; the portable one always.
std::vector<TSInstructionPath> AvailablePaths();
const char* PathName(TSInstructionPath path);

// Selects each available path in turn for body(path) and restores the
// original path afterwards.
template <class Body>
void ForEachPath(Body body) {
  const TSInstructionPath original = GetInstructionPath();
  for (TSInstructionPath path : AvailablePaths()) {
    SetInstructionPath(path);
    body(path);
  }
  SetInstructionPath(original);
}
