#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/image/CodecTestSupport.h"

namespace {

// An LZW code stream written without the codec: codes packed least significant
// bit first, each as wide as a reader takes it. After reading any code but the
// first since a clear, a reader adds a table entry while fewer than 4096 exist,
// and reads wider codes once the next free code reaches 1 << width.
class LzwStream {
 public:
  explicit LzwStream(int minCodeSize) : m_min(minCodeSize), m_width(minCodeSize + 1) { Code(Clear()); }
  int Clear() const { return 1 << m_min; }
  int End() const { return Clear() + 1; }
  int NextFree() const { return m_next; }
  void Code(int code) {
    for (int i = 0; i < m_width; ++i, ++m_bit) {
      if (m_bit % 8 == 0) m_bytes.push_back(0);
      if (code >> i & 1) m_bytes.back() |= static_cast<uint8_t>(1 << (m_bit % 8));
    }
    if (code == Clear()) {
      m_width = m_min + 1;
      m_next = Clear() + 2;
      m_first = true;
      return;
    }
    if (!m_first && m_next < 4096 && ++m_next == 1 << m_width && m_width < 12) ++m_width;
    m_first = false;
  }
  // The code size byte, the data in sub-blocks of `blockSize`, the terminator.
  Bytes Blocks(size_t blockSize = 255) const {
    Bytes out = {static_cast<uint8_t>(m_min)};
    for (size_t at = 0; at < m_bytes.size(); at += blockSize) {
      size_t size = std::min(blockSize, m_bytes.size() - at);
      out.push_back(static_cast<uint8_t>(size));
      out.insert(out.end(), m_bytes.begin() + at, m_bytes.begin() + at + size);
    }
    out.push_back(0);
    return out;
  }

