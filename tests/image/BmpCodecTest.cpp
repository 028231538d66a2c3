#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/image/CodecTestSupport.h"

namespace {

// The rows of a 24-bit file: blue, green, red, each row padded to 4 bytes.
Bytes Rows24(const Picture& picture, bool topDown) {
  size_t stride = (picture.width * 3 + 3) / 4 * 4;
  Bytes rows(stride * picture.height, 0);
  for (uint32_t y = 0; y < picture.height; ++y) {
    uint32_t fileRow = topDown ? y : picture.height - 1 - y;
    for (uint32_t x = 0; x < picture.width; ++x) {
      const uint8_t* rgb = picture.At(x, y);
      uint8_t* out = &rows[fileRow * stride + x * 3];
      out[0] = rgb[2];
      out[1] = rgb[1];
      out[2] = rgb[0];
    }
  }
  return rows;
}

void ExpectPicture(const CDibImage& image, const Picture& picture) {
  ASSERT_TRUE(image.IsValid());
  ASSERT_EQ(image.GetWidth(), picture.width);
  ASSERT_EQ(image.GetHeight(), picture.height);
  for (uint32_t y = 0; y < picture.height; ++y) {
    for (uint32_t x = 0; x < picture.width; ++x) {
      RGBQUAD got = TopDownPixel(image, x, y);
      const uint8_t* want = picture.At(x, y);
      ASSERT_EQ(got.rgbRed, want[0]) << x << "," << y;
      ASSERT_EQ(got.rgbGreen, want[1]) << x << "," << y;
      ASSERT_EQ(got.rgbBlue, want[2]) << x << "," << y;
    }
  }
}

// Packs indices into rows of `bits` per pixel, high bits first, bottom row first.
Bytes PackRows(const std::vector<BYTE>& indices, uint32_t width, uint32_t height, int bits) {
  size_t stride = (width * bits + 31) / 32 * 4;
  Bytes rows(stride * height, 0);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      size_t bit = static_cast<size_t>(x) * bits;
      int shift = 8 - bits - static_cast<int>(bit % 8);
      rows[y * stride + bit / 8] |= static_cast<uint8_t>(indices[y * width + x] << shift);
    }
  }
  return rows;
}

std::vector<RGBQUAD> RandomPalette(std::mt19937& random, size_t count) {
  std::vector<RGBQUAD> palette(count);
  for (RGBQUAD& color : palette) {
    color = RGBQUAD{static_cast<BYTE>(random()), static_cast<BYTE>(random()), static_cast<BYTE>(random()), 0};
  }
  return palette;
}

void ExpectIndices(const CDibImage& image, const std::vector<BYTE>& indices,
                   const std::vector<RGBQUAD>& palette) {
  uint32_t width = image.GetWidth();
  for (uint32_t y = 0; y < image.GetHeight(); ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      BYTE index = indices[y * width + x];
      ASSERT_EQ(image.GetPixelIndex(x, y), index) << x << "," << y;
      RGBQUAD color = image.ReadPixel(x, y);
      ASSERT_EQ(color.rgbRed, palette[index].rgbRed);
      ASSERT_EQ(color.rgbBlue, palette[index].rgbBlue);
      ASSERT_EQ(color.rgbReserved, 0);
    }
  }
}

TEST(BmpDecoder, Reads24BitRowsAndTopDownFilesMatchTheirTwins) {
  std::mt19937 random(24);
  for (uint32_t width = 1; width <= 9; ++width) {
    for (uint32_t height = 1; height <= 4; ++height) {
      Picture picture = RandomPicture(random, width, height, 3);
      int32_t w = static_cast<int32_t>(width), h = static_cast<int32_t>(height);
      CDibImage bottomUp, topDown;
      ASSERT_TRUE(
          DecodeBytes(bottomUp, MakeBmp({.width = w, .height = h, .pixels = Rows24(picture, false)}), 1))
          << bottomUp.GetLastError();
      ASSERT_TRUE(
          DecodeBytes(topDown, MakeBmp({.width = w, .height = -h, .pixels = Rows24(picture, true)}), 1))
          << topDown.GetLastError();
      ExpectPicture(bottomUp, picture);
      ExpectPicture(topDown, picture);
      EXPECT_EQ(topDown.GetHeight(), height);
      EXPECT_EQ(topDown.GetType(), CDibImage::FORMAT_BMP);
    }
  }
}

