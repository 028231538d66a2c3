#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/image/CodecTestSupport.h"

namespace {

constexpr auto kPcx = CDibImage::FORMAT_PCX;

// The pictures of fixtures/make-tga-pcx-fixtures.sh, as blue, green, red.
RGBQUAD FixtureRgb(uint32_t x, uint32_t y) {
  if (y == 1 && x < 5) return RGBQUAD{90, 30, 200, 0};
  return RGBQUAD{BYTE((7 * x * x + 29 * y) % 256), BYTE((11 * x + 71 * y + 40) % 256),
                 BYTE((53 * x + 17 * y) % 256), 0};
}
RGBQUAD FixturePal16(uint32_t x, uint32_t y) {
  uint32_t i = y == 4 && x > 2 ? 9 : (3 * x + 5 * y) % 16;
  return RGBQUAD{BYTE(97 * i % 256), BYTE(255 - 16 * i), BYTE(16 * i), 0};
}
RGBQUAD FixtureMono(uint32_t x, uint32_t y) {
  BYTE level = (x * x + 3 * y) % 5 < 2 ? 0 : 255;
  return RGBQUAD{level, level, level, 0};
}

struct PcxSpec {
  BYTE manufacturer = 10;
  BYTE version = 5;
  BYTE encoding = 1;
  BYTE bits = 8;
  uint16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  std::vector<RGBQUAD> palette = {};  // the header's 16 entries
  BYTE planes = 1;
  uint16_t bytesPerLine = 2;
  Bytes data = {};  // coded exactly as stored
  Bytes map = {};   // appended as is: signature and entries
};

Bytes MakePcx(const PcxSpec& spec) {
  Bytes out = {spec.manufacturer, spec.version, spec.encoding, spec.bits};
  for (uint16_t value : {spec.xMin, spec.yMin, spec.xMax, spec.yMax, uint16_t(72), uint16_t(72)})
    PutLe16(out, value);
  for (size_t i = 0; i < 16; ++i) {
    RGBQUAD color = i < spec.palette.size() ? spec.palette[i] : RGBQUAD{};
    out.insert(out.end(), {color.rgbRed, color.rgbGreen, color.rgbBlue});
  }
  out.push_back(0);
  out.push_back(spec.planes);
  PutLe16(out, spec.bytesPerLine);
  PutLe16(out, 1);
  out.resize(128, 0);
  out.insert(out.end(), spec.data.begin(), spec.data.end());
  out.insert(out.end(), spec.map.begin(), spec.map.end());
  return out;
}

// The plainest valid coding: every byte a run of one.
Bytes RunsOfOne(const Bytes& bytes) {
  Bytes out;
  for (BYTE b : bytes) out.insert(out.end(), {0xC1, b});
  return out;
}

Bytes ColorMap(const std::vector<RGBQUAD>& colors) {
  Bytes out = {12};
  for (const RGBQUAD& c : colors) out.insert(out.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
  out.resize(769, 0);
  return out;
}

std::vector<RGBQUAD> RandomColors(std::mt19937& random, size_t count) {
  std::vector<RGBQUAD> colors(count);
  for (RGBQUAD& c : colors) c = RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0};
  return colors;
}

void ExpectColor(RGBQUAD got, RGBQUAD want, uint32_t x, uint32_t y) {
  ASSERT_EQ(got.rgbRed, want.rgbRed) << x << "," << y;
  ASSERT_EQ(got.rgbGreen, want.rgbGreen) << x << "," << y;
  ASSERT_EQ(got.rgbBlue, want.rgbBlue) << x << "," << y;
}

TEST(PcxDecoder, ReadsFixturesOfEveryDepth) {
  struct Case {
    const char* name;
    uint32_t width, height;
    WORD bits;
    RGBQUAD (*color)(uint32_t, uint32_t);
  };
  for (const Case& c :
       {Case{"pcx-rgb.pcx", 7, 5, 24, FixtureRgb}, Case{"pcx-pal8.pcx", 7, 5, 8, FixtureRgb},
        Case{"pcx-pal16.pcx", 11, 6, 4, FixturePal16}, Case{"pcx-mono.pcx", 13, 4, 1, FixtureMono}}) {
    Bytes file = ReadFixture(c.name);
    ASSERT_FALSE(file.empty()) << c.name;
    // Detection tries TGA first, which must leave these files alone.
    for (DWORD id : {kPcx, CDibImage::FORMAT_UNKNOWN}) {
      CDibImage image;
      ASSERT_TRUE(DecodeBytes(image, file, id)) << c.name << ": " << image.GetLastError();
      EXPECT_EQ(image.GetType(), kPcx);
      ASSERT_EQ(image.GetWidth(), c.width);
      ASSERT_EQ(image.GetHeight(), c.height);
      EXPECT_EQ(image.GetBitsPerPixel(), c.bits) << c.name;
      for (uint32_t y = 0; y < c.height; ++y)
        for (uint32_t x = 0; x < c.width; ++x) ExpectColor(TopDownPixel(image, x, y), c.color(x, y), x, y);
    }
  }
}

// Planes of one bit give one bit of the index each, plane 0 the lowest; packed
// pixels of 2 and 4 bits are indexes high bits first; all into the header palette.
TEST(PcxDecoder, CombinesBitPlanesAndUnpacksPackedPixels) {
  std::mt19937 random(7);
  std::vector<RGBQUAD> palette = RandomColors(random, 16);
  struct Layout {
    BYTE bits, planes;
    WORD containerBits;
  };
  for (Layout layout : {Layout{1, 2, 4}, Layout{1, 3, 4}, Layout{1, 4, 4}, Layout{2, 1, 4}, Layout{4, 1, 4},
                        Layout{1, 1, 1}}) {
    for (uint32_t width : {1u, 5u, 8u, 17u}) {
      uint32_t height = 3;
      uint32_t colors = 1u << (layout.bits * layout.planes);
      uint16_t bytesPerLine = uint16_t((width * layout.bits + 15) / 16 * 2);
      std::vector<BYTE> indices(width * height);
      Bytes lines(size_t(bytesPerLine) * layout.planes * height, 0);
      for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
          BYTE index = BYTE(random() % colors);
          indices[y * width + x] = index;
          BYTE* line = &lines[y * bytesPerLine * layout.planes];
          if (layout.planes > 1) {
            for (int p = 0; p < layout.planes; ++p)
              line[p * bytesPerLine + x / 8] |= BYTE(((index >> p) & 1) << (7 - x % 8));
          } else {
            uint32_t bit = x * layout.bits;
            line[bit / 8] |= BYTE(index << (8 - layout.bits - bit % 8));
          }
        }
      }
      CDibImage image;
      ASSERT_TRUE(DecodeBytes(image,
                              MakePcx({.bits = layout.bits,
                                       .xMax = uint16_t(width - 1),
                                       .yMax = uint16_t(height - 1),
                                       .palette = palette,
                                       .planes = layout.planes,
                                       .bytesPerLine = bytesPerLine,
                                       .data = RunsOfOne(lines)}),
                              kPcx))
          << image.GetLastError();
      ASSERT_EQ(image.GetBitsPerPixel(), layout.containerBits);
      for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
          BYTE index = indices[y * width + x];
          ASSERT_EQ(image.GetPixelIndex(x, height - 1 - y), index)
              << int(layout.bits) << "x" << int(layout.planes);
          ExpectColor(TopDownPixel(image, x, y), palette[index], x, y);
        }
      }
    }
  }
  // A monochrome file with a blank header palette is black and white.
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, MakePcx({.bits = 1, .xMax = 7, .data = {0x0F, 0}}), kPcx));
  ExpectColor(image.ReadPixel(0, 0), {0, 0, 0, 0}, 0, 0);
  ExpectColor(image.ReadPixel(7, 0), {255, 255, 255, 0}, 7, 0);
}

