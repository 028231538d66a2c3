#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/image/CodecTestSupport.h"

namespace {

// An LZW data block written without the codec: the code size byte, then
// codes of the given widths packed least significant bit first, in one
// sub-block, then the terminator.
Bytes PackCodes(int minCodeSize, const std::vector<std::pair<int, int>>& codes) {
  Bytes out(2, static_cast<uint8_t>(minCodeSize));
  size_t bit = 0;
  for (auto [code, width] : codes) {
    for (int i = 0; i < width; ++i, ++bit) {
      if (bit % 8 == 0) out.push_back(0);
      out.back() |= static_cast<uint8_t>((code >> i & 1) << (bit % 8));
    }
  }
  out[1] = static_cast<uint8_t>(out.size() - 2);
  out.push_back(0);
  return out;
}

// A GIF89a file of one image, as large as its screen (below 256 pixels a
// side), with a global table of 4 colours and the given data.
Bytes MakeGif(const std::vector<RGBQUAD>& table, uint8_t width, uint8_t height, const Bytes& data) {
  Bytes out = {'G', 'I', 'F', '8', '9', 'a', width, 0, height, 0, 0x81, 0, 0};
  for (const RGBQUAD& color : table) out.insert(out.end(), {color.rgbRed, color.rgbGreen, color.rgbBlue});
  out.insert(out.end(), {0x2C, 0, 0, 0, 0, width, 0, height, 0, 0});
  out.insert(out.end(), data.begin(), data.end());
  out.push_back(0x3B);
  return out;
}

// Hand-packed streams of (code, width): clear (4), then codes 6 (not yet
// made: "1" + "1"), 7 = "11" + "2" and 8 = "2" + "1", 4 bits wide once the
// next free code reaches 8, and end (5). Code sizes out of range, a first code
// naming a string and codes beyond the next free one are refused.
TEST(GifDecoder, HandBuiltCodeStreams) {
  std::mt19937 random(1);
  std::vector<RGBQUAD> table = RandomPalette(random, 4);
  struct Case {
    int minCodeSize;
    std::vector<std::pair<int, int>> codes;
    std::vector<BYTE> indexes;  // top row first; none when refused
  };
  // clang-format off
  const Case cases[] = {{2, {{4, 3}, {1, 3}, {6, 3}, {2, 3}, {7, 4}, {8, 4}, {5, 4}}, {1, 1, 1, 2, 1, 1, 2, 2, 1}},
                        {0, {{1, 1}}, {}}, {1, {{1, 2}}, {}}, {9, {{1, 10}}, {}}, {12, {{1, 13}}, {}},
                        {2, {{4, 3}, {6, 3}}, {}}, {2, {{4, 3}, {1, 3}, {7, 3}}, {}},
                        {2, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {9, 4}}, {}}};
  // clang-format on
  for (const Case& c : cases) {
    CDibImage image;
    bool decoded =
        DecodeBytes(image, MakeGif(table, 3, 3, PackCodes(c.minCodeSize, c.codes)), CDibImage::FORMAT_GIF);
    ASSERT_EQ(decoded, !c.indexes.empty()) << c.minCodeSize << " " << image.GetLastError();
    if (!decoded) {
      EXPECT_STREQ(image.GetLastError(), "corrupted GIF");
      continue;
    }
    EXPECT_EQ(image.GetBitsPerPixel(), 4);
    EXPECT_EQ(image.GetTransIndex(), -1);
    EXPECT_FALSE(image.HasAlphaChannel());
    for (uint32_t i = 0; i < 9; ++i) {
      RGBQUAD got = TopDownPixel(image, i % 3, i / 3);
      ASSERT_EQ(std::memcmp(&got, &table[c.indexes[i]], 3), 0) << i;
    }
  }
}