TEST(BmpDecoder, ReadsFilesWithoutFileHeader) {
  std::mt19937 random(40);
  std::vector<RGBQUAD> palette = RandomPalette(random, 4);
  std::vector<BYTE> indices(5 * 3);
  for (BYTE& index : indices) index = static_cast<BYTE>(random() % 4);
  Bytes file = MakeBmp({.fileHeader = false,
                        .width = 5,
                        .height = 3,
                        .bits = 8,
                        .colorsUsed = 4,
                        .palette = palette,
                        .pixels = PackRows(indices, 5, 3, 8)});
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_BMP)) << image.GetLastError();
  EXPECT_EQ(image.GetBitsPerPixel(), 8);
  ExpectIndices(image, indices, palette);

  Picture picture = RandomPicture(random, 3, 2, 3);
  ASSERT_TRUE(DecodeBytes(
      image, MakeBmp({.fileHeader = false, .width = 3, .height = 2, .pixels = Rows24(picture, false)}),
      CDibImage::FORMAT_UNKNOWN));
  ExpectPicture(image, picture);
}

TEST(BmpDecoder, HonoursThePixelOffsetAndClampsThePaletteCount) {
  std::mt19937 random(41);
  std::vector<RGBQUAD> palette = RandomPalette(random, 256);
  std::vector<BYTE> indices(7 * 2);
  for (BYTE& index : indices) index = static_cast<BYTE>(random());
  Bytes file = MakeBmp({.width = 7,
                        .height = 2,
                        .bits = 8,
                        .colorsUsed = 0x7FFFFFFF,
                        .palette = palette,
                        .pixels = PackRows(indices, 7, 2, 8),
                        .pixelOffset = 2000});
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_BMP)) << image.GetLastError();
  ExpectIndices(image, indices, palette);
  // An offset beyond the end of the file.
  Bytes beyond = MakeBmp({.width = 1, .height = 1, .pixels = {1, 2, 3, 0}});
  beyond[10] = 0xFF;
  beyond[11] = 0xFF;
  EXPECT_FALSE(DecodeBytes(image, beyond, CDibImage::FORMAT_BMP));
  EXPECT_STREQ(image.GetLastError(), "corrupted BMP");
}

TEST(BmpDecoder, ReadsPackedIndicesOf1And4Bits) {
  std::mt19937 random(14);
  for (int bits : {1, 4}) {
    uint32_t colors = 1u << bits;
    std::vector<RGBQUAD> palette = RandomPalette(random, colors);
    for (uint32_t width = 1; width <= 40; width += 3) {
      std::vector<BYTE> indices(width * 3);
      for (BYTE& index : indices) index = static_cast<BYTE>(random() % colors);
      Bytes file = MakeBmp({.width = static_cast<int32_t>(width),
                            .height = 3,
                            .bits = static_cast<uint16_t>(bits),
                            .palette = palette,
                            .pixels = PackRows(indices, width, 3, bits)});
      CDibImage image;
      ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_BMP)) << image.GetLastError();
      EXPECT_EQ(image.GetBitsPerPixel(), bits);
      ExpectIndices(image, indices, palette);
    }
  }
}

