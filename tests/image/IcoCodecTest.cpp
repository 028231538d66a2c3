// The ICO codec on icons built byte by byte here, on icons ImageMagick made
// from pictures computed again here, and on its own output.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/image/PictureChecks.h"

namespace {

constexpr auto kIco = CDibImage::FORMAT_ICO;

uint32_t Stride(uint32_t width, int bits) { return (width * bits + 31) / 32 * 4; }

// A bitmap image of an icon as stored (header, palette, then colour rows and
// mask rows, bottom-up, padded to 4 bytes), and what it shows, top-down.
struct IconImage {
  Bytes data;
  std::vector<RGBQUAD> want;
  uint32_t width;
  size_t maskStart;
  PixelFunction Want() const {
    return [want = want, width = width](uint32_t x, uint32_t y) { return want[y * width + x]; };
  }
  bool Transparent() const {
    return std::any_of(want.begin(), want.end(), [](RGBQUAD c) { return c.rgbReserved != 255; });
  }
};

// Random pixels, one in `transparentOneIn` masked; 32-bit pixels carry random
// alpha bytes when `alphaBytes` is set, zeros (the mask decides) otherwise.
IconImage RandomIcon(std::mt19937& random, uint32_t width, uint32_t height, uint16_t bits, bool alphaBytes,
                     uint32_t transparentOneIn = 3) {
  IconImage icon{{}, std::vector<RGBQUAD>(width * height), width, 0};
  for (uint32_t field : {40u, width, 2 * height, uint32_t(bits) << 16 | 1}) PutLe32(icon.data, field);
  icon.data.resize(40, 0);
  std::vector<RGBQUAD> palette(bits <= 8 ? 1 << bits : 0);
  for (RGBQUAD& c : palette) c = RandomColor(random), PutLe32(icon.data, Argb(c) & 0xFFFFFF);
  const size_t rows = icon.data.size();
  icon.maskStart = rows + Stride(width, bits) * height;
  icon.data.resize(icon.maskStart + Stride(width, 1) * height, 0);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      BYTE* row = &icon.data[rows + (height - 1 - y) * Stride(width, bits)];
      RGBQUAD& want = icon.want[y * width + x] = RandomColor(random);
      if (bits <= 8) {
        uint32_t index = random() % palette.size();
        row[x * bits / 8] |= BYTE(index << (8 - bits - x * bits % 8));
        want = palette[index];
      } else {
        if (!alphaBytes) want.rgbReserved = 0;
        std::copy_n(&want.rgbBlue, bits / 8, row + x * bits / 8);
      }
      bool transparent = random() % transparentOneIn == 0;
      icon.data[icon.maskStart + (height - 1 - y) * Stride(width, 1) + x / 8] |= transparent ? 0x80 >> x % 8 : 0;
      if (bits != 32 || !alphaBytes) want.rgbReserved = transparent ? 0 : 255;
    }
  return icon;
}

struct Entry {
  BYTE width, height;  // 0 stands for 256
  uint16_t bits;
  Bytes data;
};

Bytes IconFile(const std::vector<Entry>& entries, BYTE type = 1) {
  Bytes out = {0, 0, type, 0, BYTE(entries.size()), 0};
  uint32_t offset = uint32_t(6 + 16 * entries.size());
  for (const Entry& e : entries) {
    out.insert(out.end(), {e.width, e.height, 0, 0, 1, 0, BYTE(e.bits), 0});
    PutLe32(out, uint32_t(e.data.size()));
    PutLe32(out, offset);
    offset += uint32_t(e.data.size());
  }
  for (const Entry& e : entries) out.insert(out.end(), e.data.begin(), e.data.end());
  return out;
}

