// The pixel format conversions, and image copies into textures of the
// formats that have no copy of their own.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/graphics/TSPixelFormat.h"
#include "engine/image/TSImage.h"
#include "tests/graphics/surface/MemoryTexture.h"

namespace {

// Over every code: unknown ones have no size and convert nothing; known ones
// store random colours at pixel 1 of a row, leaving the neighbours, and read
// them back with the bits they hold (keep) and alpha 255 where they hold none
// (format 1 widens its alpha bit); 0x9A5C3E71 is stored as worked by hand.
TEST(PixelFormat, StoreThenReadKeepsWhatTheFormatHolds) {
  const DWORD kOpaque = 0xFF000000, kBit = 1;  // {format, 0x9A5C3E71 stored, keep, added}
  const DWORD formats[][4] = {{0, 0x9A5C3E71, ~0u, 0},          {1, 0xACEE, 0xF8F8F8, kBit},
                              {2, 0x9537, 0xF0F0F0F0, 0},       {3, 0x2CEE, 0xFFF8F8F8, 0},
                              {4, 0x2CEE, 0xF8F8F8, kOpaque},   {256, 0xFF5C3E71, 0xFFFFFF, kOpaque},
                              {257, 0x2CEE, 0xF8F8F8, kOpaque}, {258, 0x59EE, 0xF8FCF8, kOpaque}};
  std::mt19937 rng(7);
  for (INT format = -2; format < 262; ++format) {
    const auto* f =
        std::find_if(std::begin(formats), std::end(formats), [&](auto& f) { return f[0] == DWORD(format); });
    const INT bytes = format == 0 || format == 256 ? 4 : f != std::end(formats) ? 2 : 0;
    EXPECT_TRUE(IsTextureFormat(format) == (format >= 0 && format <= 4) &&
                PixelFormatBytes(format) == bytes &&
                IsRenderTargetFormat(format) == (format >= 256 && format <= 258))
        << format;
    for (int i = 0; i < (bytes ? 2000 : 1); ++i) {
      const DWORD c = i == 0 ? 0x9A5C3E71 : rng();
      const DWORD added = bytes == 0 ? 0 : (*f)[3] == kBit ? (c >> 31 ? kOpaque : 0) : (*f)[3];
      BYTE row[12] = {}, alpha[3] = {};
      StorePixel(format, row, alpha, 1, CTSColor(c));
      ASSERT_EQ(ReadPixel(format, row, alpha, 1).GetARGB(), bytes ? (c & (*f)[2]) | added : 0)
          << format << " " << c;
      DWORD stored = 0;
      std::memcpy(&stored, row + bytes, size_t(bytes));
      ASSERT_TRUE(i > 0 || stored == (bytes ? (*f)[1] : 0)) << format << " stores " << std::hex << stored;
      std::memset(row + bytes, 0, size_t(bytes));  // the rest stays 0
      ASSERT_TRUE(std::count(row, row + 12, 0) == 12 && alpha[0] == 0 && alpha[2] == 0) << format;
    }
  }
  const WORD white = 0x7FFF;  // format 3 without its plane reads opaque
  EXPECT_EQ(ReadPixel(3, &white, nullptr, 0).GetARGB(), 0xFFF8F8F8u);
}

// Images without alpha come out opaque, except pixels equal to a key of alpha
// 255, which become 0 (format 0 without a key copies the values as they are);
// images with alpha keep it and ignore the key. Worked by hand per format.
// Images of another size, or none, are refused with the pixels left.
TEST(TextureBase, CopyFromImageFollowsTheImagesAlphaAndTheKey) {
  const DWORD key = 0xFF00FF00, none = 0x0000FF00;  // {format, image alpha, key, pixel 0, pixel 1}
  const DWORD cases[][5] = {{0, 0, key, 0, 0xFF102030},           {0, 0, none, 0xFF00FF00, 0x7F102030},
                            {1, 0, none, 0xFF00F800, 0xFF102030}, {1, 1, key, 0xFF00F800, 0x00102030},
                            {2, 1, key, 0xF000F000, 0x70102030},  {2, 0, key, 0, 0xF0102030}};
  for (const auto& c : cases) {
    CTSUsePtr<CTSImage> image(new CTSImage), wider(new CTSImage);
    ASSERT_TRUE(image->Create(2, 1, c[1]) && wider->Create(3, 1, c[1]));
    image->GetScanline(0)[0] = CTSColor(0xFF00FF00);
    image->GetScanline(0)[1] = CTSColor(0x7F102030);
    CMemoryTexture texture(2, 1, INT(c[0]));
    ASSERT_TRUE(texture.CopyFromImage(image.Get(), c[2]));
    EXPECT_FALSE(texture.CopyFromImage(wider.Get(), 0) || texture.CopyFromImage(nullptr, 0));
    EXPECT_EQ(texture.GetPixel(0, 0).GetARGB(), c[3]) << &c - cases;
    EXPECT_EQ(texture.GetPixel(1, 0).GetARGB(), c[4]) << &c - cases;
  }
}

}  // namespace