TEST(BmpDecoder, CoreHeadersUse3BytePaletteEntries) {
  std::mt19937 random(12);
  std::vector<RGBQUAD> palette = RandomPalette(random, 256);
  std::vector<BYTE> indices(6 * 4);
  for (BYTE& index : indices) index = static_cast<BYTE>(random());
  for (bool fileHeader : {true, false}) {
    Bytes file = MakeBmp({.fileHeader = fileHeader,
                          .headerSize = 12,
                          .width = 6,
                          .height = 4,
                          .bits = 8,
                          .palette = palette,
                          .pixels = PackRows(indices, 6, 4, 8)});
    CDibImage image;
    ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_BMP)) << image.GetLastError();
    ExpectIndices(image, indices, palette);
  }
  // A tiny core file, shorter than a 40-byte header.
  Bytes tiny = MakeBmp({.fileHeader = false,
                        .headerSize = 12,
                        .width = 1,
                        .height = 1,
                        .bits = 1,
                        .palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{9, 8, 7, 0}},
                        .pixels = {0x80, 0, 0, 0}});
  ASSERT_LT(tiny.size(), 40u);
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, tiny, CDibImage::FORMAT_BMP)) << image.GetLastError();
  EXPECT_EQ(image.ReadPixel(0, 0).rgbRed, 7);
}

// The stated conversion, exact for 5-5-5 and 5-6-5 masks.
RGBQUAD Reference16(uint32_t pixel, uint32_t red, uint32_t green, uint32_t blue) {
  int nR = __builtin_popcount(red), nG = __builtin_popcount(green), nB = __builtin_popcount(blue);
  return RGBQUAD{static_cast<BYTE>((pixel & blue & 0xFF) << (8 - nR)),
                 static_cast<BYTE>((pixel & green) >> (nG + nR - 8)),
                 static_cast<BYTE>((pixel & red) >> (nR + nG + nB - 8)), 0};
}

TEST(BmpDecoder, Widens16BitPixelsThroughTheirMasks) {
  // 0x7FFF without masks is 5-5-5 white.
  CDibImage image;
  ASSERT_TRUE(
      DecodeBytes(image, MakeBmp({.width = 1, .height = 1, .bits = 16, .pixels = {0xFF, 0x7F, 0, 0}}), 1));
  RGBQUAD white = image.ReadPixel(0, 0);
  EXPECT_EQ(white.rgbBlue, 248);
  EXPECT_EQ(white.rgbGreen, 248);
  EXPECT_EQ(white.rgbRed, 248);
  EXPECT_EQ(image.GetBitsPerPixel(), 24);

  std::mt19937 random(16);
  struct Masks {
    uint32_t red, green, blue;
    bool given;
  };
  for (Masks masks : {Masks{0x7C00, 0x03E0, 0x001F, false}, Masks{0x7C00, 0x03E0, 0x001F, true},
                      Masks{0xF800, 0x07E0, 0x001F, true}}) {
    for (uint32_t width = 1; width <= 9; ++width) {
      uint32_t height = 3;
      size_t stride = (width + 1) / 2 * 4;
      Bytes rows(stride * height, 0);
      std::vector<uint32_t> pixels(width * height);
      for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
          uint32_t pixel = random() & 0xFFFF;
          pixels[y * width + x] = pixel;
          rows[y * stride + x * 2] = static_cast<uint8_t>(pixel);
          rows[y * stride + x * 2 + 1] = static_cast<uint8_t>(pixel >> 8);
        }
      }
      BmpSpec spec{.width = static_cast<int32_t>(width),
                   .height = static_cast<int32_t>(height),
                   .bits = 16,
                   .pixels = rows};
      if (masks.given) {
        spec.compression = BI_BITFIELDS;
        spec.masks = {masks.red, masks.green, masks.blue};
      }
      ASSERT_TRUE(DecodeBytes(image, MakeBmp(spec), CDibImage::FORMAT_BMP)) << image.GetLastError();
      for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
          RGBQUAD want = Reference16(pixels[y * width + x], masks.red, masks.green, masks.blue);
          RGBQUAD got = image.ReadPixel(x, y);
          ASSERT_EQ(std::memcmp(&got, &want, 4), 0) << std::hex << pixels[y * width + x];
        }
      }
    }
  }
  // Masks without set bits give black channels rather than undefined shifts.
  BmpSpec empty{.width = 2,
                .height = 1,
                .bits = 16,
                .compression = BI_BITFIELDS,
                .masks = {0, 0, 0x001F},
                .pixels = {0xFF, 0xFF, 0x01, 0x00}};
  ASSERT_TRUE(DecodeBytes(image, MakeBmp(empty), CDibImage::FORMAT_BMP));
  EXPECT_EQ(image.ReadPixel(0, 0).rgbRed, 0);
  EXPECT_EQ(image.ReadPixel(0, 0).rgbBlue, 248);
  EXPECT_EQ(image.ReadPixel(1, 0).rgbBlue, 8);
}