TEST(IcoDecoder, ReadsEveryDepthMaskAndPngAndPicksTheLargestImage) {
  std::mt19937 random(5);
  std::vector<Decoded> cases;
  for (uint16_t bits : {1, 4, 8, 24, 32})
    for (uint32_t width : {1u, 9u, 33u})
      for (uint32_t transparentOneIn : {3u, 1u << 30})
        for (bool alphaBytes : {false, true}) {
          IconImage icon = RandomIcon(random, width, 3, bits, alphaBytes, transparentOneIn);
          cases.push_back({std::to_string(bits) + " bits " + std::to_string(width) + " wide",
                           IconFile({{BYTE(width), 3, bits, icon.data}}, width == 9 ? 2 : 1),  // 2: a cursor
                           width, 3, WORD(bits == 32 ? 24 : bits), icon.Transparent(), icon.Want()});
        }
  // The largest image, then the deepest, then the first; a directory byte of 0 means 256.
  IconImage deep = RandomIcon(random, 20, 20, 8, false), wide = RandomIcon(random, 256, 1, 1, false);
  cases.push_back({"largest", IconFile({{16, 16, 32, RandomIcon(random, 16, 16, 32, true).data},
                                        {20, 20, 4, RandomIcon(random, 20, 20, 4, false).data}, {20, 20, 8, deep.data},
                                        {20, 20, 8, RandomIcon(random, 20, 20, 8, false).data}}),
                   20, 20, 8, deep.Transparent(), deep.Want()});
  cases.push_back({"256", IconFile({{255, 1, 24, RandomIcon(random, 255, 1, 24, false).data}, {0, 1, 1, wide.data}}),
                   256, 1, 1, wide.Transparent(), wide.Want()});
  Picture rgba = RandomPicture(random, 9, 6, 4);
  PngSpec spec{.width = 9, .height = 6, .colorType = 6};
  for (uint32_t y = 0; y < 6; ++y) spec.rows.emplace_back(rgba.At(0, y), rgba.At(0, y) + 9 * 4);
  Bytes png = IconFile({{4, 4, 24, RandomIcon(random, 4, 4, 24, false).data}, {9, 6, 32, WritePngDirect(spec)}});
  cases.push_back({"png", png, 9, 6, 24, true, [&](uint32_t x, uint32_t y) {
                     const uint8_t* p = rgba.At(x, y);
                     return RGBQUAD{p[2], p[1], p[0], p[3]};
                   }});
  // ImageMagick's icons of fixtures/make-ico-wbmp-fixtures.sh; the 24 x 24
  // image of ico-two-sizes.ico comes after a 16 x 16 one.
  cases.push_back({"ico-paletted.ico", ReadFixture("ico-paletted.ico"), 16, 16, 8, false,
                   [](uint32_t x, uint32_t y) { return RGBQUAD{200, BYTE(50 * (y % 5)), BYTE(30 * (x % 8)), 0}; }});
  cases.push_back({"ico-sixteen.ico", ReadFixture("ico-sixteen.ico"), 16, 16, 4, false,
                   [](uint32_t x, uint32_t y) { return RGBQUAD{200, BYTE(60 * (y / 4)), BYTE(60 * (x / 4)), 0}; }});
  cases.push_back({"ico-two-sizes.ico", ReadFixture("ico-two-sizes.ico"), 24, 24, 24, true, [](uint32_t x, uint32_t y) {
                     return RGBQUAD{BYTE(x * y), BYTE(10 * y), BYTE(10 * x), BYTE(11 * x + 3 * y)};
                   }});
  ExpectDecoded(kIco, cases);
  CDibImage image;
  image.SetEscape(-1);  // asked for the dimensions only, the PNG inside gives them
  EXPECT_FALSE(DecodeBytes(image, png, kIco));
  EXPECT_EQ(std::pair(image.GetWidth(), image.GetHeight()), std::pair(9u, 6u));
}

