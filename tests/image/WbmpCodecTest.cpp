// The WBMP codec on files built byte by byte here, on ImageMagick's file of a
// pattern these tests compute again, and on its own output compared byte by
// byte with files built here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/image/CodecTestSupport.h"

namespace {

// A number 7 bits a byte, most significant first, the top bit marking every
// byte but the last.
Bytes Number(uint32_t value) {
  Bytes groups;
  do {
    groups.insert(groups.begin(), uint8_t(value & 0x7F));
    value >>= 7;
  } while (value != 0);
  for (size_t i = 0; i + 1 < groups.size(); ++i) groups[i] |= 0x80;
  return groups;
}

// A type 0 file of a top-down picture (true = white).
Bytes WbmpFile(uint32_t width, uint32_t height, const std::vector<bool>& white) {
  Bytes file = {0, 0};
  for (uint32_t value : {width, height}) {
    Bytes number = Number(value);
    file.insert(file.end(), number.begin(), number.end());
  }
  uint32_t stride = (width + 7) / 8;
  for (uint32_t y = 0; y < height; ++y) {
    Bytes row(stride, 0);
    for (uint32_t x = 0; x < width; ++x)
      if (white[y * width + x]) row[x / 8] |= uint8_t(0x80 >> (x % 8));
    file.insert(file.end(), row.begin(), row.end());
  }
  return file;
}

std::vector<bool> RandomBits(std::mt19937& random, size_t count) {
  std::vector<bool> bits(count);
  for (size_t i = 0; i < count; ++i) bits[i] = random() & 1;
  return bits;
}

void ExpectPicture(const CDibImage& image, uint32_t width, uint32_t height, const std::vector<bool>& white) {
  ASSERT_TRUE(image.IsValid());
  ASSERT_EQ(image.GetWidth(), width);
  ASSERT_EQ(image.GetHeight(), height);
  EXPECT_EQ(image.GetBitsPerPixel(), 1);
  EXPECT_EQ(image.GetType(), CDibImage::FORMAT_WBMP);
  EXPECT_FALSE(image.HasAlphaChannel());
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      RGBQUAD color = TopDownPixel(image, x, y);
      BYTE level = white[y * width + x] ? 255 : 0;
      ASSERT_EQ(color.rgbRed, level) << x << "," << y;
      ASSERT_EQ(color.rgbGreen, level) << x << "," << y;
      ASSERT_EQ(color.rgbBlue, level) << x << "," << y;
      ASSERT_EQ(image.GetPixelIndex(x, height - 1 - y), white[y * width + x] ? 1 : 0);
    }
  }
}

// A file of `size` bytes that holds `head` and then zeros, none of them stored.
class SparseFile : public CDibFile {
 public:
  SparseFile(Bytes head, long size) : m_head(std::move(head)), m_size(size) {}
  bool Close() override { return true; }
  size_t Read(void* buffer, size_t size, size_t count) override {
    if (m_position >= m_size) return 0;
    size_t wanted = std::min<size_t>(size * count, m_size - m_position);
    for (size_t i = 0; i < wanted; ++i, ++m_position)
      static_cast<uint8_t*>(buffer)[i] = size_t(m_position) < m_head.size() ? m_head[m_position] : 0;
    return wanted / size;
  }
  size_t Write(const void*, size_t, size_t) override { return 0; }
  bool Seek(long offset, int origin) override {
    m_position = std::max(0L, (origin == 0 ? 0 : origin == 1 ? m_position : m_size) + offset);
    return true;
  }
  long Tell() override { return m_position; }
  long Size() override { return m_size; }
  bool Flush() override { return false; }
  bool Eof() override { return m_position >= m_size; }
  long Error() override { return 0; }
  bool PutByte(BYTE) override { return false; }
  long GetByte() override {
    uint8_t byte;
    return Read(&byte, 1, 1) == 1 ? byte : -1;
  }

 private:
  Bytes m_head;
  long m_size;
  long m_position = 0;
};

TEST(WbmpDecoder, ReadsRowsOfEveryWidth) {
  std::mt19937 random(1);
  for (uint32_t width : {1u, 2u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 127u, 128u, 200u, 16385u}) {
    for (uint32_t height : {1u, 3u, 130u}) {
      SCOPED_TRACE(testing::Message() << width << " x " << height);
      std::vector<bool> white = RandomBits(random, size_t(width) * height);
      CDibImage image;
      ASSERT_TRUE(DecodeBytes(image, WbmpFile(width, height, white), CDibImage::FORMAT_WBMP))
          << image.GetLastError();
      ExpectPicture(image, width, height, white);
    }
  }
}