TEST(BmpDecoder, Keeps32BitBlueGreenRed) {
  Bytes rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  for (uint32_t compression : {0u, 3u}) {
    CDibImage image;
    ASSERT_TRUE(DecodeBytes(
        image, MakeBmp({.width = 2, .height = 2, .bits = 32, .compression = compression, .pixels = rows}),
        CDibImage::FORMAT_BMP))
        << image.GetLastError();
    RGBQUAD pixel = image.ReadPixel(1, 1);
    EXPECT_EQ(pixel.rgbBlue, 13);
    EXPECT_EQ(pixel.rgbGreen, 14);
    EXPECT_EQ(pixel.rgbRed, 15);
    EXPECT_EQ(pixel.rgbReserved, 0);
    EXPECT_FALSE(image.HasAlphaChannel());
  }
}

TEST(BmpDecoder, RefusesCompressionsItCannotRead) {
  struct Case {
    uint16_t bits;
    uint32_t compression;
    const char* message;
  };
  for (Case c : {Case{4, 4, "compression type not supported"}, Case{8, 2, "compression type not supported"},
                 Case{4, 1, "compression type not supported"}, Case{1, 3, "compression type not supported"},
                 Case{24, 1, "unknown compression"}, Case{24, 3, "unknown compression"},
                 Case{32, 2, "unknown compression"}, Case{16, 1, "unknown compression"}}) {
    CDibImage image;
    std::vector<RGBQUAD> palette(c.bits <= 8 ? 1u << c.bits : 0);
    EXPECT_FALSE(DecodeBytes(image,
                             MakeBmp({.width = 2,
                                      .height = 2,
                                      .bits = c.bits,
                                      .compression = c.compression,
                                      .palette = palette,
                                      .pixels = Bytes(64, 0)}),
                             CDibImage::FORMAT_BMP));
    EXPECT_STREQ(image.GetLastError(), c.message) << c.bits << " bits, compression " << c.compression;
  }
}

TEST(BmpDecoder, ChecksTheInformationHeader) {
  Bytes rows(4, 0x11);
  CDibImage image;
  // 64 bytes: 24 bytes skipped.
  EXPECT_TRUE(DecodeBytes(image, MakeBmp({.fileHeader = false, .headerSize = 64, .pixels = rows}), 1));
  // Larger headers only when consistent with an uncompressed picture.
  EXPECT_TRUE(DecodeBytes(
      image, MakeBmp({.fileHeader = false, .headerSize = 108, .imageSize = 4, .pixels = rows}), 1))
      << image.GetLastError();
  EXPECT_EQ(image.ReadPixel(0, 0).rgbRed, 0x11);
  struct Case {
    BmpSpec spec;
    const char* message;
  };
  for (const Case& c :
       {Case{{.headerSize = 108, .imageSize = 0, .pixels = rows}, "Error reading BMP info"},
        Case{{.headerSize = 108, .imageSize = 4, .colorsUsed = 1, .pixels = rows}, "Error reading BMP info"},
        Case{{.headerSize = 20, .pixels = rows}, "Error reading BMP info"},
        Case{{.headerSize = 0, .pixels = rows}, "Error reading BMP info"},
        Case{{.bits = 3, .pixels = rows}, "Error reading BMP info"},
        Case{{.bits = 0, .pixels = rows}, "Error reading BMP info"},
        Case{{.width = 0, .pixels = rows}, "Can't allocate memory"},
        Case{{.width = -4, .pixels = rows}, "Can't allocate memory"},
        Case{{.height = 0, .pixels = rows}, "Can't allocate memory"},
        Case{{.height = INT32_MIN, .pixels = rows}, "Can't allocate memory"},
        Case{{.width = 100000, .height = 100000, .bits = 8, .compression = BI_RLE8, .pixels = rows},
             "Can't allocate memory"},
        // Rows claimed by the header but missing from the file: refused
        // before any memory is claimed for them.
        Case{{.width = 9000, .height = 9000, .pixels = rows}, "corrupted BMP"}}) {
    EXPECT_FALSE(DecodeBytes(image, MakeBmp(c.spec), CDibImage::FORMAT_BMP));
    EXPECT_STREQ(image.GetLastError(), c.message) << c.spec.headerSize << " " << c.spec.bits;
  }
}

