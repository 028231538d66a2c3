// The add and subtract tables, entry by entry, and the three pixel mixers
// against their channel formulas.
#include <gtest/gtest.h>

#include "engine/graphics/software/TSBlendTables.h"
#include "tests/graphics/BlitReference.h"

namespace {

TEST(BlendTablesTest, EveryEntryFollowsItsFormula) {
  int wrong = 0;
  for (int i = 0; i < 32; ++i)
    for (int j = 0; j < 32; ++j)
      for (int r = 0; r < 32; ++r)
        for (int n = 0; n < 32; ++n) {
          const size_t at = (size_t(i) << 15) | (j << 10) | (r << 5) | n;
          wrong += g_blendTables.GetAddTable()[at] != std::min(31, (i * r + j * n) / 32);
          wrong += g_blendTables.GetSubTable()[at] != std::max(0, i * r - j * n) / 32;
        }
  EXPECT_EQ(wrong, 0);
}

// Over random pixels, with bit 15 set at random (it must not leak), and weights.
TEST(BlendTablesTest, MixersMatchTheChannelFormulas) {
  std::mt19937 rng(11);
  for (int n = 0; n < 200000; ++n) {
    const Pixel555 s = Pixel555(rng()), d = Pixel555(rng());
    const unsigned w = rng() % 33, ws = rng() % 32, wd = rng() % 32;
    ASSERT_EQ(Lerp555(s, d, w), blitref::Lerp(s, d, w)) << s << " " << d << " " << w;
    ASSERT_EQ(BlendAdd555(s, d, ws, wd), blitref::Add(s, d, ws, wd))
        << s << " " << d << " " << ws << " " << wd;
    ASSERT_EQ(BlendSub555(s, d, ws, wd), blitref::Sub(s, d, ws, wd))
        << s << " " << d << " " << ws << " " << wd;
  }
}

}  // namespace
