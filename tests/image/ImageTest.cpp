#include <gtest/gtest.h>

#include "engine/image/TSImage.h"

namespace {

TEST(Image, CreateGivesRowsTopDownAndFreeEmptiesIt) {
  CTSUsePtr<CTSImage> image(new CTSImage);
  EXPECT_FALSE(image->IsValid());
  EXPECT_EQ(image->GetScanline(0), nullptr);
  ASSERT_TRUE(image->Create(5, 3, true));
  EXPECT_TRUE(image->IsValid());
  EXPECT_TRUE(image->HasAlpha());
  EXPECT_EQ(image->GetScanline(1) - image->GetScanline(0), 5);
  EXPECT_EQ(image->GetScanline(2) - image->GetScanline(0), 10);
  EXPECT_EQ(image->GetScanline(-1), nullptr);
  EXPECT_EQ(image->GetScanline(3), nullptr);
  image->Free();
  EXPECT_EQ(image->GetWidth(), 0);
  EXPECT_EQ(image->GetHeight(), 0);
  EXPECT_FALSE(image->HasAlpha());
  EXPECT_EQ(image->GetScanline(0), nullptr);
}

TEST(Image, ImpossibleSizesLeaveItEmpty) {
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(image->Create(2, 2, false));
  for (auto [width, height] : {std::pair{0, 5}, {5, -1}, {1 << 20, 1 << 20}}) {
    EXPECT_FALSE(image->Create(width, height, true));
    EXPECT_FALSE(image->IsValid());
    EXPECT_EQ(image->GetWidth(), 0);
    EXPECT_EQ(image->GetHeight(), 0);
  }
}

}  // namespace
