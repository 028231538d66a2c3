#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/image/CodecTestSupport.h"

namespace {

struct PngCase {
  int colorType;
  int bitDepth;
  bool interlaced;
  bool transparency;
};

int Channels(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    default:
      return 1;
  }
}

// Builds a random file of the case and the blue, green, red, alpha each pixel
// must decode to (top-down).
Bytes MakeCase(const PngCase& c, std::mt19937& random, uint32_t width, uint32_t height,
               std::vector<RGBQUAD>& expected) {
  PngSpec spec{.width = width,
               .height = height,
               .colorType = c.colorType,
               .bitDepth = c.bitDepth,
               .interlaced = c.interlaced};
  int channels = Channels(c.colorType);
  uint32_t maxSample = (1u << c.bitDepth) - 1;
  if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
    for (uint32_t i = 0; i <= maxSample; ++i)
      spec.palette.push_back(RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0});
    if (c.transparency)
      for (uint32_t i = 0; i <= maxSample / 2; ++i) spec.transparency.push_back(BYTE(random()));
  }
  expected.assign(width * height, RGBQUAD{});
  size_t rowBits = static_cast<size_t>(width) * channels * c.bitDepth;
  for (uint32_t y = 0; y < height; ++y) {
    Bytes row((rowBits + 7) / 8, 0);
    for (uint32_t x = 0; x < width; ++x) {
      uint32_t samples[4];
      for (int s = 0; s < channels; ++s) {
        samples[s] = random() & maxSample;
        size_t bit = (static_cast<size_t>(x) * channels + s) * c.bitDepth;
        if (c.bitDepth == 16) {
          row[bit / 8] = BYTE(samples[s] >> 8);
          row[bit / 8 + 1] = BYTE(samples[s]);
        } else {
          row[bit / 8] |= BYTE(samples[s] << (8 - c.bitDepth - bit % 8));
        }
      }
      // 16-bit samples keep their high byte; fewer bits are scaled up to 8.
      auto eight = [&](uint32_t v) { return BYTE(c.bitDepth == 16 ? v >> 8 : v * 255 / maxSample); };
      RGBQUAD& out = expected[y * width + x];
      switch (c.colorType) {
        case PNG_COLOR_TYPE_PALETTE: {
          RGBQUAD entry = spec.palette[samples[0]];
          out = RGBQUAD{entry.rgbBlue, entry.rgbGreen, entry.rgbRed,
                        samples[0] < spec.transparency.size() ? spec.transparency[samples[0]] : BYTE(255)};
          break;
        }
        case PNG_COLOR_TYPE_GRAY:
        case PNG_COLOR_TYPE_GRAY_ALPHA:
          out = RGBQUAD{eight(samples[0]), eight(samples[0]), eight(samples[0]),
                        channels == 2 ? eight(samples[1]) : BYTE(255)};
          break;
        default:
          out = RGBQUAD{eight(samples[2]), eight(samples[1]), eight(samples[0]),
                        channels == 4 ? eight(samples[3]) : BYTE(255)};
      }
    }
    spec.rows.push_back(row);
  }
  return WritePngDirect(spec);
}

