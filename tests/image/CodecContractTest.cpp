// What every codec promises, checked on one small valid file per format made
// without the codec under test, and on images of every depth for the encoders.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <random>

#include "tests/image/CodecTestSupport.h"

namespace {

struct Sample {
  DWORD id;
  Bytes file;
  DWORD width, height;
  size_t optionalTail;  // trailing bytes a decoder may do without (end markers)
};

// A plain metafile 10 units square (10 x 10 pixels) holding one rectangle.
Bytes SmallMetafile() {
  Bytes out;
  for (uint32_t word : {1, 9, 0x0300}) PutLe16(out, word);
  PutLe32(out, (18 + 10 + 14 + 6) / 2);  // the file's size in words
  for (uint32_t word : {1, 0, 0, 0}) PutLe16(out, word);
  auto record = [&](uint32_t function, std::initializer_list<uint32_t> words) {
    PutLe32(out, static_cast<uint32_t>(3 + words.size()));
    PutLe16(out, function);
    for (uint32_t word : words) PutLe16(out, word);
  };
  record(0x020C, {10, 10});      // window extent
  record(0x041B, {8, 8, 2, 2});  // rectangle
  record(0, {});                 // end of the records
  return out;
}

std::vector<Sample> Samples() {
  std::mt19937 random(1);
  PngSpec png{.width = 3, .height = 2, .colorType = 6, .rows = {Bytes(12, 7), Bytes(12, 200)}};
  return {{CDibImage::FORMAT_BMP,
           MakeBmp({.width = 4, .height = 3, .pixels = RandomPicture(random, 36, 1, 1).samples}), 4, 3, 0},
          {CDibImage::FORMAT_GIF, ReadFixture("gif-eight.gif"), 13, 11, 2},
          {CDibImage::FORMAT_JPG, WriteJpegDirect(GradientPicture(16, 8, 3), 90), 16, 8, 0},
          {CDibImage::FORMAT_PNG, WritePngDirect(png), 3, 2, 12},
          {CDibImage::FORMAT_ICO, ReadFixture("ico-sixteen.ico"), 16, 16, 0},
          {CDibImage::FORMAT_TGA, ReadFixture("tga-rgb-rle.tga"), 7, 5, 0},
          {CDibImage::FORMAT_PCX, ReadFixture("pcx-pal16.pcx"), 11, 6, 0},
          {CDibImage::FORMAT_WBMP, ReadFixture("wbmp-pattern.wbmp"), 130, 5, 0},
          {CDibImage::FORMAT_WMF, SmallMetafile(), 10, 10, 0}};
}

TEST(CodecContract, EachFileIsReadByItsOwnCodecAloneAndFoundByDetection) {
  for (const Sample& sample : Samples()) {
    ASSERT_FALSE(sample.file.empty());
    for (DWORD id = CDibImage::FORMAT_UNKNOWN; id < CDibImage::FORMAT_COUNT; ++id) {
      SCOPED_TRACE(::testing::Message() << "format " << sample.id << " read as " << id);
      CDibImage image;
      bool decoded = DecodeBytes(image, sample.file, id);
      ASSERT_EQ(decoded, id == sample.id || id == CDibImage::FORMAT_UNKNOWN) << image.GetLastError();
      if (decoded) {
        EXPECT_EQ(image.GetType(), sample.id);
        EXPECT_EQ(image.GetWidth(), sample.width);
        EXPECT_EQ(image.GetHeight(), sample.height);
      } else {
        EXPECT_NE(image.GetLastError()[0], '\0');
        EXPECT_FALSE(image.IsValid());
      }
    }
  }
}

TEST(CodecContract, EscapeStopsAfterTheDimensionsOrCancels) {
  for (const Sample& sample : Samples()) {
    SCOPED_TRACE(sample.id);
    ExpectEscapeHonoured(sample.file, sample.id, sample.width, sample.height);
    // Detection stops at the first codec that finds dimensions.
    CDibImage image;
    image.SetEscape(-1);
    EXPECT_FALSE(DecodeBytes(image, sample.file, CDibImage::FORMAT_UNKNOWN));
    EXPECT_STREQ(image.GetLastError(), "output dimensions returned");
    EXPECT_EQ(image.GetType(), sample.id);
    EXPECT_EQ(image.GetWidth(), sample.width);
    EXPECT_EQ(image.GetHeight(), sample.height);
  }
}

TEST(CodecContract, CutAndDamagedFilesFailWithAMessage) {
  std::mt19937 random(7);
  for (const Sample& sample : Samples()) {
    const Bytes& file = sample.file;
    for (size_t length = 0; length < file.size(); ++length) {
      CDibImage image;
      bool decoded = DecodeBytes(image, Bytes(file.begin(), file.begin() + length), sample.id);
      ASSERT_EQ(decoded, length + sample.optionalTail >= file.size())
          << "format " << sample.id << " cut at " << length << ": " << image.GetLastError();
      if (!decoded) {
        ASSERT_NE(image.GetLastError()[0], '\0');
        ASSERT_FALSE(image.IsValid());
      }
    }
    for (int round = 0; round < 300; ++round) {
      Bytes damaged = file;
      for (int hits = 1 + random() % 4; hits > 0; --hits) damaged[random() % damaged.size()] = BYTE(random());
      CDibImage image;
      bool decoded = DecodeBytes(image, damaged, sample.id);
      ASSERT_EQ(decoded, image.IsValid()) << "format " << sample.id;
      if (!decoded) {
        ASSERT_NE(image.GetLastError()[0], '\0') << "format " << sample.id;
      }
    }
  }
}

// Accepts writes up to a budget of bytes, then refuses them.
class LimitedFile : public CDibMemFile {
 public:
  explicit LimitedFile(size_t budget) : m_budget(budget) { Open(); }
  size_t Write(const void* buffer, size_t size, size_t count) override {
    if (size * count > m_budget) return 0;
    m_budget -= size * count;
    return CDibMemFile::Write(buffer, size, count);
  }

