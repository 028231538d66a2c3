#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/image/CodecTestSupport.h"

namespace {

constexpr auto kTga = CDibImage::FORMAT_TGA;

// The pictures of fixtures/make-tga-pcx-fixtures.sh, as red, green, blue.
RGBQUAD FixtureRgb(uint32_t x, uint32_t y) {
  if (y == 1 && x < 5) return RGBQUAD{90, 30, 200, 0};
  return RGBQUAD{BYTE((7 * x * x + 29 * y) % 256), BYTE((11 * x + 71 * y + 40) % 256),
                 BYTE((53 * x + 17 * y) % 256), 0};
}
BYTE FixtureAlpha(uint32_t x, uint32_t y) { return BYTE((37 * x + 61 * y) % 256); }
BYTE FixtureGrey(uint32_t x, uint32_t y) { return y == 2 && x < 6 ? 0 : BYTE((29 * x + 53 * y + 11) % 256); }

struct TgaSpec {
  Bytes id = {};
  BYTE mapType = 0;
  BYTE type = 2;
  uint16_t mapFirst = 0;
  uint16_t mapLength = 0;
  BYTE entryBits = 0;
  uint16_t width = 1;
  uint16_t height = 1;
  BYTE depth = 24;
  BYTE descriptor = 0;
  Bytes map = {};   // entries exactly as stored
  Bytes data = {};  // pixels (or packets) exactly as stored
};

Bytes MakeTga(const TgaSpec& spec) {
  Bytes out = {BYTE(spec.id.size()), spec.mapType, spec.type};
  PutLe16(out, spec.mapFirst);
  PutLe16(out, spec.mapLength);
  out.push_back(spec.entryBits);
  PutLe32(out, 0);  // origin
  PutLe16(out, spec.width);
  PutLe16(out, spec.height);
  out.push_back(spec.depth);
  out.push_back(spec.descriptor);
  out.insert(out.end(), spec.id.begin(), spec.id.end());
  out.insert(out.end(), spec.map.begin(), spec.map.end());
  out.insert(out.end(), spec.data.begin(), spec.data.end());
  return out;
}

void ExpectColor(RGBQUAD got, RGBQUAD want, uint32_t x, uint32_t y) {
  ASSERT_EQ(got.rgbRed, want.rgbRed) << x << "," << y;
  ASSERT_EQ(got.rgbGreen, want.rgbGreen) << x << "," << y;
  ASSERT_EQ(got.rgbBlue, want.rgbBlue) << x << "," << y;
}

TEST(TgaDecoder, ReadsTrueColourFixturesOfEveryLayout) {
  for (const char* name :
       {"tga-rgb.tga", "tga-rgb-rle.tga", "tga-rgb-top.tga", "tga-rgb-top-rle.tga", "tga-rgba-top-rle.tga"}) {
    Bytes file = ReadFixture(name);
    ASSERT_FALSE(file.empty()) << name;
    bool alpha = std::string(name) == "tga-rgba-top-rle.tga";
    // Found by detection too.
    for (DWORD id : {kTga, CDibImage::FORMAT_UNKNOWN}) {
      CDibImage image;
      ASSERT_TRUE(DecodeBytes(image, file, id)) << name << ": " << image.GetLastError();
      EXPECT_EQ(image.GetType(), kTga);
      ASSERT_EQ(image.GetWidth(), 7u);
      ASSERT_EQ(image.GetHeight(), 5u);
      EXPECT_EQ(image.GetBitsPerPixel(), 24);
      EXPECT_EQ(image.HasAlphaChannel(), alpha) << name;
      for (uint32_t y = 0; y < 5; ++y) {
        for (uint32_t x = 0; x < 7; ++x) {
          RGBQUAD got = TopDownPixel(image, x, y, true);
          ExpectColor(got, FixtureRgb(x, y), x, y);
          if (alpha) {
            ASSERT_EQ(got.rgbReserved, FixtureAlpha(x, y)) << x << "," << y;
          }
        }
      }
    }
  }
}

TEST(TgaDecoder, ReadsColourMappedAndGreyFixtures) {
  for (const char* name : {"tga-mapped.tga", "tga-mapped-rle.tga", "tga-mapped-top-rle.tga", "tga-grey.tga",
                           "tga-grey-rle.tga", "tga-grey-top-rle.tga"}) {
    bool grey = std::string(name).find("grey") != std::string::npos;
    CDibImage image;
    ASSERT_TRUE(DecodeBytes(image, ReadFixture(name), CDibImage::FORMAT_UNKNOWN))
        << name << ": " << image.GetLastError();
    EXPECT_EQ(image.GetType(), kTga);
    EXPECT_EQ(image.GetBitsPerPixel(), 8);
    EXPECT_FALSE(image.HasAlphaChannel());
    for (uint32_t y = 0; y < 5; ++y) {
      for (uint32_t x = 0; x < 7; ++x) {
        RGBQUAD want = FixtureRgb(x, y);
        if (grey) want = RGBQUAD{FixtureGrey(x, y), FixtureGrey(x, y), FixtureGrey(x, y), 0};
        ExpectColor(TopDownPixel(image, x, y), want, x, y);
      }
    }
  }
}

// 15- and 16-bit pixels: five bits per channel, red highest, scaled to the
// full 8-bit range; the top bit is opacity when the descriptor gives one
// alpha bit. Every orientation.
TEST(TgaDecoder, Reads16BitPixelsInEveryOrientation) {
  std::mt19937 random(16);
  auto scale = [](uint32_t v) { return BYTE(((v & 31) * 255 + 15) / 31); };
  for (BYTE depth : {15, 16}) {
    for (BYTE alphaBits : {0, 1}) {
      if (depth == 15 && alphaBits == 1) continue;
      for (BYTE orientation : {0x00, 0x10, 0x20, 0x30}) {
        uint16_t width = 5, height = 3;
        std::vector<uint32_t> pixels(width * height);
        TgaSpec spec{
            .width = width, .height = height, .depth = depth, .descriptor = BYTE(orientation | alphaBits)};
        for (uint32_t& pixel : pixels) {
          pixel = random() & 0xFFFF;
          PutLe16(spec.data, pixel);
        }
        CDibImage image;
        ASSERT_TRUE(DecodeBytes(image, MakeTga(spec), kTga)) << image.GetLastError();
        EXPECT_EQ(image.HasAlphaChannel(), alphaBits == 1);
        for (uint32_t row = 0; row < height; ++row) {
          for (uint32_t column = 0; column < width; ++column) {
            uint32_t pixel = pixels[row * width + column];
            uint32_t x = orientation & 0x10 ? width - 1 - column : column;
            uint32_t y = orientation & 0x20 ? row : height - 1 - row;  // top-down picture row
            RGBQUAD got = TopDownPixel(image, x, y, true);
            ExpectColor(got, RGBQUAD{scale(pixel), scale(pixel >> 5), scale(pixel >> 10), 0}, x, y);
            if (alphaBits == 1) {
              ASSERT_EQ(got.rgbReserved, pixel & 0x8000 ? 255 : 0);
            }
          }
        }
      }
    }
  }
}

TEST(TgaDecoder, ReadsMapsOfEveryEntrySizeFromTheirFirstIndex) {
  // Map entries 10 to 13; pixels index them.
  Bytes indices = {10, 11, 12, 13, 13, 10};
  struct Case {
    BYTE bits;
    Bytes entries;
    std::vector<RGBQUAD> colors;
  };
  for (const Case& c : {Case{24,
                             {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
                             {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}, {10, 11, 12, 0}}},
                        Case{32,
                             {1, 2, 3, 0, 4, 5, 6, 9, 7, 8, 9, 0, 10, 11, 12, 255},
                             {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}, {10, 11, 12, 0}}},
                        // 0x7FFF white, 0x001F blue, 0x03E0 green, 0x7C00 red
                        Case{16,
                             {0xFF, 0x7F, 0x1F, 0x00, 0xE0, 0x03, 0x00, 0x7C},
                             {{255, 255, 255, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}}},
                        Case{15,
                             {0xFF, 0xFF, 0x1F, 0x80, 0xE0, 0x03, 0x00, 0x7C},
                             {{255, 255, 255, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}}}}) {
    for (BYTE type : {1, 9}) {
      Bytes data = indices;
      if (type == 9) data = {0x05, 10, 11, 12, 13, 13, 10};  // one raw packet of six
      CDibImage image;
      ASSERT_TRUE(DecodeBytes(image,
                              MakeTga({.mapType = 1,
                                       .type = type,
                                       .mapFirst = 10,
                                       .mapLength = 4,
                                       .entryBits = c.bits,
                                       .width = 3,
                                       .height = 2,
                                       .depth = 8,
                                       .map = c.entries,
                                       .data = data}),
                              kTga))
          << image.GetLastError();
      EXPECT_EQ(image.GetBitsPerPixel(), 8);
      for (uint32_t i = 0; i < 6; ++i) {
        uint32_t x = i % 3, y = i / 3;  // bottom row first
        ASSERT_EQ(image.GetPixelIndex(x, y), indices[i]);
        RGBQUAD got = image.ReadPixel(x, y);
        ASSERT_EQ(std::memcmp(&got, &c.colors[indices[i] - 10], 4), 0) << int(c.bits) << " bits, " << i;
      }
    }
  }
}

