// The add and subtract tables and the three pixel mixers against their
// formulas, and the tables' refusal to start without memory.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <random>

#include "engine/graphics/software/TSBlendTables.h"
#include "engine/object/TSCustomException.h"
#include "tests/graphics/transform/TransformReference.h"

// Array allocations of 1 MB or more fail while this is set; everything else
// goes to the usual allocator.
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
  ASSERT_NE(add, nullptr);
  ASSERT_NE(sub, nullptr);
  int wrong = 0;
  for (int i = 0; i < 32; ++i)
    for (int j = 0; j < 32; ++j)
      for (int r = 0; r < 32; ++r)
        for (int n = 0; n < 32; ++n) {
          const size_t at = (size_t(i) << 15) | (j << 10) | (r << 5) | n;
          const int sum = (i * r + j * n) / 32;
          const int diff = i * r - j * n;
          if (add[at] != std::min(31, sum)) ++wrong;
          if (sub[at] != (diff < 0 ? 0 : diff / 32)) ++wrong;
        }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(add[CTSBlendTables::Index(31, 31, 31, 31)], 31);  // 60, clamped
  EXPECT_EQ(sub[CTSBlendTables::Index(0, 31, 31, 31)], 0);
  EXPECT_EQ(sub[CTSBlendTables::Index(31, 0, 31, 0)], 30);
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
  EXPECT_EQ(Lerp555(0x7FFF, 0, 32), 0x7FFF);
  EXPECT_EQ(Lerp555(0x7FFF, 0, 31), 0x7BDE);  // 30 per channel
  EXPECT_EQ(Lerp555(0x7FFF, 0x1234, 0), 0x1234);
  // The destination weight 31 scales a destination even under a zero source.
  EXPECT_EQ(BlendAdd555(0, 0x7FFF, 0, 31), 0x7BDE);
  EXPECT_EQ(BlendSub555(0, 0x7FFF, 0, 31), 0x7BDE);
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
  // The process-wide tables are untouched; a second set equals them.
  CTSBlendTables again;
  EXPECT_EQ(std::memcmp(again.GetAddTable(), g_blendTables.GetAddTable(), CTSBlendTables::TABLE_SIZE), 0);
  EXPECT_EQ(std::memcmp(again.GetSubTable(), g_blendTables.GetSubTable(), CTSBlendTables::TABLE_SIZE), 0);
}

}  // namespace