 private:
  int m_min;
  int m_width;
  int m_next = 0;
  bool m_first = true;
  size_t m_bit = 0;
  Bytes m_bytes;
};

// Every index as its own literal code, with a clear code every `clearEvery`
// codes (0: never, so the table fills up and stays full).
Bytes LiteralData(const std::vector<BYTE>& indexes, int minCodeSize, size_t clearEvery = 0,
                  size_t blockSize = 255, bool end = true) {
  LzwStream stream(minCodeSize);
  for (size_t i = 0; i < indexes.size(); ++i) {
    if (clearEvery != 0 && i % clearEvery == clearEvery - 1) stream.Code(stream.Clear());
    stream.Code(indexes[i]);
  }
  if (end) stream.Code(stream.End());
  return stream.Blocks(blockSize);
}

void PutColors(Bytes& out, const std::vector<RGBQUAD>& table) {
  for (const RGBQUAD& color : table) out.insert(out.end(), {color.rgbRed, color.rgbGreen, color.rgbBlue});
}

int TableBits(size_t entries) {
  int bits = 0;
  while ((2u << bits) < entries) ++bits;
  return bits;
}

struct GifSpec {
  std::string signature = "GIF89a";
  uint16_t screenWidth = 0;  // 0: the image's
  uint16_t screenHeight = 0;
  std::vector<RGBQUAD> globalTable = {};
  Bytes extensions = {};  // blocks before the image, as written
  uint16_t left = 0, top = 0, width = 1, height = 1;
  bool interlaced = false;
  std::vector<RGBQUAD> localTable = {};
  Bytes data = {};  // code size byte and sub-blocks
  Bytes after = {0x3B};
};

Bytes MakeGif(const GifSpec& spec) {
  Bytes out(spec.signature.begin(), spec.signature.end());
  PutLe16(out, spec.screenWidth != 0 ? spec.screenWidth : spec.width);
  PutLe16(out, spec.screenHeight != 0 ? spec.screenHeight : spec.height);
  bool global = !spec.globalTable.empty();
  out.insert(out.end(), {static_cast<uint8_t>(global ? 0x80 | TableBits(spec.globalTable.size()) : 0), 0, 0});
  PutColors(out, spec.globalTable);
  out.insert(out.end(), spec.extensions.begin(), spec.extensions.end());
  out.push_back(0x2C);
  for (uint16_t value : {spec.left, spec.top, spec.width, spec.height}) PutLe16(out, value);
  bool local = !spec.localTable.empty();
  out.push_back(static_cast<uint8_t>((local ? 0x80 | TableBits(spec.localTable.size()) : 0) |
                                     (spec.interlaced ? 0x40 : 0)));
  PutColors(out, spec.localTable);
  out.insert(out.end(), spec.data.begin(), spec.data.end());
  out.insert(out.end(), spec.after.begin(), spec.after.end());
  return out;
}

Bytes GraphicControl(uint8_t flags, uint8_t transIndex) {
  return {0x21, 0xF9, 4, flags, 0, 0, transIndex, 0};
}

std::vector<RGBQUAD> RandomTable(std::mt19937& random, size_t count) {
  std::vector<RGBQUAD> table(count);
  for (RGBQUAD& color : table) color = {BYTE(random()), BYTE(random()), BYTE(random()), 0};
  return table;
}

std::vector<BYTE> RandomIndexes(std::mt19937& random, size_t count, int colors) {
  std::vector<BYTE> indexes(count);
  for (BYTE& index : indexes) index = static_cast<BYTE>(random() % colors);
  return indexes;
}

// Compares the image's indexes with `indexes` (top row first) and its palette.
void ExpectIndexes(const CDibImage& image, const std::vector<BYTE>& indexes, uint32_t width,
                   const std::vector<RGBQUAD>& table) {
  ASSERT_TRUE(image.IsValid()) << image.GetLastError();
  ASSERT_EQ(image.GetWidth(), width);
  ASSERT_EQ(image.GetWidth() * image.GetHeight(), indexes.size());
  for (size_t i = 0; i < table.size(); ++i) {
    RGBQUAD color = image.GetPaletteColor(static_cast<BYTE>(i));
    ASSERT_EQ(std::memcmp(&color, &table[i], 3), 0) << "palette " << i;
  }
  for (uint32_t y = 0; y < image.GetHeight(); ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      ASSERT_EQ(image.GetPixelIndex(x, image.GetHeight() - 1 - y), indexes[y * width + x]) << x << "," << y;
    }
  }
}

// The pictures the fixtures were made from (see make-gif-fixtures.sh).
RGBQUAD EightColor(uint32_t x, uint32_t y) {
  static const RGBQUAD kEight[] = {{0, 0, 0, 0},     {255, 255, 255, 0}, {40, 30, 200, 0}, {60, 180, 20, 0},
                                   {220, 60, 30, 0}, {10, 220, 250, 0},  {128, 0, 128, 0}, {128, 128, 0, 0}};
  return kEight[(3 * x + 5 * y + (x * y) % 7) % 8];
}
RGBQUAD ManyColor(uint32_t x, uint32_t y) {
  uint32_t i = (7 * x + 13 * y + x * y) % 256;
  return {BYTE(101 * i % 256), BYTE(37 * i % 256), BYTE(i), 0};
}

void ExpectColors(const CDibImage& image, uint32_t width, uint32_t height,
                  RGBQUAD (*color)(uint32_t, uint32_t)) {
  ASSERT_TRUE(image.IsValid()) << image.GetLastError();
  ASSERT_EQ(image.GetWidth(), width);
  ASSERT_EQ(image.GetHeight(), height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      RGBQUAD got = TopDownPixel(image, x, y), want = color(x, y);
      ASSERT_EQ(std::memcmp(&got, &want, 3), 0) << x << "," << y;
    }
  }
}