// Runs may go on from one scan line to the next, and over the planes' and
// lines' padding; an odd line length, as some writers make, is taken.
TEST(PcxDecoder, RunsCrossScanLines) {
  std::vector<RGBQUAD> colors(256);
  for (int i = 0; i < 256; ++i) colors[i] = RGBQUAD{BYTE(i), BYTE(i ^ 0x55), BYTE(255 - i), 0};
  CDibImage image;
  // 3 x 2, 8 bits, lines of 3 bytes: one run of 4 and one of 2.
  ASSERT_TRUE(DecodeBytes(
      image,
      MakePcx(
          {.xMax = 2, .yMax = 1, .bytesPerLine = 3, .data = {0xC4, 0xD0, 0xC2, 7}, .map = ColorMap(colors)}),
      kPcx))
      << image.GetLastError();
  EXPECT_EQ(image.GetPixelIndex(0, 1), 0xD0);
  EXPECT_EQ(image.GetPixelIndex(0, 0), 0xD0);
  EXPECT_EQ(image.GetPixelIndex(1, 0), 7);
  ExpectColor(image.ReadPixel(1, 0), colors[7], 1, 0);
  // 2 x 2, 24 bits over three planes of 2 bytes: red, green, blue of the top
  // row, then of the bottom row, in runs that cross the planes.
  ASSERT_TRUE(DecodeBytes(
      image, MakePcx({.xMax = 1, .yMax = 1, .planes = 3, .data = {0xC3, 10, 0xC5, 20, 0xC4, 30}}), kPcx))
      << image.GetLastError();
  ExpectColor(TopDownPixel(image, 0, 0), {20, 10, 10, 0}, 0, 0);
  ExpectColor(TopDownPixel(image, 1, 0), {20, 20, 10, 0}, 1, 0);
  ExpectColor(TopDownPixel(image, 0, 1), {30, 30, 20, 0}, 0, 1);
}