TEST(TgaDecoder, SkipsTheIdFieldAndAMapTrueColourPixelsDoNotUse) {
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image,
                          MakeTga({.id = Bytes(255, 'x'),
                                   .mapType = 1,
                                   .type = 2,
                                   .mapLength = 300,
                                   .entryBits = 24,
                                   .width = 2,
                                   .depth = 24,
                                   .map = Bytes(900, 0xAB),
                                   .data = {1, 2, 3, 4, 5, 6}}),
                          kTga))
      << image.GetLastError();
  ExpectColor(image.ReadPixel(1, 0), RGBQUAD{4, 5, 6, 0}, 1, 0);
}

// Packets may run on from one row to the next; a run is one pixel repeated,
// a raw packet that many pixels in a row.
TEST(TgaDecoder, RunLengthPacketsCrossRows) {
  Bytes data = {0x83, 9, 8, 7,            // 4 x (7, 8, 9)
                0x01, 1, 2, 3, 4, 5, 6};  // raw: (3, 2, 1), (6, 5, 4)
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, MakeTga({.type = 10, .width = 3, .height = 2, .data = data}), kTga))
      << image.GetLastError();
  ExpectColor(image.ReadPixel(0, 0), {9, 8, 7, 0}, 0, 0);
  ExpectColor(image.ReadPixel(0, 1), {9, 8, 7, 0}, 0, 1);
  ExpectColor(image.ReadPixel(1, 1), {1, 2, 3, 0}, 1, 1);
  ExpectColor(image.ReadPixel(2, 1), {4, 5, 6, 0}, 2, 1);
  // Greyscale runs, 32-bit runs carry their opacity.
  ASSERT_TRUE(DecodeBytes(
      image, MakeTga({.type = 11, .width = 2, .height = 2, .depth = 8, .data = {0x83, 77}}), kTga));
  EXPECT_EQ(image.ReadPixel(1, 1).rgbGreen, 77);
  ASSERT_TRUE(DecodeBytes(
      image, MakeTga({.type = 10, .width = 2, .depth = 32, .descriptor = 8, .data = {0x81, 1, 2, 3, 44}}),
      kTga));
  EXPECT_EQ(image.ReadPixel(1, 0, true).rgbReserved, 44);
}

