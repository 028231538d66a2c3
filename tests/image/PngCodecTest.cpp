#include <png.h>
#include <zlib.h>

#include "tests/image/CodecTestSupport.h"

namespace {

// Random files of every colour type, depth and interlacing, decoded to what
// libpng itself reads from them as 8-bit blue, green, red, alpha.
TEST(PngDecoder, MatchesLibpngForEveryColourTypeAndDepth) {
  std::mt19937 random(4);
  for (int type : {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_PALETTE, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA,
                   PNG_COLOR_TYPE_GRAY_ALPHA})
    for (int depth : {1, 2, 4, 8, 16})
      for (int variant = 0; variant < 3; ++variant) {  // plain, interlaced, with palette transparency
        bool paletted = type == PNG_COLOR_TYPE_PALETTE, transparency = variant == 2;
        if ((paletted ? depth > 8 : type != PNG_COLOR_TYPE_GRAY && depth < 8) || (transparency && !paletted))
          continue;
        uint32_t width = 1 + random() % 17;
        SCOPED_TRACE(::testing::Message() << "type " << type << " depth " << depth << " variant " << variant);
        PngSpec spec{
            .width = width, .height = 11, .colorType = type, .bitDepth = depth, .interlaced = variant == 1};
        spec.pelsPerMeter = 2835;
        if (paletted) spec.palette = RandomPalette(random, 1u << depth);
        if (transparency) spec.transparency = RandomPicture(random, 1u << depth >> 1, 1, 1).samples;
        int channels =
            ((type & PNG_COLOR_MASK_COLOR) && !paletted ? 3 : 1) + ((type & PNG_COLOR_MASK_ALPHA) ? 1 : 0);
        for (int y = 0; y < 11; ++y)
          spec.rows.push_back(RandomPicture(random, (width * channels * depth + 7) / 8, 1, 1).samples);
        Bytes file = WritePngDirect(spec);
        Picture reference;
        ASSERT_TRUE(ReadPngDirect(file, reference));
        CDibImage image;
        ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_PNG)) << image.GetLastError();
        bool alpha = (type & PNG_COLOR_MASK_ALPHA) != 0 || transparency;
        ASSERT_EQ(std::tuple(image.HasAlphaChannel(), image.GetBitsPerPixel(), image.GetXDpi()),
                  std::tuple(alpha, WORD(24), 72L));
        // libpng takes 16-bit samples as linear light; the decoder keeps their high bytes.
        for (uint32_t i = 0; depth == 16 && i < width * 11; ++i) {
          const uint8_t* s = &spec.rows[i / width][i % width * channels * 2];
          uint8_t high[4] = {s[channels > 2 ? 4 : 0], s[channels > 2 ? 2 : 0], s[0],
                             channels % 2 ? uint8_t(255) : s[channels * 2 - 2]};
          std::memcpy(&reference.samples[4 * i], high, 4);
        }
        for (uint32_t i = 0; i < width * 11; ++i) {
          RGBQUAD got = TopDownPixel(image, i % width, i / width, true);
          got.rgbReserved = alpha ? got.rgbReserved : 255;
          ASSERT_EQ(std::memcmp(&got, reference.At(i % width, i / width), 4), 0) << i;
        }
      }
  // A one-pixel file whose header claims 5000 x 5000 RGB pixels: far more
  // rows than the rest of the file could inflate to, refused before the
  // picture's memory is claimed.
  Bytes file = Patched(WritePngDirect({.rows = {Bytes(3)}}), 16, {0, 0, 0x13, 0x88, 0, 0, 0x13, 0x88});
  const uint32_t crc = crc32(0, &file[12], 17);  // of the header chunk's type and data
  file = Patched(file, 29, {BYTE(crc >> 24), BYTE(crc >> 16), BYTE(crc >> 8), BYTE(crc)});
  CDibImage image;
  EXPECT_FALSE(DecodeBytes(image, file, CDibImage::FORMAT_PNG));
  EXPECT_STREQ(image.GetLastError(), "Read Error");
}

}  // namespace