TEST(BmpDecoder, TakesTheResolution) {
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, MakeBmp({.pelsPerMeter = 2835, .pixels = Bytes(4, 0)}), 1));
  EXPECT_EQ(image.GetXDpi(), 72);
  EXPECT_EQ(image.GetYDpi(), 72);
}

// Runs of RLE8 and RLE4 with every escape: end of line, delta, literal runs
// with and without padding, end of bitmap.
TEST(BmpDecoder, DecodesRunLengthCodedRows) {
  std::vector<RGBQUAD> palette(256);
  for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
  Bytes rle8 = {3, 1, 0, 3, 5, 6, 7, 0, 0, 0,  // row 0: 1 1 1 | literal 5 6 7 + pad | end of line
                0, 2, 2, 0, 2, 9, 0, 0,        // row 1: move right 2 | 9 9 | end of line
                6, 4, 0, 1,                    // row 2: 4 x 6 | end of bitmap
                7, 7};                         // never read
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(
      image,
      MakeBmp(
          {.width = 6, .height = 3, .bits = 8, .compression = BI_RLE8, .palette = palette, .pixels = rle8}),
      CDibImage::FORMAT_BMP))
      << image.GetLastError();
  ExpectIndices(image, {1, 1, 1, 5, 6, 7, 0, 0, 9, 9, 0, 0, 4, 4, 4, 4, 4, 4}, palette);

  Bytes rle4 = {5, 0x12, 0,    0,     // row 0: 1 2 1 2 1 | end of line
                0, 3,    0x34, 0x50,  // row 1: literal 3 4 5 (2 bytes, no pad)
                2, 0x77, 0,    1};    // 7 7 | end of bitmap
  ASSERT_TRUE(DecodeBytes(image,
                          MakeBmp({.width = 5,
                                   .height = 2,
                                   .bits = 4,
                                   .compression = BI_RLE4,
                                   .palette = std::vector<RGBQUAD>(palette.begin(), palette.begin() + 16),
                                   .pixels = rle4}),
                          CDibImage::FORMAT_BMP))
      << image.GetLastError();
  ExpectIndices(image, {1, 2, 1, 2, 1, 3, 4, 5, 7, 7}, palette);

  Bytes oddLiteral = {0, 5, 0x12, 0x34, 0x50, 0, 0, 1};  // 5 nibbles: 3 bytes + pad
  ASSERT_TRUE(DecodeBytes(image,
                          MakeBmp({.width = 6,
                                   .height = 1,
                                   .bits = 4,
                                   .compression = BI_RLE4,
                                   .palette = std::vector<RGBQUAD>(palette.begin(), palette.begin() + 16),
                                   .pixels = oddLiteral}),
                          CDibImage::FORMAT_BMP))
      << image.GetLastError();
  ExpectIndices(image, {1, 2, 3, 4, 5, 0}, palette);
}

