// The TGA decoder on files built byte by byte here for every type, depth and
// origin; the encoder's files are read back in the contract test.
#include <cmath>

#include "tests/image/CodecTestSupport.h"

// A stored pixel or map entry as blue, green, red, alpha: two bytes hold five
// bits a channel, red highest, scaled to 0..255, and an opacity bit.
static RGBQUAD Stored(const BYTE* p, size_t bytes) {
  if (bytes != 2) return RGBQUAD{p[0], p[1], p[2], BYTE(bytes == 4 ? p[3] : 255)};
  auto scale = [&](int shift) { return BYTE(std::lround(((p[0] | p[1] << 8) >> shift & 31) * 255 / 31.0)); };
  return RGBQUAD{scale(0), scale(5), scale(10), BYTE(p[1] & 0x80 ? 255 : 0)};
}

// {type, depth, alpha bits, map entry bits}: random pixels in random run and
// raw packets that run on from row to row; maps of every entry size (entries
// 10 to 13); an id field; a map that true-colour pixels do not use; every
// origin.
TEST(TgaDecoder, ReadsEveryTypeDepthAndOriginAndNamesEachFault) {
  std::mt19937 random(16);
  std::vector<Decoded> cases;
  const BYTE layouts[][4] = {{2, 15, 0, 0}, {2, 16, 0, 0}, {2, 16, 1, 0}, {2, 24, 0, 24}, {2, 32, 8, 0},
                             {3, 8, 0, 0},  {1, 8, 0, 15}, {1, 8, 0, 16}, {1, 8, 0, 24},  {1, 8, 0, 32}};
  for (auto [type, depth, alphaBits, entryBits] : layouts)
    for (BYTE rle : {0, 8})
      for (BYTE origin : {0x00, 0x10, 0x20, 0x30}) {
        const size_t width = 5, height = 3, pixelBytes = (depth + 7) / 8, entryBytes = (entryBits + 7) / 8;
        const BYTE map = entryBits != 0, id = BYTE(random() % 4);
        const BYTE t = BYTE(type + rle), m10 = BYTE(10 * map), m4 = BYTE(4 * map);
        Bytes file = {id, map, t, m10, 0, m4, 0, entryBits, 0,
                      0,  0,   0, 5,   0, 3,  0, depth,     BYTE(alphaBits | origin)};
        for (size_t i = 0; i < id + 4 * entryBytes; ++i) file.push_back(BYTE(random()));
        std::vector<RGBQUAD> inFileOrder;
        while (inFileOrder.size() < width * height) {
          const size_t packet =
              rle ? 1 + random() % std::min<size_t>(4, width * height - inFileOrder.size()) : 1;
          const bool run = rle && random() % 2;
          if (rle) file.push_back(BYTE((run ? 0x80 : 0) | (packet - 1)));
          for (size_t i = 0; i < packet; ++i) {
            for (size_t b = 0; (i == 0 || !run) && b < pixelBytes; ++b)
              file.push_back(BYTE(type == 1 ? 10 + random() % 4 : random()));
            const BYTE* pixel = &file[file.size() - pixelBytes];
            inFileOrder.push_back(type == 1
                                      ? Stored(&file[18 + id + (pixel[0] - 10) * entryBytes], entryBytes)
                                  : type == 3 ? Level(pixel[0])
                                              : Stored(pixel, pixelBytes));
          }
        }
        cases.push_back({"type " + std::to_string(type + rle) + ", depth " + std::to_string(depth) +
                             ", map " + std::to_string(entryBits) + ", origin " + std::to_string(origin),
                         file, width, height, WORD(type == 2 ? 24 : 8), depth == 32 || alphaBits == 1,
                         [=](uint32_t x, uint32_t y) {
                           return inFileOrder[(origin & 0x20 ? y : height - 1 - y) * width +
                                              (origin & 0x10 ? width - 1 - x : x)];
                         }});
      }
  // The fixtures, written by netpbm and ImageMagick.
  for (std::string name : {"rgb", "rgb-rle", "rgb-top", "rgb-top-rle", "rgba-top-rle", "mapped", "mapped-rle",
                           "mapped-top-rle", "grey", "grey-rle", "grey-top-rle"})
    cases.push_back({name, ReadFixture("tga-" + name + ".tga"), 7, 5, WORD(name[0] == 'r' ? 24 : 8),
                     name[3] == 'a', name[0] == 'g' ? fixture::Grey : fixture::Rgb});
  ExpectDecoded(CDibImage::FORMAT_TGA, cases);
  // Header fields: 0 id length, 1 map type, 2 type, 3 first entry, 5 entries,
  // 7 entry bits, 12 width, 14 height, 16 depth, 17 alpha bits and origin.
  // One true-colour pixel, refused with an unknown type, a depth of 12 and a
  // run past the last pixel; a cut header.
  const Bytes rgb = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 1, 2, 3};
  constexpr auto kTga = CDibImage::FORMAT_TGA;
  ExpectRefused(kTga, "Unknown TGA image type", {Patched(rgb, 2, {4})});
  ExpectRefused(kTga, "bad TGA header", {Patched(rgb, 16, {12})});
  ExpectRefused(kTga, "corrupted TGA", {Patched(Patched(rgb, 2, {10}), 18, {0x81, 1, 2, 3})});
  ExpectRefused(kTga, "Not a TGA", {Bytes(17, 0)});
}
