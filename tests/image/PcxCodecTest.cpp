// The PCX codec on files of ImageMagick and netpbm (fixtures), on files built
// byte by byte here for every plane layout, and on its own output decoded by
// the format's rules.
#include <gtest/gtest.h>

#include "tests/image/PictureChecks.h"

namespace {

constexpr auto kPcx = CDibImage::FORMAT_PCX;

// A version 5, run-length coded header: bits a plane, the window from
// (3, 2), 300 x 150 dpi, a 16-colour palette, planes and line length.
Bytes PcxHeader(BYTE bits, uint16_t width, uint16_t height, const std::vector<RGBQUAD>& palette, BYTE planes,
                uint16_t bytesPerLine) {
  Bytes out = {10, 5, 1, bits};
  for (uint32_t value : {3u, 2u, width + 2u, height + 1u, 300u, 150u}) PutLe16(out, value);
  for (size_t i = 0; i < 16; ++i) out.insert(out.end(), {palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue});
  out.insert(out.end(), {0, planes});
  PutLe16(out, bytesPerLine);
  out.resize(128, 0);
  return out;
}

// The signature and 256 entries at the end of the file.
Bytes ColorMap(const std::vector<RGBQUAD>& colors) {
  Bytes out = {12};
  for (const RGBQUAD& c : colors) out.insert(out.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
  out.resize(769, 0);
  return out;
}

// Planes of one bit give one bit of the index each, plane 0 the lowest;
// packed pixels are indexes, high bits first, into the header palette or the
// map at the end; three 8-bit planes are red, green, blue. Every byte is
// coded as a run of one. Then the fixtures.
TEST(PcxDecoder, ReadsEveryPlaneLayout) {
  std::mt19937 random(7);
  std::vector<RGBQUAD> palette(256);
  for (RGBQUAD& c : palette) c = RandomColor(random);
  std::vector<Decoded> cases;
  const BYTE layouts[][3] = {{1, 1, 1}, {1, 2, 4}, {1, 3, 4}, {1, 4, 4}, {2, 1, 4}, {4, 1, 4}, {8, 1, 8}, {8, 3, 24}};
  for (auto [bits, planes, containerBits] : layouts)
    for (uint16_t width : {1, 5, 17}) {
      const uint16_t height = 3, bytesPerLine = uint16_t((width * bits + 15) / 16 * 2);
      std::vector<RGBQUAD> want(width * height);
      Bytes file = PcxHeader(bits, width, height, palette, planes, bytesPerLine), line;
      for (uint32_t y = 0; y < height; ++y) {
        line.assign(bytesPerLine * planes, 0);
        for (uint32_t x = 0; x < width; ++x) {
          const uint32_t index = random() % (1u << (bits * planes % 24));
          want[y * width + x] = containerBits == 24 ? RandomColor(random) : palette[index];
          const BYTE rgb[] = {want[y * width + x].rgbRed, want[y * width + x].rgbGreen, want[y * width + x].rgbBlue};
          for (int p = 0; p < planes; ++p) {
            uint32_t bit = x * bits, value = containerBits == 24 ? rgb[p] : planes > 1 ? (index >> p) & 1 : index;
            line[p * bytesPerLine + bit / 8] |= BYTE(value << (8 - bits - bit % 8));
          }
        }
        for (BYTE b : line) file.insert(file.end(), {0xC1, b});
      }
      if (containerBits == 8) {
        Bytes map = ColorMap(palette);
        file.insert(file.end(), map.begin(), map.end());
      }
      cases.push_back({std::to_string(bits) + " bits x " + std::to_string(planes) + ", " + std::to_string(width),
                       file, width, height, containerBits, false,
                       [=](uint32_t x, uint32_t y) { return want[y * width + x]; }});
    }
  cases.push_back({"pcx-rgb.pcx", ReadFixture("pcx-rgb.pcx"), 7, 5, 24, false, fixture::Rgb});
  cases.push_back({"pcx-pal8.pcx", ReadFixture("pcx-pal8.pcx"), 7, 5, 8, false, fixture::Rgb});
  cases.push_back({"pcx-pal16.pcx", ReadFixture("pcx-pal16.pcx"), 11, 6, 4, false, fixture::Pal16});
  cases.push_back({"pcx-mono.pcx", ReadFixture("pcx-mono.pcx"), 13, 4, 1, false, fixture::Mono});
  // Runs going on from line to line, over the planes and the lines' padding;
  // an odd line length (3 x 2 pixels, lines of 3 bytes) is taken.
  std::vector<RGBQUAD> grey(256);
  for (int i = 0; i < 256; ++i) grey[i] = fixture::Level(BYTE(i));
  Bytes odd = PcxHeader(8, 3, 2, grey, 1, 3), map = ColorMap(grey);
  odd.insert(odd.end(), {0xC4, 0xD0, 0xC2, 7});
  odd.insert(odd.end(), map.begin(), map.end());
  cases.push_back({"odd lines", odd, 3, 2, 8, false,
                   [](uint32_t x, uint32_t y) { return fixture::Level(y == 0 || x == 0 ? 0xD0 : 7); }});
  Bytes planes = PcxHeader(8, 2, 2, grey, 3, 2);
  planes.insert(planes.end(), {0xC3, 10, 0xC5, 20, 0xC4, 30});  // red, green, blue of each row
  const RGBQUAD planesWant[] = {{20, 10, 10, 0}, {20, 20, 10, 0}, {30, 30, 20, 0}, {30, 30, 20, 0}};
  cases.push_back({"runs over planes", planes, 2, 2, 24, false, [&](uint32_t x, uint32_t y) { return planesWant[y * 2 + x]; }});
  // A monochrome file with a blank header palette is black and white.
  Bytes blank = PcxHeader(1, 8, 1, std::vector<RGBQUAD>(16), 1, 2);
  blank.insert(blank.end(), {0x0F, 0});
  cases.push_back({"blank palette", blank, 8, 1, 1, false, [](uint32_t x, uint32_t) { return fixture::Level(x < 4 ? 0 : 255); }});
  ExpectDecoded(kPcx, cases);
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, blank, kPcx));
  EXPECT_EQ(std::pair(image.GetXDpi(), image.GetYDpi()), std::pair(300L, 150L));
}

