// Block copies and fills on every instruction path, byte-exact against
// memcpy and memset, with guard bytes on both sides.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "tests/graphics/PipelinePaths.h"

namespace {

constexpr size_t kGuard = 64;

TEST(FastFillTest, CopyAndFill8MatchMemcpyAndMemset) {
  std::mt19937 rng(11);
  ForEachPath([&](TSInstructionPath path) {
    SCOPED_TRACE(PathName(path));
    for (size_t n = 0; n <= 300; ++n) {
      const size_t offset = rng() % 8;
      std::vector<BYTE> src(n + 2 * kGuard), dst(n + 2 * kGuard), expected;
      for (BYTE& b : src) b = BYTE(rng());
      for (BYTE& b : dst) b = BYTE(rng());
      expected = dst;
      std::memcpy(expected.data() + kGuard, src.data() + offset, n);
      FastCopy(dst.data() + kGuard, src.data() + offset, n);
      ASSERT_EQ(dst, expected) << "copy of " << n;

      const BYTE value = BYTE(rng());
      std::memset(expected.data() + kGuard + offset, value, n);
      FastFill8(dst.data() + kGuard + offset, value, n);
      ASSERT_EQ(dst, expected) << "fill of " << n;
    }
  });
}

TEST(FastFillTest, Fill16WritesExactlyCountPixels) {
  std::mt19937 rng(12);
  ForEachPath([&](TSInstructionPath path) {
    SCOPED_TRACE(PathName(path));
    for (size_t count = 0; count <= 200; ++count) {
      std::vector<Pixel555> dst(count + 2 * kGuard);
      for (Pixel555& p : dst) p = Pixel555(rng());
      std::vector<Pixel555> expected = dst;
      const Pixel555 value = Pixel555(rng() & 0x7FFF);
      for (size_t i = 0; i < count; ++i) expected[kGuard + i] = value;
      FastFill16(dst.data() + kGuard, value, count);
      ASSERT_EQ(dst, expected) << "count " << count;
    }
    // 33 pixels: 32 by blocks and one by the tail; 0 writes nothing.
    std::vector<Pixel555> row(40, 0x1234);
    FastFill16(row.data() + 1, 0x7C1F, 33);
    EXPECT_EQ(row[0], 0x1234);
    EXPECT_EQ(row[33], 0x7C1F);
    EXPECT_EQ(row[34], 0x1234);
    FastFill16(row.data(), 0x0001, 0);
    EXPECT_EQ(row[0], 0x1234);
  });
}

}  // namespace
