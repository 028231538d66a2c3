#include "tests/image/CodecTestSupport.h"

namespace {

// Every pixel, the first column and row included, as libjpeg decodes it; CMYK
// files hold inverted inks, so a channel is ink times black over 255. Written
// back by the encoder at quality 90, smooth pictures stay within 12 levels of
// what libjpeg read first; a lower quality writes less.
TEST(JpegCodec, DecodesAsLibjpegAndEncodesWhatLibjpegReadsBack) {
  for (int channels : {3, 1, 4})
    for (uint32_t width : {1u, 15u, 64u}) {
      SCOPED_TRACE(::testing::Message() << channels << " channels, " << width << " wide");
      std::mt19937 random(width);
      // One column cannot hold a gradient across: noise instead.
      Bytes file = WriteJpegDirect(
          width == 1 ? RandomPicture(random, width, 23, channels) : GradientPicture(width, 23, channels), 90);
      Picture reference, again;
      CDibImage image;
      ASSERT_TRUE(ReadJpegDirect(file, reference));
      ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_JPG)) << image.GetLastError();
      ASSERT_EQ(std::tuple(image.GetWidth(), image.GetHeight(), image.GetBitsPerPixel()),
                std::tuple(width, 23u, WORD(channels == 1 ? 8 : 24)));
      for (uint32_t i = 0; i < width * 23; ++i) {
        const uint8_t* s = reference.At(i % width, i / width);
        int k = channels == 4 ? s[3] : 255, grey = channels == 1;
        RGBQUAD want = {BYTE(s[grey ? 0 : 2] * k / 255), BYTE(s[grey ? 0 : 1] * k / 255),
                        BYTE(s[0] * k / 255), 0};
        RGBQUAD got = TopDownPixel(image, i % width, i / width);
        ASSERT_EQ(std::memcmp(&got, &want, 4), 0) << i % width << "," << i / width;
      }
      if (channels == 4 || width == 1) continue;
      file = EncodeBytes(image, CDibImage::FORMAT_JPG);
      ASSERT_TRUE(ReadJpegDirect(file, again)) << image.GetLastError();
      ASSERT_EQ(again.samples.size(), reference.samples.size());
      for (size_t i = 0; i < again.samples.size(); ++i)
        ASSERT_NEAR(again.samples[i], reference.samples[i], 12) << i;
      image.SetJpegQuality(20);
      EXPECT_LT(EncodeBytes(image, CDibImage::FORMAT_JPG).size(), file.size());
    }
}

}  // namespace
