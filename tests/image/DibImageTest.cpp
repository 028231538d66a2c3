#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/image/CodecTestSupport.h"

namespace {

TEST(DibImageCreate, NormalisesBitsAndPadsRows) {
  for (DWORD bits = 0; bits <= 32; ++bits) {
    WORD expected = bits <= 1 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : 24;
    DWORD colors = expected == 24 ? 0 : 1u << expected;
    for (DWORD width = 1; width <= 70; ++width) {
      CDibImage image;
      ASSERT_NE(image.Create(width, 3, bits, CDibImage::FORMAT_BMP), nullptr);
      ASSERT_EQ(image.GetBitsPerPixel(), expected);
      ASSERT_EQ(image.GetNumColors(), colors);
      DWORD rowBits = width * expected;
      DWORD effWidth = (rowBits + 31) / 32 * 4;
      ASSERT_EQ(image.GetEffWidth(), effWidth) << width << " x " << bits;
      ASSERT_EQ(image.GetHeader().biSizeImage, effWidth * 3);
      ASSERT_EQ(image.GetBits(1) - image.GetBits(0), static_cast<long>(effWidth));
      ASSERT_EQ(image.GetType(), CDibImage::FORMAT_BMP);
    }
  }
  CDibImage image;
  ASSERT_NE(image.Create(10, 10, 5, 0), nullptr);
  EXPECT_EQ(image.GetBitsPerPixel(), 8);
  EXPECT_EQ(image.GetNumColors(), 256u);
  EXPECT_EQ(image.GetEffWidth(), 12u);
  ASSERT_NE(image.Create(3, 1, 24, 0), nullptr);
  EXPECT_EQ(image.GetEffWidth(), 12u);
  ASSERT_NE(image.Create(3, 1, 16, 0), nullptr);
  EXPECT_EQ(image.GetBitsPerPixel(), 24);
}

TEST(DibImageCreate, PaletteStartsBlack) {
  CDibImage image;
  ASSERT_NE(image.Create(4, 4, 8, 0), nullptr);
  for (int i = 0; i < 256; ++i) {
    RGBQUAD color = image.GetPaletteColor(static_cast<BYTE>(i));
    ASSERT_EQ(color.rgbBlue | color.rgbGreen | color.rgbRed | color.rgbReserved, 0);
  }
}

TEST(DibImageCreate, RefusesZeroSizesAndLeavesTheImageEmpty) {
  CDibImage image;
  ASSERT_NE(image.Create(2, 2, 24, 0), nullptr);
  EXPECT_EQ(image.Create(0, 5, 24, 0), nullptr);
  EXPECT_STREQ(image.GetLastError(), "CDibImage::Create : width and height must be greater than zero");
  EXPECT_FALSE(image.IsValid());
  EXPECT_EQ(image.GetWidth(), 0u);
  EXPECT_EQ(image.Create(5, 0, 1, 0), nullptr);
  EXPECT_STREQ(image.GetLastError(), "CDibImage::Create : width and height must be greater than zero");
}

TEST(DibImageCreate, CapsThePixelMemoryWithoutOverflow) {
  CDibImage image;
  EXPECT_EQ(image.Create(100000, 100000, 24, 0), nullptr);
  EXPECT_STREQ(image.GetLastError(), "DIBIMAGE_MAX_MEMORY exceeded");
  EXPECT_EQ(image.Create(0xFFFFFFFF, 0xFFFFFFFF, 32, 0), nullptr);
  EXPECT_STREQ(image.GetLastError(), "DIBIMAGE_MAX_MEMORY exceeded");
  // 2^31 pixels of one bit would wrap a 32-bit product of width and bits.
  EXPECT_EQ(image.Create(0x80000000u, 1, 1, 0), nullptr);
  EXPECT_STREQ(image.GetLastError(), "DIBIMAGE_MAX_MEMORY exceeded");
  // The alpha channel counts too: one byte per pixel.
  EXPECT_EQ(image.Create(16001, 16000, 1, 0), nullptr);
  EXPECT_STREQ(image.GetLastError(), "DIBIMAGE_MAX_MEMORY exceeded");
  EXPECT_NE(image.Create(16000, 16000, 1, 0), nullptr);
}

TEST(DibImageCreate, RecreatesAnExistingAlphaChannelOpaque) {
  CDibImage image;
  ASSERT_NE(image.Create(3, 3, 24, 0), nullptr);
  ASSERT_TRUE(image.CreateAlphaChannel());
  image.WritePixel(1, 1, RGBQUAD{1, 2, 3, 40}, true);
  ASSERT_NE(image.Create(5, 2, 8, 0), nullptr);
  ASSERT_TRUE(image.HasAlphaChannel());
  for (long y = 0; y < 2; ++y)
    for (long x = 0; x < 5; ++x) EXPECT_EQ(image.GetAlphaAt(x, y), 255);
}

TEST(DibImagePixels, ReadsBackWhatIsWrittenAt24Bits) {
  std::mt19937 random(7);
  CDibImage image;
  ASSERT_NE(image.Create(37, 11, 24, 0), nullptr);
  ASSERT_TRUE(image.CreateAlphaChannel());
  std::vector<RGBQUAD> expected(37 * 11);
  for (long y = 0; y < 11; ++y) {
    for (long x = 0; x < 37; ++x) {
      uint32_t value = random();
      RGBQUAD color{static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                    static_cast<BYTE>(value >> 24)};
      expected[y * 37 + x] = color;
      image.WritePixel(x, y, color, true);
    }
  }
  for (long y = 0; y < 11; ++y) {
    for (long x = 0; x < 37; ++x) {
      RGBQUAD want = expected[y * 37 + x];
      RGBQUAD got = image.ReadPixel(x, y, true);
      ASSERT_EQ(std::memcmp(&got, &want, 4), 0) << x << "," << y;
      // The stored bytes are blue, green, red at 3 bytes a pixel.
      ASSERT_EQ(image.GetBits(y)[x * 3 + 2], want.rgbRed);
      RGBQUAD opaque = image.ReadPixel(x, y, false);
      ASSERT_EQ(opaque.rgbReserved, 0);
    }
  }
}

TEST(DibImagePixels, PalettedImagesStoreTheNearestEntry) {
  for (DWORD bits : {1u, 4u, 8u}) {
    CDibImage image;
    ASSERT_NE(image.Create(19, 5, bits, 0), nullptr);
    DWORD colors = image.GetNumColors();
    for (DWORD i = 0; i < colors; ++i) {
      BYTE level = static_cast<BYTE>(i * 255 / (colors - 1));
      image.SetPaletteColor(static_cast<BYTE>(i), RGBQUAD{level, static_cast<BYTE>(255 - level), 0, 0});
    }
    std::mt19937 random(bits);
    for (long y = 0; y < 5; ++y) {
      for (long x = 0; x < 19; ++x) {
        BYTE index = static_cast<BYTE>(random() % colors);
        RGBQUAD entry = image.GetPaletteColor(index);
        // A colour one step off the entry still maps to it.
        RGBQUAD near{entry.rgbBlue, entry.rgbGreen, 1, 0};
        image.WritePixel(x, y, near);
        ASSERT_EQ(image.GetPixelIndex(x, y), index) << bits << ": " << x << "," << y;
        RGBQUAD got = image.ReadPixel(x, y);
        ASSERT_EQ(std::memcmp(&got, &entry, 4), 0);
      }
    }
  }
}

TEST(DibImagePixels, OutsideTheImageGivesTheFirstPixel) {
  CDibImage image;
  ASSERT_NE(image.Create(4, 3, 24, 0), nullptr);
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 4; ++x) image.WritePixel(x, y, RGBQUAD{BYTE(x), BYTE(y), 9, 0});
  for (auto [x, y] : std::vector<std::pair<long, long>>{{-1, 0}, {0, -1}, {4, 0}, {0, 3}, {-100, 100}}) {
    RGBQUAD color = image.ReadPixel(x, y);
    EXPECT_EQ(color.rgbBlue, 0);
    EXPECT_EQ(color.rgbGreen, 0);
    EXPECT_EQ(color.rgbRed, 9);
    // Writes outside are ignored.
    image.WritePixel(x, y, RGBQUAD{200, 200, 200, 0});
  }
  for (long y = 0; y < 3; ++y)
    for (long x = 0; x < 4; ++x) EXPECT_EQ(image.ReadPixel(x, y).rgbBlue, x);
  EXPECT_EQ(image.GetAlphaAt(0, 0), 0);  // no alpha channel
  CDibImage empty;
  RGBQUAD none = empty.ReadPixel(0, 0);
  EXPECT_EQ(none.rgbBlue | none.rgbGreen | none.rgbRed, 0);
}