struct BadCase {
  TgaSpec spec;
  const char* message;
};

TEST(TgaDecoder, EveryMessageOnTheInputThatProvokesIt) {
  Bytes pixel = {1, 2, 3};
  Bytes map = Bytes(3 * 256, 0);
  for (const BadCase& c : {
           BadCase{{.type = 0, .data = pixel}, "Unknown TGA image type"},
           BadCase{{.type = 32, .data = pixel}, "Unknown TGA image type"},
           BadCase{{.type = 4, .data = pixel}, "Unknown TGA image type"},
           BadCase{{.width = 0, .data = pixel}, "bad TGA header"},
           BadCase{{.height = 0, .data = pixel}, "bad TGA header"},
           BadCase{{.mapType = 2, .data = pixel}, "bad TGA header"},
           BadCase{{.mapLength = 1, .entryBits = 24, .data = pixel}, "bad TGA header"},  // length, no map
           BadCase{{.entryBits = 8, .data = pixel}, "bad TGA header"},
           BadCase{{.mapType = 1, .mapLength = 1, .entryBits = 8, .data = pixel}, "bad TGA header"},
           BadCase{{.mapType = 1, .mapLength = 0, .entryBits = 24, .data = pixel}, "bad TGA header"},
           BadCase{{.type = 1, .depth = 8, .data = pixel}, "bad TGA header"},  // mapped without a map
           BadCase{{.mapType = 1,
           .type = 1,
           .mapLength = 2,
           .entryBits = 24,
           .depth = 16,
           .map = map,
           .data = pixel},
                   "bad TGA header"},
           BadCase{{.mapType = 1,
           .type = 1,
           .mapFirst = 200,
           .mapLength = 57,
           .entryBits = 24,
           .depth = 8,
           .map = map,
           .data = pixel},
                   "bad TGA header"},  // entries beyond what 8-bit indexes reach
           BadCase{{.type = 3, .depth = 16, .data = pixel}, "bad TGA header"},
           BadCase{{.type = 2, .depth = 8, .data = pixel}, "bad TGA header"},
           BadCase{{.type = 2, .depth = 12, .data = pixel}, "bad TGA header"},
           BadCase{{.type = 2, .depth = 24, .descriptor = 8, .data = pixel}, "bad TGA header"},
           BadCase{{.type = 2, .depth = 16, .descriptor = 8, .data = pixel}, "bad TGA header"},
           BadCase{{.type = 2, .depth = 24, .descriptor = 0x40, .data = pixel}, "bad TGA header"},
           BadCase{{.width = 2, .data = pixel}, "corrupted TGA"},  // pixels missing
           BadCase{{.id = {1, 2}, .data = {1, 2}}, "corrupted TGA"},
           BadCase{{.type = 10, .width = 2, .data = {0x81, 1, 2}}, "corrupted TGA"},
           // A run, and a raw packet, reaching past the last pixel.
           BadCase{{.type = 10, .width = 2, .data = {0x82, 1, 2, 3, 0, 0, 0, 0, 0, 0}}, "corrupted TGA"},
           BadCase{{.type = 10, .width = 2, .data = {0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9}}, "corrupted TGA"},
           BadCase{{.type = 11, .width = 4, .depth = 8, .data = {0x81, 1, 0x80, 2}}, "corrupted TGA"},
       }) {
    CDibImage image;
    EXPECT_FALSE(DecodeBytes(image, MakeTga(c.spec), kTga));
    EXPECT_STREQ(image.GetLastError(), c.message)
        << "type " << int(c.spec.type) << " depth " << int(c.spec.depth) << " descriptor "
        << int(c.spec.descriptor);
    EXPECT_FALSE(image.IsValid());
  }
  CDibImage image;
  EXPECT_FALSE(DecodeBytes(image, Bytes(17, 0), kTga));
  EXPECT_STREQ(image.GetLastError(), "Not a TGA");

  // Beyond the memory cap: 10000 x 9000 true-colour pixels in runs of 128.
  Bytes huge = MakeTga({.type = 10, .width = 10000, .height = 9000});
  for (size_t i = 0; i < (90000000u + 127) / 128; ++i) huge.insert(huge.end(), {0xFF, 1, 2, 3});
  EXPECT_FALSE(DecodeBytes(image, huge, kTga));
  EXPECT_STREQ(image.GetLastError(), "TGA Create failed");
}

