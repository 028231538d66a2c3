// The ICO codec on icons built byte by byte here, on icons ImageMagick made
// from pictures these tests compute again, and on the encoder's own output read
// back both field by field and through the decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tests/image/CodecTestSupport.h"

namespace {

// One image of an icon in its bitmap form: the colour rows and the mask rows
// are given exactly as stored (bottom-up, each padded to 4 bytes).
struct IconBitmap {
  uint32_t headerSize = 40;
  int32_t width = 1;
  int32_t height = 1;  // the picture's; the header holds twice this
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;
  std::vector<RGBQUAD> palette = {};
  Bytes rows = {};
  Bytes mask = {};
};

Bytes BitmapBytes(const IconBitmap& bitmap) {
  Bytes out;
  PutLe32(out, bitmap.headerSize);
  PutLe32(out, static_cast<uint32_t>(bitmap.width));
  PutLe32(out, static_cast<uint32_t>(bitmap.height * 2));
  PutLe16(out, 1);
  PutLe16(out, bitmap.bits);
  PutLe32(out, bitmap.compression);
  PutLe32(out, static_cast<uint32_t>(bitmap.rows.size() + bitmap.mask.size()));
  for (int i = 0; i < 2; ++i) PutLe32(out, 0);
  PutLe32(out, bitmap.colorsUsed);
  PutLe32(out, 0);
  out.resize(bitmap.headerSize, 0);
  for (const RGBQUAD& color : bitmap.palette)
    out.insert(out.end(), {color.rgbBlue, color.rgbGreen, color.rgbRed, 0});
  out.insert(out.end(), bitmap.rows.begin(), bitmap.rows.end());
  out.insert(out.end(), bitmap.mask.begin(), bitmap.mask.end());
  return out;
}

struct IconEntry {
  uint8_t width = 1;  // 0 stands for 256
  uint8_t height = 1;
  uint16_t bits = 0;
  Bytes data = {};
  int64_t offset = -1;  // -1: where the data is laid out
  int64_t size = -1;    // -1: the data's size
};

Bytes IconFile(const std::vector<IconEntry>& entries, uint16_t type = 1) {
  Bytes out;
  PutLe16(out, 0);
  PutLe16(out, type);
  PutLe16(out, static_cast<uint32_t>(entries.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
  for (const IconEntry& entry : entries) {
    out.insert(out.end(), {entry.width, entry.height, 0, 0});
    PutLe16(out, 1);
    PutLe16(out, entry.bits);
    PutLe32(out, static_cast<uint32_t>(entry.size >= 0 ? entry.size : int64_t(entry.data.size())));
    PutLe32(out, static_cast<uint32_t>(entry.offset >= 0 ? entry.offset : offset));
    offset += static_cast<uint32_t>(entry.data.size());
  }
  for (const IconEntry& entry : entries) out.insert(out.end(), entry.data.begin(), entry.data.end());
  return out;
}

Bytes OneImageIcon(const IconBitmap& bitmap) {
  return IconFile({{uint8_t(bitmap.width), uint8_t(bitmap.height), bitmap.bits, BitmapBytes(bitmap)}});
}

uint32_t Stride(uint32_t width, int bits) { return (width * bits + 31) / 32 * 4; }

// Sets `value` (of `bits` bits) as pixel x of a packed row, high bits first.
void PackInto(uint8_t* row, uint32_t x, int bits, uint32_t value) {
  uint32_t bit = x * bits;
  row[bit / 8] |= static_cast<uint8_t>(value << (8 - bits - bit % 8));
}

// A random icon image and the colours (alpha in rgbReserved) it stands for,
// top-down. The alpha comes from the alpha bytes of a 32-bit image when
// `alphaBytes` is set, from the mask otherwise.
struct Sample {
  IconBitmap bitmap;
  uint32_t width, height;
  std::vector<RGBQUAD> expected;
  const RGBQUAD& At(uint32_t x, uint32_t y) const { return expected[y * width + x]; }
};

Sample RandomIcon(std::mt19937& random, uint32_t width, uint32_t height, uint16_t bits, bool alphaBytes,
                  int transparentOneIn = 3) {
  Sample sample{{.width = int32_t(width), .height = int32_t(height), .bits = bits}, width, height, {}};
  IconBitmap& bitmap = sample.bitmap;
  if (bits <= 8) {
    for (int i = 0; i < (1 << bits); ++i)
      bitmap.palette.push_back(RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0});
  }
  uint32_t stride = Stride(width, bits), maskStride = Stride(width, 1);
  bitmap.rows.assign(stride * height, 0);
  bitmap.mask.assign(maskStride * height, 0);
  sample.expected.resize(width * height);
  for (uint32_t y = 0; y < height; ++y) {
    uint32_t stored = height - 1 - y;
    for (uint32_t x = 0; x < width; ++x) {
      RGBQUAD& want = sample.expected[y * width + x];
      uint8_t* row = &bitmap.rows[stored * stride];
      if (bits <= 8) {
        uint32_t index = random() % (1u << bits);
        PackInto(row, x, bits, index);
        want = bitmap.palette[index];
      } else {
        want = RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0};
        memcpy(row + x * (bits / 8), &want, 3);
      }
      bool transparent = random() % transparentOneIn == 0;
      if (transparent) PackInto(&bitmap.mask[stored * maskStride], x, 1, 1);
      want.rgbReserved = transparent ? 0 : 255;
      if (bits == 32) {
        BYTE alpha = alphaBytes ? BYTE(random()) : 0;
        row[x * 4 + 3] = alpha;
        if (alphaBytes) want.rgbReserved = alpha;
      }
    }
  }
  return sample;
}

void ExpectImage(const CDibImage& image, uint32_t width, uint32_t height,
                 const std::function<RGBQUAD(uint32_t, uint32_t)>& expected) {
  ASSERT_TRUE(image.IsValid());
  ASSERT_EQ(image.GetWidth(), width);
  ASSERT_EQ(image.GetHeight(), height);
  EXPECT_EQ(image.GetType(), CDibImage::FORMAT_ICO);
  bool opaque = true;
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      RGBQUAD want = expected(x, y);
      RGBQUAD got = TopDownPixel(image, x, y, true);
      ASSERT_EQ(got.rgbRed, want.rgbRed) << x << "," << y;
      ASSERT_EQ(got.rgbGreen, want.rgbGreen) << x << "," << y;
      ASSERT_EQ(got.rgbBlue, want.rgbBlue) << x << "," << y;
      if (image.HasAlphaChannel()) {
        ASSERT_EQ(got.rgbReserved, want.rgbReserved) << x << "," << y;
      }
      opaque &= want.rgbReserved == 255;
    }
  }
  // Only an icon with some transparency gets an alpha channel.
  EXPECT_EQ(image.HasAlphaChannel(), !opaque);
}

