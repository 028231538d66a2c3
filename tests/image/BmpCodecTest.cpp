#include "tests/image/CodecTestSupport.h"

namespace {

// The colour a pixel of an uncompressed file holds by the format's layout:
// rows padded to 4 bytes, bottom row first unless the height is negative;
// indices high bits first; 16 bits through their masks (5-5-5 without),
// widened by shifting; blue, green, red bytes first at 24 and 32 bits.
RGBQUAD Reference(const BmpSpec& spec, uint32_t x, uint32_t y) {
  size_t stride = (spec.width * spec.bits + 31) / 32 * 4;
  const uint8_t* row = &spec.pixels[(spec.height < 0 ? -spec.height - 1 - y : y) * stride];
  uint32_t bit = x * spec.bits;
  if (spec.bits <= 8)
    return spec.palette[(row[bit / 8] >> (8 - spec.bits - bit % 8)) & ((1 << spec.bits) - 1)];
  if (spec.bits != 16) return RGBQUAD{row[bit / 8], row[bit / 8 + 1], row[bit / 8 + 2], 0};
  uint32_t pixel = row[bit / 8] | row[bit / 8 + 1] << 8;
  std::vector<uint32_t> masks =
      spec.masks.empty() ? std::vector<uint32_t>{0x7C00, 0x03E0, 0x001F} : spec.masks;
  int red = __builtin_popcount(masks[0]), green = __builtin_popcount(masks[1]),
      blue = __builtin_popcount(masks[2]);
  return RGBQUAD{static_cast<BYTE>((pixel & masks[2] & 0xFF) << (8 - blue)),
                 static_cast<BYTE>((pixel & masks[1]) >> (green + blue - 8)),
                 static_cast<BYTE>((pixel & masks[0]) >> (red + green + blue - 8)), 0};
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
      // A 108-byte header, taken when consistent with an uncompressed picture.
      {{.fileHeader = false, .headerSize = 108, .imageSize = 4, .pixels = rows(1, 1, 24)}},
      {{.width = 9, .height = 3, .bits = 16, .pixels = rows(9, 3, 16)}},
      {{.width = 9, .height = 3, .bits = 16, .compression = BI_BITFIELDS, .masks = {0xF800, 0x07E0, 0x001F},
        .pixels = rows(9, 3, 16)}},
      {{.width = 3, .height = 2, .bits = 32, .compression = BI_BITFIELDS, .pixels = rows(3, 2, 32)}},
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
    ASSERT_EQ(std::tuple(image.GetWidth(), image.GetHeight(), image.GetBitsPerPixel(),
                         image.HasAlphaChannel(), image.GetType(), image.GetXDpi()),
              std::tuple(uint32_t(spec.width), uint32_t(std::abs(spec.height)),
                         spec.bits <= 8 ? spec.bits : WORD(24), false, DWORD(CDibImage::FORMAT_BMP),
                         spec.headerSize == 12 ? 0L : 72L));
    for (uint32_t i = 0; i < image.GetWidth() * image.GetHeight(); ++i) {
      uint32_t x = i % spec.width, y = i / spec.width;
      RGBQUAD want = v.indices.empty() ? Reference(spec, x, y) : spec.palette[v.indices[i]];
      RGBQUAD got = image.ReadPixel(x, y, true);
      ASSERT_EQ(std::memcmp(&got, &want, 4), 0) << x << "," << y;
    }
  }
}

}  // namespace
