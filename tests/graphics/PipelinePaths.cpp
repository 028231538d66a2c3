#include "tests/graphics/PipelinePaths.h"

std::vector<TSInstructionPath> AvailablePaths() {
  std::vector<TSInstructionPath> paths;
  const TSInstructionPath original = GetInstructionPath();
  for (TSInstructionPath path :
       {TSInstructionPath::Portable, TSInstructionPath::SSE2, TSInstructionPath::AVX2})
    if (SetInstructionPath(path)) paths.push_back(path);
  SetInstructionPath(original);
  return paths;
}

const char* PathName(TSInstructionPath path) {
  switch (path) {
    case TSInstructionPath::Portable:
      return "portable";
    case TSInstructionPath::SSE2:
      return "SSE2";
    case TSInstructionPath::AVX2:
      return "AVX2";
  }
  return "?";
}
