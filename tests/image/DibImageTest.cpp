// The in-memory picture of the codec layer: its layout, pixel access,
// palettes, alpha, and the format dispatch of Decode and Encode.
#include <gtest/gtest.h>

#include "tests/image/PictureChecks.h"

namespace {

// Depths become 1, 4, 8 or 24 bits; rows are padded to 4 bytes; the palette
// starts black. Empty sizes and sizes past the memory cap (rows, or a byte a
// pixel for alpha, without overflow) are refused and leave the image empty.
TEST(DibImage, CreateNormalisesTheDepthAndCapsTheMemory) {
  for (DWORD bits = 0; bits <= 32; ++bits)
    for (DWORD width = 1; width <= 70; ++width) {
      CDibImage image;
      const WORD expected = bits <= 1 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : 24;
      ASSERT_NE(image.Create(width, 3, bits, CDibImage::FORMAT_PCX), nullptr);
      ASSERT_EQ(std::pair(image.GetBitsPerPixel(), image.GetNumColors()), std::pair(expected, expected == 24 ? 0u : 1u << expected));
      ASSERT_EQ(image.GetEffWidth(), (width * expected + 31) / 32 * 4) << width << " x " << bits;
      ASSERT_EQ(image.GetHeader().biSizeImage, image.GetEffWidth() * 3);
      ASSERT_EQ(std::pair(image.GetBits(2) - image.GetBits(0), image.GetBits(3)), std::pair(2L * image.GetEffWidth(), static_cast<BYTE*>(nullptr)));
      ASSERT_EQ(image.GetType(), CDibImage::FORMAT_PCX);
      for (DWORD i = 0; i < image.GetNumColors(); ++i) ASSERT_EQ(Argb(image.GetPaletteColor(BYTE(i))), 0u);
    }
  const char *empty = "CDibImage::Create : width and height must be greater than zero", *tooLarge = "DIBIMAGE_MAX_MEMORY exceeded";
  const std::tuple<DWORD, DWORD, DWORD, const char*> cases[] = {
      {0, 5, 24, empty}, {5, 0, 1, empty}, {100000, 100000, 24, tooLarge}, {0xFFFFFFFF, 0xFFFFFFFF, 32, tooLarge},
      {0x80000000u, 1, 1, tooLarge}, {16001, 16000, 1, tooLarge}, {9238, 9238, 24, tooLarge},  // 256,040,408 bytes of rows
      {16000, 16000, 1, ""}, {9237, 9237, 24, ""}};
  for (const auto& [width, height, bits, message] : cases) {
    CDibImage image;
    ASSERT_NE(image.Create(2, 2, 24, 0), nullptr);
    EXPECT_EQ(image.Create(width, height, bits, 0) != nullptr, *message == 0) << width;
    EXPECT_STREQ(image.GetLastError(), message);
    EXPECT_EQ(image.GetWidth(), *message == 0 ? width : 0);
  }
}

// 24-bit pixels are stored blue, green, red; paletted ones take the nearest
// palette entry; alpha is kept apart, and an image re-created with alpha gets
// it back opaque. Outside the picture reads give the first pixel and writes do nothing.
TEST(DibImage, PixelsReadBackWhatWasWrittenAtEveryDepth) {
  std::mt19937 random(7);
  for (DWORD bits : {1u, 4u, 8u, 24u}) {
    CDibImage image;
    ASSERT_NE(image.Create(19, 5, bits, 0), nullptr);
    ASSERT_TRUE(image.CreateAlphaChannel());
    const DWORD colors = image.GetNumColors();
    for (DWORD i = 0; i < colors; ++i) image.SetPaletteColor(BYTE(i), RGBQUAD{BYTE(i * 255 / (colors - 1)), BYTE(255 - i * 255 / (colors - 1)), 0, 0});
    std::vector<RGBQUAD> written;
    for (long i = 0; i < 19 * 5; ++i) {
      RGBQUAD color = colors ? image.GetPaletteColor(BYTE(random() % colors)) : RandomColor(random);
      color.rgbReserved = BYTE(random());
      image.WritePixel(i % 19, i / 19, RGBQUAD{color.rgbBlue, color.rgbGreen, BYTE(colors ? 1 : color.rgbRed), color.rgbReserved}, true);
      written.push_back(color);
      if (!colors) { ASSERT_EQ(image.GetBits(i / 19)[i % 19 * 3 + 2], color.rgbRed); }
    }
    for (auto [x, y] : {std::pair{-1L, 0L}, {0L, -1L}, {19L, 0L}, {0L, 5L}}) {
      image.WritePixel(x, y, RGBQUAD{200, 200, 200, 0}, true);
      EXPECT_EQ(Argb(image.ReadPixel(x, y, true)), Argb(written[0])) << x << "," << y;
      EXPECT_EQ(image.GetAlphaAt(x, y) + image.GetPixelIndex(x, y), 0);
    }
    for (long i = 0; i < 19 * 5; ++i) {
      ASSERT_EQ(Argb(image.ReadPixel(i % 19, i / 19, true)), Argb(written[i])) << bits << " bits, pixel " << i;
      ASSERT_EQ(image.ReadPixel(i % 19, i / 19, false).rgbReserved, 0);
    }
    ASSERT_NE(image.Create(5, 2, 8, 0), nullptr);
    ASSERT_TRUE(image.HasAlphaChannel());
    for (long i = 0; i < 10; ++i) EXPECT_EQ(image.GetAlphaAt(i % 5, i / 5), 255);
  }
  CDibImage empty;
  EXPECT_EQ(Argb(empty.ReadPixel(0, 0)) | empty.GetAlphaAt(0, 0), 0u);
}

TEST(DibImage, DispatchRefusesUnknownFormatsAndKeepsThePictureOnFailure) {
  CDibImage image;
  const Bytes bmp = MakeBmp(BmpSpec{.width = 1, .height = 1, .bits = 24, .pixels = {1, 2, 3, 0}});
  for (DWORD id : {10u, 12u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(DecodeBytes(image, bmp, id)) << id;
    EXPECT_STREQ(image.GetLastError(), "Decode: Unknown or wrong format");
  }
  ASSERT_TRUE(DecodeBytes(image, bmp, CDibImage::FORMAT_BMP));
  for (DWORD id : {0u, 10u, 12u}) {
    EXPECT_TRUE(EncodeBytes(image, id).empty());
    EXPECT_STREQ(image.GetLastError(), "Encode: Unknown format");
  }
  EXPECT_FALSE(image.Decode(nullptr, CDibImage::FORMAT_BMP) || DecodeBytes(image, Bytes{'B', 'M', 1, 2}, CDibImage::FORMAT_BMP));
  EXPECT_EQ(image.ReadPixel(0, 0).rgbRed, 3);
}

}  // namespace