TEST(BmpDecoder, RunLengthDataRunningOffTheImageIsCut) {
  std::vector<RGBQUAD> palette(16);
  for (int i = 0; i < 16; ++i) palette[i] = RGBQUAD{BYTE(i), 0, 0, 0};
  CDibImage image;
  // RLE4, 3 wide: a run of 10 and a literal of 6 are cut at the row's end; a
  // huge move right writes nothing; a move up past the top ends the picture.
  Bytes rle4 = {10, 0x12, 0, 0, 0, 6, 0x34, 0x56, 0x78, 0, 0, 2, 255, 0, 4, 0x99, 0, 2, 0, 50, 3, 0xAA};
  ASSERT_TRUE(DecodeBytes(
      image,
      MakeBmp(
          {.width = 3, .height = 3, .bits = 4, .compression = BI_RLE4, .palette = palette, .pixels = rle4}),
      CDibImage::FORMAT_BMP))
      << image.GetLastError();
  ExpectIndices(image, {1, 2, 1, 3, 4, 5, 0, 0, 0}, palette);

  // RLE8, 3 wide (rows of 4 bytes): a run of 4 fills the padding and goes on;
  // a run of 5 passes the padded width and ends the picture.
  std::vector<RGBQUAD> palette8(256);
  for (int i = 0; i < 256; ++i) palette8[i] = RGBQUAD{BYTE(i), 0, 0, 0};
  Bytes rle8 = {4, 8, 0, 0, 5, 9, 0, 0, 3, 7};
  ASSERT_TRUE(DecodeBytes(
      image,
      MakeBmp(
          {.width = 3, .height = 3, .bits = 8, .compression = BI_RLE8, .palette = palette8, .pixels = rle8}),
      CDibImage::FORMAT_BMP))
      << image.GetLastError();
  ExpectIndices(image, {8, 8, 8, 9, 9, 9, 0, 0, 0}, palette8);

  // A literal run longer than the remaining data, and data ending before the
  // picture is complete, are corrupt.
  for (Bytes bad : {Bytes{0, 200, 1, 2}, Bytes{3, 1, 0, 0}, Bytes{0, 2, 1}}) {
    EXPECT_FALSE(DecodeBytes(
        image,
        MakeBmp(
            {.width = 3, .height = 3, .bits = 8, .compression = BI_RLE8, .palette = palette8, .pixels = bad}),
        CDibImage::FORMAT_BMP));
    EXPECT_STREQ(image.GetLastError(), "corrupted BMP");
  }
}

TEST(BmpEncoder, WritesHeaderPaletteAndRows) {
  CDibImage image;
  ASSERT_NE(image.Create(10, 10, 8, 0), nullptr);
  std::mt19937 random(8);
  for (int i = 0; i < 256; ++i)
    image.SetPaletteColor(BYTE(i), RGBQUAD{BYTE(random()), BYTE(random()), BYTE(i), 0});
  for (long y = 0; y < 10; ++y)
    for (long x = 0; x < 10; ++x) image.GetBits(y)[x] = static_cast<BYTE>(random());
  image.SetXDpi(300);
  Bytes file = EncodeBytes(image, CDibImage::FORMAT_BMP);
  ASSERT_EQ(file.size(), 1078u + 12 * 10);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(GetLe32(file, 2), file.size());
  EXPECT_EQ(GetLe32(file, 6), 0u);
  EXPECT_EQ(GetLe32(file, 10), 1078u);
  EXPECT_EQ(GetLe32(file, 14), 40u);
  EXPECT_EQ(GetLe32(file, 18), 10u);
  EXPECT_EQ(GetLe32(file, 22), 10u);
  EXPECT_EQ(GetLe32(file, 28) & 0xFFFF, 8u);
  EXPECT_EQ(GetLe32(file, 34), 120u);
  EXPECT_EQ(GetLe32(file, 38), 11811u);  // 300 dots per inch
  EXPECT_EQ(GetLe32(file, 46), 256u);
  for (int i = 0; i < 256; ++i) {
    RGBQUAD color = image.GetPaletteColor(BYTE(i));
    ASSERT_EQ(std::memcmp(&file[54 + 4 * i], &color, 4), 0);
  }
  for (long y = 0; y < 10; ++y) ASSERT_EQ(std::memcmp(&file[1078 + 12 * y], image.GetBits(y), 10), 0);
}

