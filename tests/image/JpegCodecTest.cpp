#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "tests/image/CodecTestSupport.h"

namespace {

// JPEG is lossy: against the source picture, smooth gradients written at
// quality 90 stay within this many levels per channel (and 2 on average).
constexpr int kTolerance = 12;
constexpr double kMeanTolerance = 2.0;

TEST(JpegDecoder, MatchesLibjpegExactly) {
  for (int channels : {3, 1}) {
    for (uint32_t width : {1u, 15u, 64u}) {
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
          RGBQUAD got = TopDownPixel(image, x, y);
          const uint8_t* want = reference.At(x, y);
          ASSERT_EQ(got.rgbRed, want[0]) << x << "," << y;
          ASSERT_EQ(got.rgbGreen, want[channels == 3 ? 1 : 0]);
          ASSERT_EQ(got.rgbBlue, want[channels == 3 ? 2 : 0]);
          if (channels == 1) {
            ASSERT_EQ(image.GetPixelIndex(x, image.GetHeight() - 1 - y), want[0]);
          }
        }
      }
    }
  }
}

void ExpectClose(const Picture& source, const Picture& decoded) {
  ASSERT_EQ(decoded.width, source.width);
  ASSERT_EQ(decoded.height, source.height);
  ASSERT_EQ(decoded.channels, source.channels);
  double total = 0;
  for (size_t i = 0; i < source.samples.size(); ++i) {
    int difference = std::abs(int(source.samples[i]) - int(decoded.samples[i]));
    ASSERT_LE(difference, kTolerance) << "sample " << i;
    total += difference;
  }
  EXPECT_LE(total / source.samples.size(), kMeanTolerance);
}

TEST(JpegEncoder, WritesWhatLibjpegReadsBackWithinTolerance) {
  for (int channels : {3, 1}) {
    Picture source = GradientPicture(40, 30, channels);
    CDibImage image;
    ASSERT_NE(image.Create(40, 30, channels == 3 ? 24 : 8, 0), nullptr);
    if (channels == 1)
      for (int i = 0; i < 256; ++i) image.SetPaletteColor(BYTE(i), RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0});
    for (uint32_t y = 0; y < 30; ++y) {
      for (uint32_t x = 0; x < 40; ++x) {
        const uint8_t* s = source.At(x, y);
        RGBQUAD color = channels == 3 ? RGBQUAD{s[2], s[1], s[0], 0} : RGBQUAD{s[0], s[0], s[0], 0};
        image.WritePixel(x, 29 - y, color);
      }
    }
    image.SetXDpi(200);
    Bytes file = EncodeBytes(image, CDibImage::FORMAT_JPG);
    ASSERT_FALSE(file.empty()) << image.GetLastError();
    Picture decoded;
    ASSERT_TRUE(ReadJpegDirect(file, decoded));
    ExpectClose(source, decoded);
    CDibImage back;
    ASSERT_TRUE(DecodeBytes(back, file, CDibImage::FORMAT_UNKNOWN));
    EXPECT_EQ(back.GetType(), CDibImage::FORMAT_JPG);
    EXPECT_EQ(back.GetXDpi(), 200);

    // The quality setting reaches the encoder.
    EXPECT_EQ(image.GetJpegQuality(), 90);
    image.SetJpegQuality(20);
    Bytes small = EncodeBytes(image, CDibImage::FORMAT_JPG);
    EXPECT_LT(small.size(), file.size());
  }
}

TEST(JpegEncoder, RefusesPalettesThatAreNotGrey) {
  for (DWORD bits : {1u, 4u, 8u}) {
    CDibImage image;
    ASSERT_NE(image.Create(4, 4, bits, 0), nullptr);
    EXPECT_TRUE(EncodeBytes(image, CDibImage::FORMAT_JPG).empty());
    EXPECT_STREQ(image.GetLastError(), "JPEG can save only RGB or GreyScale images");
  }
}

TEST(JpegDecoder, ReadsInvertedCmyk) {
  // libjpeg stores CMYK samples as given, with an Adobe marker.
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = 16;
  info.image_height = 16;
  info.input_components = 4;
  info.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  const uint8_t ink[4] = {200, 100, 250, 180};
  Bytes row;
  for (int x = 0; x < 16; ++x) row.insert(row.end(), ink, ink + 4);
  while (info.next_scanline < 16) {
    JSAMPROW pointer = row.data();
    jpeg_write_scanlines(&info, &pointer, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes file(buffer, buffer + size);
  free(buffer);

  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_JPG)) << image.GetLastError();
  RGBQUAD color = image.ReadPixel(8, 8);
  EXPECT_NEAR(color.rgbRed, 200 * 180 / 255, 3);
  EXPECT_NEAR(color.rgbGreen, 100 * 180 / 255, 3);
  EXPECT_NEAR(color.rgbBlue, 250 * 180 / 255, 3);
}

TEST(JpegDecoder, TruncatedAndDamagedFilesFailWithoutEndingTheProcess) {
  Bytes file = WriteJpegDirect(GradientPicture(32, 32, 3), 90);
  CDibImage image;
  EXPECT_FALSE(DecodeBytes(image, Bytes(), CDibImage::FORMAT_JPG));
  EXPECT_STREQ(image.GetLastError(), "Empty input file");
  EXPECT_FALSE(DecodeBytes(image, Bytes{'G', 'I', 'F', '8', '9', 'a'}, CDibImage::FORMAT_JPG));
  EXPECT_EQ(std::string(image.GetLastError()).rfind("Not a JPEG file", 0), 0u) << image.GetLastError();
  // A cut anywhere before the end marker fails.
  for (size_t length = 1; length + 2 < file.size(); ++length) {
    ASSERT_FALSE(DecodeBytes(image, Bytes(file.begin(), file.begin() + length), CDibImage::FORMAT_JPG))
        << length;
    ASSERT_NE(image.GetLastError()[0], '\0');
  }
  EXPECT_FALSE(DecodeBytes(image, Bytes(file.begin(), file.end() - 40), CDibImage::FORMAT_JPG));
  EXPECT_STREQ(image.GetLastError(), "Premature end of JPEG file");
  std::mt19937 random(3);
  for (int round = 0; round < 300; ++round) {
    Bytes damaged = file;
    for (int hits = 1 + random() % 4; hits > 0; --hits)
      damaged[2 + random() % (damaged.size() - 2)] = BYTE(random());
    if (!DecodeBytes(image, damaged, CDibImage::FORMAT_JPG)) {
      ASSERT_NE(image.GetLastError()[0], '\0');
    }
  }
}

TEST(JpegEncoder, ReportsAFailingFile) {
  CDibImage image;
  ASSERT_NE(image.Create(2, 2, 24, 0), nullptr);
  CDibMemFile noBuffer;
  EXPECT_FALSE(image.Encode(&noBuffer, CDibImage::FORMAT_JPG));
  EXPECT_STREQ(image.GetLastError(), "Output file write error --- out of disk space?");
}

}  // namespace
