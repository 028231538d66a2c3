// The PCX decoder on files built byte by byte here for every plane layout;
// the encoder's files are checked in DibImageTest.cpp and the contract test.
#include "tests/image/CodecTestSupport.h"

constexpr auto kPcx = CDibImage::FORMAT_PCX;

// A run-length coded header: bits a plane, the window from (3, 2), 300 x 150
// dpi, a 16-colour palette, planes, the line length; then `data` and, for
// 256 colours, the map (signature 12 and the entries) at the end.
static Bytes Pcx(BYTE bits, uint16_t width, uint16_t height, const std::vector<RGBQUAD>& palette, BYTE planes,
                 uint16_t bytesPerLine, const Bytes& data) {
  Bytes out = {10, 5, 1, bits};
  for (uint32_t value : {3u, 2u, width + 2u, height + 1u, 300u, 150u}) PutLe16(out, value);
  for (size_t i = 0; i < 16; ++i)
    out.insert(out.end(), {palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue});
  out.insert(out.end(), {0, planes, BYTE(bytesPerLine), BYTE(bytesPerLine >> 8)});
  out.resize(128, 0);
  out.insert(out.end(), data.begin(), data.end());
  if (bits == 8 && planes == 1) out.push_back(12);
  for (size_t i = 0; bits == 8 && planes == 1 && i < 256; ++i)
    out.insert(out.end(), {palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue});
  return out;
}

// {bits, planes, container bits}: planes of one bit give one bit of the index
// each, plane 0 the lowest; packed pixels are indexes, high bits first, into
// the header palette or the end map; three 8-bit planes are red, green, blue.
// Every byte is coded as a run of one. Then hand-made runs.
TEST(PcxDecoder, ReadsEveryPlaneLayoutAndNamesEachFault) {
  std::mt19937 random(7);
  std::vector<RGBQUAD> palette(256), grey(256);
  for (int i = 0; i < 256; ++i) {
    palette[i] = RandomColor(random);
    grey[i] = Level(BYTE(i));
  }
  std::vector<Decoded> cases;
  const BYTE layouts[][3] = {{1, 1, 1}, {1, 2, 4}, {1, 3, 4}, {1, 4, 4},
                             {2, 1, 4}, {4, 1, 4}, {8, 1, 8}, {8, 3, 24}};
  for (auto [bits, planes, containerBits] : layouts)
    for (uint16_t width : {1, 5, 17}) {
      const uint16_t bytesPerLine = uint16_t((width * bits + 15) / 16 * 2);
      std::vector<RGBQUAD> want;
      Bytes lines(bytesPerLine * planes * 3, 0), data;
      for (uint32_t i = 0; i < width * 3u; ++i) {
        const uint32_t x = i % width, index = random() % (1u << (bits * planes % 24)), bit = x * bits;
        want.push_back(containerBits == 24 ? RandomColor(random) : palette[index]);
        const BYTE rgb[] = {want.back().rgbRed, want.back().rgbGreen, want.back().rgbBlue};
        for (int p = 0; p < planes; ++p) {
          const uint32_t value = containerBits == 24 ? rgb[p] : planes > 1 ? index >> p & 1 : index;
          lines[(i / width * planes + p) * bytesPerLine + bit / 8] |= BYTE(value << (8 - bits - bit % 8));
        }
      }
      for (BYTE b : lines) data.insert(data.end(), {0xC1, b});
      const std::string name =
          std::to_string(bits) + " bits x " + std::to_string(planes) + ", " + std::to_string(width);
      cases.push_back({name, Pcx(bits, width, 3, palette, planes, bytesPerLine, data), width, 3,
                       containerBits, false, [=](uint32_t x, uint32_t y) { return want[y * width + x]; }});
    }
  // Runs going on from line to line (3 x 2 pixels in lines of an odd 3 bytes);
  // a monochrome file with a blank header palette is black and white.
  cases.push_back({"odd lines", Pcx(8, 3, 2, grey, 1, 3, {0xC4, 0xD0, 0xC2, 7}), 3, 2, 8, false,
                   [](uint32_t x, uint32_t y) { return Level(y == 0 || x == 0 ? 0xD0 : 7); }});
  const Bytes blank = Pcx(1, 8, 1, std::vector<RGBQUAD>(16), 1, 2, {0x0F, 0});
  cases.push_back(
      {"blank palette", blank, 8, 1, 1, false, [](uint32_t x, uint32_t) { return Level(x < 4 ? 0 : 255); }});
  // The fixtures, written by ImageMagick and netpbm.
  const std::tuple<const char*, uint32_t, uint32_t, WORD, RGBQUAD (*)(uint32_t, uint32_t)> fixtures[] = {
      {"pcx-rgb.pcx", 7, 5, 24, fixture::Rgb},
      {"pcx-pal8.pcx", 7, 5, 8, fixture::Rgb},
      {"pcx-pal16.pcx", 11, 6, 4, fixture::Pal16},
      {"pcx-mono.pcx", 13, 4, 1, fixture::Mono}};
  for (auto [name, width, height, bits, want] : fixtures)
    cases.push_back({name, ReadFixture(name), width, height, bits, false, want});
  ExpectDecoded(kPcx, cases);
  CDibImage image;
  EXPECT_TRUE(DecodeBytes(image, blank, kPcx) && image.GetXDpi() == 300 && image.GetYDpi() == 150);
  // Header fields: 0 maker, 2 encoding, 3 bits, 65 planes. `good` holds 2 x 2
  // pixels of 8 bits, each byte a run of one; `noMap` is without its map. Then:
  // 17 pixels of 1 bit in 2 bytes, a run past the end, data cut short.
  const Bytes good = Pcx(8, 2, 2, std::vector<RGBQUAD>(256), 1, 2, {0xC1, 1, 0xC1, 2, 0xC1, 3, 0xC1, 4}),
              noMap(good.begin(), good.begin() + 136);
  auto coded = [](const Bytes& data) { return Pcx(8, 2, 2, std::vector<RGBQUAD>(256), 1, 2, data); };
  auto at = [&](size_t offset, const Bytes& bytes, size_t other = 0, const Bytes& more = {}) {
    return Patched(Patched(noMap, offset, bytes), other, more);
  };
  ExpectRefused(kPcx, "Error: Not a PCX file", {Patched(good, 0, {11})});
  ExpectRefused(kPcx, "PCX file has unknown encoding scheme", {Patched(good, 2, {2})});
  ExpectRefused(kPcx, "Can't handle image with more than 4 planes", {at(65, {5})});
  ExpectRefused(kPcx, "Can't handle more than 4 planes", {at(3, {1}, 65, {5})});
  ExpectRefused(kPcx, "Can't handle more than 1 bit per pixel", {at(3, {2}, 65, {2})});
  ExpectRefused(kPcx, "Can't handle packed pixels with more than 1 plane.", {at(65, {2})});
  ExpectRefused(kPcx, "bad color map signature", {noMap});
  ExpectRefused(kPcx, "corrupted PCX", {at(3, {1}, 8, {19})});
  ExpectRefused(kPcx, "repeat count spans end of image", {coded({1, 2, 3, 0xC2, 9})});
  ExpectRefused(kPcx, "Can't read PCX image", {coded({1, 2, 3})});
}
