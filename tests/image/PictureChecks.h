// Shared by the ICO, TGA, PCX, WBMP and WMF tests: the pictures the fixture
// scripts (fixtures/make-*.sh) describe, computed again here, a whole-picture
// comparison that names the first pixel that differs, and bad-input tables.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/image/CodecTestSupport.h"

namespace fixture {
// "rgb", 7 x 5, as blue, green, red; its opacity is "alpha".
inline RGBQUAD Rgb(uint32_t x, uint32_t y) {
  if (y == 1 && x < 5) return RGBQUAD{90, 30, 200, BYTE(37 * x + 61)};
  return RGBQUAD{BYTE(7 * x * x + 29 * y), BYTE(11 * x + 71 * y + 40), BYTE(53 * x + 17 * y), BYTE(37 * x + 61 * y)};
}
inline RGBQUAD Level(BYTE level) { return RGBQUAD{level, level, level, 0}; }
inline RGBQUAD Grey(uint32_t x, uint32_t y) { return Level(y == 2 && x < 6 ? 0 : BYTE(29 * x + 53 * y + 11)); }
inline RGBQUAD Pal16(uint32_t x, uint32_t y) {  // 11 x 6
  uint32_t i = y == 4 && x > 2 ? 9 : (3 * x + 5 * y) % 16;
  return RGBQUAD{BYTE(97 * i), BYTE(255 - 16 * i), BYTE(16 * i), 0};
}
inline RGBQUAD Mono(uint32_t x, uint32_t y) { return Level((x * x + 3 * y) % 5 < 2 ? 0 : 255); }  // 13 x 4
}  // namespace fixture

using PixelFunction = std::function<RGBQUAD(uint32_t x, uint32_t y)>;

inline uint32_t Argb(RGBQUAD c) { return uint32_t(c.rgbReserved) << 24 | c.rgbRed << 16 | c.rgbGreen << 8 | c.rgbBlue; }

// The image's size and every pixel (top row first) against `want`; the alpha
// channel too when `alpha` is set.
inline testing::AssertionResult SamePicture(const CDibImage& image, uint32_t width, uint32_t height,
                                            const PixelFunction& want, bool alpha = false) {
  if (!image.IsValid() || image.GetWidth() != width || image.GetHeight() != height)
    return testing::AssertionFailure() << "size " << image.GetWidth() << " x " << image.GetHeight() << " "
                                       << image.GetLastError();
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      uint32_t got = Argb(TopDownPixel(image, x, y, alpha)), expected = Argb(want(x, y));
      if (!alpha) got &= 0xFFFFFF, expected &= 0xFFFFFF;
      if (got != expected)
        return testing::AssertionFailure() << std::hex << "pixel " << x << "," << y << ": " << got << " not " << expected;
    }
  return testing::AssertionSuccess();
}

inline RGBQUAD RandomColor(std::mt19937& random) {
  uint32_t v = random();
  return RGBQUAD{BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
}

// `file` with the bytes at `at` replaced.
inline Bytes Patched(Bytes file, size_t at, const Bytes& bytes) {
  file.resize(std::max(file.size(), at + bytes.size()));
  std::copy(bytes.begin(), bytes.end(), file.begin() + long(at));
  return file;
}

// Every file fails to decode with its message.
inline void ExpectRefused(DWORD format, const std::vector<std::pair<Bytes, const char*>>& cases) {
  for (const auto& [file, message] : cases) {
    CDibImage image;
    EXPECT_FALSE(DecodeBytes(image, file, format)) << testing::PrintToString(file);
    EXPECT_STREQ(image.GetLastError(), message) << testing::PrintToString(file);
  }
}

// A file and the picture it holds.
struct Decoded {
  std::string name;
  Bytes file;
  uint32_t width, height;
  WORD bits;
  bool alpha;  // the image has an alpha channel, compared too
  PixelFunction want;
};

inline void ExpectDecoded(DWORD format, const std::vector<Decoded>& cases) {
  for (const Decoded& c : cases) {
    CDibImage image;
    EXPECT_TRUE(DecodeBytes(image, c.file, format)) << c.name << ": " << image.GetLastError();
    EXPECT_EQ(image.GetBitsPerPixel(), c.bits) << c.name;
    EXPECT_EQ(image.HasAlphaChannel(), c.alpha) << c.name;
    EXPECT_TRUE(SamePicture(image, c.width, c.height, c.want, c.alpha)) << c.name;
  }
}

// Random pixels and alpha; a palette of distinct random colours, so that
// WritePixel's nearest index is exact.
inline void FillRandom(CDibImage& image, std::mt19937& random, bool alpha) {
  const DWORD colors = image.GetNumColors(), width = image.GetWidth();
  for (DWORD i = 0; i < colors; ++i) image.SetPaletteColor(BYTE(i), RGBQUAD{BYTE(i), BYTE(random()), BYTE(random()), 0});
  if (alpha) image.CreateAlphaChannel();
  for (DWORD i = 0; i < width * image.GetHeight(); ++i) {
    RGBQUAD color = colors ? image.GetPaletteColor(BYTE(random() % colors)) : RandomColor(random);
    color.rgbReserved = BYTE(random());
    image.WritePixel(i % width, i / width, color, true);
  }
}