TEST(IcoDecoder, RefusesDamagedDirectoriesAndImages) {
  std::mt19937 random(12);
  const IconImage icon = RandomIcon(random, 4, 3, 8, false), opaque = RandomIcon(random, 5, 2, 32, false);
  const Bytes good = IconFile({{4, 3, 8, icon.data}}), noMask(icon.data.begin(), icon.data.begin() + icon.maskStart);
  auto field = [&](size_t at, uint32_t value) {  // one 32-bit field of the directory (6..21) or image (22..) changed
    Bytes bytes;
    PutLe32(bytes, value);
    return Patched(good, at, bytes);
  };
  Bytes twoEntries = Patched(good, 4, {2});
  twoEntries.resize(30);
  const Bytes noOpaqueMask(opaque.data.begin(), opaque.data.begin() + opaque.maskStart);
  const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0};
  // Image fields (from 22): header size, width, height, planes and bits, compression, colours.
  ExpectRefused(kIco, {{{}, "Not an ICO"}, {Bytes(good.begin(), good.begin() + 5), "Not an ICO"},
                       {Patched(good, 0, {1}), "Not an ICO"}, {Patched(good, 2, {3}), "Not an ICO"},
                       {Patched(good, 4, {0}), "Not an ICO"}, {twoEntries, "corrupted ICO"},
                       {field(18, 1000), "corrupted ICO"}, {field(18, 0xFFFFFFF0), "corrupted ICO"},
                       {field(14, uint32_t(icon.data.size() + 1)), "corrupted ICO"}, {field(14, 0), "corrupted ICO"},
                       {field(22, 12), "corrupted ICO"}, {field(26, 0), "corrupted ICO"},
                       {field(26, 0x80000000), "corrupted ICO"}, {field(30, 1), "corrupted ICO"},
                       {field(34, 16u << 16 | 1), "corrupted ICO"}, {field(38, 1), "corrupted ICO"},
                       {field(54, 0xFFFFFFFF), "corrupted ICO"}, {IconFile({{1, 1, 32, png}}), "corrupted ICO"},
                       {IconFile({{4, 3, 8, Bytes(icon.data.begin(), icon.data.begin() + 39)}}), "corrupted ICO"},
                       {IconFile({{4, 3, 8, Bytes(noMask.begin(), noMask.end() - 1)}}), "corrupted ICO"},
                       {IconFile({{4, 3, 8, noMask}}), "corrupted ICO"},  // without alpha bytes the mask is needed
                       {IconFile({{5, 2, 32, noOpaqueMask}}), "corrupted ICO"}});
  IconImage alpha = RandomIcon(random, 5, 2, 32, true);
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, IconFile({{5, 2, 32, Bytes(alpha.data.begin(), alpha.data.begin() + alpha.maskStart)}}), kIco));
  EXPECT_TRUE(SamePicture(image, 5, 2, alpha.Want(), true));
}

// 24-bit images with alpha become 32-bit icons; the others keep their depth
// and only know transparent (alpha below 128, marked in the mask) or not.
TEST(IcoEncoder, RoundTripsEveryDepthWithAndWithoutAlpha) {
  std::mt19937 random(15);
  for (int bits : {1, 4, 8, 24})
    for (bool alpha : {false, true})
      for (uint32_t width : {1u, 13u, 40u}) {
        CDibImage source, back;
        ASSERT_NE(source.Create(width, 3, bits, 0), nullptr);
        FillRandom(source, random, alpha);
        Bytes file = EncodeBytes(source, kIco);
        const BYTE written = bits == 24 && alpha ? 32 : BYTE(bits);
        const uint32_t size = 40 + (bits <= 8 ? 4 << bits : 0) + (Stride(width, written) + Stride(width, 1)) * 3;
        Bytes directory = {0, 0, 1, 0, 1, 0, BYTE(width), 3, BYTE(bits <= 4 ? 1 << bits : 0), 0, 1, 0, written, 0};
        PutLe32(directory, size);
        PutLe32(directory, 22);
        ASSERT_EQ(file.size(), 22 + size);
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 22), directory);
        auto want = [&](uint32_t x, uint32_t y) {
          RGBQUAD color = TopDownPixel(source, x, y, true);
          if (written != 32) color.rgbReserved = alpha && color.rgbReserved < 128 ? 0 : 255;
          return color;
        };
        bool transparent = false;
        for (uint32_t i = 0; i < width * 3; ++i) transparent |= want(i % width, i / width).rgbReserved != 255;
        ExpectDecoded(kIco, {{std::to_string(bits) + " bits " + std::to_string(width), file, width, 3, WORD(bits),
                              transparent, want}});
      }
  for (uint32_t side : {256u, 257u}) {  // a directory byte of 0 stands for 256
    CDibImage image;
    ASSERT_NE(image.Create(side, 2, 8, 0), nullptr);
    Bytes file = EncodeBytes(image, kIco);
    EXPECT_EQ(file.size() > 6 && file[6] == 0, side == 256);
    EXPECT_STREQ(image.GetLastError(), side == 256 ? "" : "Can't save this image as icon");
  }
}

}  // namespace
