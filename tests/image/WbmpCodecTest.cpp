// The WBMP codec on files built byte by byte here, on ImageMagick's file of a
// pattern computed again here, and on its own output compared byte by byte
// with files built here.
#include "tests/image/CodecTestSupport.h"

constexpr auto kWbmp = CDibImage::FORMAT_WBMP;

// A type 0 file of a top-down picture (true = white) and what it holds;
// numbers are written 7 bits a byte, most significant first, the top bit
// marking all but the last.
static Decoded WbmpFile(uint32_t width, uint32_t height, const std::vector<bool>& white) {
  Bytes file = {0, 0};
  for (uint32_t value : {width, height})
    for (int shift = 28; shift >= 0; shift -= 7)
      if (value >> shift != 0 || shift == 0)
        file.push_back(BYTE((shift ? 0x80 : 0) | (value >> shift & 0x7F)));
  for (uint32_t y = 0; y < height; ++y) {
    Bytes row((width + 7) / 8, 0);
    for (uint32_t x = 0; x < width; ++x) row[x / 8] |= white[y * width + x] ? BYTE(0x80 >> x % 8) : 0;
    file.insert(file.end(), row.begin(), row.end());
  }
  auto want = [=](uint32_t x, uint32_t y) { return Level(white[y * width + x] ? 255 : 0); };
  return {std::to_string(width) + " x " + std::to_string(height), file, width, height, 1, false, want};
}

TEST(WbmpCodec, ReadsEveryWidthAndWritesWhiteForTheLighterColour) {
  std::mt19937 random(1);
  std::vector<Decoded> cases;
  for (uint32_t width : {1u, 7u, 8u, 9u, 17u, 127u, 128u, 200u, 16385u})
    for (uint32_t height : {1u, 3u, 130u}) {
      std::vector<bool> white(width * height);
      for (size_t i = 0; i < white.size(); ++i) white[i] = random() & 1;
      cases.push_back(WbmpFile(width, height, white));
    }
  std::vector<bool> pattern;  // of fixtures/make-ico-wbmp-fixtures.sh
  for (uint32_t i = 0; i < 130 * 5; ++i) pattern.push_back((i % 130 * (i % 130) + 3 * (i / 130)) % 5 < 2);
  cases.push_back(WbmpFile(130, 5, pattern));
  cases.back().file = ReadFixture("wbmp-pattern.wbmp");
  ExpectDecoded(kWbmp, cases);
  // The format has no signature: a file must be exactly its header and rows;
  // 16001 x 16001 pixels are more than an image may hold.
  const Bytes huge = Patched(Bytes(6 + 2001 * 16001, 0), 2, {0x80 | 125, 0x01, 0x80 | 125, 0x01});
  ExpectRefused(kWbmp, "Not a WBMP", {{0, 0x80, 1, 1, 0}});
  ExpectRefused(kWbmp, "Unsupported WBMP type", {{1, 0, 1, 1, 0}});
  ExpectRefused(kWbmp, "Corrupted WBMP", {Bytes{0, 0, 9, 2, 0, 0, 0}});
  ExpectRefused(kWbmp, "WBMP Create failed", {huge});
  // A pixel is written white when its palette colour is the lighter one by
  // luminance (0.299 red + 0.587 green + 0.114 blue; index 1 on a tie); the
  // bits past the last pixel of a row are 0.
  // Pure blue against red 98 differs by 0.232 in luminance: the weights decide.
  const std::pair<RGBQUAD, RGBQUAD> palettes[] = {{{0, 0, 0, 0}, {255, 255, 255, 0}},
                                                  {{200, 190, 180, 0}, {20, 30, 10, 0}},
                                                  {{255, 0, 0, 0}, {0, 0, 98, 0}},
                                                  {{7, 7, 7, 0}, {7, 7, 7, 0}}};
  auto light = [](RGBQUAD c) { return 0.299 * c.rgbRed + 0.587 * c.rgbGreen + 0.114 * c.rgbBlue; };
  for (const auto& [first, second] : palettes)
    for (uint32_t width : {1u, 5u, 8u, 13u, 300u}) {
      CDibImage image;
      ASSERT_NE(image.Create(width, 3, 1, 0), nullptr);
      for (BYTE i : {0, 1}) image.SetPaletteColor(i, i ? second : first);
      for (uint32_t i = 0; i < image.GetEffWidth() * 3; ++i) image.GetBits()[i] = BYTE(random());
      std::vector<bool> white;
      for (uint32_t i = 0; i < width * 3; ++i) {
        const BYTE index = image.GetPixelIndex(i % width, 2 - i / width);
        const double mine = light(image.GetPaletteColor(index)),
                     other = light(image.GetPaletteColor(1 - index));
        white.push_back(mine > other || (mine == other && index == 1));
      }
      EXPECT_EQ(EncodeBytes(image, kWbmp), WbmpFile(width, 3, white).file)
          << width << " wide, first colour " << int(first.rgbRed);
    }
}