TEST(GifDecoder, HandBuiltStreamWithStringsAndTheCodeNotYetInTheTable) {
  // Codes 6 (not yet made: "1" + "1"), 7 = "11" + "2" and 8 = "2" + "1";
  // the width grows to 4 bits after code 2.
  LzwStream stream(2);
  for (int code : {1, 6, 2, 7, 8}) stream.Code(code);
  stream.Code(stream.End());
  std::mt19937 random(1);
  std::vector<RGBQUAD> table = RandomTable(random, 4);
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image,
                          MakeGif({.globalTable = table, .width = 3, .height = 3, .data = stream.Blocks()}),
                          CDibImage::FORMAT_GIF));
  EXPECT_EQ(image.GetBitsPerPixel(), 4);
  EXPECT_EQ(image.GetType(), CDibImage::FORMAT_GIF);
  EXPECT_EQ(image.GetTransIndex(), -1);
  EXPECT_FALSE(image.HasAlphaChannel());
  ExpectIndexes(image, {1, 1, 1, 2, 1, 1, 2, 2, 1}, 3, table);
}

TEST(GifDecoder, LiteralStreamsOfEveryCodeSizeWithFullAndClearedTables) {
  std::mt19937 random(2);
  for (int codeSize = 2; codeSize <= 8; ++codeSize) {
    int colors = 1 << codeSize;
    std::vector<RGBQUAD> table = RandomTable(random, colors);
    // 5000 codes fill the table (and run on at 12 bits), with and without clears.
    std::vector<BYTE> indexes = RandomIndexes(random, 100 * 50, colors);
    for (size_t clearEvery : {0, 1000, 4093}) {
      for (size_t blockSize : {1, 77, 255}) {
        Bytes data = LiteralData(indexes, codeSize, clearEvery, blockSize);
        CDibImage image;
        ASSERT_TRUE(DecodeBytes(image,
                                MakeGif({.globalTable = table, .width = 100, .height = 50, .data = data}),
                                CDibImage::FORMAT_GIF))
            << image.GetLastError();
        EXPECT_EQ(image.GetBitsPerPixel(), codeSize <= 4 ? 4 : 8);
        ExpectIndexes(image, indexes, 100, table);
      }
    }
  }
}

TEST(GifDecoder, InterlacedRowsAreReorderedForEveryHeight) {
  std::mt19937 random(3);
  std::vector<RGBQUAD> table = RandomTable(random, 16);
  for (uint16_t height = 1; height <= 19; ++height) {
    std::vector<BYTE> picture = RandomIndexes(random, 5u * height, 16);
    // Rows 0, 8, 16.. then 4, 12.. then 2, 6, 10.. then the odd ones.
    std::vector<BYTE> stored;
    for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
      for (int row = start; row < height; row += step)
        stored.insert(stored.end(), picture.begin() + row * 5, picture.begin() + row * 5 + 5);
    }
    CDibImage image;
    ASSERT_TRUE(DecodeBytes(image,
                            MakeGif({.globalTable = table,
                                     .width = 5,
                                     .height = height,
                                     .interlaced = true,
                                     .data = LiteralData(stored, 4)}),
                            CDibImage::FORMAT_GIF));
    ExpectIndexes(image, picture, 5, table);
  }
}