TEST(DibImage, TakeOverMovesEverythingAndEmptiesTheOther) {
  CDibImage source;
  ASSERT_NE(source.Create(6, 2, 24, CDibImage::FORMAT_PNG), nullptr);
  ASSERT_TRUE(source.CreateAlphaChannel());
  source.WritePixel(5, 1, RGBQUAD{10, 20, 30, 40}, true);
  CDibImage target;
  ASSERT_NE(target.Create(1, 1, 1, 0), nullptr);
  target.TakeOver(source);
  EXPECT_FALSE(source.IsValid());
  EXPECT_FALSE(source.HasAlphaChannel());
  EXPECT_EQ(source.GetWidth(), 0u);
  ASSERT_TRUE(target.IsValid());
  EXPECT_EQ(target.GetWidth(), 6u);
  EXPECT_EQ(target.GetType(), CDibImage::FORMAT_PNG);
  RGBQUAD color = target.ReadPixel(5, 1, true);
  EXPECT_EQ(color.rgbRed, 30);
  EXPECT_EQ(color.rgbReserved, 40);
}

TEST(DibImageDispatch, UnknownFormatsAndMissingArgumentsAreRefused) {
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
  for (DWORD id = CDibImage::FORMAT_BMP; id < CDibImage::FORMAT_COUNT; ++id) {
    EXPECT_FALSE(image.Encode(nullptr, id)) << id;
    EXPECT_STREQ(image.GetLastError(), "null file handler");
    CDibImage empty;
    EXPECT_TRUE(EncodeBytes(empty, id).empty());
    EXPECT_STREQ(empty.GetLastError(), "null image!!!") << id;
  }
}