TEST(PngDecoder, DecodesEveryColourTypeAndDepth) {
  std::vector<PngCase> cases;
  for (int depth : {1, 2, 4, 8, 16}) cases.push_back({PNG_COLOR_TYPE_GRAY, depth, false, false});
  for (int depth : {1, 2, 4, 8}) {
    cases.push_back({PNG_COLOR_TYPE_PALETTE, depth, false, false});
    cases.push_back({PNG_COLOR_TYPE_PALETTE, depth, false, true});
  }
  for (int depth : {8, 16}) {
    cases.push_back({PNG_COLOR_TYPE_RGB, depth, false, false});
    cases.push_back({PNG_COLOR_TYPE_RGB_ALPHA, depth, false, false});
    cases.push_back({PNG_COLOR_TYPE_GRAY_ALPHA, depth, false, false});
  }
  cases.push_back({PNG_COLOR_TYPE_RGB, 8, true, false});
  cases.push_back({PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false});
  cases.push_back({PNG_COLOR_TYPE_PALETTE, 4, true, true});
  cases.push_back({PNG_COLOR_TYPE_GRAY, 2, true, false});
  std::mt19937 random(4);
  for (const PngCase& c : cases) {
    for (uint32_t width : {1u, 3u, 9u, 17u}) {
      std::vector<RGBQUAD> expected;
      Bytes file = MakeCase(c, random, width, 11, expected);
      ASSERT_FALSE(file.empty());
      CDibImage image;
      ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_PNG)) << image.GetLastError();
      bool alpha = (c.colorType & PNG_COLOR_MASK_ALPHA) != 0 || c.transparency;
      ASSERT_EQ(image.HasAlphaChannel(), alpha);
      ASSERT_EQ(image.GetBitsPerPixel(), 24);
      ASSERT_EQ(image.GetType(), CDibImage::FORMAT_PNG);
      for (uint32_t y = 0; y < 11; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
          RGBQUAD got = TopDownPixel(image, x, y, true);
          if (!alpha) got.rgbReserved = 255;
          RGBQUAD want = expected[y * width + x];
          ASSERT_EQ(std::memcmp(&got, &want, 4), 0)
              << "type " << c.colorType << " depth " << c.bitDepth << " interlaced " << c.interlaced << " at "
              << x << "," << y;
        }
      }
    }
  }
}

TEST(PngDecoder, TakesTheResolution) {
  PngSpec spec{.colorType = PNG_COLOR_TYPE_GRAY, .rows = {Bytes{0}}, .pelsPerMeter = 2835};
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, WritePngDirect(spec), CDibImage::FORMAT_PNG));
  EXPECT_EQ(image.GetXDpi(), 72);
}

Bytes Chunk(const char* type, const Bytes& data) {
  Bytes chunk;
  for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(BYTE(data.size() >> shift));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  uLong crc = crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
  for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(BYTE(crc >> shift));
  return chunk;
}

// A header claiming far more rows than the rest of the file could inflate to
// is refused before the picture's memory is claimed; its size is still told.
TEST(PngDecoder, RefusesPicturesTheFileCannotHold) {
  Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header = {0, 1, 0x86, 0xA0, 0, 1, 0x86, 0xA0, 8, 2, 0, 0, 0};  // 100000 x 100000 RGB
  Bytes ihdr = Chunk("IHDR", header);
  file.insert(file.end(), ihdr.begin(), ihdr.end());
  Bytes idat = Chunk("IDAT", {0x78, 0x9C, 0x03, 0x00});
  file.insert(file.end(), idat.begin(), idat.end());
  Bytes iend = Chunk("IEND", {});
  file.insert(file.end(), iend.begin(), iend.end());
  CDibImage image;
  EXPECT_FALSE(DecodeBytes(image, file, CDibImage::FORMAT_PNG));
  EXPECT_STREQ(image.GetLastError(), "Read Error");
  image.SetEscape(-1);
  EXPECT_FALSE(DecodeBytes(image, file, CDibImage::FORMAT_PNG));
  EXPECT_STREQ(image.GetLastError(), "output dimensions returned");
  EXPECT_EQ(image.GetWidth(), 100000u);
  EXPECT_EQ(image.GetHeight(), 100000u);
}