TEST(GifDecoder, ChoosesTablesDepthAndTransparency) {
  std::mt19937 random(4);
  std::vector<RGBQUAD> global = RandomTable(random, 8), local = RandomTable(random, 2);
  std::vector<BYTE> indexes = {0, 1, 2, 3, 1, 0};
  GifSpec spec{.globalTable = global, .width = 3, .height = 2, .data = LiteralData(indexes, 2)};
  CDibImage image;

  // A local table wins; indexes beyond it become 0; 2 colours give 1 bit.
  spec.localTable = local;
  ASSERT_TRUE(DecodeBytes(image, MakeGif(spec), CDibImage::FORMAT_GIF));
  EXPECT_EQ(image.GetBitsPerPixel(), 1);
  ExpectIndexes(image, {0, 1, 0, 0, 1, 0}, 3, local);

  // Neither table: grey levels.
  spec.localTable.clear();
  spec.globalTable.clear();
  ASSERT_TRUE(DecodeBytes(image, MakeGif(spec), CDibImage::FORMAT_GIF));
  EXPECT_EQ(image.GetBitsPerPixel(), 8);
  EXPECT_EQ(TopDownPixel(image, 2, 0).rgbGreen, 2);
  EXPECT_EQ(TopDownPixel(image, 0, 1).rgbRed, 3);

  // Skipped extensions around the graphic control extension, whose index sets
  // the alpha channel; the image is larger than the screen and decoded whole.
  Bytes comment = {0x21, 0xFE, 3, 'a', 'b', 'c', 2, 'd', 'e', 0};
  Bytes application = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0};
  spec.globalTable = global;
  spec.screenWidth = spec.screenHeight = 1;
  spec.left = 7;
  spec.extensions = comment;
  for (const Bytes& part : {GraphicControl(0x05, 1), application}) {
    spec.extensions.insert(spec.extensions.end(), part.begin(), part.end());
  }
  ASSERT_TRUE(DecodeBytes(image, MakeGif(spec), CDibImage::FORMAT_GIF)) << image.GetLastError();
  ExpectIndexes(image, indexes, 3, global);
  EXPECT_EQ(image.GetTransIndex(), 1);
  ASSERT_TRUE(image.HasAlphaChannel());
  for (uint32_t i = 0; i < indexes.size(); ++i)
    EXPECT_EQ(TopDownPixel(image, i % 3, i / 3, true).rgbReserved, indexes[i] == 1 ? 0 : 255) << i;

  // No transparency: the flag clear, a plain text extension using the control
  // up, or an index beyond the table.
  Bytes usedUp = GraphicControl(0x01, 1);
  Bytes plainText = {0x21, 0x01, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 'x', 0};
  usedUp.insert(usedUp.end(), plainText.begin(), plainText.end());
  for (const Bytes& extensions : {GraphicControl(0x04, 1), GraphicControl(0x01, 9), usedUp}) {
    spec.extensions = extensions;
    ASSERT_TRUE(DecodeBytes(image, MakeGif(spec), CDibImage::FORMAT_GIF)) << image.GetLastError();
    EXPECT_EQ(image.GetTransIndex(), -1);
    EXPECT_FALSE(image.HasAlphaChannel());
  }
}

TEST(GifDecoder, ShortStreamsKeepZerosAndExtraPixelsAreDropped) {
  std::mt19937 random(5);
  std::vector<RGBQUAD> table = RandomTable(random, 4);
  std::vector<BYTE> indexes = RandomIndexes(random, 30, 3);
  for (BYTE& index : indexes) ++index;  // no zeros
  CDibImage image;
  // The sub-blocks end after 10 pixels, without an end code.
  std::vector<BYTE> first(indexes.begin(), indexes.begin() + 10);
  ASSERT_TRUE(DecodeBytes(
      image,
      MakeGif({.globalTable = table, .width = 6, .height = 5, .data = LiteralData(first, 2, 0, 4, false)}),
      CDibImage::FORMAT_GIF))
      << image.GetLastError();
  std::vector<BYTE> expected(30, 0);
  std::copy(first.begin(), first.end(), expected.begin());
  ExpectIndexes(image, expected, 6, table);
  // 30 pixels into a 4 x 2 image.
  ASSERT_TRUE(DecodeBytes(
      image, MakeGif({.globalTable = table, .width = 4, .height = 2, .data = LiteralData(indexes, 2)}),
      CDibImage::FORMAT_GIF));
  ExpectIndexes(image, std::vector<BYTE>(indexes.begin(), indexes.begin() + 8), 4, table);
}

