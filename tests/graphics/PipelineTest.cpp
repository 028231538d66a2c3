// The block copies and fills on every instruction path, byte-exact against
// memcpy, memset and fill_n with guard bytes on both sides.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/graphics/PipelinePaths.h"

namespace {

TEST(PipelineTest, CopiesAndFillsMatchMemcpyMemsetAndFillN) {
  const TSInstructionPath chosen = GetInstructionPath();
  std::mt19937 rng(11);
  int paths = 0;
  ForEachPath([&](TSInstructionPath path) {
    ++paths;
    for (size_t n = 0; n <= 300; ++n) {
      const size_t at = 64 + rng() % 8;  // guards of 64 bytes or more
      std::vector<BYTE> src(n + 136), dst(n + 136), expected(n + 136);
      std::vector<Pixel555> pixels(n + 136), expectedPixels(n + 136);
      for (size_t i = 0; i < n + 136; ++i) src[i] = BYTE(rng()), dst[i] = expected[i] = BYTE(rng());
      for (size_t i = 0; i < n + 136; ++i) pixels[i] = expectedPixels[i] = Pixel555(rng());
      const BYTE value = BYTE(rng());
      const Pixel555 pixel = Pixel555(rng() & 0x7FFF);
      std::memcpy(expected.data() + 64, src.data() + at, n);
      FastCopy(dst.data() + 64, src.data() + at, n);
      std::memset(expected.data() + at + n / 3, value, n / 2);
      FastFill8(dst.data() + at + n / 3, value, n / 2);
      ASSERT_EQ(dst, expected) << PathName(path) << " copy and fill of " << n;
      std::fill_n(expectedPixels.begin() + at, n, pixel);
      FastFill16(pixels.data() + at, pixel, n);
      ASSERT_EQ(pixels, expectedPixels) << PathName(path) << " fill of " << n << " pixels";
    }
  });
  // The widest path the processor has is the one chosen.
  EXPECT_TRUE(IsPixelPipelineSupported());
  EXPECT_EQ(int(chosen), paths - 1);
#if defined(__x86_64__)
  EXPECT_EQ(paths, __builtin_cpu_supports("avx2") ? 3 : 2);
#endif
}

}  // namespace