TEST(DibImageDispatch, AFailedDecodeKeepsThePreviousPicture) {
  CDibImage image;
  ASSERT_NE(image.Create(2, 2, 24, 0), nullptr);
  image.WritePixel(1, 1, RGBQUAD{5, 6, 7, 0});
  EXPECT_FALSE(DecodeBytes(image, Bytes{'B', 'M', 1, 2}, CDibImage::FORMAT_BMP));
  EXPECT_STREQ(image.GetLastError(), "Not a BMP");
  ASSERT_TRUE(image.IsValid());
  EXPECT_EQ(image.ReadPixel(1, 1).rgbRed, 7);
}

// Records where each decoder attempt starts: the rewinds to the noted position.
class RecordingFile : public CDibMemFile {
 public:
  using CDibMemFile::CDibMemFile;
  bool Seek(long offset, int origin) override {
    if (origin == 0) seeksTo.push_back(offset);
    return CDibMemFile::Seek(offset, origin);
  }
  std::vector<long> seeksTo;
};

// Decodes with detection from `start` and gives the absolute seeks made.
std::vector<long> DetectionSeeks(Bytes data, long start) {
  RecordingFile file(data.data(), data.size());
  file.Seek(start, 0);
  file.seeksTo.clear();
  CDibImage image;
  EXPECT_TRUE(image.Decode(&file, CDibImage::FORMAT_UNKNOWN)) << image.GetLastError();
  return file.seeksTo;
}

