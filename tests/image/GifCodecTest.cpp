#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/image/CodecTestSupport.h"

namespace {

// A 3 x 3 file with 4 colours whose data, packed by hand least significant
// bit first, holds the codes clear (4), 1, then 6 (not yet made: "1" + "1"),
// 2, 7 = "11" + "2" and 8 = "2" + "1", 4 bits wide once the next free code
// reaches 8, and end (5).
TEST(GifDecoder, HandBuiltStreamWithStringsAndTheCodeNotYetInTheTable) {
  const RGBQUAD colors[] = {{30, 20, 10, 0}, {60, 50, 40, 0}, {90, 80, 70, 0}, {120, 110, 100, 0}};
  Bytes file = {'G', 'I', 'F', '8', '9', 'a', 3, 0, 3, 0, 0x81, 0, 0};
  for (RGBQUAD color : colors) file.insert(file.end(), {color.rgbRed, color.rgbGreen, color.rgbBlue});
  file.insert(file.end(), {0x2C, 0, 0, 0, 0, 3, 0, 3, 0, 0, 2, 3, 0x8C, 0x75, 0x58, 0, 0x3B});
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_GIF)) << image.GetLastError();
  const BYTE indexes[] = {1, 1, 1, 2, 1, 1, 2, 2, 1};  // top row first
  for (uint32_t i = 0; i < 9; ++i) {
    RGBQUAD got = TopDownPixel(image, i % 3, i / 3);
    ASSERT_EQ(std::memcmp(&got, &colors[indexes[i]], 3), 0) << i;
  }
}

// The pictures the fixtures were made from (see make-gif-fixtures.sh).
RGBQUAD EightColor(uint32_t x, uint32_t y) {
  static const RGBQUAD kEight[] = {{0, 0, 0, 0},     {255, 255, 255, 0}, {40, 30, 200, 0}, {60, 180, 20, 0},
                                   {220, 60, 30, 0}, {10, 220, 250, 0},  {128, 0, 128, 0}, {128, 128, 0, 0}};
  return kEight[(3 * x + 5 * y + (x * y) % 7) % 8];
}
// Files of another encoder: plain, interlaced, GIF87a, with a local table, the
// first frame of an animation, a transparent colour (the yellow).
TEST(GifDecoder, ReadsImageMagickFiles) {
  for (std::string name : {"", "-interlaced", "-87a", "-local", "-animated", "-transparent"}) {
    SCOPED_TRACE(name);
    bool transparent = name == "-transparent";
    CDibImage image;
    ASSERT_TRUE(DecodeBytes(image, ReadFixture("gif-eight" + name + ".gif"), CDibImage::FORMAT_GIF));
    ASSERT_EQ(image.HasAlphaChannel(), transparent);
    ASSERT_EQ(image.GetWidth(), 13u);
    ASSERT_EQ(image.GetHeight(), 11u);
    EXPECT_EQ(image.GetBitsPerPixel(), 4);
    for (uint32_t i = 0; i < 13 * 11; ++i) {
      RGBQUAD want = EightColor(i % 13, i / 13), got = TopDownPixel(image, i % 13, i / 13, true);
      bool clear = transparent && want.rgbRed == 250 && want.rgbGreen == 220;  // the yellow
      EXPECT_EQ(got.rgbReserved, transparent && !clear ? 255 : 0) << i;
      ASSERT_TRUE(clear || std::memcmp(&got, &want, 3) == 0) << i;
    }
  }
}

}  // namespace
