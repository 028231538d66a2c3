// Test files built independently of the codecs under test: BMP files byte by
// byte, PNG and JPEG files through libpng and libjpeg directly, and direct
// decoders to check what the encoders wrote.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine/image/codec/DibImage.h"
#include "engine/image/codec/DibMemFile.h"
#include "tests/common/TempFolder.h"

using Bytes = std::vector<uint8_t>;

void PutLe16(Bytes& out, uint32_t value);
void PutLe32(Bytes& out, uint32_t value);

struct BmpSpec {
  bool fileHeader = true;
  uint32_t headerSize = 40;
  int32_t width = 1, height = 1;
  uint16_t bits = 24;
  uint32_t compression = 0, imageSize = 0, colorsUsed = 0;
  int32_t pelsPerMeter = 0;
  std::vector<RGBQUAD> palette = {};  // written with 3-byte entries after a 12-byte header
  std::vector<uint32_t> masks = {};   // in a header of 108 bytes or more, else right after it
  Bytes pixels = {};                  // the rows exactly as stored in the file
  uint32_t pixelOffset = 0;           // 0: the offset of the pixels as laid out
};
Bytes MakeBmp(const BmpSpec& spec);

// Decodes `data` with the given format id into `image`.
bool DecodeBytes(CDibImage& image, const Bytes& data, DWORD formatId);
// The bytes of a file in tests/image/fixtures, or empty.
Bytes ReadFixture(const std::string& name);
// Encodes `image` and returns the bytes, or empty on failure.
Bytes EncodeBytes(CDibImage& image, DWORD formatId);

// A top-down picture of 8-bit channels, `channels` per pixel, in file order
// (RGB, RGBA, grey, grey+alpha).
struct Picture {
  uint32_t width = 0, height = 0;
  int channels = 3;
  Bytes samples;
  const uint8_t* At(uint32_t x, uint32_t y) const { return &samples[(y * width + x) * channels]; }
};
Picture RandomPicture(std::mt19937& random, uint32_t width, uint32_t height, int channels);
// A smooth picture that JPEG keeps close.
Picture GradientPicture(uint32_t width, uint32_t height, int channels);

// libpng, written directly: `rows` hold packed samples of `bitDepth` bits.
struct PngSpec {
  uint32_t width = 1, height = 1;
  int colorType = 2, bitDepth = 8;
  bool interlaced = false;
  std::vector<Bytes> rows = {};
  std::vector<RGBQUAD> palette = {};  // red, green, blue taken
  Bytes transparency = {};            // palette alpha (tRNS)
  uint32_t pelsPerMeter = 0;
};
Bytes WritePngDirect(const PngSpec& spec);
// libpng's own decoding to 8-bit BGRA, top-down; false when it fails.
bool ReadPngDirect(const Bytes& data, Picture& bgra);

// libjpeg, written directly from a picture of 3 (RGB), 1 (grey) or 4 (CMYK
// with an Adobe marker) channels.
Bytes WriteJpegDirect(const Picture& picture, int quality);
// libjpeg's own decoding (RGB, grey or CMYK, as stored); false when it fails.
bool ReadJpegDirect(const Bytes& data, Picture& picture);

// The image's colour at picture coordinates (y = 0 is the top row).
RGBQUAD TopDownPixel(const CDibImage& image, uint32_t x, uint32_t y, bool withAlpha = false);

// `count` random colours (reserved bytes 0).
std::vector<RGBQUAD> RandomPalette(std::mt19937& random, size_t count);
// Fills an image made by Create with random content: a random palette and
// indices when paletted, else colours drawn from 64 random ones (so that
// encoders limited to 256 colours keep them), and random alpha when the image
// has an alpha channel.
void FillRandom(CDibImage& image, std::mt19937& random);

// A grey of the given level.
inline RGBQUAD Level(BYTE level) { return RGBQUAD{level, level, level, 0}; }

// The pictures the fixture scripts (fixtures/make-*.sh) describe, computed
// again here to check files written by other programs.
namespace fixture {
// "rgb", 7 x 5, as blue, green, red; its opacity is "alpha".
inline RGBQUAD Rgb(uint32_t x, uint32_t y) {
  if (y == 1 && x < 5) return RGBQUAD{90, 30, 200, BYTE(37 * x + 61)};
  return RGBQUAD{BYTE(7 * x * x + 29 * y), BYTE(11 * x + 71 * y + 40), BYTE(53 * x + 17 * y),
                 BYTE(37 * x + 61 * y)};
}
inline RGBQUAD Grey(uint32_t x, uint32_t y) {
  return Level(y == 2 && x < 6 ? 0 : BYTE(29 * x + 53 * y + 11));
}
inline RGBQUAD Pal16(uint32_t x, uint32_t y) {  // 11 x 6
  uint32_t i = y == 4 && x > 2 ? 9 : (3 * x + 5 * y) % 16;
  return RGBQUAD{BYTE(97 * i), BYTE(255 - 16 * i), BYTE(16 * i), 0};
}
inline RGBQUAD Mono(uint32_t x, uint32_t y) { return Level((x * x + 3 * y) % 5 < 2 ? 0 : 255); }  // 13 x 4
}  // namespace fixture

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
  std::function<RGBQUAD(uint32_t x, uint32_t y)> want;
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
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
}
inline Bytes ReadBytes(const std::string& path) {
  const std::string text = ReadWholeFile(path);
  return Bytes(text.begin(), text.end());
}