TEST(TgaDecoder, EscapeStopsAfterTheDimensionsOrCancels) {
  ExpectEscapeHonoured(ReadFixture("tga-rgb-rle.tga"), kTga, 7, 5);
  // A header whose pixels the file cannot hold is refused before its
  // dimensions are given, so that detection does not stop on it.
  Bytes huge = MakeTga({.type = 2, .width = 65535, .height = 65535, .data = Bytes(300, 0)});
  CDibImage image;
  image.SetEscape(-1);
  EXPECT_FALSE(DecodeBytes(image, huge, kTga));
  EXPECT_STREQ(image.GetLastError(), "corrupted TGA");
}

// Every prefix of every fixture, and random damage, fails with one of the
// decoder's messages (or decodes); nothing is read out of bounds.
TEST(TgaDecoder, TruncatedAndDamagedFilesFailCleanly) {
  const std::set<std::string> messages = {"Not a TGA", "bad TGA header", "Unknown TGA image type",
                                          "corrupted TGA", "TGA Create failed"};
  std::mt19937 random(6);
  for (const char* name : {"tga-rgb.tga", "tga-rgb-rle.tga", "tga-rgba-top-rle.tga", "tga-mapped.tga",
                           "tga-mapped-rle.tga", "tga-grey-rle.tga", "tga-mapped-top-rle.tga"}) {
    Bytes file = ReadFixture(name);
    CDibImage image;
    for (size_t length = 0; length < file.size(); ++length) {
      EXPECT_FALSE(DecodeBytes(image, Bytes(file.begin(), file.begin() + length), kTga)) << name << length;
      ASSERT_TRUE(messages.count(image.GetLastError())) << image.GetLastError();
    }
    for (int round = 0; round < 300; ++round) {
      Bytes damaged = file;
      for (int hits = 1 + random() % 4; hits > 0; --hits) damaged[random() % damaged.size()] = BYTE(random());
      if (!DecodeBytes(image, damaged, kTga)) {
        ASSERT_TRUE(messages.count(image.GetLastError()));
      }
    }
  }
}