void ExpectSample(const CDibImage& image, const Sample& sample) {
  ExpectImage(image, sample.width, sample.height, [&](uint32_t x, uint32_t y) { return sample.At(x, y); });
}

TEST(IcoDecoder, ReadsEveryBitDepthWithItsMask) {
  std::mt19937 random(5);
  for (uint16_t bits : {1, 4, 8, 24, 32}) {
    for (uint32_t width : {1u, 2u, 7u, 8u, 9u, 31u, 33u}) {
      for (uint32_t height : {1u, 3u}) {
        SCOPED_TRACE(testing::Message() << bits << " bits, " << width << " x " << height);
        Sample sample = RandomIcon(random, width, height, bits, true);
        CDibImage image;
        ASSERT_TRUE(DecodeBytes(image, OneImageIcon(sample.bitmap), CDibImage::FORMAT_ICO))
            << image.GetLastError();
        ExpectSample(image, sample);
        EXPECT_EQ(image.GetBitsPerPixel(), bits == 32 ? 24 : bits);
        if (bits <= 8) {
          EXPECT_EQ(image.GetNumColors(), 1u << bits);
        }
      }
    }
  }
}

TEST(IcoDecoder, ThirtyTwoBitIconsWithoutAlphaBytesUseTheMask) {
  std::mt19937 random(6);
  Sample sample = RandomIcon(random, 10, 4, 32, false);
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, OneImageIcon(sample.bitmap), CDibImage::FORMAT_ICO)) << image.GetLastError();
  ExpectSample(image, sample);

  // Then the mask must be there; when the alpha bytes speak it may be missing.
  sample.bitmap.mask.clear();
  EXPECT_FALSE(DecodeBytes(image, OneImageIcon(sample.bitmap), CDibImage::FORMAT_ICO));
  EXPECT_STREQ(image.GetLastError(), "corrupted ICO");
  Sample withAlpha = RandomIcon(random, 10, 4, 32, true);
  withAlpha.bitmap.mask.clear();
  ASSERT_TRUE(DecodeBytes(image, OneImageIcon(withAlpha.bitmap), CDibImage::FORMAT_ICO));
  ExpectSample(image, withAlpha);
}