TEST(WbmpDecoder, IsFoundByDetection) {
  std::mt19937 random(2);
  std::vector<bool> white = RandomBits(random, 13 * 5);
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, WbmpFile(13, 5, white), CDibImage::FORMAT_UNKNOWN)) << image.GetLastError();
  ExpectPicture(image, 13, 5, white);
}

// ImageMagick's file of the "pattern" picture of fixtures/make-ico-wbmp-fixtures.sh.
TEST(WbmpDecoder, ReadsTheFileOfAnotherEncoder) {
  Bytes file = ReadFixture("wbmp-pattern.wbmp");
  std::vector<bool> white;
  for (uint32_t y = 0; y < 5; ++y)
    for (uint32_t x = 0; x < 130; ++x) white.push_back((x * x + 3 * y) % 5 < 2);
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_UNKNOWN)) << image.GetLastError();
  ExpectPicture(image, 130, 5, white);
}

TEST(WbmpDecoder, GivesEachMessageOnTheInputThatCallsForIt) {
  const struct {
    Bytes file;
    const char* message;
  } cases[] = {
      {{}, "Not a WBMP"},
      {{0x80}, "Not a WBMP"},                       // the type runs off the end
      {{0x80, 0x80, 0x80, 0x80, 0}, "Not a WBMP"},  // the type runs longer than 4 bytes
      {{0}, "Not a WBMP"},                          // no fixed header
      {{0, 1, 1, 1, 0}, "Not a WBMP"},              // fixed header other than 0
      {{0, 0x80, 1, 1, 0}, "Not a WBMP"},           // extension headers
      {{1, 0, 1, 1, 0}, "Unsupported WBMP type"},
      {{0x81, 0, 0, 1, 1, 0}, "Unsupported WBMP type"},  // type 128
      {{0, 0}, "Corrupted WBMP"},
      {{0, 0, 1}, "Corrupted WBMP"},
      {{0, 0, 0, 1}, "Corrupted WBMP"},                          // width 0
      {{0, 0, 1, 0}, "Corrupted WBMP"},                          // height 0
      {{0, 0, 0x81, 0x80, 0x80, 0x80, 1, 1}, "Corrupted WBMP"},  // width longer than 4 bytes
      {{0, 0, 9, 2, 0, 0, 0}, "Corrupted WBMP"},                 // 3 of 4 row bytes
      {{0, 0, 9, 2, 0, 0, 0, 0, 0}, "Corrupted WBMP"},           // a byte after the rows
      {{0, 0, 0x8F, 0xFF, 0xFF, 0x7F, 0x8F, 0xFF, 0xFF, 0x7F, 0}, "Corrupted WBMP"},  // huge
  };
  for (const auto& c : cases) {
    CDibImage image;
    EXPECT_FALSE(DecodeBytes(image, c.file, CDibImage::FORMAT_WBMP));
    EXPECT_STREQ(image.GetLastError(), c.message) << testing::PrintToString(c.file);
    EXPECT_FALSE(image.IsValid());
  }

  // A picture of 20000 x 20000 whose rows are all there is more than an image may hold.
  Bytes head = {0, 0};
  for (uint32_t side : {20000u, 20000u}) {
    Bytes number = Number(side);
    head.insert(head.end(), number.begin(), number.end());
  }
  SparseFile huge(head, long(head.size()) + 2500L * 20000);
  CDibImage image;
  EXPECT_FALSE(image.Decode(&huge, CDibImage::FORMAT_WBMP));
  EXPECT_STREQ(image.GetLastError(), "WBMP Create failed");
}

TEST(WbmpDecoder, StopsAfterTheDimensionsOrWhenCancelled) {
  ExpectEscapeHonoured(WbmpFile(300, 2, std::vector<bool>(600, true)), CDibImage::FORMAT_WBMP, 300, 2);
}

// A file must be exactly its header and rows: every prefix fails, and so does
// other data that merely starts with two zero bytes.
TEST(WbmpDecoder, EveryTruncationAndMostGarbageIsRefused) {
  std::mt19937 random(3);
  Bytes file = WbmpFile(200, 3, RandomBits(random, 600));
  for (size_t length = 0; length < file.size(); ++length) {
    CDibImage image;
    ASSERT_FALSE(DecodeBytes(image, Bytes(file.begin(), file.begin() + length), CDibImage::FORMAT_WBMP));
    ASSERT_TRUE(std::string(image.GetLastError()) == "Not a WBMP" ||
                std::string(image.GetLastError()) == "Corrupted WBMP")
        << length << ": " << image.GetLastError();
  }
  int accepted = 0;
  for (int round = 0; round < 2000; ++round) {
    Bytes garbage(2 + random() % 300);
    for (uint8_t& byte : garbage) byte = uint8_t(random());
    garbage[0] = garbage[1] = 0;
    CDibImage image;
    accepted += DecodeBytes(image, garbage, CDibImage::FORMAT_WBMP);
  }
  EXPECT_LT(accepted, 10);
}

