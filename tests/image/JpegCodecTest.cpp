#include <gtest/gtest.h>

#include "tests/image/CodecTestSupport.h"

namespace {

// Every pixel, the first column and row included, as libjpeg decodes it; CMYK
// files hold inverted inks, so a channel is ink times black over 255.
TEST(JpegDecoder, MatchesLibjpegOnEveryPixel) {
  for (int channels : {3, 1, 4}) {
    for (uint32_t width : {1u, 15u, 64u}) {
      SCOPED_TRACE(::testing::Message() << channels << " channels, " << width << " wide");
      std::mt19937 random(width);
      // One column cannot hold a gradient across: noise instead.
      Picture picture =
          width == 1 ? RandomPicture(random, width, 23, channels) : GradientPicture(width, 23, channels);
      Bytes file = WriteJpegDirect(picture, 90);
      Picture reference;
      ASSERT_TRUE(ReadJpegDirect(file, reference));
      CDibImage image;
      ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_JPG)) << image.GetLastError();
      ASSERT_EQ(image.GetWidth(), width);
      ASSERT_EQ(image.GetHeight(), 23u);
      ASSERT_EQ(image.GetBitsPerPixel(), channels == 1 ? 8 : 24);
      ASSERT_FALSE(image.HasAlphaChannel());
      for (uint32_t y = 0; y < 23; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
          const uint8_t* s = reference.At(x, y);
          BYTE want[3] = {s[0], s[channels == 1 ? 0 : 1], s[channels == 1 ? 0 : 2]};
          for (int c = 0; c < 3 && channels == 4; ++c) want[c] = BYTE(s[c] * s[3] / 255);
          RGBQUAD got = TopDownPixel(image, x, y);
          ASSERT_EQ(got.rgbRed, want[0]) << x << "," << y;
          ASSERT_EQ(got.rgbGreen, want[1]) << x << "," << y;
          ASSERT_EQ(got.rgbBlue, want[2]) << x << "," << y;
        }
      }
    }
  }
}

// JPEG is lossy: smooth gradients written at quality 90 come back within 12
// levels per sample as libjpeg reads them; a lower quality writes less.
TEST(JpegEncoder, WritesWhatLibjpegReadsBackWithinTolerance) {
  for (int channels : {3, 1}) {
    Picture source = GradientPicture(40, 30, channels), decoded;
    CDibImage image;
    ASSERT_NE(image.Create(40, 30, channels == 3 ? 24 : 8, 0), nullptr);
    for (int i = 0; i < 256 && channels == 1; ++i)
      image.SetPaletteColor(BYTE(i), {BYTE(i), BYTE(i), BYTE(i), 0});
    for (uint32_t i = 0; i < 40 * 30; ++i) {
      const uint8_t* s = source.At(i % 40, i / 40);
      image.WritePixel(i % 40, 29 - i / 40, {s[channels - 1], s[channels / 2], s[0], 0});
    }
    Bytes file = EncodeBytes(image, CDibImage::FORMAT_JPG);
    ASSERT_TRUE(ReadJpegDirect(file, decoded)) << image.GetLastError();
    ASSERT_EQ(decoded.samples.size(), source.samples.size());
    for (size_t i = 0; i < source.samples.size(); ++i)
      ASSERT_NEAR(source.samples[i], decoded.samples[i], 12) << i;
    image.SetJpegQuality(20);
    EXPECT_LT(EncodeBytes(image, CDibImage::FORMAT_JPG).size(), file.size());
  }
}

}  // namespace
