// The instruction path choice, and the block copies and fills on every path,
// byte-exact against memcpy and memset with guard bytes on both sides.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "tests/graphics/PipelinePaths.h"

namespace {

TEST(PipelineTest, TheWidestPathIsChosenAndOthersCanBeForced) {
  EXPECT_TRUE(IsPixelPipelineSupported());
  const std::vector<TSInstructionPath> paths = AvailablePaths();
  ASSERT_FALSE(paths.empty());
  EXPECT_EQ(GetInstructionPath(), paths.back());
#if defined(__x86_64__)
  EXPECT_EQ(paths.size(), __builtin_cpu_supports("avx2") ? 3u : 2u);
  ForEachPath([](TSInstructionPath path) { EXPECT_EQ(GetInstructionPath(), path); });
  EXPECT_EQ(GetInstructionPath(), paths.back());
#endif
}

TEST(PipelineTest, CopiesAndFillsMatchMemcpyAndMemset) {
  constexpr size_t kGuard = 64;
  std::mt19937 rng(11);
  ForEachPath([&](TSInstructionPath path) {
    for (size_t n = 0; n <= 300; ++n) {
      const size_t offset = rng() % 8;
      std::vector<BYTE> src(n + 2 * kGuard), dst(n + 2 * kGuard);
      for (BYTE& b : src) b = BYTE(rng());
      for (BYTE& b : dst) b = BYTE(rng());
      std::vector<BYTE> expected = dst;
      std::memcpy(expected.data() + kGuard, src.data() + offset, n);
      FastCopy(dst.data() + kGuard, src.data() + offset, n);
      ASSERT_EQ(dst, expected) << PathName(path) << " copy of " << n;

      const BYTE value = BYTE(rng());
      std::memset(expected.data() + kGuard + offset, value, n);
      FastFill8(dst.data() + kGuard + offset, value, n);
      ASSERT_EQ(dst, expected) << PathName(path) << " fill of " << n;

      std::vector<Pixel555> pixels(n + 2 * kGuard);
      for (Pixel555& p : pixels) p = Pixel555(rng());
      std::vector<Pixel555> expectedPixels = pixels;
      const Pixel555 pixel = Pixel555(rng() & 0x7FFF);
      std::fill_n(expectedPixels.begin() + kGuard + offset, n, pixel);
      FastFill16(pixels.data() + kGuard + offset, pixel, n);
      ASSERT_EQ(pixels, expectedPixels) << PathName(path) << " fill of " << n << " pixels";
    }
  });
}

}  // namespace