TEST(GifDecoder, ReadsImageMagickFiles) {
  for (const char* name : {"gif-eight.gif", "gif-eight-interlaced.gif", "gif-eight-87a.gif",
                           "gif-eight-local.gif", "gif-eight-animated.gif", "gif-eight-transparent.gif"}) {
    SCOPED_TRACE(name);
    Bytes file = ReadFixture(name);
    ASSERT_FALSE(file.empty());
    CDibImage image;
    ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_GIF)) << image.GetLastError();
    bool transparent = std::string(name) == "gif-eight-transparent.gif";
    ASSERT_EQ(image.HasAlphaChannel(), transparent);
    if (!transparent) {
      ExpectColors(image, 13, 11, EightColor);
      continue;
    }
    // The yellow pixels are transparent.
    for (uint32_t y = 0; y < 11; ++y) {
      for (uint32_t x = 0; x < 13; ++x) {
        RGBQUAD want = EightColor(x, y), got = TopDownPixel(image, x, y, true);
        bool yellow = want.rgbRed == 250 && want.rgbGreen == 220;
        EXPECT_EQ(got.rgbReserved, yellow ? 0 : 255) << x << "," << y;
        if (!yellow) {
          EXPECT_EQ(std::memcmp(&got, &want, 3), 0) << x << "," << y;
        }
      }
    }
  }
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, ReadFixture("gif-many.gif"), CDibImage::FORMAT_GIF));
  EXPECT_EQ(image.GetBitsPerPixel(), 8);
  ExpectColors(image, 40, 40, ManyColor);
}

TEST(GifDecoder, DetectionCancelAndDimensions) {
  Bytes file = ReadFixture("gif-eight-interlaced.gif");
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_UNKNOWN)) << image.GetLastError();
  EXPECT_EQ(image.GetType(), CDibImage::FORMAT_GIF);
  ExpectColors(image, 13, 11, EightColor);

  CDibImage cancelled;
  cancelled.SetEscape(1);
  EXPECT_FALSE(DecodeBytes(cancelled, file, CDibImage::FORMAT_GIF));
  EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
  EXPECT_FALSE(cancelled.IsValid());

  CDibImage dimensions;
  dimensions.SetEscape(-1);
  EXPECT_FALSE(DecodeBytes(dimensions, file, CDibImage::FORMAT_GIF));
  EXPECT_STREQ(dimensions.GetLastError(), "output dimensions returned");
  EXPECT_EQ(dimensions.GetWidth(), 13u);
  EXPECT_EQ(dimensions.GetHeight(), 11u);
}

TEST(GifDecoder, RejectsBadFiles) {
  std::vector<RGBQUAD> table(4);
  GifSpec good{.globalTable = table, .width = 2, .height = 2, .data = LiteralData({0, 1, 2, 3}, 2)};
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, MakeGif(good), CDibImage::FORMAT_GIF));

  auto expectFailure = [&](const Bytes& file, const char* message) {
    CDibImage bad;
    EXPECT_FALSE(DecodeBytes(bad, file, CDibImage::FORMAT_GIF));
    EXPECT_STREQ(bad.GetLastError(), message);
    EXPECT_FALSE(bad.IsValid());
  };
  for (const char* signature : {"GIF88a", "GIF87b", "GIF7a", "gif89a", "BM6\0\0\0"}) {
    GifSpec spec = good;
    spec.signature = std::string(signature, 6);
    expectFailure(MakeGif(spec), "Not a GIF");
  }
  expectFailure(Bytes{'G', 'I', 'F', '8'}, "Not a GIF");

  std::vector<Bytes> corrupt;
  for (uint8_t codeSize : {0, 1, 9, 12}) {
    GifSpec spec = good;
    spec.data[0] = codeSize;
    corrupt.push_back(MakeGif(spec));
  }
  // A first code naming a string, and a code beyond the next free one.
  for (std::vector<int> codes : {std::vector<int>{6}, {1, 2, 3, 9}, {1, 7}}) {
    LzwStream stream(2);
    for (int code : codes) stream.Code(code);
    GifSpec spec = good;
    spec.data = stream.Blocks();
    corrupt.push_back(MakeGif(spec));
  }
  GifSpec spec = good;
  spec.data = {2, 200, 0x44, 0x01};  // a sub-block running past the end
  spec.after = {};
  corrupt.push_back(MakeGif(spec));
  spec = good;
  spec.extensions = {0x21, 0xFE, 50, 'x'};  // an extension running past the end
  corrupt.push_back(MakeGif(spec));
  spec = good;
  spec.extensions = {0x3B};  // the trailer before any image
  corrupt.push_back(MakeGif(spec));
  spec = good;
  spec.extensions = {0x00};  // no block starts so
  corrupt.push_back(MakeGif(spec));
  spec = good;
  spec.width = 0;
  corrupt.push_back(MakeGif(spec));
  for (size_t i = 0; i < corrupt.size(); ++i) {
    SCOPED_TRACE(i);
    expectFailure(corrupt[i], "corrupted GIF");
  }
}