TEST(PcxDecoder, GivesEachMessageOnTheInputThatCallsForIt) {
  // Two lines of two bytes of 8 bits, each byte a run of one, and the map.
  Bytes good = PcxHeader(8, 2, 2, std::vector<RGBQUAD>(16), 1, 2), map = ColorMap({});
  for (BYTE b : {1, 2, 3, 4}) good.insert(good.end(), {0xC1, b});
  good.insert(good.end(), map.begin(), map.end());
  Bytes data = Bytes(good.begin(), good.begin() + 136), runs = Bytes(good.begin(), good.begin() + 128);
  auto coded = [&](const Bytes& bytes) {
    Bytes file = runs;
    file.insert(file.end(), bytes.begin(), bytes.end());
    file.insert(file.end(), map.begin(), map.end());
    return file;
  };
  const char* corrupt = "corrupted PCX";
  ExpectRefused(kPcx, {{Patched(good, 0, {11}), "Error: Not a PCX file"}, {Patched(good, 1, {6}), "Error: Not a PCX file"},
                       {Bytes(127, 10), "Error: Not a PCX file"},
                       {Patched(good, 2, {0}), "PCX file has unknown encoding scheme"},
                       {Patched(good, 2, {2}), "PCX file has unknown encoding scheme"},
                       {Patched(data, 65, {5}), "Can't handle image with more than 4 planes"},
                       {Patched(data, 3, {1, 3, 0, 2, 0, 19}), corrupt},  // 2 bytes hold 16 pixels of 1 bit, not 17
                       {Patched(Patched(data, 3, {1}), 65, {5}), "Can't handle more than 4 planes"},
                       {Patched(Patched(data, 3, {2}), 65, {2}), "Can't handle more than 1 bit per pixel"},
                       {Patched(Patched(data, 3, {4}), 65, {4}), "Can't handle more than 1 bit per pixel"},
                       {Patched(data, 65, {2}), "Can't handle packed pixels with more than 1 plane."},
                       {Patched(data, 65, {4}), "Can't handle packed pixels with more than 1 plane."},
                       {data, "bad color map signature"}, {Patched(good, good.size() - 769, {0}), "bad color map signature"},
                       {Patched(data, 3, {3}), corrupt}, {Patched(Patched(data, 3, {1}), 65, {0}), corrupt},
                       {Patched(good, 4, {5, 0, 2, 0, 4}), corrupt}, {Patched(good, 6, {4}), corrupt},
                       {Patched(good, 8, {6}), corrupt},  // 4 bytes a line, 2 given
                       {coded({0xC5, 1}), "repeat count spans end of image"},
                       {coded({1, 2, 3, 0xC2, 9}), "repeat count spans end of image"},
                       {coded({1, 2, 3}), "Can't read PCX image"}, {coded({1, 2, 3, 0xC1}), "Can't read PCX image"},
                       {Patched(Patched(data, 3, {1, 0, 0, 0, 0, 0xD0, 7, 0xD0, 7}), 66, {252}), "Can't read PCX image"}});
}

