// Shared by the image tests of the ICO, TGA, PCX, WBMP and WMF codecs, the
// container, the manager and the tool: the pictures the fixture
// scripts (fixtures/make-*.sh) describe, computed again here; tables of files
// and the pictures they hold, compared pixel by pixel; tables of bad files.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>

#include "tests/common/TempFolder.h"
#include "tests/image/CodecTestSupport.h"

namespace fixture {
// "rgb", 7 x 5, as blue, green, red; its opacity is "alpha".
inline RGBQUAD Rgb(uint32_t x, uint32_t y) {
  if (y == 1 && x < 5) return RGBQUAD{90, 30, 200, BYTE(37 * x + 61)};
  return RGBQUAD{BYTE(7 * x * x + 29 * y), BYTE(11 * x + 71 * y + 40), BYTE(53 * x + 17 * y),
                 BYTE(37 * x + 61 * y)};
}
inline RGBQUAD Level(BYTE level) { return RGBQUAD{level, level, level, 0}; }
inline RGBQUAD Grey(uint32_t x, uint32_t y) {
  return Level(y == 2 && x < 6 ? 0 : BYTE(29 * x + 53 * y + 11));
}
inline RGBQUAD Pal16(uint32_t x, uint32_t y) {  // 11 x 6
  uint32_t i = y == 4 && x > 2 ? 9 : (3 * x + 5 * y) % 16;
  return RGBQUAD{BYTE(97 * i), BYTE(255 - 16 * i), BYTE(16 * i), 0};
}
inline RGBQUAD Mono(uint32_t x, uint32_t y) { return Level((x * x + 3 * y) % 5 < 2 ? 0 : 255); }  // 13 x 4
}  // namespace fixture

using PixelFunction = std::function<RGBQUAD(uint32_t x, uint32_t y)>;

inline uint32_t Argb(RGBQUAD c) {
  return uint32_t(c.rgbReserved) << 24 | c.rgbRed << 16 | c.rgbGreen << 8 | c.rgbBlue;
}

// A file and the picture it holds, top row first; `alpha`: the image has an
// alpha channel, compared too.
struct Decoded {
  std::string name;
  Bytes file;
  uint32_t width, height;
  WORD bits;
  bool alpha;
  PixelFunction want;
};

inline void ExpectDecoded(DWORD format, const std::vector<Decoded>& cases) {
  for (const Decoded& c : cases) {
    CDibImage image;
    ASSERT_TRUE(DecodeBytes(image, c.file, format)) << c.name << ": " << image.GetLastError();
    ASSERT_EQ(
        std::tuple(image.GetWidth(), image.GetHeight(), image.GetBitsPerPixel(), image.HasAlphaChannel()),
        std::tuple(c.width, c.height, c.bits, c.alpha))
        << c.name;
    const uint32_t opaque = c.alpha ? 0 : 0xFF000000;  // alpha compared only where the image has it
    for (uint32_t i = 0, x = 0, y = 0; i < c.width * c.height; x = ++i % c.width, y = i / c.width)
      ASSERT_EQ(Argb(TopDownPixel(image, x, y, c.alpha)) | opaque, Argb(c.want(x, y)) | opaque)
          << c.name << " at " << x << "," << y;
  }
}

// Every file fails to decode with the message.
inline void ExpectRefused(DWORD format, const char* message, const std::vector<Bytes>& files) {
  for (const Bytes& file : files) {
    CDibImage image;
    EXPECT_TRUE(!DecodeBytes(image, file, format) && std::string(image.GetLastError()) == message)
        << image.GetLastError() << " on " << testing::PrintToString(file);
  }
}

// `file` with the bytes at `at` replaced.
inline Bytes Patched(Bytes file, size_t at, const Bytes& bytes) {
  file.resize(std::max(file.size(), at + bytes.size()));
  std::copy(bytes.begin(), bytes.end(), file.begin() + long(at));
  return file;
}

inline RGBQUAD RandomColor(std::mt19937& random) {
  const uint32_t v = random();
  return RGBQUAD{BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
}

// Whole files, for the tests that go through the file system.
inline void WriteBytes(const char* path, const Bytes& bytes) {
  std::FILE* file = std::fopen(path, "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}
inline Bytes ReadBytes(const std::string& path) {
  const std::string text = ReadWholeFile(path);
  return Bytes(text.begin(), text.end());
}
