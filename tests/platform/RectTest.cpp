#include <gtest/gtest.h>

#include "platform/Windows.h"

namespace {

bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

TEST(Rect, UnionIgnoresEmptyRectanglesAndIntersectionZeroesEmptyResults) {
  RECT a = {0, 0, 10, 10};
  RECT b = {5, 5, 20, 8};
  RECT empty = {30, 30, 30, 40};
  RECT out;
  ASSERT_TRUE(UnionRect(&out, &a, &b));
  EXPECT_TRUE(Same(out, RECT{0, 0, 20, 10}));
  ASSERT_TRUE(UnionRect(&out, &empty, &b));
  EXPECT_TRUE(Same(out, b));
  EXPECT_FALSE(UnionRect(&out, &empty, &empty));
  EXPECT_TRUE(Same(out, RECT{0, 0, 0, 0}));
  ASSERT_TRUE(IntersectRect(&out, &a, &b));
  EXPECT_TRUE(Same(out, RECT{5, 5, 10, 8}));
  RECT touching = {10, 0, 20, 10};
  EXPECT_FALSE(IntersectRect(&out, &a, &touching));
  EXPECT_TRUE(Same(out, RECT{0, 0, 0, 0}));
  EXPECT_TRUE(IsRectEmpty(&empty));
  EXPECT_TRUE(IsRectEmpty(nullptr));
  RECT inverted;
  SetRect(&inverted, 5, 5, 4, 9);
  EXPECT_TRUE(IsRectEmpty(&inverted));
  EXPECT_FALSE(EqualRect(&a, nullptr));
}

}  // namespace
