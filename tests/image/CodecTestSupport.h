// Test files built independently of the codecs under test: BMP files byte by
// byte, PNG and JPEG files through libpng and libjpeg directly, and direct
// decoders to check what the encoders wrote.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/image/codec/DibImage.h"
#include "engine/image/codec/DibMemFile.h"

using Bytes = std::vector<uint8_t>;

void PutLe16(Bytes& out, uint32_t value);
void PutLe32(Bytes& out, uint32_t value);
uint32_t GetLe32(const Bytes& in, size_t at);

struct BmpSpec {
  bool fileHeader = true;
  uint32_t headerSize = 40;
  int32_t width = 1, height = 1;
  uint16_t bits = 24;
  uint32_t compression = 0, imageSize = 0, colorsUsed = 0;
  int32_t pelsPerMeter = 0;
  std::vector<RGBQUAD> palette = {};  // written with 3-byte entries after a 12-byte header
  std::vector<uint32_t> masks = {};   // written right after the header
  Bytes pixels = {};                  // the rows exactly as stored in the file
  uint32_t pixelOffset = 0;           // 0: the offset of the pixels as laid out
};
Bytes MakeBmp(const BmpSpec& spec);

// Decodes `data` with the given format id into `image`.
bool DecodeBytes(CDibImage& image, const Bytes& data, DWORD formatId);
// Decoding `data` with escape -1 gives just the dimensions; with a non-zero
// escape the decoder stops with "Cancelled".
void ExpectEscapeHonoured(const Bytes& data, DWORD formatId, DWORD width, DWORD height);
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
