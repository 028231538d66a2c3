#include "tests/image/CodecTestSupport.h"

namespace {

// Files of 4 colours, their code streams packed least significant bit first.
// A 3 x 3 one packed by hand holds the codes clear (4), 1, then 6 (not yet
// made: "1" + "1"), 2, 7 = "11" + "2" and 8 = "2" + "1", 4 bits wide once the
// next free code reaches 8, and end (5). A 100 x 50 one holds 5000 literal
// codes without a clear code: the table fills at 4096 codes, then stays as it
// is, its codes 12 bits wide.
TEST(GifDecoder, HandBuiltStreamsWithTheCodeNotYetInTheTableAndAFullTable) {
  const RGBQUAD colors[] = {{30, 20, 10, 0}, {60, 50, 40, 0}, {90, 80, 70, 0}, {120, 110, 100, 0}};
  auto gif = [&](BYTE width, BYTE height, const Bytes& data) {
    Bytes file = {'G', 'I', 'F', '8', '9', 'a', width, 0, height, 0, 0x81, 0, 0};
    for (RGBQUAD color : colors) file.insert(file.end(), {color.rgbRed, color.rgbGreen, color.rgbBlue});
    file.insert(file.end(), {0x2C, 0, 0, 0, 0, width, 0, height, 0, 0, 2});
    for (size_t at = 0; at < data.size(); at += 255) {  // in sub-blocks
      const size_t size = std::min<size_t>(255, data.size() - at);
      file.push_back(BYTE(size));
      file.insert(file.end(), data.begin() + long(at), data.begin() + long(at + size));
    }
    file.insert(file.end(), {0, 0x3B});
    return file;
  };
  Bytes full;
  for (int i = 0, bits = 3, next = 6, at = 0; i <= 5000; ++i) {
    const int code = i < 5000 ? i * i % 7 % 4 : 5;
    for (int bit = 0; bit < bits; ++bit, ++at) {
      if (at % 8 == 0) full.push_back(0);
      full.back() |= BYTE((code >> bit & 1) << at % 8);
    }
    if (i > 0 && next < 4096 && ++next == 1 << bits && bits < 12) ++bits;
  }
  const BYTE indexes[] = {1, 1, 1, 2, 1, 1, 2, 2, 1};  // top row first
  for (uint32_t width : {3u, 100u}) {
    CDibImage image;
    const Bytes file = width == 3 ? gif(3, 3, {0x8C, 0x75, 0x58}) : gif(100, 50, full);
    ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_GIF)) << image.GetLastError();
    for (uint32_t i = 0; i < width * (width == 3 ? 3 : 50); ++i) {
      RGBQUAD got = TopDownPixel(image, i % width, i / width);
      ASSERT_EQ(std::memcmp(&got, &colors[width == 3 ? indexes[i] : i * i % 7 % 4], 3), 0) << i;
    }
  }
}

// The pictures the fixtures were made from (see make-gif-fixtures.sh).
RGBQUAD EightColor(uint32_t x, uint32_t y) {
  static const RGBQUAD kEight[] = {{0, 0, 0, 0},     {255, 255, 255, 0}, {40, 30, 200, 0}, {60, 180, 20, 0},
                                   {220, 60, 30, 0}, {10, 220, 250, 0},  {128, 0, 128, 0}, {128, 128, 0, 0}};
  return kEight[(3 * x + 5 * y + (x * y) % 7) % 8];
}
// Files of another encoder: plain, interlaced, GIF87a, with a local table, the
// first frame of an animation, a transparent colour (the yellow, stored black);
// and a picture of 256 colours.
TEST(GifDecoder, ReadsImageMagickFiles) {
  std::vector<Decoded> cases;
  for (std::string name : {"", "-interlaced", "-87a", "-local", "-animated", "-transparent"}) {
    const bool transparent = name == "-transparent";
    auto want = [transparent](uint32_t x, uint32_t y) {
      RGBQUAD c = EightColor(x, y);
      c.rgbReserved = 255;
      return transparent && c.rgbRed == 250 && c.rgbGreen == 220 ? RGBQUAD{0, 0, 0, 0} : c;
    };
    cases.push_back({name, ReadFixture("gif-eight" + name + ".gif"), 13, 11, 4, transparent, want});
  }
  // 256 colours: codes of every width up to 12 bits.
  cases.push_back({"many", ReadFixture("gif-many.gif"), 40, 40, 8, false, [](uint32_t x, uint32_t y) {
                     const uint32_t i = (7 * x + 13 * y + x * y) % 256;
                     return RGBQUAD{BYTE(101 * i), BYTE(37 * i), BYTE(i), 0};
                   }});
  ExpectDecoded(CDibImage::FORMAT_GIF, cases);
}

}  // namespace
