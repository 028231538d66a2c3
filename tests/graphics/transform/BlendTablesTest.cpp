// The add and subtract tables, entry by entry, and the three pixel mixers
// against their channel formulas; the tables refuse to start without memory.
#include <gtest/gtest.h>

#include <cstring>
#include <new>

#include "engine/graphics/software/TSBlendTables.h"
#include "engine/object/TSCustomException.h"
#include "tests/graphics/transform/TransformReference.h"

// Array allocations of 1 MB or more fail while this is set.
static bool g_refuseLargeArrays = false;

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (g_refuseLargeArrays && size >= CTSBlendTables::TABLE_SIZE) return nullptr;
  try {
    return ::operator new[](size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

namespace {

TEST(BlendTablesTest, EveryEntryFollowsItsFormula) {
  const BYTE* add = g_blendTables.GetAddTable();
  const BYTE* sub = g_blendTables.GetSubTable();
  int wrong = 0;
  for (int i = 0; i < 32; ++i)
    for (int j = 0; j < 32; ++j)
      for (int r = 0; r < 32; ++r)
        for (int n = 0; n < 32; ++n) {
          const size_t at = (size_t(i) << 15) | (j << 10) | (r << 5) | n;
          wrong += add[at] != std::min(31, (i * r + j * n) / 32);
          wrong += sub[at] != std::max(0, i * r - j * n) / 32;
        }
  EXPECT_EQ(wrong, 0);
}

TEST(BlendTablesTest, MixersMatchTheChannelFormulas) {
  std::mt19937 rng(11);
  for (int n = 0; n < 200000; ++n) {
    // Bit 15 of either pixel must not leak into the result.
    const Pixel555 s = Pixel555(rng()), d = Pixel555(rng());
    const unsigned w = rng() % 33, ws = rng() % 32, wd = rng() % 32;
    ASSERT_EQ(Lerp555(s, d, w), xref::Lerp(s, d, w)) << s << " " << d << " " << w;
    ASSERT_EQ(BlendAdd555(s, d, ws, wd), xref::Add(s, d, ws, wd)) << s << " " << d << " " << ws << " " << wd;
    ASSERT_EQ(BlendSub555(s, d, ws, wd), xref::Sub(s, d, ws, wd)) << s << " " << d << " " << ws << " " << wd;
  }
  // Hand-worked: 31 x 31 >> 5 is 30, and 0 weights leave the other side.
  EXPECT_EQ(Lerp555(0x7FFF, 0, 31), 0x7BDE);
  EXPECT_EQ(BlendAdd555(0, 0x7FFF, 0, 31), 0x7BDE);
  EXPECT_EQ(BlendSub555(0x7FFF, 0x7FFF, 31, 31), 0);
}

TEST(BlendTablesTest, ConstructionWithoutMemoryThrowsTheEngineException) {
  g_refuseLargeArrays = true;
  Tessel::CTSCustomException* caught = nullptr;
  try {
    CTSBlendTables tables;
  } catch (Tessel::CTSCustomException* e) {
    caught = e;
  }
  g_refuseLargeArrays = false;
  ASSERT_NE(caught, nullptr);
  EXPECT_STREQ(caught->GetErrorMessage(), "Internal error: less than 1MB blend memory");
  delete caught;
  CTSBlendTables again;  // the same tables as the process-wide ones
  EXPECT_EQ(std::memcmp(again.GetAddTable(), g_blendTables.GetAddTable(), CTSBlendTables::TABLE_SIZE), 0);
  EXPECT_EQ(std::memcmp(again.GetSubTable(), g_blendTables.GetSubTable(), CTSBlendTables::TABLE_SIZE), 0);
}

}  // namespace