TEST(PngDecoder, TruncatedAndDamagedFilesFailCleanly) {
  std::mt19937 random(5);
  std::vector<RGBQUAD> expected;
  for (PngCase c :
       {PngCase{PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false}, PngCase{PNG_COLOR_TYPE_PALETTE, 4, false, true}}) {
    Bytes file = MakeCase(c, random, 12, 9, expected);
    CDibImage image;
    for (size_t length = 0; length + 12 < file.size(); ++length) {
      // Up to the end of the picture data (the trailing IEND chunk is 12 bytes).
      ASSERT_FALSE(DecodeBytes(image, Bytes(file.begin(), file.begin() + length), CDibImage::FORMAT_PNG))
          << length;
      ASSERT_NE(image.GetLastError()[0], '\0');
    }
    EXPECT_FALSE(DecodeBytes(image, Bytes(file.begin(), file.begin() + 20), CDibImage::FORMAT_PNG));
    EXPECT_STREQ(image.GetLastError(), "Read Error");
    Bytes badSignature = file;
    badSignature[1] = 'X';
    EXPECT_FALSE(DecodeBytes(image, badSignature, CDibImage::FORMAT_PNG));
    EXPECT_STREQ(image.GetLastError(), "Not a PNG file");
    for (int round = 0; round < 300; ++round) {
      Bytes damaged = file;
      for (int hits = 1 + random() % 4; hits > 0; --hits)
        damaged[8 + random() % (damaged.size() - 8)] = BYTE(random());
      if (!DecodeBytes(image, damaged, CDibImage::FORMAT_PNG)) {
        ASSERT_NE(image.GetLastError()[0], '\0');
      }
    }
  }
}

void Fill(CDibImage& image, std::mt19937& random) {
  for (DWORD i = 0; i < image.GetNumColors(); ++i)
    image.SetPaletteColor(BYTE(i), RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0});
  for (long y = 0; y < long(image.GetHeight()); ++y)
    for (long x = 0; x < long(image.GetWidth()); ++x)
      image.WritePixel(x, y, RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), BYTE(random())}, true);
}

TEST(PngEncoder, WritesWhatLibpngReadsBack) {
  std::mt19937 random(6);
  struct Case {
    DWORD bits;
    bool alpha;
    int colorType;
    int bitDepth;
  };
  for (Case c : {Case{24, false, PNG_COLOR_TYPE_RGB, 8}, Case{24, true, PNG_COLOR_TYPE_RGB_ALPHA, 8},
                 Case{8, false, PNG_COLOR_TYPE_PALETTE, 8}, Case{4, false, PNG_COLOR_TYPE_PALETTE, 4},
                 Case{1, false, PNG_COLOR_TYPE_PALETTE, 1}, Case{8, true, PNG_COLOR_TYPE_RGB_ALPHA, 8}}) {
    for (DWORD width : {1u, 6u, 31u}) {
      CDibImage image;
      ASSERT_NE(image.Create(width, 7, c.bits, 0), nullptr);
      if (c.alpha) {
        ASSERT_TRUE(image.CreateAlphaChannel());
      }
      Fill(image, random);
      image.SetXDpi(150);
      image.SetYDpi(150);
      Bytes file = EncodeBytes(image, CDibImage::FORMAT_PNG);
      ASSERT_GT(file.size(), 33u) << image.GetLastError();
      EXPECT_EQ(file[24], c.bitDepth);
      EXPECT_EQ(file[25], c.colorType);
      Picture bgra;
      ASSERT_TRUE(ReadPngDirect(file, bgra));
      ASSERT_EQ(bgra.width, width);
      ASSERT_EQ(bgra.height, 7u);
      for (uint32_t y = 0; y < 7; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
          RGBQUAD want = TopDownPixel(image, x, y, true);
          if (!c.alpha) want.rgbReserved = 255;
          ASSERT_EQ(std::memcmp(bgra.At(x, y), &want, 4), 0) << c.bits << " bits at " << x << "," << y;
        }
      }
      CDibImage decoded;
      ASSERT_TRUE(DecodeBytes(decoded, file, CDibImage::FORMAT_UNKNOWN));
      EXPECT_EQ(decoded.GetXDpi(), 150);
      EXPECT_EQ(decoded.HasAlphaChannel(), c.alpha);
    }
  }
}

TEST(PngEncoder, ReportsAFailingFile) {
  CDibImage image;
  ASSERT_NE(image.Create(2, 2, 24, 0), nullptr);
  CDibMemFile noBuffer;
  EXPECT_FALSE(image.Encode(&noBuffer, CDibImage::FORMAT_PNG));
  EXPECT_STREQ(image.GetLastError(), "Write Error");
}

}  // namespace