TEST(GifDecoder, TruncationFailsUpToTheLastDataByte) {
  std::mt19937 random(6);
  CDibImage source;
  ASSERT_NE(source.Create(21, 13, 8, 0), nullptr);
  for (uint32_t y = 0; y < 13; ++y) {
    for (uint32_t x = 0; x < 21; ++x) source.GetBits(y)[x] = static_cast<BYTE>(random() % 200);
  }
  source.SetTransIndex(7);
  for (const Bytes& file :
       {EncodeBytes(source, CDibImage::FORMAT_GIF), ReadFixture("gif-eight-interlaced.gif")}) {
    ASSERT_GT(file.size(), 20u);
    // The end code lies in the last data sub-block: only the terminator and
    // the trailer may be missing.
    size_t dataEnd = file.size() - 2;
    for (size_t length = 0; length < file.size(); ++length) {
      CDibImage image;
      bool decoded = DecodeBytes(image, Bytes(file.begin(), file.begin() + length), CDibImage::FORMAT_GIF);
      ASSERT_EQ(decoded, length >= dataEnd) << length << " " << image.GetLastError();
      if (!decoded) {
        ASSERT_STREQ(image.GetLastError(), length < 6 ? "Not a GIF" : "corrupted GIF") << length;
      }
    }
  }
}

// Decodes what the encoder wrote from `source` and checks the indexes.
void ExpectPalettedRoundTrip(CDibImage& source) {
  Bytes file = EncodeBytes(source, CDibImage::FORMAT_GIF);
  ASSERT_GT(file.size(), 13u) << source.GetLastError();
  ASSERT_EQ(std::string(file.begin(), file.begin() + 6), "GIF89a");
  EXPECT_EQ(file[6] | file[7] << 8, static_cast<int>(source.GetWidth()));
  EXPECT_EQ(file[8] | file[9] << 8, static_cast<int>(source.GetHeight()));
  EXPECT_EQ(file.back(), 0x3B);
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, file, CDibImage::FORMAT_GIF)) << image.GetLastError();
  ASSERT_EQ(image.GetBitsPerPixel(), source.GetBitsPerPixel());
  ASSERT_EQ(image.GetHeight(), source.GetHeight());
  std::vector<BYTE> indexes;
  std::vector<RGBQUAD> table;
  for (uint32_t i = 0; i < source.GetNumColors(); ++i)
    table.push_back(source.GetPaletteColor(static_cast<BYTE>(i)));
  for (uint32_t y = source.GetHeight(); y-- > 0;) {
    for (uint32_t x = 0; x < source.GetWidth(); ++x) indexes.push_back(source.GetPixelIndex(x, y));
  }
  ExpectIndexes(image, indexes, source.GetWidth(), table);
}

