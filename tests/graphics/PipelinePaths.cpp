#include "tests/graphics/PipelinePaths.h"

#include <gtest/gtest.h>

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

TEST(PipelinePathsTest, BestPathIsChosenAndBaselineCanBeForced) {
  EXPECT_TRUE(IsPixelPipelineSupported());
  const std::vector<TSInstructionPath> paths = AvailablePaths();
  ASSERT_FALSE(paths.empty());
  // The default is the widest path available.
  EXPECT_EQ(GetInstructionPath(), paths.back());
#if defined(__x86_64__)
  ASSERT_GE(paths.size(), 2u);
  EXPECT_EQ(paths[1], TSInstructionPath::SSE2);
  EXPECT_EQ(paths.size() == 3, __builtin_cpu_supports("avx2") != 0);
  const TSInstructionPath original = GetInstructionPath();
  EXPECT_TRUE(SetInstructionPath(TSInstructionPath::SSE2));
  EXPECT_EQ(GetInstructionPath(), TSInstructionPath::SSE2);
  SetInstructionPath(original);
#endif
}