TEST(IcoDecoder, OpaqueIconsHaveNoAlphaChannel) {
  std::mt19937 random(7);
  for (uint16_t bits : {4, 24}) {
    Sample sample = RandomIcon(random, 6, 5, bits, false, 1 << 30);
    CDibImage image;
    ASSERT_TRUE(DecodeBytes(image, OneImageIcon(sample.bitmap), CDibImage::FORMAT_ICO));
    ExpectSample(image, sample);
    EXPECT_FALSE(image.HasAlphaChannel());
  }
  // Alpha bytes all 255.
  Sample sample = RandomIcon(random, 6, 5, 32, false);
  for (size_t i = 3; i < sample.bitmap.rows.size(); i += 4) sample.bitmap.rows[i] = 255;
  for (RGBQUAD& color : sample.expected) color.rgbReserved = 255;
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, OneImageIcon(sample.bitmap), CDibImage::FORMAT_ICO));
  ExpectSample(image, sample);
}

TEST(IcoDecoder, TakesTheLargestThenDeepestImage) {
  std::mt19937 random(8);
  Sample small = RandomIcon(random, 16, 16, 32, true);
  Sample shallow = RandomIcon(random, 20, 20, 4, false);
  Sample deep = RandomIcon(random, 20, 20, 8, false);
  Sample sameDepth = RandomIcon(random, 20, 20, 8, false);
  Bytes file = IconFile({{16, 16, 32, BitmapBytes(small.bitmap)},
                         {20, 20, 4, BitmapBytes(shallow.bitmap)},
                         {20, 20, 8, BitmapBytes(deep.bitmap)},
                         {20, 20, 8, BitmapBytes(sameDepth.bitmap)}});
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_ICO)) << image.GetLastError();
  ExpectSample(image, deep);

  // A directory byte of 0 means 256: a 256 x 1 image is larger than 255 x 1.
  Sample wide = RandomIcon(random, 256, 1, 1, false);
  Sample narrower = RandomIcon(random, 255, 1, 24, false);
  file = IconFile({{255, 1, 24, BitmapBytes(narrower.bitmap)}, {0, 1, 1, BitmapBytes(wide.bitmap)}});
  ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_ICO)) << image.GetLastError();
  ExpectSample(image, wide);
}

TEST(IcoDecoder, ReadsCursorsAndIsFoundByDetection) {
  std::mt19937 random(9);
  Sample sample = RandomIcon(random, 5, 7, 8, false);
  for (uint16_t type : {1, 2}) {
    Bytes file = IconFile({{5, 7, 8, BitmapBytes(sample.bitmap)}}, type);
    CDibImage image;
    ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_UNKNOWN)) << image.GetLastError();
    ExpectSample(image, sample);
  }
}

TEST(IcoDecoder, ReadsPngImages) {
  std::mt19937 random(10);
  Picture rgba = RandomPicture(random, 9, 6, 4);
  PngSpec spec{.width = 9, .height = 6, .colorType = 6};
  for (uint32_t y = 0; y < 6; ++y) spec.rows.emplace_back(rgba.At(0, y), rgba.At(0, y) + 9 * 4);
  Bytes png = WritePngDirect(spec);
  Sample other = RandomIcon(random, 4, 4, 24, false);
  Bytes file = IconFile({{4, 4, 24, BitmapBytes(other.bitmap)}, {9, 6, 32, png}});
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_UNKNOWN)) << image.GetLastError();
  ExpectImage(image, 9, 6, [&](uint32_t x, uint32_t y) {
    const uint8_t* p = rgba.At(x, y);
    return RGBQUAD{p[2], p[1], p[0], p[3]};
  });

  // A damaged PNG is a damaged icon.
  Bytes broken = png;
  broken.resize(broken.size() / 2);
  ASSERT_FALSE(DecodeBytes(image, IconFile({{9, 6, 32, broken}}), CDibImage::FORMAT_ICO));
  EXPECT_STREQ(image.GetLastError(), "corrupted ICO");
}