// The bytes the encoder should write for a 1-bit image: a pixel is white when
// its palette colour is the lighter one by luminance (index 1 on a tie).
Bytes ExpectedFile(const CDibImage& image) {
  auto light = [&](BYTE index) {
    RGBQUAD color = image.GetPaletteColor(index);
    return 299 * color.rgbRed + 587 * color.rgbGreen + 114 * color.rgbBlue;
  };
  std::vector<bool> white;
  for (uint32_t y = 0; y < image.GetHeight(); ++y) {
    for (uint32_t x = 0; x < image.GetWidth(); ++x) {
      BYTE index = image.GetPixelIndex(x, image.GetHeight() - 1 - y);
      white.push_back(light(index) > light(1 - index) || (light(index) == light(1 - index) && index == 1));
    }
  }
  return WbmpFile(image.GetWidth(), image.GetHeight(), white);
}

TEST(WbmpEncoder, WritesWhiteForTheLighterColour) {
  std::mt19937 random(4);
  const std::vector<std::pair<RGBQUAD, RGBQUAD>> palettes = {
      {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}},
      {RGBQUAD{255, 255, 255, 0}, RGBQUAD{0, 0, 0, 0}},
      {RGBQUAD{200, 190, 180, 0}, RGBQUAD{20, 30, 10, 0}},
      {RGBQUAD{0, 90, 0, 0}, RGBQUAD{250, 0, 0, 0}},  // green is lighter than blue
  };
  for (const auto& [first, second] : palettes) {
    for (uint32_t width : {1u, 5u, 8u, 13u, 300u}) {
      SCOPED_TRACE(testing::Message() << width << " wide, first colour " << int(first.rgbRed));
      CDibImage image;
      ASSERT_NE(image.Create(width, 3, 1, 0), nullptr);
      image.SetPaletteColor(0, first);
      image.SetPaletteColor(1, second);
      // Random bytes, padding included: the bits past the last pixel must not leak out.
      for (uint32_t i = 0; i < image.GetEffWidth() * 3; ++i) image.GetBits()[i] = BYTE(random());
      Bytes file = EncodeBytes(image, CDibImage::FORMAT_WBMP);
      ASSERT_FALSE(file.empty()) << image.GetLastError();
      EXPECT_EQ(file, ExpectedFile(image));
      CDibImage back;
      ASSERT_TRUE(DecodeBytes(back, file, CDibImage::FORMAT_WBMP));
      EXPECT_EQ(EncodeBytes(back, CDibImage::FORMAT_WBMP), file);
    }
  }
  // 300 is written in two bytes.
  CDibImage image;
  ASSERT_NE(image.Create(300, 1, 1, 0), nullptr);
  Bytes file = EncodeBytes(image, CDibImage::FORMAT_WBMP);
  ASSERT_GE(file.size(), 5u);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 5), (Bytes{0, 0, 0x82, 0x2C, 1}));
}

TEST(WbmpEncoder, RefusesOtherImagesAndReportsAFailingFile) {
  for (int bits : {4, 8, 24}) {
    CDibImage image;
    ASSERT_NE(image.Create(4, 4, bits, 0), nullptr);
    EXPECT_TRUE(EncodeBytes(image, CDibImage::FORMAT_WBMP).empty());
    EXPECT_STREQ(image.GetLastError(), "Can't save this image as WBMP");
  }
  CDibImage image;
  CDibMemFile file;
  ASSERT_TRUE(file.Open());
  EXPECT_FALSE(image.Encode(&file, CDibImage::FORMAT_WBMP));
  EXPECT_STREQ(image.GetLastError(), "null image!!!");
  ASSERT_NE(image.Create(4, 4, 1, 0), nullptr);
  EXPECT_FALSE(image.Encode(nullptr, CDibImage::FORMAT_WBMP));
  EXPECT_STREQ(image.GetLastError(), "null file handler");
  CDibMemFile noBuffer;
  EXPECT_FALSE(image.Encode(&noBuffer, CDibImage::FORMAT_WBMP));
  EXPECT_STREQ(image.GetLastError(), "Write Error in WBMP file");
}

}  // namespace