TEST(GifEncoder, RoundTripsPalettedImagesOfEveryDepth) {
  std::mt19937 random(7);
  const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1}, {2, 3}, {7, 5}, {33, 17}, {64, 64}, {300, 200}};
  for (int bits : {1, 4, 8}) {
    for (auto [width, height] : sizes) {
      for (bool smooth : {false, true}) {
        SCOPED_TRACE(::testing::Message()
                     << bits << " bits " << width << "x" << height << (smooth ? " runs" : ""));
        CDibImage source;
        ASSERT_NE(source.Create(width, height, bits, 0), nullptr);
        for (uint32_t i = 0; i < source.GetNumColors(); ++i)
          source.SetPaletteColor(static_cast<BYTE>(i), {BYTE(random()), BYTE(random()), BYTE(random()), 0});
        // Random pixels fill the table with short strings, runs with long ones.
        int colors = 1 << bits;
        for (uint32_t y = 0; y < height; ++y) {
          for (uint32_t x = 0; x < width; ++x) {
            BYTE index = static_cast<BYTE>(smooth ? (x / 7 + y / 3) % colors : random() % colors);
            source.WritePixel(x, y, source.GetPaletteColor(index));
          }
        }
        ExpectPalettedRoundTrip(source);
      }
    }
  }
}

TEST(GifEncoder, WritesTrueColourPicturesOfFewColoursExactly) {
  std::mt19937 random(8);
  for (size_t colors : {1, 2, 3, 16, 17, 255, 256}) {
    for (bool alpha : {false, true}) {
      SCOPED_TRACE(::testing::Message() << colors << " colours" << (alpha ? " and transparency" : ""));
      std::vector<RGBQUAD> table = RandomTable(random, colors);
      table[0] = {1, 2, 3, 0};
      if (colors > 1) table[1] = {1, 2, 4, 0};  // nearly the same colour
      CDibImage source;
      ASSERT_NE(source.Create(37, 23, 24, 0), nullptr);
      if (alpha) source.CreateAlphaChannel();
      // Every colour appears among the first 256 pixels, which stay opaque;
      // alpha below 128 makes the next 256 transparent.
      for (uint32_t n = 0; n < 37 * 23; ++n) {
        RGBQUAD color = table[n % colors];
        color.rgbReserved = static_cast<BYTE>(n / 256 == 1 ? random() % 128 : 128 + random() % 128);
        source.WritePixel(n % 37, n / 37, color, true);
      }
      CDibImage image;
      ASSERT_TRUE(DecodeBytes(image, EncodeBytes(source, CDibImage::FORMAT_GIF), CDibImage::FORMAT_GIF))
          << image.GetLastError();
      size_t entries = colors + (alpha ? 1 : 0);
      if (entries > 256) {  // too many: the fixed palette
        EXPECT_EQ(image.GetTransIndex(), 252);
        continue;
      }
      EXPECT_EQ(image.GetBitsPerPixel(), entries <= 2 ? 1 : entries <= 16 ? 4 : 8);
      EXPECT_EQ(image.GetTransIndex(), alpha ? static_cast<long>(colors) : -1);
      EXPECT_EQ(image.HasAlphaChannel(), alpha);
      for (uint32_t y = 0; y < 23; ++y) {
        for (uint32_t x = 0; x < 37; ++x) {
          RGBQUAD want = source.ReadPixel(x, y, true), got = image.ReadPixel(x, y, true);
          bool clear = alpha && want.rgbReserved < 128;
          ASSERT_EQ(got.rgbReserved, alpha ? (clear ? 0 : 255) : 0) << x << "," << y;
          if (!clear) {
            ASSERT_EQ(std::memcmp(&got, &want, 3), 0) << x << "," << y;
          }
        }
      }
    }
  }
}

// The nearest of `levels` values spread evenly over 0..255 (rounded), the lower on a tie.
BYTE NearestLevel(BYTE value, int levels) {
  int best = -1;
  for (int i = 0; i < levels; ++i) {
    int level = (i * 255 * 2 + levels - 1) / (2 * (levels - 1));
    if (best < 0 || std::abs(level - value) < std::abs(best - value)) best = level;
  }
  return static_cast<BYTE>(best);
}