TEST(BmpEncoder, RoundTripsEveryBitDepth) {
  std::mt19937 random(9);
  for (DWORD bits : {1u, 4u, 8u, 24u}) {
    for (DWORD width : {1u, 7u, 33u}) {
      CDibImage image;
      ASSERT_NE(image.Create(width, 5, bits, 0), nullptr);
      for (DWORD i = 0; i < image.GetNumColors(); ++i)
        image.SetPaletteColor(BYTE(i), RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0});
      for (long y = 0; y < 5; ++y)
        for (long x = 0; x < long(width); ++x)
          image.WritePixel(x, y, RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0});
      Bytes file = EncodeBytes(image, CDibImage::FORMAT_BMP);
      CDibImage decoded;
      ASSERT_TRUE(DecodeBytes(decoded, file, CDibImage::FORMAT_BMP)) << decoded.GetLastError();
      ASSERT_EQ(decoded.GetBitsPerPixel(), bits);
      for (long y = 0; y < 5; ++y) {
        for (long x = 0; x < long(width); ++x) {
          RGBQUAD a = image.ReadPixel(x, y), b = decoded.ReadPixel(x, y);
          ASSERT_EQ(std::memcmp(&a, &b, 4), 0) << bits << " bits at " << x << "," << y;
        }
      }
    }
  }
}

TEST(BmpEncoder, ReportsAFailingFile) {
  CDibImage image;
  ASSERT_NE(image.Create(2, 2, 24, 0), nullptr);
  CDibMemFile noBuffer;
  EXPECT_FALSE(image.Encode(&noBuffer, CDibImage::FORMAT_BMP));
  EXPECT_STREQ(image.GetLastError(), "Write Error");
}

// Every prefix of a valid file, and random damage, gives one of the decoder's
// messages; files cut before the last row fail.
TEST(BmpDecoder, TruncatedAndDamagedFilesFailCleanly) {
  const std::set<std::string> messages = {
      "Not a BMP",           "Error reading BMP info",         "Can't allocate memory", "corrupted BMP",
      "unknown compression", "compression type not supported", "can't allocate memory"};
  std::mt19937 random(99);
  std::vector<RGBQUAD> palette = RandomPalette(random, 16);
  Picture picture = RandomPicture(random, 5, 4, 3);
  Bytes rle = {3, 1, 0, 0, 0, 3, 0x12, 0x30, 0, 0, 2, 5, 0, 1};
  std::vector<Bytes> files = {
      MakeBmp({.width = 5, .height = 4, .pixels = Rows24(picture, false)}),
      MakeBmp({.width = 5, .height = 4, .bits = 16, .pixels = Bytes(48, 0x5A)}),
      MakeBmp({.width = 5, .height = 4, .bits = 32, .pixels = Bytes(80, 0x5A)}),
      MakeBmp({.width = 5, .height = 4, .bits = 4, .palette = palette, .pixels = Bytes(16, 0x5A)}),
      MakeBmp(
          {.headerSize = 12, .width = 5, .height = 4, .bits = 4, .palette = palette, .pixels = Bytes(16, 0)}),
      MakeBmp(
          {.width = 5, .height = 3, .bits = 4, .compression = BI_RLE4, .palette = palette, .pixels = rle})};
  for (const Bytes& file : files) {
    CDibImage image;
    ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_BMP)) << image.GetLastError();
    for (size_t length = 0; length < file.size(); ++length) {
      Bytes prefix(file.begin(), file.begin() + length);
      if (!DecodeBytes(image, prefix, CDibImage::FORMAT_BMP)) {
        ASSERT_TRUE(messages.count(image.GetLastError())) << image.GetLastError();
      } else {
        // Only the padding of the last row, or the end-of-bitmap mark, may be missing.
        ASSERT_GE(length + 3, file.size()) << length;
      }
    }
    for (int round = 0; round < 300; ++round) {
      Bytes damaged = file;
      for (int hits = 1 + random() % 4; hits > 0; --hits) damaged[random() % damaged.size()] = BYTE(random());
      if (!DecodeBytes(image, damaged, CDibImage::FORMAT_BMP)) {
        ASSERT_TRUE(messages.count(image.GetLastError())) << image.GetLastError();
      }
    }
  }
}

}  // namespace