 private:
  size_t m_budget;
};

struct Source {
  DWORD bits;
  bool alpha, grey;
  DWORD width;
};
// 130 pixels wide: field values above 127 take two bytes in some headers.
constexpr Source kSources[] = {{1, false, false, 130}, {4, false, false, 9}, {8, false, false, 9},
                               {8, false, true, 9},    {8, true, false, 9},  {24, false, false, 9},
                               {24, true, false, 9}};

// Which sources each encoder takes, whether its files keep every colour (of
// pixels not made transparent) and the resolution.
struct Encoder {
  DWORD id;
  bool (*takes)(const Source&);
  bool exact, dpi;
};
bool Any(const Source&) { return true; }
const Encoder kEncoders[] = {
    {CDibImage::FORMAT_BMP, Any, true, true},
    {CDibImage::FORMAT_GIF, Any, true, false},
    {CDibImage::FORMAT_JPG, [](const Source& s) { return s.bits == 24 || s.grey; }, false, true},
    {CDibImage::FORMAT_PNG, Any, true, true},
    {CDibImage::FORMAT_ICO, Any, true, false},
    {CDibImage::FORMAT_TGA, [](const Source& s) { return s.bits == 8 || s.bits == 24; }, true, false},
    {CDibImage::FORMAT_PCX, Any, true, true},
    {CDibImage::FORMAT_WBMP, [](const Source& s) { return s.bits == 1; }, false, false},
    {CDibImage::FORMAT_WMF, [](const Source&) { return false; }, false, false}};

TEST(CodecContract, EncodersWriteWhatTheirDecoderReadsAndReportEveryFailure) {
  std::mt19937 random(3);
  for (const Encoder& encoder : kEncoders) {
    CDibImage empty;
    EXPECT_TRUE(EncodeBytes(empty, encoder.id).empty());
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
    for (const Source& source : kSources) {
      SCOPED_TRACE(::testing::Message() << "format " << encoder.id << ", " << source.bits << " bits"
                                        << (source.alpha  ? " and alpha"
                                            : source.grey ? " grey"
                                                          : ""));
      CDibImage image;
      ASSERT_NE(image.Create(source.width, 3, source.bits, 0), nullptr);
      ASSERT_TRUE(!source.alpha || image.CreateAlphaChannel());
      FillRandom(image, random);
      for (int i = 0; source.grey && i < 256; ++i)
        image.SetPaletteColor(BYTE(i), {BYTE(i), BYTE(i), BYTE(i), 0});
      image.SetTransIndex(source.bits == 4 ? 3 : -1);
      image.SetXDpi(150);
      EXPECT_FALSE(image.Encode(nullptr, encoder.id));
      EXPECT_STREQ(image.GetLastError(), "null file handler");
      Bytes file = EncodeBytes(image, encoder.id);
      ASSERT_EQ(!file.empty(), encoder.takes(source)) << image.GetLastError();
      if (file.empty()) {
        EXPECT_NE(image.GetLastError()[0], '\0');
        continue;
      }
      CDibImage decoded;
      ASSERT_TRUE(DecodeBytes(decoded, file, CDibImage::FORMAT_UNKNOWN)) << decoded.GetLastError();
      ASSERT_EQ(decoded.GetType(), encoder.id);
      ASSERT_EQ(decoded.GetWidth(), source.width);
      ASSERT_EQ(decoded.GetHeight(), 3u);
      EXPECT_EQ(decoded.GetXDpi() == 150, encoder.dpi);
      for (uint32_t i = 0; i < source.width * 3 && encoder.exact; ++i) {
        RGBQUAD want = image.ReadPixel(i % source.width, i / source.width, true);
        RGBQUAD got = decoded.ReadPixel(i % source.width, i / source.width);
        // Pixels under half opaque may be written transparent, without their colour.
        if (!source.alpha || want.rgbReserved >= 128) {
          ASSERT_EQ(std::memcmp(&got, &want, 3), 0) << i;
        }
      }
      for (size_t budget = 0; budget < file.size(); ++budget) {
        LimitedFile limited(budget);
        ASSERT_FALSE(image.Encode(&limited, encoder.id)) << budget;
        ASSERT_NE(image.GetLastError()[0], '\0');
      }
      LimitedFile enough(file.size());
      EXPECT_TRUE(image.Encode(&enough, encoder.id));
    }
  }
}

}  // namespace