// The pictures the fixtures were made from (see make-gif-fixtures.sh).
RGBQUAD EightColor(uint32_t x, uint32_t y) {
  static const RGBQUAD kEight[] = {{0, 0, 0, 0},     {255, 255, 255, 0}, {40, 30, 200, 0}, {60, 180, 20, 0},
                                   {220, 60, 30, 0}, {10, 220, 250, 0},  {128, 0, 128, 0}, {128, 128, 0, 0}};
  return kEight[(3 * x + 5 * y + (x * y) % 7) % 8];
}
RGBQUAD ManyColor(uint32_t x, uint32_t y) {
  uint32_t i = (7 * x + 13 * y + x * y) % 256;
  return {BYTE(101 * i % 256), BYTE(37 * i % 256), BYTE(i), 0};
}

// Files of another encoder: plain, interlaced, GIF87a, with a local table, the
// first frame of an animation, a transparent colour (the yellow), 256 colours.
TEST(GifDecoder, ReadsImageMagickFiles) {
  for (std::string name : {"eight", "eight-interlaced", "eight-87a", "eight-local", "eight-animated",
                           "eight-transparent", "many"}) {
    SCOPED_TRACE(name);
    bool many = name == "many", transparent = name == "eight-transparent";
    CDibImage image;
    ASSERT_TRUE(DecodeBytes(image, ReadFixture("gif-" + name + ".gif"), CDibImage::FORMAT_GIF));
    ASSERT_EQ(image.HasAlphaChannel(), transparent);
    ASSERT_EQ(image.GetWidth(), many ? 40u : 13u);
    ASSERT_EQ(image.GetHeight(), many ? 40u : 11u);
    EXPECT_EQ(image.GetBitsPerPixel(), many ? 8 : 4);
    for (uint32_t y = 0; y < image.GetHeight(); ++y) {
      for (uint32_t x = 0; x < image.GetWidth(); ++x) {
        RGBQUAD want = many ? ManyColor(x, y) : EightColor(x, y), got = TopDownPixel(image, x, y, true);
        bool clear = transparent && want.rgbRed == 250 && want.rgbGreen == 220;  // the yellow
        EXPECT_EQ(got.rgbReserved, transparent && !clear ? 255 : 0) << x << "," << y;
        if (!clear) {
          ASSERT_EQ(std::memcmp(&got, &want, 3), 0) << x << "," << y;
        }
      }
    }
  }
}

// The nearest of `levels` values spread evenly over 0..255 (rounded), the
// lower on a tie.
int NearestLevel(int value, int levels) {
  int best = 0;
  for (int i = 1; i < levels; ++i) {
    int level = (i * 510 + levels - 1) / (2 * levels - 2);
    if (std::abs(level - value) < std::abs(best - value)) best = level;
  }
  return best;
}

// 6000 random colours, each channel written as the nearest of 6, 7 and 6
// levels; the codes fill the LZW table, which the encoder clears and the
// decoder follows.
TEST(GifEncoder, ReducesManyColoursToTheNearestOfAFixedPalette) {
  std::mt19937 random(9);
  Picture noise = RandomPicture(random, 100, 60, 3);
  CDibImage source, image;
  ASSERT_NE(source.Create(100, 60, 24, 0), nullptr);
  std::memcpy(source.GetBits(), noise.samples.data(), noise.samples.size());  // rows of 300 bytes: no padding
  ASSERT_TRUE(DecodeBytes(image, EncodeBytes(source, CDibImage::FORMAT_GIF), CDibImage::FORMAT_GIF));
  for (uint32_t i = 0; i < 100 * 60; ++i) {
    RGBQUAD got = image.ReadPixel(i % 100, i / 100);
    const uint8_t* want = &noise.samples[3 * i];  // blue, green, red
    ASSERT_EQ(got.rgbBlue, NearestLevel(want[0], 6)) << i;
    ASSERT_EQ(got.rgbGreen, NearestLevel(want[1], 7)) << i;
    ASSERT_EQ(got.rgbRed, NearestLevel(want[2], 6)) << i;
  }
}

}  // namespace
