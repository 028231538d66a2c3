// The pixel format conversions, and what every texture does on top of Lock,
// tried on a memory texture in each format.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/image/TSImage.h"
#include "tests/graphics/surface/MemoryTexture.h"

namespace {

// What reading back a stored colour c gives in each format: the bits the
// format holds, each channel's in its top bits, and alpha 255 where it holds none.
DWORD Kept(INT format, DWORD c) {
  switch (format) {
    case 0:
      return c;
    case 1:
      return (c & 0x80000000 ? 0xFF000000 : 0) | (c & 0xF8F8F8);
    case 2:
      return c & 0xF0F0F0F0;
    case 3:
      return (c & 0xFF000000) | (c & 0xF8F8F8);  // alpha in its own plane
    case 256:
      return 0xFF000000 | c;
    case 258:
      return 0xFF000000 | (c & 0xF8FCF8);
    default:
      return 0xFF000000 | (c & 0xF8F8F8);  // 4 and 257
  }
}

// Random colours stored at pixel 1 of a row read back as Kept, leaving the
// neighbours alone; one colour stored as worked out by hand per format.
TEST(PixelFormat, StoreThenReadKeepsWhatTheFormatHolds) {
  const struct {
    INT format;
    DWORD stored;  // 0x9A5C3E71 as stored
  } formats[] = {{0, 0x9A5C3E71}, {1, 0xACEE},       {2, 0x9537},   {3, 0x2CEE},
                 {4, 0x2CEE},     {256, 0xFF5C3E71}, {257, 0x2CEE}, {258, 0x59EE}};
  std::mt19937 rng(7);
  for (const auto& f : formats) {
    const INT bytes = PixelFormatBytes(f.format);
    for (int i = 0; i < 2000; ++i) {
      const DWORD c = i == 0 ? 0x9A5C3E71 : rng();
      BYTE row[12] = {}, alpha[3] = {};
      StorePixel(f.format, row, alpha, 1, CTSColor(c));
      DWORD stored = 0;
      std::memcpy(&stored, row + bytes, size_t(bytes));
      EXPECT_TRUE(i > 0 || stored == f.stored) << f.format << " stores " << std::hex << stored;
      ASSERT_EQ(ReadPixel(f.format, row, alpha, 1).GetARGB(), Kept(f.format, c))
          << f.format << " " << std::hex << c;
      ASSERT_TRUE(row[0] == 0 && row[2 * bytes] == 0 && alpha[0] == 0 && alpha[2] == 0) << f.format;
    }
  }
  // Without its plane, format 3 reads opaque.
  const WORD white = 0x7FFF;
  EXPECT_EQ(ReadPixel(3, &white, nullptr, 0).GetARGB(), 0xFFF8F8F8u);
}

TEST(PixelFormat, OnlyTheKnownCodesConvert) {
  for (INT format = -2; format < 262; ++format) {
    const bool texture = format >= 0 && format <= 4, target = format >= 256 && format <= 258;
    EXPECT_EQ(IsTextureFormat(format), texture) << format;
    EXPECT_EQ(IsRenderTargetFormat(format), target) << format;
    EXPECT_EQ(PixelFormatBytes(format), format == 0 || format == 256 ? 4
                                        : texture || target          ? 2
                                                                     : 0)
        << format;
    DWORD row = 0x12345678;
    StorePixel(format, &row, nullptr, 0, CTSColor(0xFFFFFFFF));
    EXPECT_TRUE(texture || target ||
                (row == 0x12345678 && ReadPixel(format, &row, nullptr, 0).GetARGB() == 0));
  }
}

// Random colours at random points, inside and outside, in every texture
// format: each reads back as its format keeps it, or 0 outside, where
// nothing changes; every lock is undone.
TEST(TextureBase, SetPixelAndGetPixelInEveryFormat) {
  std::mt19937 rng(8);
  for (INT format = 0; format <= 4; ++format) {
    CMemoryTexture texture(6, 4, format);
    for (int n = 0; n < 300; ++n) {
      const INT x = INT(rng() % 10) - 2, y = INT(rng() % 8) - 2;
      const DWORD c = rng();
      const bool inside = x >= 0 && x < 6 && y >= 0 && y < 4;
      const std::vector<BYTE> before = texture.Bytes();
      texture.SetPixel(x, y, CTSColor(c));
      ASSERT_EQ(texture.GetPixel(x, y).GetARGB(), inside ? Kept(format, c) : 0)
          << format << " " << x << "," << y;
      ASSERT_TRUE(inside || texture.Bytes() == before);
    }
    EXPECT_EQ(texture.locks, texture.unlocks);
  }
}

// Points outside are skipped, all under one lock; a texture that will not
// lock, or whose lock reports a format without texture conversions, is
// neither written nor read.
TEST(TextureBase, PointsAndRefusedLocks) {
  const TSPoint points[] = {{0, 0}, {4, 0}, {-1, 2}, {3, 3}, {2, 4}};
  CMemoryTexture texture(4, 4, 0);
  texture.DrawPoints(points, 5, CTSColor(0xFFFFFFFF));
  EXPECT_EQ(texture.locks, 1);
  for (INT y = 0; y < 4; ++y)
    for (INT x = 0; x < 4; ++x)
      EXPECT_EQ(texture.GetPixel(x, y).GetARGB(),
                (x == 0 && y == 0) || (x == 3 && y == 3) ? 0xFFFFFFFFu : 0u);

  CMemoryTexture foreign(4, 4, 257), locked(4, 4, 0);
  locked.SetPixel(1, 1, CTSColor(0xFFFFFFFF));
  locked.failLock = true;
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(image->Create(4, 4, true));
  for (CMemoryTexture* t : {&foreign, &locked}) {
    t->DrawPoints(points, 5, CTSColor(0xFFFFFFFF));
    t->SetPixel(2, 2, CTSColor(0xFFFFFFFF));
    EXPECT_EQ(t->GetPixel(1, 1).GetARGB(), 0u);
    EXPECT_EQ(t->CopyFromImage(image.Get(), CTSColor(0)), t == &foreign);
  }
  EXPECT_EQ(std::count(foreign.Bytes().begin(), foreign.Bytes().end(), 0), 64);
  locked.failLock = false;
  EXPECT_EQ(locked.GetPixel(1, 1).GetARGB(), 0xFFFFFFFFu);
  EXPECT_EQ(locked.GetPixel(2, 2).GetARGB(), 0u);
}

// Images without alpha come out opaque, except pixels equal to a key of alpha
// 255, which become 0 (format 0 without a key copies the values as they are);
// images with alpha keep it and ignore the key. Worked by hand per format.
TEST(TextureBase, CopyFromImageFollowsTheImagesAlphaAndTheKey) {
  const DWORD key = 0xFF00FF00, noKey = 0x0000FF00;
  const struct {
    INT format;
    bool imageAlpha;
    DWORD key, expected[2];
  } cases[] = {{0, false, key, {0, 0xFF102030}},
               {0, false, noKey, {0xFF00FF00, 0x7F102030}},
               {1, false, noKey, {0xFF00F800, 0xFF102030}},
               {1, true, key, {0xFF00F800, 0x00102030}},
               {2, true, key, {0xF000F000, 0x70102030}},
               {2, false, key, {0, 0xF0102030}}};
  for (const auto& c : cases) {
    CTSUsePtr<CTSImage> image(new CTSImage);
    ASSERT_TRUE(image->Create(2, 1, c.imageAlpha));
    image->GetScanline(0)[0] = CTSColor(0xFF00FF00);
    image->GetScanline(0)[1] = CTSColor(0x7F102030);
    CMemoryTexture texture(2, 1, c.format);
    ASSERT_TRUE(texture.CopyFromImage(image.Get(), c.key));
    EXPECT_EQ(texture.GetPixel(0, 0).GetARGB(), c.expected[0]) << &c - cases;
    EXPECT_EQ(texture.GetPixel(1, 0).GetARGB(), c.expected[1]) << &c - cases;

    // Images of another size, or none, are refused with the pixels left.
    CTSUsePtr<CTSImage> wider(new CTSImage);
    ASSERT_TRUE(wider->Create(3, 1, c.imageAlpha));
    EXPECT_FALSE(texture.CopyFromImage(wider.Get(), CTSColor(0)));
    EXPECT_FALSE(texture.CopyFromImage(nullptr, CTSColor(0)));
    EXPECT_EQ(texture.GetPixel(1, 0).GetARGB(), c.expected[1]);
  }
}

TEST(TextureBase, CopyToImageReadsEveryPixelWithAlpha) {
  CMemoryTexture texture(3, 2, 3);
  texture.SetPixel(2, 1, CTSColor(0x40FFFFFF));
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(texture.CopyToImage(image.Get()));
  EXPECT_EQ(std::pair(image->GetWidth(), image->GetHeight()), std::pair(3, 2));
  EXPECT_TRUE(image->HasAlpha());
  for (INT y = 0; y < 2; ++y)
    for (INT x = 0; x < 3; ++x)
      EXPECT_EQ(image->GetScanline(y)[x].GetARGB(), x == 2 && y == 1 ? 0x40F8F8F8u : 0u);
  EXPECT_FALSE(texture.CopyToImage(nullptr));
}

}  // namespace