// Without a signature, the header check alone keeps other formats' files and
// noise from being taken for TGA.
TEST(TgaDecoder, RefusesOtherFormatsAndNoise) {
  std::mt19937 random(66);
  std::vector<Bytes> others;
  for (const char* name : {"pcx-rgb.pcx", "pcx-pal8.pcx", "pcx-pal16.pcx", "pcx-mono.pcx", "gif-eight.gif"}) {
    others.push_back(ReadFixture(name));
  }
  CDibImage picture;
  ASSERT_NE(picture.Create(9, 7, 24, 0), nullptr);
  for (DWORD format : {CDibImage::FORMAT_BMP, CDibImage::FORMAT_PNG, CDibImage::FORMAT_JPG})
    others.push_back(EncodeBytes(picture, format));
  // Small monochrome wireless bitmaps: type 0, widths that look like TGA types.
  for (BYTE width : {1, 2, 3, 9, 10, 11}) {
    Bytes wbmp = {0, 0, width, 40};
    wbmp.resize(4 + 40 * ((width + 7) / 8), 0xFF);
    others.push_back(wbmp);
  }
  for (int i = 0; i < 3000; ++i) {
    Bytes noise(18 + random() % 400);
    for (BYTE& b : noise) b = BYTE(random());
    others.push_back(noise);
  }
  for (const Bytes& file : others) {
    ASSERT_FALSE(file.empty());
    CDibImage image;
    EXPECT_FALSE(DecodeBytes(image, file, kTga)) << file.size();
  }
}