// Decodes the encoder's output by the format's rules, refusing any run that
// crosses the end of a plane's line; gives the lines' bytes.
bool DecodeStrict(const Bytes& file, size_t lineBytes, size_t lines, Bytes* out) {
  size_t at = 128;
  for (size_t i = 0; i < lines; ++i)
    for (size_t filled = 0; filled < lineBytes;) {
      size_t count = at < file.size() && file[at] >= 0xC0 ? file[at++] & 0x3F : 1;
      if (at >= file.size() || filled + count > lineBytes) return false;
      out->insert(out->end(), count, file[at++]);
      filled += count;
    }
  return true;
}

// 1-bit images are written as one plane, 4-bit ones as four planes of one
// bit, 8-bit ones as one plane and the map, 24-bit ones as red, green and
// blue planes; lines of an even length, runs that stop at each plane's end.
TEST(PcxEncoder, RoundTripsEveryDepthInPlaneSizedRuns) {
  std::mt19937 random(9);
  for (DWORD bits : {1u, 4u, 8u, 24u})
    for (DWORD width : {1u, 9u, 100u}) {
      const DWORD height = 5, planeBits = bits == 4 ? 1 : bits == 24 ? 8 : bits, planes = bits == 4 ? 4 : bits == 24 ? 3 : 1;
      CDibImage image;
      ASSERT_NE(image.Create(width, height, bits, 0), nullptr);
      FillRandom(image, random, false);
      image.SetXDpi(200);
      image.SetYDpi(120);
      for (DWORD x = 1; x < width; ++x) image.WritePixel(x, 0, image.ReadPixel(0, 0));  // a long run
      Bytes file = EncodeBytes(image, kPcx), lines;
      const uint32_t bytesPerLine = file[66] | file[67] << 8;
      EXPECT_EQ(Bytes(file.begin(), file.begin() + 16),
                (Bytes{10, 5, 1, BYTE(planeBits), 0, 0, 0, 0, BYTE(width - 1), 0, BYTE(height - 1), 0, 200, 0, 120, 0}));
      EXPECT_EQ(file[65], planes);
      EXPECT_EQ(bytesPerLine, (width * planeBits + 15) / 16 * 2);
      ASSERT_TRUE(DecodeStrict(file, bytesPerLine, size_t(planes) * height, &lines)) << bits << " bits";
      // The top row's first plane comes first; 8-bit files end with the map.
      if (bits == 8) { EXPECT_EQ(lines[0], image.GetPixelIndex(0, height - 1)); }
      if (bits == 8) { EXPECT_EQ(file[file.size() - 769], 12); }
      if (bits == 24) { EXPECT_EQ(lines[0], image.ReadPixel(0, height - 1).rgbRed); }
      ExpectDecoded(kPcx, {{std::to_string(bits) + " bits " + std::to_string(width), file, width, height, WORD(bits),
                            false, [&](uint32_t x, uint32_t y) { return TopDownPixel(image, x, y); }}});
    }
  CDibImage image;
  ASSERT_NE(image.Create(70000, 1, 1, 0), nullptr);
  EXPECT_TRUE(EncodeBytes(image, kPcx).empty());
  EXPECT_STREQ(image.GetLastError(), "Image too large for PCX");
}

}  // namespace
