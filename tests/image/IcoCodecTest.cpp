// The ICO decoder on icons built byte by byte here; the encoder's files are
// checked with the others' in DibImageTest.cpp.
#include "tests/image/CodecTestSupport.h"

namespace {

uint32_t Stride(uint32_t width, int bits) { return (width * bits + 31) / 32 * 4; }

// A bitmap image of an icon as stored (header, palette, colour rows, mask
// rows: bottom-up, padded to 4 bytes) with random pixels and one in three
// masked; 32-bit pixels carry random alpha bytes when `alphaBytes` is set,
// zeros (the mask decides) otherwise. `data` ends at `maskStart` without the mask.
struct IconImage {
  uint32_t width, height;
  WORD bits;
  bool alphaBytes, withMask = true;
  Bytes data = {};
  std::vector<RGBQUAD> want = {};  // top-down, alpha in rgbReserved
  IconImage& Make(std::mt19937& random) {
    for (uint32_t field : {40u, width, 2 * height, uint32_t(bits) << 16 | 1}) PutLe32(data, field);
    data.resize(40 + (bits <= 8 ? 4 << bits : 0), 0);
    for (size_t i = 40; i < data.size(); ++i) data[i] = i % 4 == 3 ? 0 : BYTE(random());
    const size_t rows = data.size(), mask = rows + Stride(width, bits) * height;
    data.resize(mask + Stride(width, 1) * height, 0);
    for (uint32_t i = 0; i < width * height; ++i) {
      const uint32_t x = i % width, y = height - 1 - i / width,
                     index = bits <= 8 ? random() % (1u << bits) : 0;  // y: the stored row
      RGBQUAD color = bits <= 8 ? RGBQUAD{data[40 + 4 * index], data[41 + 4 * index], data[42 + 4 * index], 0}
                                : RandomColor(random);
      color.rgbReserved = alphaBytes ? color.rgbReserved : 0;
      BYTE* at = &data[rows + y * Stride(width, bits) + x * bits / 8];
      if (bits <= 8)
        *at |= BYTE(index << (8 - bits - x * bits % 8));
      else
        std::copy_n(reinterpret_cast<const BYTE*>(&color), bits / 8, at);
      const bool transparent = random() % 3 == 0;
      data[mask + y * Stride(width, 1) + x / 8] |= transparent ? 0x80 >> x % 8 : 0;
      if (bits != 32 || !alphaBytes) color.rgbReserved = transparent ? 0 : 255;
      want.push_back(color);
    }
    if (!withMask) data.resize(mask);
    return *this;
  }
  Decoded Expected(const std::string& name, const Bytes& file) const {
    const bool alpha = std::any_of(want.begin(), want.end(), [](RGBQUAD c) { return c.rgbReserved != 255; });
    auto at = [want = want, width = width](uint32_t x, uint32_t y) { return want[y * width + x]; };
    return {name, file, width, height, WORD(bits == 32 ? 24 : bits), alpha, at};
  }
};

// A directory of {width, height, bits, data} entries (a size of 0 stands for 256), then the data.
Bytes IconFile(const std::vector<std::tuple<BYTE, BYTE, WORD, Bytes>>& entries, BYTE type = 1) {
  Bytes out = {0, 0, type, 0, BYTE(entries.size()), 0}, data;
  for (const auto& [width, height, bits, image] : entries) {
    out.insert(out.end(), {width, height, 0, 0, 1, 0, BYTE(bits), 0});
    for (size_t field : {image.size(), 6 + 16 * entries.size() + data.size()})
      PutLe32(out, uint32_t(field));  // length and place
    data.insert(data.end(), image.begin(), image.end());
  }
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

TEST(IcoDecoder, ReadsEveryDepthMaskAndPngPicksTheLargestImageAndRefusesDamage) {
  std::mt19937 random(5);
  std::vector<Decoded> cases;
  for (WORD bits : {1, 4, 8, 24, 32})
    for (uint32_t width : {1u, 9u, 33u})
      for (bool alphaBytes : {false, true}) {
        IconImage icon = IconImage{width, 3, bits, alphaBytes, !alphaBytes || bits != 32}.Make(random);
        cases.push_back(
            icon.Expected(std::to_string(bits) + " bits, " + std::to_string(width),
                          IconFile({{BYTE(width), 3, bits, icon.data}}, width == 9 ? 2 : 1)));  // 2: a cursor
      }
  auto icon = [&](uint32_t width, uint32_t height, WORD bits, bool alphaBytes = false, bool withMask = true) {
    return IconImage{width, height, bits, alphaBytes, withMask}.Make(random).data;
  };
  // The largest image, then the deepest, then the first; a directory byte of 0 means 256.
  IconImage deep = IconImage{20, 20, 8, false}.Make(random), wide = IconImage{256, 1, 1, false}.Make(random);
  cases.push_back(deep.Expected("largest", IconFile({{16, 16, 32, icon(16, 16, 32, true)},
                                                     {20, 20, 4, icon(20, 20, 4)},
                                                     {20, 20, 8, deep.data},
                                                     {20, 20, 8, icon(20, 20, 8)}})));
  cases.push_back(wide.Expected("256", IconFile({{255, 1, 24, icon(255, 1, 24)}, {0, 1, 1, wide.data}})));
  Picture rgba = RandomPicture(random, 9, 6, 4);
  PngSpec layout{.width = 9, .height = 6, .colorType = 6};
  for (uint32_t y = 0; y < 6; ++y) layout.rows.emplace_back(rgba.At(0, y), rgba.At(0, y) + 9 * 4);
  cases.push_back({"png", IconFile({{4, 4, 24, icon(4, 4, 24)}, {9, 6, 32, WritePngDirect(layout)}}), 9, 6,
                   24, true, [&](uint32_t x, uint32_t y) {
                     return RGBQUAD{rgba.At(x, y)[2], rgba.At(x, y)[1], rgba.At(x, y)[0], rgba.At(x, y)[3]};
                   }});
  // ImageMagick's icons of fixtures/make-ico-wbmp-fixtures.sh; the 24 x 24
  // image of ico-two-sizes.ico comes after a 16 x 16 one.
  auto paletted = [](uint32_t x, uint32_t y) {
    return RGBQUAD{200, BYTE(50 * (y % 5)), BYTE(30 * (x % 8)), 0};
  };
  auto sixteen = [](uint32_t x, uint32_t y) {
    return RGBQUAD{200, BYTE(60 * (y / 4)), BYTE(60 * (x / 4)), 0};
  };
  auto twoSizes = [](uint32_t x, uint32_t y) {
    return RGBQUAD{BYTE(x * y), BYTE(10 * y), BYTE(10 * x), BYTE(11 * x + 3 * y)};
  };
  cases.push_back({"ico-paletted.ico", ReadFixture("ico-paletted.ico"), 16, 16, 8, false, paletted});
  cases.push_back({"ico-sixteen.ico", ReadFixture("ico-sixteen.ico"), 16, 16, 4, false, sixteen});
  cases.push_back({"ico-two-sizes.ico", ReadFixture("ico-two-sizes.ico"), 24, 24, 24, true, twoSizes});
  ExpectDecoded(CDibImage::FORMAT_ICO, cases);
  // Cut files are the contract test's; here a file of no icon type, and an
  // image without alpha bytes that lacks its mask.
  const Bytes good = IconFile({{4, 3, 8, icon(4, 3, 8)}});
  ExpectRefused(CDibImage::FORMAT_ICO, "Not an ICO", {Patched(good, 2, {3})});
  ExpectRefused(CDibImage::FORMAT_ICO, "corrupted ICO", {IconFile({{4, 3, 8, icon(4, 3, 8, false, false)}})});
}

}  // namespace