TEST(GifEncoder, ReducesManyColoursToTheNearestOfAFixedPalette) {
  std::mt19937 random(9);
  CDibImage source;
  ASSERT_NE(source.Create(50, 40, 24, 0), nullptr);
  for (uint32_t y = 0; y < 40; ++y) {
    for (uint32_t x = 0; x < 50; ++x)
      source.WritePixel(x, y, {BYTE(random()), BYTE(random()), BYTE(random()), 0});
  }
  CDibImage image;
  ASSERT_TRUE(DecodeBytes(image, EncodeBytes(source, CDibImage::FORMAT_GIF), CDibImage::FORMAT_GIF));
  ASSERT_EQ(image.GetBitsPerPixel(), 8);
  EXPECT_FALSE(image.HasAlphaChannel());
  for (uint32_t y = 0; y < 40; ++y) {
    for (uint32_t x = 0; x < 50; ++x) {
      RGBQUAD want = source.ReadPixel(x, y), got = image.ReadPixel(x, y);
      ASSERT_EQ(got.rgbRed, NearestLevel(want.rgbRed, 6)) << x << "," << y;
      ASSERT_EQ(got.rgbGreen, NearestLevel(want.rgbGreen, 7)) << x << "," << y;
      ASSERT_EQ(got.rgbBlue, NearestLevel(want.rgbBlue, 6)) << x << "," << y;
    }
  }
}

TEST(GifEncoder, KeepsTheTransparentIndexOfPalettedImages) {
  std::mt19937 random(10);
  CDibImage source;
  ASSERT_NE(source.Create(9, 4, 4, 0), nullptr);
  for (uint32_t y = 0; y < 4; ++y) {
    for (uint32_t x = 0; x < 9; ++x) source.GetBits(y)[x / 2] = static_cast<BYTE>(random());
  }
  for (long index : {3L, 15L, 16L, -1L}) {
    source.SetTransIndex(index);
    CDibImage image;
    ASSERT_TRUE(DecodeBytes(image, EncodeBytes(source, CDibImage::FORMAT_GIF), CDibImage::FORMAT_GIF));
    long kept = index < 16 ? index : -1;
    EXPECT_EQ(image.GetTransIndex(), kept);
    EXPECT_EQ(image.HasAlphaChannel(), kept >= 0);
    for (uint32_t y = 0; y < 4; ++y) {
      for (uint32_t x = 0; x < 9; ++x) {
        ASSERT_EQ(image.GetPixelIndex(x, y), source.GetPixelIndex(x, y));
        if (kept >= 0) {
          EXPECT_EQ(image.GetAlphaAt(x, y), source.GetPixelIndex(x, y) == kept ? 0 : 255);
        }
      }
    }
  }
}

// Accepts writes up to a budget of bytes, then fails them.
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

TEST(GifEncoder, ReportsWriteErrorsAndRefusals) {
  CDibImage source;
  ASSERT_NE(source.Create(40, 30, 8, 0), nullptr);
  std::memset(source.GetBits(), 0, source.GetHeader().biSizeImage);
  source.SetTransIndex(0);
  size_t size = EncodeBytes(source, CDibImage::FORMAT_GIF).size();
  for (size_t budget = 0; budget < size; ++budget) {
    LimitedFile file(budget);
    ASSERT_FALSE(source.Encode(&file, CDibImage::FORMAT_GIF)) << budget;
    ASSERT_STREQ(source.GetLastError(), "Write Error in GIF file");
  }
  LimitedFile enough(size);
  EXPECT_TRUE(source.Encode(&enough, CDibImage::FORMAT_GIF));

  EXPECT_FALSE(source.Encode(nullptr, CDibImage::FORMAT_GIF));
  EXPECT_STREQ(source.GetLastError(), "null file handler");
  CDibImage wide, empty;
  ASSERT_NE(wide.Create(70000, 1, 1, 0), nullptr);
  EXPECT_TRUE(EncodeBytes(wide, CDibImage::FORMAT_GIF).empty());
  EXPECT_STREQ(wide.GetLastError(), "GIF images are at most 65535 pixels wide and high");
  EXPECT_TRUE(EncodeBytes(empty, CDibImage::FORMAT_GIF).empty());
  EXPECT_STREQ(empty.GetLastError(), "null image!!!");
}

}  // namespace
