#include <gtest/gtest.h>

#include "tests/graphics/PipelinePaths.h"

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
