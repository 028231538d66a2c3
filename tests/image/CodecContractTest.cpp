// What every codec promises, checked on one small valid file per format made
// without the codec under test, and on images of every depth for the encoders:
// detection, stopping when asked, refusing cuts and damage, pictures with every
// byte defined; encoders' files read back, and every write failure reported.

#include "tests/image/CodecTestSupport.h"

namespace {

// Images the encoders are given: bits per pixel, alpha channel, grey palette.
// The plain 8-bit one holds 20 x 256 random pixels, enough to fill a GIF code
// table; the others are 130 x 3 (field values above 127 take two bytes in some
// headers), their top row one run longer than a run-length packet holds.
struct Source {
  DWORD bits;
  bool alpha, grey;
};
constexpr Source kSources[] = {{1, false, false}, {4, false, false},  {8, false, false}, {8, false, true},
                               {8, true, false},  {24, false, false}, {24, true, false}};

// A row per codec: a small valid file made without it, its size, the trailing
// bytes its decoder may do without (end markers); the sources its encoder
// takes (bit i for kSources[i]), whether its files keep every colour (of the
// pixels not made transparent), the resolution and the depth, and what they
// keep of the 8-bit and the 24-bit source's alpha: n nothing, m a mask (opaque
// from 128), f every value.
struct Codec {
  DWORD id;
  Bytes file;
  DWORD width, height;
  size_t optionalTail;
  unsigned takes;
  bool exact, dpi, depth;
  const char* alpha;
};

std::vector<Codec> Codecs() {
  std::mt19937 random(1);
  PngSpec png{.width = 3, .height = 2, .colorType = 6 /* RGBA */, .rows = {Bytes(12, 7), Bytes(12, 200)}};
  Bytes bmp = MakeBmp({.width = 4, .height = 3, .pixels = RandomPicture(random, 36, 1, 1).samples}),
        jpeg = WriteJpegDirect(GradientPicture(16, 8, 3), 90), wbmp = ReadFixture("wbmp-pattern.wbmp");
  // clang-format off
  // A plain metafile of 24 words: header, a 10 x 10 window extent, a rectangle, the end record.
  Bytes metafile = {1, 0, 9, 0, 0, 3, 24, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 12, 2, 10, 0, 10, 0,
                    7, 0, 0, 0, 0x1B, 4, 8, 0, 8, 0, 2, 0, 2, 0, 3, 0, 0, 0, 0, 0};
  return {{CDibImage::FORMAT_BMP, bmp, 4, 3, 0, 0x7F, true, true, true, "nn"},
          {CDibImage::FORMAT_GIF, ReadFixture("gif-eight.gif"), 13, 11, 2, 0x7F, true, false, false, "nm"},
          {CDibImage::FORMAT_JPG, jpeg, 16, 8, 0, 0x68, false, true, true, "nn"},
          {CDibImage::FORMAT_PNG, WritePngDirect(png), 3, 2, 12, 0x7F, true, true, false, "ff"},
          {CDibImage::FORMAT_ICO, ReadFixture("ico-sixteen.ico"), 16, 16, 0, 0x7F, true, false, true, "mf"},
          {CDibImage::FORMAT_TGA, ReadFixture("tga-rgb-rle.tga"), 7, 5, 0, 0x7C, true, false, true, "nf"},
          {CDibImage::FORMAT_PCX, ReadFixture("pcx-pal16.pcx"), 11, 6, 0, 0x7F, true, true, true, "nn"},
          {CDibImage::FORMAT_WBMP, wbmp, 130, 5, 0, 0x01, false, false, true, "nn"},
          {CDibImage::FORMAT_WMF, metafile, 10, 10, 0, 0x00, false, false, false, "nn"}};
  // clang-format on
}

// A failed decode or encode leaves no picture behind and says why.
bool FailedWithMessage(const CDibImage& image) { return !image.IsValid() && image.GetLastError()[0] != '\0'; }

TEST(CodecContract, DecodersReadTheirFilesAloneStopWhenAskedAndRefuseCutsAndDamage) {
  std::mt19937 random(7);
  for (const Codec& s : Codecs()) {
    SCOPED_TRACE(::testing::Message() << "format " << s.id);
    // Only its own codec reads the file, and detection finds that one; with
    // escape -1 detection too stops after the dimensions.
    for (DWORD id = CDibImage::FORMAT_UNKNOWN; id < CDibImage::FORMAT_COUNT; ++id) {
      CDibImage image, dimensions, cancelled;
      bool decoded = DecodeBytes(image, s.file, id);
      ASSERT_EQ(decoded, id == s.id || id == CDibImage::FORMAT_UNKNOWN) << id << ": " << image.GetLastError();
      EXPECT_TRUE(decoded ? image.GetType() == s.id : FailedWithMessage(image)) << id;
      // Every byte of the picture is defined, whatever the codec filled: row
      // padding and the unused bits of a row's last byte are zero (memory the
      // sanitizers hand out never is).
      const size_t rowBits = size_t(image.GetWidth()) * image.GetBitsPerPixel();
      for (DWORD y = 0; decoded && y < image.GetHeight(); ++y) {
        const BYTE* row = image.GetBits(y);
        const BYTE unused = BYTE(0xFF >> ((rowBits - 1) % 8 + 1));
        ASSERT_TRUE(
            (row[(rowBits - 1) / 8] & unused) == 0 &&
            std::all_of(row + (rowBits + 7) / 8, row + image.GetEffWidth(), [](BYTE b) { return b == 0; }))
            << id << ", row " << y;
      }
      // A cancelled decode tells nothing.
      dimensions.SetEscape(-1);
      cancelled.SetEscape(1);
      EXPECT_FALSE(DecodeBytes(dimensions, s.file, id) || DecodeBytes(cancelled, s.file, s.id) ||
                   dimensions.IsValid() || cancelled.IsValid());
      EXPECT_EQ(dimensions.GetWidth() == s.width && dimensions.GetHeight() == s.height &&
                    std::string(dimensions.GetLastError()) == "output dimensions returned",
                decoded)
          << id;
      EXPECT_EQ(
          std::tuple(std::string(cancelled.GetLastError()), cancelled.GetWidth(), cancelled.GetHeight()),
          std::tuple(std::string("Cancelled"), 0u, 0u));
    }
    for (size_t length = 0; length < s.file.size(); ++length) {
      CDibImage image;
      bool decoded = DecodeBytes(image, Bytes(s.file.begin(), s.file.begin() + length), s.id);
      ASSERT_EQ(decoded, length + s.optionalTail >= s.file.size()) << length << ": " << image.GetLastError();
      ASSERT_TRUE(decoded || FailedWithMessage(image)) << length;
    }
    for (int round = 0; round < 300; ++round) {
      Bytes damaged = s.file;
      for (int hits = 1 + random() % 4; hits > 0; --hits) damaged[random() % damaged.size()] = BYTE(random());
      CDibImage image;
      ASSERT_TRUE(DecodeBytes(image, damaged, s.id) ? image.IsValid() : FailedWithMessage(image));
    }
  }
}

// Accepts writes up to a budget of bytes, then refuses them.
struct LimitedFile : CDibMemFile {
  size_t budget;
  explicit LimitedFile(size_t bytes) : budget(bytes) { Open(); }
  size_t Write(const void* buffer, size_t size, size_t count) override {
    if (size * count > budget) return 0;
    budget -= size * count;
    return CDibMemFile::Write(buffer, size, count);
  }
};

TEST(CodecContract, EncodersWriteWhatTheirDecoderReadsAndReportEveryFailure) {
  std::mt19937 random(3);
  for (const Codec& encoder : Codecs()) {
    CDibImage empty;
    EXPECT_TRUE(EncodeBytes(empty, encoder.id).empty());
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
    for (size_t n = 0; n < std::size(kSources); ++n) {
      SCOPED_TRACE(::testing::Message() << "format " << encoder.id << ", source " << n);
      const Source& source = kSources[n];
      const DWORD width = n == 2 ? 20 : 130, height = n == 2 ? 256 : 3;
      const char alpha = source.alpha ? encoder.alpha[source.bits == 24] : 'n';
      CDibImage image, decoded;
      ASSERT_NE(image.Create(width, height, source.bits, 0), nullptr);
      ASSERT_TRUE(!source.alpha || image.CreateAlphaChannel());
      FillRandom(image, random);
      for (long x = 1; n != 2 && x < long(width); ++x)
        image.WritePixel(x, 0, image.ReadPixel(0, 0, true), true);
      for (int i = 0; source.grey && i < 256; ++i)
        image.SetPaletteColor(BYTE(i), {BYTE(i), BYTE(i), BYTE(i), 0});
      image.SetTransIndex(source.bits == 4 ? 3 : -1);
      image.SetXDpi(150);
      EXPECT_FALSE(image.Encode(nullptr, encoder.id));
      EXPECT_STREQ(image.GetLastError(), "null file handler");
      Bytes file = EncodeBytes(image, encoder.id);
      ASSERT_EQ(!file.empty(), (encoder.takes >> n & 1) != 0) << image.GetLastError();
      ASSERT_TRUE(!file.empty() || image.GetLastError()[0] != '\0');
      if (file.empty()) continue;
      ASSERT_TRUE(DecodeBytes(decoded, file, CDibImage::FORMAT_UNKNOWN)) << decoded.GetLastError();
      ASSERT_EQ(std::tuple(decoded.GetType(), decoded.GetWidth(), decoded.GetHeight()),
                std::tuple(encoder.id, width, height));
      EXPECT_EQ(decoded.GetXDpi() == 150, encoder.dpi);
      EXPECT_TRUE(!encoder.depth || decoded.GetBitsPerPixel() == source.bits);
      EXPECT_TRUE(!source.alpha || decoded.HasAlphaChannel() == (alpha != 'n'));
      for (uint32_t i = 0; i < width * height && encoder.exact; ++i) {
        RGBQUAD want = image.ReadPixel(i % width, i / width, true);
        RGBQUAD got = decoded.ReadPixel(i % width, i / width, true);
        // Pixels under half opaque may be written transparent, without their colour.
        ASSERT_TRUE((source.alpha && want.rgbReserved < 128) || std::memcmp(&got, &want, 3) == 0) << i;
        const BYTE kept = alpha == 'f' ? want.rgbReserved : want.rgbReserved < 128 ? 0 : 255;
        ASSERT_TRUE(alpha == 'n' || got.rgbReserved == kept) << i;
      }
      for (size_t budget = 0; budget < file.size(); ++budget) {
        LimitedFile limited(budget);
        ASSERT_FALSE(image.Encode(&limited, encoder.id)) << budget;
        ASSERT_NE(image.GetLastError()[0], '\0') << budget;
      }
      LimitedFile enough(file.size());
      EXPECT_TRUE(image.Encode(&enough, encoder.id));
    }
  }
}

}  // namespace