// ImageMagick's icons of the pictures described in fixtures/make-ico-wbmp-fixtures.sh.
TEST(IcoDecoder, ReadsIconsOfAnotherEncoder) {
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, ReadFixture("ico-paletted.ico"), CDibImage::FORMAT_UNKNOWN))
      << image.GetLastError();
  EXPECT_EQ(image.GetBitsPerPixel(), 8);
  ExpectImage(image, 16, 16, [](uint32_t x, uint32_t y) {
    return RGBQUAD{200, BYTE(50 * (y % 5)), BYTE(30 * (x % 8)), 255};
  });
  ASSERT_TRUE(DecodeBytes(image, ReadFixture("ico-sixteen.ico"), CDibImage::FORMAT_ICO)) << image.GetLastError();
  EXPECT_EQ(image.GetBitsPerPixel(), 4);
  ExpectImage(image, 16, 16, [](uint32_t x, uint32_t y) {
    return RGBQUAD{200, BYTE(60 * (y / 4)), BYTE(60 * (x / 4)), 255};
  });
  // The 24 x 24 image of 32 bits comes second in the directory, after a 16 x 16 one.
  ASSERT_TRUE(DecodeBytes(image, ReadFixture("ico-two-sizes.ico"), CDibImage::FORMAT_ICO))
      << image.GetLastError();
  EXPECT_EQ(image.GetBitsPerPixel(), 24);
  ExpectImage(image, 24, 24, [](uint32_t x, uint32_t y) {
    return RGBQUAD{BYTE(x * y % 256), BYTE(10 * y), BYTE(10 * x), BYTE((11 * x + 3 * y) % 256)};
  });
}

TEST(IcoDecoder, RefusesWhatIsNotAnIcon) {
  std::mt19937 random(11);
  Bytes good = OneImageIcon(RandomIcon(random, 3, 3, 24, false).bitmap);
  auto with = [&](size_t at, std::initializer_list<uint8_t> bytes) {
    Bytes file = good;
    std::copy(bytes.begin(), bytes.end(), file.begin() + at);
    return file;
  };
  const std::vector<Bytes> notIcons = {
      {}, Bytes(good.begin(), good.begin() + 5), with(0, {1}), with(2, {0}), with(2, {3}), with(4, {0, 0})};
  for (const Bytes& file : notIcons) {
    CDibImage image;
    EXPECT_FALSE(DecodeBytes(image, file, CDibImage::FORMAT_ICO));
    EXPECT_STREQ(image.GetLastError(), "Not an ICO");
  }
}

TEST(IcoDecoder, RefusesDamagedDirectoriesAndImages) {
  std::mt19937 random(12);
  Sample sample = RandomIcon(random, 4, 3, 8, false);
  Bytes bitmap = BitmapBytes(sample.bitmap);
  auto changed = [&](size_t at, uint32_t value) {
    Bytes copy = bitmap;
    for (int i = 0; i < 4; ++i) copy[at + i] = uint8_t(value >> (8 * i));
    return IconFile({{4, 3, 8, copy}});
  };
  Bytes twoEntriesOneGiven = IconFile({{4, 3, 8, bitmap}});
  twoEntriesOneGiven[4] = 2;
  twoEntriesOneGiven.resize(6 + 16 + 8);
  IconBitmap noPalette = sample.bitmap;
  noPalette.palette.resize(100);
  IconBitmap noMask = sample.bitmap;
  noMask.mask.resize(noMask.mask.size() - 1);
  IconBitmap rowsCut = sample.bitmap;
  rowsCut.rows.resize(rowsCut.rows.size() - 1);
  rowsCut.mask.clear();
  const std::vector<Bytes> damaged = {
      twoEntriesOneGiven,
      IconFile({{4, 3, 8, bitmap, 1000}}),
      IconFile({{4, 3, 8, bitmap, 0xFFFFFFF0}}),
      IconFile({{4, 3, 8, bitmap, -1, int64_t(bitmap.size()) + 1}}),
      IconFile({{4, 3, 8, bitmap, -1, 0xFFFFFFFF}}),
      IconFile({{4, 3, 8, bitmap, -1, 0}}),
      IconFile({{4, 3, 8, Bytes(bitmap.begin(), bitmap.begin() + 39)}}),
      changed(0, 12),              // header size
      changed(0, 0x7FFFFFFF),      // header size beyond the image
      changed(4, 0),               // width
      changed(4, 0x80000000),      // negative width
      changed(8, 1),               // a height of 1 leaves no picture
      changed(8, 0xFFFFFFFA),      // negative height
      changed(12, 16u << 16 | 1),  // 16 bits per pixel
      changed(12, 2u << 16 | 1),   // 2 bits per pixel
      changed(16, 1),              // run-length coded
      changed(32, 0xFFFFFFFF),     // colours used beyond the image
      changed(4, 0x7FFFFFFF),      // rows beyond the image
      OneImageIcon(noPalette),
      OneImageIcon(noMask),
      OneImageIcon(rowsCut),
  };
  for (size_t i = 0; i < damaged.size(); ++i) {
    CDibImage image;
    EXPECT_FALSE(DecodeBytes(image, damaged[i], CDibImage::FORMAT_ICO)) << i;
    EXPECT_STREQ(image.GetLastError(), "corrupted ICO") << i;
    EXPECT_FALSE(image.IsValid());
  }
}

