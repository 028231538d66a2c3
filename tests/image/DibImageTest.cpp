// The in-memory picture of the codec layer: its layout, pixel access,
// palettes, alpha, and the format dispatch of Decode and Encode.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/image/PictureChecks.h"

namespace {

TEST(DibImage, CreateNormalisesTheDepthAndPadsRowsTo4Bytes) {
  for (DWORD bits = 0; bits <= 32; ++bits) {
    const WORD expected = bits <= 1 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : 24;
    for (DWORD width = 1; width <= 70; ++width) {
      CDibImage image;
      ASSERT_NE(image.Create(width, 3, bits, CDibImage::FORMAT_PCX), nullptr);
      ASSERT_EQ(image.GetBitsPerPixel(), expected);
      ASSERT_EQ(image.GetNumColors(), expected == 24 ? 0u : 1u << expected);
      ASSERT_EQ(image.GetEffWidth(), (width * expected + 31) / 32 * 4) << width << " x " << bits;
      ASSERT_EQ(image.GetHeader().biSizeImage, image.GetEffWidth() * 3);
      ASSERT_EQ(image.GetBits(2) - image.GetBits(0), 2 * long(image.GetEffWidth()));
      ASSERT_EQ(image.GetBits(3), nullptr);
      ASSERT_EQ(image.GetType(), CDibImage::FORMAT_PCX);
      for (DWORD i = 0; i < image.GetNumColors(); ++i) {  // the palette starts black
        RGBQUAD color = image.GetPaletteColor(BYTE(i));
        ASSERT_EQ(color.rgbBlue | color.rgbGreen | color.rgbRed | color.rgbReserved, 0);
      }
    }
  }
}

// The pixel rows and the alpha channel (a byte a pixel) are each capped,
// without overflow; a refused size leaves the image empty.
TEST(DibImage, CreateRefusesEmptyAndOversizedPictures) {
  const struct {
    DWORD width, height, bits;
    const char* message;
  } cases[] = {
      {0, 5, 24, "CDibImage::Create : width and height must be greater than zero"},
      {5, 0, 1, "CDibImage::Create : width and height must be greater than zero"},
      {100000, 100000, 24, "DIBIMAGE_MAX_MEMORY exceeded"},
      {0xFFFFFFFF, 0xFFFFFFFF, 32, "DIBIMAGE_MAX_MEMORY exceeded"},
      {0x80000000u, 1, 1, "DIBIMAGE_MAX_MEMORY exceeded"},  // would wrap 32 bits
      {16001, 16000, 1, "DIBIMAGE_MAX_MEMORY exceeded"},    // the alpha channel's share
      {9238, 9238, 24, "DIBIMAGE_MAX_MEMORY exceeded"},     // 256,040,408 bytes of rows
      {16000, 16000, 1, nullptr},
      {9237, 9237, 24, nullptr},
  };
  for (const auto& c : cases) {
    CDibImage image;
    ASSERT_NE(image.Create(2, 2, 24, 0), nullptr);
    EXPECT_EQ(image.Create(c.width, c.height, c.bits, 0) != nullptr, c.message == nullptr) << c.width;
    EXPECT_EQ(image.IsValid(), c.message == nullptr);
    if (c.message != nullptr) { EXPECT_STREQ(image.GetLastError(), c.message); }
    if (c.message != nullptr) { EXPECT_EQ(image.GetWidth(), 0u); }
  }
  // An image that had an alpha channel gets a new one, opaque.
  CDibImage image;
  ASSERT_NE(image.Create(3, 3, 24, 0), nullptr);
  ASSERT_TRUE(image.CreateAlphaChannel());
  image.WritePixel(1, 1, RGBQUAD{1, 2, 3, 40}, true);
  ASSERT_NE(image.Create(5, 2, 8, 0), nullptr);
  ASSERT_TRUE(image.HasAlphaChannel());
  for (long i = 0; i < 10; ++i) EXPECT_EQ(image.GetAlphaAt(i % 5, i / 5), 255);
}

// 24-bit pixels are stored blue, green, red; paletted ones take the nearest
// palette entry; alpha is kept apart. Outside the picture reads give the
// first pixel and writes do nothing.
TEST(DibImage, PixelsReadBackWhatWasWrittenAtEveryDepth) {
  std::mt19937 random(7);
  for (DWORD bits : {1u, 4u, 8u, 24u}) {
    CDibImage image;
    ASSERT_NE(image.Create(19, 5, bits, 0), nullptr);
    ASSERT_TRUE(image.CreateAlphaChannel());
    const DWORD colors = image.GetNumColors();
    for (DWORD i = 0; i < colors; ++i) {
      BYTE level = BYTE(i * 255 / (colors - 1));
      image.SetPaletteColor(BYTE(i), RGBQUAD{level, BYTE(255 - level), 0, 0});
    }
    std::vector<RGBQUAD> written(19 * 5);
    for (long y = 0; y < 5; ++y) {
      for (long x = 0; x < 19; ++x) {
        RGBQUAD& color = written[y * 19 + x] = RandomColor(random);
        if (bits <= 8) {
          BYTE index = BYTE(random() % colors);
          color = image.GetPaletteColor(index);
          color.rgbReserved = BYTE(random());
          image.WritePixel(x, y, RGBQUAD{color.rgbBlue, color.rgbGreen, 1, color.rgbReserved}, true);  // near it
          ASSERT_EQ(image.GetPixelIndex(x, y), index);
        } else {
          image.WritePixel(x, y, color, true);
          ASSERT_EQ(image.GetBits(y)[x * 3 + 2], color.rgbRed);
        }
      }
    }
    EXPECT_TRUE(SamePicture(image, 19, 5, [&](uint32_t x, uint32_t y) { return written[(4 - y) * 19 + x]; }, true));
    EXPECT_EQ(image.ReadPixel(3, 3, false).rgbReserved, 0);
    for (auto [x, y] : {std::pair{-1L, 0L}, {0L, -1L}, {19L, 0L}, {0L, 5L}}) {
      image.WritePixel(x, y, RGBQUAD{200, 200, 200, 0}, true);
      RGBQUAD first = image.ReadPixel(x, y, true), want = written[0];
      EXPECT_EQ(std::memcmp(&first, &want, 4), 0) << bits << " bits at " << x << "," << y;
      EXPECT_EQ(image.GetAlphaAt(x, y), 0);
      EXPECT_EQ(image.GetPixelIndex(x, y), 0);
    }
    EXPECT_TRUE(SamePicture(image, 19, 5, [&](uint32_t x, uint32_t y) { return written[(4 - y) * 19 + x]; }, true));
  }
  CDibImage empty;
  RGBQUAD none = empty.ReadPixel(0, 0);
  EXPECT_EQ(none.rgbBlue | none.rgbGreen | none.rgbRed, 0);
  EXPECT_EQ(empty.GetBits(0), nullptr);
}

TEST(DibImage, TakeOverMovesEverythingAndEmptiesTheOther) {
  CDibImage source, target;
  ASSERT_NE(source.Create(6, 2, 24, CDibImage::FORMAT_PNG), nullptr);
  ASSERT_TRUE(source.CreateAlphaChannel());
  source.WritePixel(5, 1, RGBQUAD{10, 20, 30, 40}, true);
  ASSERT_NE(target.Create(1, 1, 1, 0), nullptr);
  target.TakeOver(source);
  EXPECT_FALSE(source.IsValid() || source.HasAlphaChannel() || source.GetWidth() != 0);
  EXPECT_EQ(target.GetWidth(), 6u);
  EXPECT_EQ(target.GetType(), CDibImage::FORMAT_PNG);
  RGBQUAD color = target.ReadPixel(5, 1, true);
  EXPECT_EQ(color.rgbRed + 256 * color.rgbReserved, 30 + 256 * 40);
}

TEST(DibImage, DispatchRefusesUnknownFormatsAndKeepsThePictureOnFailure) {
  Bytes bmp = MakeBmp(BmpSpec{.width = 1, .height = 1, .bits = 24, .pixels = {1, 2, 3, 0}});
  CDibImage image;
  for (DWORD id : {10u, 12u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(DecodeBytes(image, bmp, id)) << id;
    EXPECT_STREQ(image.GetLastError(), "Decode: Unknown or wrong format");
  }
  ASSERT_TRUE(DecodeBytes(image, bmp, CDibImage::FORMAT_BMP));
  for (DWORD id : {0u, 10u, 12u}) {
    EXPECT_TRUE(EncodeBytes(image, id).empty());
    EXPECT_STREQ(image.GetLastError(), "Encode: Unknown format");
  }
  EXPECT_FALSE(image.Decode(nullptr, CDibImage::FORMAT_BMP));
  EXPECT_STREQ(image.GetLastError(), "null file handler");
  EXPECT_FALSE(DecodeBytes(image, Bytes{'B', 'M', 1, 2}, CDibImage::FORMAT_BMP));
  EXPECT_TRUE(image.IsValid());
  EXPECT_EQ(image.ReadPixel(0, 0).rgbRed, 3);
  // Detection starts every attempt where the file stood, not at its start.
  Bytes junk(7, 0x55);
  PngSpec spec{.width = 2, .height = 1, .colorType = 2, .rows = {Bytes{1, 2, 3, 4, 5, 6}}};
  Bytes png = WritePngDirect(spec);
  junk.insert(junk.end(), png.begin(), png.end());
  CDibMemFile file(junk.data(), junk.size());
  ASSERT_TRUE(file.Seek(7, 0));
  ASSERT_TRUE(image.Decode(&file, CDibImage::FORMAT_UNKNOWN)) << image.GetLastError();
  EXPECT_EQ(image.GetType(), CDibImage::FORMAT_PNG);
  EXPECT_EQ(TopDownPixel(image, 1, 0).rgbRed, 4);
}

}  // namespace
