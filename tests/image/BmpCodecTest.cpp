#include "tests/image/CodecTestSupport.h"

namespace {

// A channel's bits, highest first, as the top bits of a byte: narrow
// channels are filled with zeros, wide ones keep their top 8 bits.
BYTE Channel(uint32_t pixel, uint32_t mask) {
  int out = 0;
  int placed = 0;
  for (int bit = 31; bit >= 0 && placed < 8; --bit)
    if (mask >> bit & 1) out |= int(pixel >> bit & 1) << (7 - placed++);
  return BYTE(out);
}

// The colour a pixel of an uncompressed file holds by the format's layout:
// rows padded to 4 bytes, bottom row first unless the height is negative;
// indices high bits first; blue, green, red bytes first at 24 and 32 bits;
// masks at 16 bits (5-5-5 without) and at 32 bits with BI_BITFIELDS, the
// fourth one alpha.
RGBQUAD Reference(const BmpSpec& spec, uint32_t x, uint32_t y) {
  size_t stride = (spec.width * spec.bits + 31) / 32 * 4;
  const uint8_t* p = &spec.pixels[(spec.height < 0 ? -spec.height - 1 - y : y) * stride + x * spec.bits / 8];
  if (spec.bits <= 8) {
    const int shift = 8 - spec.bits - x * spec.bits % 8;
    return spec.palette[(p[0] >> shift) & ((1 << spec.bits) - 1)];
  }
  if (spec.bits == 24 || (spec.bits == 32 && spec.compression != BI_BITFIELDS))
    return RGBQUAD{p[0], p[1], p[2], 0};
  const uint32_t pixel = p[0] | p[1] << 8 | (spec.bits == 32 ? p[2] << 16 | uint32_t(p[3]) << 24 : 0);
  std::vector<uint32_t> masks =
      spec.masks.empty() ? std::vector<uint32_t>{0x7C00, 0x03E0, 0x001F} : spec.masks;
  masks.resize(4);
  return RGBQUAD{Channel(pixel, masks[2]), Channel(pixel, masks[1]), Channel(pixel, masks[0]),
                 Channel(pixel, masks[3])};
}

// Byte-built files of every layout; run-length coded ones list the indices
// they code (bottom row first), bad ones the message they are refused with.
struct Variant {
  BmpSpec spec;
  std::vector<BYTE> indices = {};
  const char* message = nullptr;
};

std::vector<Variant> Variants() {
  std::mt19937 random(24);
  auto rows = [&](int32_t width, int32_t height, int bits) {
    return RandomPicture(random, (width * bits + 31) / 32 * 4, height, 1).samples;
  };
  std::vector<RGBQUAD> colors = RandomPalette(random, 256), sixteen(colors.begin(), colors.begin() + 16);
  std::vector<Variant> variants;
  // clang-format off
  for (uint16_t bits : {1, 4, 8})
    for (uint32_t size : {40u, 12u})  // information and core headers
      variants.push_back({{.fileHeader = bits != 4, .headerSize = size, .width = 9, .height = 3, .bits = bits,
                           .palette = RandomPalette(random, 1u << bits), .pixels = rows(9, 3, bits)}});
  std::vector<Variant> more = {
      // A palette count beyond 256 is clamped: without a file header the pixels
      // follow the whole palette; with one they lie where the offset says.
      {{.fileHeader = false, .width = 5, .height = 2, .bits = 8, .colorsUsed = 300,
        .palette = RandomPalette(random, 300), .pixels = rows(5, 2, 8)}},
      {{.width = 7, .height = 2, .bits = 8, .colorsUsed = 0x7FFFFFFF, .palette = colors,
        .pixels = rows(7, 2, 8), .pixelOffset = 2000}},
      {{.width = 5, .height = 3, .pixels = rows(5, 3, 24)}},
      {{.width = 5, .height = -3, .pixels = rows(5, 3, 24)}},
      {{.width = 9, .height = 3, .bits = 16, .pixels = rows(9, 3, 16)}},
      {{.width = 9, .height = 3, .bits = 16, .compression = BI_BITFIELDS, .masks = {0xF800, 0x07E0, 0x001F},
        .pixels = rows(9, 3, 16)}},
      {{.width = 3, .height = 2, .bits = 32, .pixels = rows(3, 2, 32)}},
      // 32-bit masks: red and blue swapped; channels of 5 and 10 bits.
      {{.width = 3, .height = 2, .bits = 32, .compression = BI_BITFIELDS, .masks = {0xFF, 0xFF00, 0xFF0000},
        .pixels = rows(3, 2, 32)}},
      {{.fileHeader = false, .width = 3, .height = 2, .bits = 32, .compression = BI_BITFIELDS,
        .masks = {0x7C00, 0x03E0, 0x001F}, .pixels = rows(3, 2, 32)}},
      {{.headerSize = 108, .width = 3, .height = 2, .bits = 32, .compression = BI_BITFIELDS,
        .masks = {0x3FF00000, 0xFFC00, 0x3FF}, .pixels = rows(3, 2, 32)}},
      // Other header sizes when consistent with an uncompressed picture.
      {{.headerSize = 56, .width = 5, .height = 2, .imageSize = 32, .pixels = rows(5, 2, 24)}},
      // 108- and 124-byte headers: masks with alpha (top-down too), a short
      // palette, run-length coding; masks that BI_RGB leaves unused.
      {{.headerSize = 124, .width = 3, .height = -2, .bits = 32, .compression = BI_BITFIELDS,
        .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, .pixels = rows(3, 2, 32)}},
      {{.fileHeader = false, .headerSize = 124, .width = 5, .height = 2, .bits = 16, .compression = BI_BITFIELDS,
        .masks = {0xF00, 0xF0, 0xF, 0xF000}, .pixels = rows(5, 2, 16)}},
      {{.headerSize = 108, .width = 9, .height = 2, .bits = 4, .colorsUsed = 3, .palette = {colors[0], colors[1], colors[2]},
        .pixels = Bytes(16, 0x12)}},
      {{.fileHeader = false, .headerSize = 124, .width = 5, .height = 2, .masks = {0xFF, 0xFF00, 0xFF0000, 1},
        .pixels = rows(5, 2, 24)}},
      {{.headerSize = 124, .width = 6, .height = 1, .bits = 8, .compression = BI_RLE8, .palette = colors,
        .pixels = {3, 1, 0, 3, 5, 6, 7, 0, 0, 1}}, {1, 1, 1, 5, 6, 7}},
      // Run-length coding with every escape: end of line, delta, literal runs
      // with and without padding, end of bitmap; runs and literals cut at the
      // row's end, a huge move right, a move past the top, a run into the
      // row padding.
      {{.width = 6, .height = 3, .bits = 8, .compression = BI_RLE8, .palette = colors,
        .pixels = {3, 1, 0, 3, 5, 6, 7, 0, 0, 0, 0, 2, 2, 0, 2, 9, 0, 0, 6, 4, 0, 1, 7, 7}},
       {1, 1, 1, 5, 6, 7, 0, 0, 9, 9, 0, 0, 4, 4, 4, 4, 4, 4}},
      {{.width = 5, .height = 3, .bits = 4, .compression = BI_RLE4, .palette = sixteen,
        .pixels = {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 2, 0x77, 0, 0, 0, 5, 0x12, 0x34, 0x50, 0, 0, 1}},
       {1, 2, 1, 2, 1, 3, 4, 5, 7, 7, 1, 2, 3, 4, 5}},
      {{.width = 3, .height = 3, .bits = 4, .compression = BI_RLE4, .palette = sixteen,
        .pixels = {10, 0x12, 0, 0, 0, 6, 0x34, 0x56, 0x78, 0, 0, 2, 255, 0, 4, 0x99, 0, 2, 0, 50, 3, 0xAA}},
       {1, 2, 1, 3, 4, 5, 0, 0, 0}},
      {{.headerSize = 20, .pixels = {1, 2, 3, 4}}, {}, "Error reading BMP info"},
      {{.width = 100000, .height = 100000, .bits = 8, .compression = BI_RLE8}, {}, "Can't allocate memory"},
      // Rows claimed by the header but missing from the file: refused before
      // any memory is claimed for them.
      {{.width = 9000, .height = 9000, .pixels = {1, 2, 3, 4}}, {}, "corrupted BMP"},
      {{.bits = 4, .compression = BI_RLE8, .palette = sixteen}, {}, "compression type not supported"},
      {{.bits = 24, .compression = BI_RLE8, .pixels = {1, 2, 3, 4}}, {}, "unknown compression"}};
  // clang-format on
  variants.insert(variants.end(), more.begin(), more.end());
  return variants;
}

TEST(BmpDecoder, ReadsEveryLayoutAsItsBytesSayAndRefusesBadOnes) {
  for (Variant v : Variants()) {
    BmpSpec& spec = v.spec;
    spec.pelsPerMeter = 2835;
    SCOPED_TRACE(::testing::Message() << spec.bits << " bits, compression " << spec.compression << ", header "
                                      << spec.headerSize << ", " << spec.width << " x " << spec.height);
    CDibImage image;
    // Files without a file header are found by detection too.
    DWORD id = spec.fileHeader || v.message ? CDibImage::FORMAT_BMP : CDibImage::FORMAT_UNKNOWN;
    bool decoded = DecodeBytes(image, MakeBmp(spec), id);
    if (v.message != nullptr) {
      EXPECT_TRUE(!decoded && std::string(image.GetLastError()) == v.message) << image.GetLastError();
      continue;
    }
    ASSERT_TRUE(decoded) << image.GetLastError();
    const bool alpha = spec.compression == BI_BITFIELDS && spec.masks.size() > 3;
    ASSERT_EQ(std::tuple(image.GetWidth(), image.GetHeight(), image.GetBitsPerPixel(),
                         image.HasAlphaChannel(), image.GetType(), image.GetXDpi()),
              std::tuple(uint32_t(spec.width), uint32_t(std::abs(spec.height)),
                         spec.bits <= 8 ? spec.bits : WORD(24), alpha, DWORD(CDibImage::FORMAT_BMP),
                         spec.headerSize == 12 ? 0L : 72L));
    for (uint32_t i = 0; i < image.GetWidth() * image.GetHeight(); ++i) {
      uint32_t x = i % spec.width, y = i / spec.width;
      RGBQUAD want = v.indices.empty() ? Reference(spec, x, y) : spec.palette[v.indices[i]];
      RGBQUAD got = image.ReadPixel(x, y, true);
      ASSERT_EQ(std::memcmp(&got, &want, 4), 0) << x << "," << y;
    }
  }
}

// ImageMagick's files of fixtures/make-tga-pcx-bmp-fixtures.sh. ImageMagick scales a
// channel to n bits rounding down; the decoder widens those with zeros.
TEST(BmpDecoder, ReadsImageMagickFiles) {
  auto kept = [](int blue, int green, int red, int alpha) {
    return [=](uint32_t x, uint32_t y) {
      const RGBQUAD c = fixture::Rgb(x, y);
      auto cut = [](int value, int n) { return BYTE(value * ((1 << n) - 1) / 255 << (8 - n)); };
      return RGBQUAD{cut(c.rgbBlue, blue), cut(c.rgbGreen, green), cut(c.rgbRed, red),
                     cut(c.rgbReserved, alpha)};
    };
  };
  const std::vector<Decoded> cases = {
      {"v5-rgba32", ReadFixture("bmp-v5-rgba32.bmp"), 7, 5, 24, true, fixture::Rgb},
      {"v5-argb4444", ReadFixture("bmp-v5-argb4444.bmp"), 7, 5, 24, true, kept(4, 4, 4, 4)},
      {"v5-rgb565", ReadFixture("bmp-v5-rgb565.bmp"), 7, 5, 24, false, kept(5, 6, 5, 8)},
      {"v5-pal8", ReadFixture("bmp-v5-pal8.bmp"), 7, 5, 8, false, fixture::Rgb},
      {"v5-rle8", ReadFixture("bmp-v5-rle8.bmp"), 7, 5, 8, false, fixture::Rgb},
      {"v3-rgbx32", ReadFixture("bmp-v3-rgbx32.bmp"), 7, 5, 24, false, fixture::Rgb},
      {"v4-mono1", ReadFixture("bmp-v4-mono1.bmp"), 13, 4, 1, false, fixture::Mono},
      {"v4-mono24", ReadFixture("bmp-v4-mono24.bmp"), 13, 4, 24, false, fixture::Mono}};
  ExpectDecoded(CDibImage::FORMAT_BMP, cases);
}

}  // namespace