TEST(PcxDecoder, EveryMessageOnTheInputThatProvokesIt) {
  Bytes map = ColorMap({});
  Bytes data = RunsOfOne(Bytes(16, 1));
  struct Case {
    PcxSpec spec;
    const char* message;
  };
  for (const Case& c : {
           Case{{.manufacturer = 11, .data = data, .map = map}, "Error: Not a PCX file"},
           Case{{.version = 6, .data = data, .map = map}, "Error: Not a PCX file"},
           Case{{.encoding = 0, .data = data, .map = map}, "PCX file has unknown encoding scheme"},
           Case{{.encoding = 2, .data = data, .map = map}, "PCX file has unknown encoding scheme"},
           Case{{.bits = 8, .planes = 5, .data = data}, "Can't handle image with more than 4 planes"},
           Case{{.bits = 4, .planes = 7, .data = data}, "Can't handle image with more than 4 planes"},
           Case{{.bits = 1, .planes = 5, .data = data}, "Can't handle more than 4 planes"},
           Case{{.bits = 2, .planes = 2, .data = data}, "Can't handle more than 1 bit per pixel"},
           Case{{.bits = 4, .planes = 4, .data = data}, "Can't handle more than 1 bit per pixel"},
           Case{{.bits = 8, .planes = 2, .data = data}, "Can't handle packed pixels with more than 1 plane."},
           Case{{.bits = 8, .planes = 4, .data = data}, "Can't handle packed pixels with more than 1 plane."},
           Case{{.data = data}, "bad color map signature"},
           Case{{.data = data, .map = Bytes(769, 0)}, "bad color map signature"},
           Case{{.bits = 3, .data = data}, "corrupted PCX"},
           Case{{.bits = 1, .planes = 0, .data = data}, "corrupted PCX"},
           Case{{.xMin = 5, .xMax = 4, .data = data, .map = map}, "corrupted PCX"},
           Case{{.yMin = 1, .data = data, .map = map}, "corrupted PCX"},
           Case{{.xMax = 2, .data = data, .map = map}, "corrupted PCX"},  // 3 bytes a line, 2 given
           Case{{.bits = 1, .xMax = 16, .data = data}, "corrupted PCX"},
           // A run passing the picture's last byte (2 x 2 bytes here).
           Case{{.yMax = 1, .data = {0xC5, 1}, .map = map}, "repeat count spans end of image"},
           Case{{.yMax = 1, .data = {1, 2, 3, 0xC2, 9}, .map = map}, "repeat count spans end of image"},
           // Data ending early, also in the middle of a run.
           Case{{.yMax = 1, .data = {1, 2, 3}, .map = map}, "Can't read PCX image"},
           Case{{.yMax = 1, .data = {1, 2, 3, 0xC1}, .map = map}, "Can't read PCX image"},
           Case{{.bits = 1, .xMax = 2000, .yMax = 2000, .bytesPerLine = 252, .data = data},
                "Can't read PCX image"},
       }) {
    CDibImage image;
    EXPECT_FALSE(DecodeBytes(image, MakePcx(c.spec), kPcx));
    EXPECT_STREQ(image.GetLastError(), c.message)
        << int(c.spec.bits) << " bits, " << int(c.spec.planes) << " planes";
    EXPECT_FALSE(image.IsValid());
  }
  CDibImage image;
  EXPECT_FALSE(DecodeBytes(image, Bytes(127, 10), kPcx));
  EXPECT_STREQ(image.GetLastError(), "Error: Not a PCX file");
}