TEST(IcoDecoder, StopsAfterTheDimensionsOrWhenCancelled) {
  std::mt19937 random(13);
  PngSpec spec{.width = 7, .height = 2, .colorType = 2, .rows = {Bytes(21, 1), Bytes(21, 2)}};
  const Bytes files[] = {OneImageIcon(RandomIcon(random, 7, 2, 4, false).bitmap),
                         IconFile({{7, 2, 24, WritePngDirect(spec)}})};
  for (const Bytes& file : files) {
    CDibImage image;
    image.SetEscape(-1);
    EXPECT_FALSE(DecodeBytes(image, file, CDibImage::FORMAT_ICO));
    EXPECT_STREQ(image.GetLastError(), "output dimensions returned");
    EXPECT_EQ(image.GetWidth(), 7u);
    EXPECT_EQ(image.GetHeight(), 2u);
    EXPECT_FALSE(image.IsValid());
    image.SetEscape(1);
    EXPECT_FALSE(DecodeBytes(image, file, CDibImage::FORMAT_ICO));
    EXPECT_STREQ(image.GetLastError(), "Cancelled");
    EXPECT_FALSE(image.IsValid());
  }
}

TEST(IcoDecoder, EveryTruncationFailsCleanly) {
  std::mt19937 random(14);
  PngSpec spec{.width = 3, .height = 2, .colorType = 6, .rows = {Bytes(12, 7), Bytes(12, 200)}};
  const Bytes files[] = {OneImageIcon(RandomIcon(random, 5, 3, 1, false).bitmap),
                         OneImageIcon(RandomIcon(random, 5, 3, 32, true).bitmap),
                         IconFile({{3, 2, 32, WritePngDirect(spec)}})};
  for (const Bytes& file : files) {
    CDibImage image;
    ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_ICO)) << image.GetLastError();
    for (size_t length = 0; length < file.size(); ++length) {
      ASSERT_FALSE(DecodeBytes(image, Bytes(file.begin(), file.begin() + length), CDibImage::FORMAT_ICO));
      ASSERT_TRUE(std::string(image.GetLastError()) == "Not an ICO" ||
                  std::string(image.GetLastError()) == "corrupted ICO")
          << length << ": " << image.GetLastError();
    }
  }
}

// What the encoder wrote, read field by field: one image, its depth, and a
// mask bit set exactly for the pixels whose alpha is below 128.
void ExpectIconLayout(const Bytes& file, const CDibImage& source, uint16_t bits) {
  uint32_t width = source.GetWidth(), height = source.GetHeight();
  ASSERT_GE(file.size(), 62u);
  EXPECT_EQ(GetLe32(file, 0), 0x10000u);  // reserved 0, type 1
  EXPECT_EQ(file[4] | file[5] << 8, 1);
  EXPECT_EQ(file[6], width % 256);
  EXPECT_EQ(file[7], height % 256);
  EXPECT_EQ(file[12] | file[13] << 8, bits);
  EXPECT_EQ(GetLe32(file, 14), file.size() - 22);
  EXPECT_EQ(GetLe32(file, 18), 22u);
  EXPECT_EQ(GetLe32(file, 22), 40u);
  EXPECT_EQ(GetLe32(file, 26), width);
  EXPECT_EQ(GetLe32(file, 30), 2 * height);
  uint32_t colors = bits <= 8 ? 1u << bits : 0;
  uint32_t maskStart = 22 + 40 + colors * 4 + Stride(width, bits) * height;
  ASSERT_EQ(file.size(), maskStart + Stride(width, 1) * height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      bool set = (file[maskStart + y * Stride(width, 1) + x / 8] >> (7 - x % 8)) & 1;
      bool transparent = source.HasAlphaChannel() && source.GetAlphaAt(x, y) < 128;
      ASSERT_EQ(set, transparent) << x << "," << y;
    }
  }
}