TEST(TgaEncoder, RoundTripsEightAndTwentyFourBitsWithAlpha) {
  std::mt19937 random(8);
  for (DWORD bits : {8u, 24u}) {
    for (bool alpha : {false, true}) {
      for (DWORD width : {1u, 6u, 13u}) {
        CDibImage image;
        ASSERT_NE(image.Create(width, 4, bits, 0), nullptr);
        for (DWORD i = 0; i < image.GetNumColors(); ++i)
          image.SetPaletteColor(BYTE(i), RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0});
        if (alpha) {
          ASSERT_TRUE(image.CreateAlphaChannel());
        }
        for (long y = 0; y < 4; ++y) {
          for (long x = 0; x < long(width); ++x) {
            if (bits == 8)
              image.GetBits(y)[x] = BYTE(random());
            else
              image.WritePixel(x, y, RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), BYTE(random())},
                               true);
          }
        }
        Bytes file = EncodeBytes(image, kTga);
        ASSERT_GE(file.size(), 18u) << image.GetLastError();
        // Uncompressed, bottom-left origin; 8 bits colour-mapped with 256 entries of 24 bits.
        bool withAlpha = alpha && bits == 24;
        EXPECT_EQ(file[1], bits == 8 ? 1 : 0);
        EXPECT_EQ(file[2], bits == 8 ? 1 : 2);
        EXPECT_EQ(file[7], bits == 8 ? 24 : 0);
        EXPECT_EQ(file[16], bits == 8 ? 8 : withAlpha ? 32 : 24);
        EXPECT_EQ(file[17], withAlpha ? 8 : 0);
        size_t pixelBytes = file[16] / 8;
        ASSERT_EQ(file.size(), 18 + (bits == 8 ? 768 : 0) + width * 4 * pixelBytes);
        CDibImage decoded;
        ASSERT_TRUE(DecodeBytes(decoded, file, kTga)) << decoded.GetLastError();
        EXPECT_EQ(decoded.GetBitsPerPixel(), bits);
        EXPECT_EQ(decoded.HasAlphaChannel(), withAlpha);
        for (long y = 0; y < 4; ++y) {
          for (long x = 0; x < long(width); ++x) {
            RGBQUAD a = image.ReadPixel(x, y, withAlpha), b = decoded.ReadPixel(x, y, true);
            ASSERT_EQ(std::memcmp(&a, &b, 4), 0) << bits << " bits at " << x << "," << y;
            // The first row in the file is the bottom one.
            if (y == 0 && bits == 24) {
              ASSERT_EQ(file[18 + x * pixelBytes + 1], a.rgbGreen);
            }
          }
        }
      }
    }
  }
}

TEST(TgaEncoder, RefusesOtherDepthsAndReportsWriteFailures) {
  for (DWORD bits : {1u, 4u}) {
    CDibImage image;
    ASSERT_NE(image.Create(3, 3, bits, 0), nullptr);
    EXPECT_TRUE(EncodeBytes(image, kTga).empty());
    EXPECT_STREQ(image.GetLastError(), "Bit depth must be 8 or 24");
  }
  CDibImage image;
  ASSERT_NE(image.Create(70000, 1, 24, 0), nullptr);
  EXPECT_TRUE(EncodeBytes(image, kTga).empty());
  EXPECT_STREQ(image.GetLastError(), "Image too large for TGA");
  ASSERT_NE(image.Create(2, 2, 8, 0), nullptr);
  CDibMemFile noBuffer;
  EXPECT_FALSE(image.Encode(&noBuffer, kTga));
  EXPECT_STREQ(image.GetLastError(), "Write Error in TGA file");
}

}  // namespace