TEST(PcxDecoder, EscapeStopsAfterTheDimensionsOrCancels) {
  ExpectEscapeHonoured(ReadFixture("pcx-pal16.pcx"), kPcx, 11, 6);
}

TEST(PcxDecoder, TruncatedAndDamagedFilesFailCleanly) {
  const std::set<std::string> messages = {"Error: Not a PCX file",
                                          "PCX file has unknown encoding scheme",
                                          "Can't handle image with more than 4 planes",
                                          "Can't handle more than 1 bit per pixel",
                                          "Can't handle more than 4 planes",
                                          "Can't handle packed pixels with more than 1 plane.",
                                          "bad color map signature",
                                          "repeat count spans end of image",
                                          "corrupted PCX",
                                          "Can't read PCX image",
                                          "DIBIMAGE_MAX_MEMORY exceeded"};
  std::mt19937 random(77);
  for (const char* name : {"pcx-rgb.pcx", "pcx-pal8.pcx", "pcx-pal16.pcx", "pcx-mono.pcx"}) {
    Bytes file = ReadFixture(name);
    CDibImage image;
    for (size_t length = 0; length < file.size(); ++length) {
      EXPECT_FALSE(DecodeBytes(image, Bytes(file.begin(), file.begin() + length), kPcx))
          << name << " " << length;
      ASSERT_TRUE(messages.count(image.GetLastError())) << image.GetLastError();
    }
    for (int round = 0; round < 300; ++round) {
      Bytes damaged = file;
      for (int hits = 1 + random() % 4; hits > 0; --hits) damaged[random() % damaged.size()] = BYTE(random());
      if (!DecodeBytes(image, damaged, kPcx)) {
        ASSERT_TRUE(messages.count(image.GetLastError()));
      }
    }
  }
}

// Decodes what the encoder wrote with the format's rules, refusing any run
// that crosses the end of a plane's line; gives the lines' bytes.
bool DecodeStrict(const Bytes& file, size_t lineBytes, size_t lines, Bytes* out) {
  size_t at = 128;
  for (size_t i = 0; i < lines; ++i) {
    size_t filled = 0;
    while (filled < lineBytes) {
      if (at >= file.size()) return false;
      BYTE code = file[at++];
      size_t count = 1;
      if (code >= 0xC0) {
        count = code & 0x3F;
        if (at >= file.size() || filled + count > lineBytes) return false;
        code = file[at++];
      }
      out->insert(out->end(), count, code);
      filled += count;
    }
  }
  return true;
}