TEST(IcoEncoder, RoundTripsEveryDepthWithAndWithoutAlpha) {
  std::mt19937 random(15);
  for (int bits : {1, 4, 8, 24}) {
    for (bool alpha : {false, true}) {
      for (uint32_t width : {1u, 13u, 40u}) {
        SCOPED_TRACE(testing::Message() << bits << " bits, alpha " << alpha << ", width " << width);
        uint32_t height = 3;
        CDibImage source;
        ASSERT_NE(source.Create(width, height, bits, 0), nullptr);
        // Distinct palette colours keep WritePixel's nearest index exact.
        for (uint32_t i = 0; i < source.GetNumColors(); ++i)
          source.SetPaletteColor(BYTE(i), RGBQUAD{BYTE(i), BYTE(random()), BYTE(random()), 0});
        if (alpha) {
          ASSERT_TRUE(source.CreateAlphaChannel());
        }
        for (uint32_t y = 0; y < height; ++y) {
          for (uint32_t x = 0; x < width; ++x) {
            RGBQUAD color = bits <= 8 ? source.GetPaletteColor(BYTE(random() % source.GetNumColors()))
                                      : RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0};
            color.rgbReserved = BYTE(random());
            source.WritePixel(x, y, color, true);
          }
        }
        Bytes file = EncodeBytes(source, CDibImage::FORMAT_ICO);
        ASSERT_FALSE(file.empty()) << source.GetLastError();
        uint16_t written = bits == 24 && alpha ? 32 : uint16_t(bits);
        ExpectIconLayout(file, source, written);

        CDibImage back;
        ASSERT_TRUE(DecodeBytes(back, file, CDibImage::FORMAT_UNKNOWN)) << back.GetLastError();
        EXPECT_EQ(back.GetBitsPerPixel(), bits);
        ExpectImage(back, width, height, [&](uint32_t x, uint32_t y) {
          // 32-bit icons keep the alpha; the others only know transparent or not.
          RGBQUAD color = TopDownPixel(source, x, y, true);
          if (!alpha) {
            color.rgbReserved = 255;
          } else if (written != 32) {
            color.rgbReserved = color.rgbReserved < 128 ? 0 : 255;
          }
          return color;
        });
        if (bits <= 8) {
          for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
              ASSERT_EQ(back.GetPixelIndex(x, y), source.GetPixelIndex(x, y));
        }
      }
    }
  }
}

TEST(IcoEncoder, TakesUpTo256PixelsASide) {
  for (auto [width, height, ok] : {std::tuple{256u, 256u, true}, std::tuple{256u, 1u, true},
                                   std::tuple{257u, 1u, false}, std::tuple{1u, 257u, false}}) {
    CDibImage image;
    ASSERT_NE(image.Create(width, height, 8, 0), nullptr);
    memset(image.GetBits(), 0, image.GetEffWidth() * height);
    Bytes file = EncodeBytes(image, CDibImage::FORMAT_ICO);
    EXPECT_EQ(!file.empty(), ok) << width << " x " << height;
    if (ok) {
      ExpectIconLayout(file, image, 8);
      CDibImage back;
      ASSERT_TRUE(DecodeBytes(back, file, CDibImage::FORMAT_ICO));
      EXPECT_EQ(back.GetWidth(), width);
      EXPECT_EQ(back.GetHeight(), height);
    } else {
      EXPECT_STREQ(image.GetLastError(), "Can't save this image as icon");
    }
  }
}

TEST(IcoEncoder, ReportsBadArgumentsAndAFailingFile) {
  CDibImage empty;
  CDibMemFile file;
  ASSERT_TRUE(file.Open());
  EXPECT_FALSE(empty.Encode(&file, CDibImage::FORMAT_ICO));
  EXPECT_STREQ(empty.GetLastError(), "null image!!!");
  CDibImage image;
  ASSERT_NE(image.Create(2, 2, 24, 0), nullptr);
  EXPECT_FALSE(image.Encode(nullptr, CDibImage::FORMAT_ICO));
  EXPECT_STREQ(image.GetLastError(), "null file handler");
  CDibMemFile noBuffer;
  EXPECT_FALSE(image.Encode(&noBuffer, CDibImage::FORMAT_ICO));
  EXPECT_STREQ(image.GetLastError(), "Write Error in ICO file");
}

}  // namespace