TEST(DibImageDispatch, DetectionTriesBmpThenJpegBeforePng) {
  Bytes prefix(7, 0x55);
  Bytes bmp = MakeBmp(BmpSpec{.width = 2, .height = 2, .bits = 24, .pixels = Bytes(16, 0x80)});
  Picture picture = GradientPicture(8, 8, 3);
  Bytes jpeg = WriteJpegDirect(picture, 90);
  PngSpec spec{.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_RGB, .rows = {Bytes{1, 2, 3, 4, 5, 6}}};
  Bytes png = WritePngDirect(spec);
  ASSERT_FALSE(jpeg.empty());
  ASSERT_FALSE(png.empty());
  for (Bytes* data : {&bmp, &jpeg, &png}) data->insert(data->begin(), prefix.begin(), prefix.end());
  // BMP succeeds without a rewind; a JPEG after the BMP decoder gave up; a
  // PNG only after BMP, JPEG (and the icon and GIF decoders when present)
  // gave up. Every rewind goes to where the file stood, not to its start.
  std::vector<long> bmpSeeks = DetectionSeeks(bmp, 7);
  std::vector<long> jpegSeeks = DetectionSeeks(jpeg, 7);
  std::vector<long> pngSeeks = DetectionSeeks(png, 7);
  EXPECT_EQ(std::count(bmpSeeks.begin(), bmpSeeks.end(), 7), 0);
  EXPECT_LT(bmpSeeks.size(), jpegSeeks.size());
  EXPECT_LT(jpegSeeks.size(), pngSeeks.size());
  EXPECT_EQ(std::count(jpegSeeks.begin(), jpegSeeks.end(), 7), long(jpegSeeks.size()));
  EXPECT_EQ(std::count(pngSeeks.begin(), pngSeeks.end(), 7), long(pngSeeks.size()));

  CDibImage image;
  EXPECT_TRUE(DecodeBytes(image, Bytes(png.begin() + 7, png.end()), CDibImage::FORMAT_UNKNOWN));
  EXPECT_EQ(image.GetType(), CDibImage::FORMAT_PNG);
  EXPECT_EQ(TopDownPixel(image, 1, 0).rgbRed, 4);
  EXPECT_TRUE(DecodeBytes(image, Bytes(jpeg.begin() + 7, jpeg.end()), CDibImage::FORMAT_UNKNOWN));
  EXPECT_EQ(image.GetType(), CDibImage::FORMAT_JPG);
  EXPECT_FALSE(DecodeBytes(image, Bytes(300, 0x42), CDibImage::FORMAT_UNKNOWN));
  EXPECT_STREQ(image.GetLastError(), "Decode: Unknown or wrong format");
  EXPECT_FALSE(DecodeBytes(image, Bytes(), CDibImage::FORMAT_UNKNOWN));
  EXPECT_STREQ(image.GetLastError(), "Decode: Unknown or wrong format");
}

TEST(DibImageDispatch, EscapeMinusOneGivesTheDimensionsOnly) {
  Bytes bmp = MakeBmp(BmpSpec{.width = 3, .height = -2, .bits = 24, .pixels = Bytes(24, 0)});
  PngSpec spec{
      .width = 5, .height = 4, .colorType = PNG_COLOR_TYPE_GRAY, .rows = std::vector<Bytes>(4, Bytes(5))};
  Bytes png = WritePngDirect(spec);
  Bytes jpeg = WriteJpegDirect(GradientPicture(9, 7, 1), 80);
  struct Case {
    Bytes* data;
    DWORD id;
    DWORD width, height;
  };
  for (Case c : {Case{&bmp, 1, 3, 2}, Case{&png, 4, 5, 4}, Case{&jpeg, 3, 9, 7}}) {
    for (DWORD id : {c.id, 0u}) {
      CDibImage image;
      ASSERT_NE(image.Create(1, 1, 24, 0), nullptr);
      image.SetEscape(-1);
      EXPECT_FALSE(DecodeBytes(image, *c.data, id));
      EXPECT_STREQ(image.GetLastError(), "output dimensions returned");
      EXPECT_FALSE(image.IsValid());
      EXPECT_EQ(image.GetWidth(), c.width);
      EXPECT_EQ(image.GetHeight(), c.height);
      EXPECT_EQ(image.GetType(), c.id);
      image.SetEscape(1);
      EXPECT_FALSE(DecodeBytes(image, *c.data, c.id));
      EXPECT_STREQ(image.GetLastError(), "Cancelled");
      image.SetEscape(0);
      EXPECT_TRUE(DecodeBytes(image, *c.data, id));
    }
  }
}

}  // namespace