TEST(PcxEncoder, RoundTripsEveryDepthInPlaneSizedRuns) {
  std::mt19937 random(9);
  for (DWORD bits : {1u, 4u, 8u, 24u}) {
    for (DWORD width : {1u, 6u, 9u, 40u}) {
      DWORD height = 5;
      CDibImage image;
      ASSERT_NE(image.Create(width, height, bits, 0), nullptr);
      for (DWORD i = 0; i < image.GetNumColors(); ++i)
        image.SetPaletteColor(BYTE(i), RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0});
      for (long y = 0; y < long(height); ++y) {
        for (long x = 0; x < long(width); ++x) {
          // Long runs of one value, some of them bytes above 0xC0.
          BYTE value = random() % 3 == 0 ? BYTE(0xC7) : BYTE(random());
          image.WritePixel(x, y,
                           image.GetNumColors() ? image.GetPaletteColor(BYTE(value % image.GetNumColors()))
                                                : RGBQUAD{value, BYTE(value + 1), 0xFF, 0});
        }
      }
      Bytes file = EncodeBytes(image, kPcx);
      ASSERT_GT(file.size(), 128u) << image.GetLastError();
      DWORD planeBits = bits == 4 ? 1 : bits == 24 ? 8 : bits;
      DWORD planes = bits == 4 ? 4 : bits == 24 ? 3 : 1;
      uint32_t bytesPerLine = file[66] | file[67] << 8;
      EXPECT_EQ(file[0], 10);
      EXPECT_EQ(file[2], 1);
      EXPECT_EQ(file[3], planeBits);
      EXPECT_EQ(file[65], planes);
      EXPECT_EQ(bytesPerLine % 2, 0u);
      EXPECT_EQ(bytesPerLine, (width * planeBits + 15) / 16 * 2);
      EXPECT_EQ(file[8] | file[9] << 8, int(width - 1));
      EXPECT_EQ(file[10] | file[11] << 8, int(height - 1));
      Bytes lines;
      ASSERT_TRUE(DecodeStrict(file, bytesPerLine, size_t(planes) * height, &lines)) << bits << " bits";
      // The top row's first plane holds the top row's first pixels.
      if (bits == 8) {
        EXPECT_EQ(lines[0], image.GetPixelIndex(0, height - 1));
        EXPECT_EQ(file[file.size() - 769], 12);
      }
      if (bits == 24) {
        EXPECT_EQ(lines[0], image.ReadPixel(0, height - 1).rgbRed);
      }

      CDibImage decoded;
      ASSERT_TRUE(DecodeBytes(decoded, file, kPcx)) << decoded.GetLastError();
      EXPECT_EQ(decoded.GetBitsPerPixel(), bits);
      for (long y = 0; y < long(height); ++y) {
        for (long x = 0; x < long(width); ++x) {
          RGBQUAD a = image.ReadPixel(x, y), b = decoded.ReadPixel(x, y);
          ASSERT_EQ(std::memcmp(&a, &b, 4), 0) << bits << " bits at " << x << "," << y;
        }
      }
    }
  }
}

// Takes the header and refuses the rest.
class HeaderOnlyFile : public CDibMemFile {
 public:
  size_t Write(const void* buffer, size_t size, size_t count) override {
    if (Size() + size * count > 128) return 0;
    return CDibMemFile::Write(buffer, size, count);
  }
};

TEST(PcxEncoder, ReportsWriteFailures) {
  CDibImage image;
  ASSERT_NE(image.Create(4, 4, 8, 0), nullptr);
  CDibMemFile noBuffer;
  EXPECT_FALSE(image.Encode(&noBuffer, kPcx));
  EXPECT_STREQ(image.GetLastError(), "cannot write PCX header");
  HeaderOnlyFile headerOnly;
  ASSERT_TRUE(headerOnly.Open());
  EXPECT_FALSE(image.Encode(&headerOnly, kPcx));
  EXPECT_STREQ(image.GetLastError(), "Write Error in PCX file");
  ASSERT_NE(image.Create(70000, 1, 1, 0), nullptr);
  EXPECT_TRUE(EncodeBytes(image, kPcx).empty());
  EXPECT_STREQ(image.GetLastError(), "Image too large for PCX");
}

}  // namespace
