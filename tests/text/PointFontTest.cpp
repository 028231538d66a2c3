// The point font: loading and refusing ".gfxFont" files, finding glyphs by
// bit address in every encoding, and drawing them as points.
#include <gtest/gtest.h>

#include "engine/graphics/software/TSGDITexture.h"
#include "engine/text/TSPointFont.h"
#include "tests/text/TextTestSupport.h"

namespace {

// A loaded point font, or a failed test.
class FontHolder {
 public:
  explicit FontHolder(const std::string& file) : m_file(file) {
    CTSUsePtr<CTSIOStream> stream(MemoryStream(m_file));
    m_loaded = m_font->Load(stream.Get());
  }
  ~FontHolder() { m_font->Release(); }
  bool Loaded() const { return m_loaded; }
  CTSPointFont* operator->() const { return m_font; }
  CTSPointFont* Get() const { return m_font; }

 private:
  std::string m_file;
  CTSPointFont* m_font = new CTSPointFont();
  bool m_loaded = false;
};

GlyphSeen DrawSingle(CTSPointFont* font, INT code) {
  CPointRecorder device;
  EXPECT_TRUE(font->DrawChar(code, 20, 30, &device, CTSColor(0xFF00FF00)));
  if (device.calls.size() != 1) return {GlyphSeen::kOther, -2};
  return ReadGlyph(device.calls[0], 20, 30, kIdentityHalfWidth);
}

GlyphSeen DrawWide(CTSPointFont* font, INT lead, INT trail) {
  CPointRecorder device;
  EXPECT_TRUE(font->DrawWideChar(lead, trail, 20, 30, &device, CTSColor(0xFF00FF00)));
  if (device.calls.size() != 1) return {GlyphSeen::kOther, -2};
  return ReadGlyph(device.calls[0], 20, 30, kIdentityHeight);
}

const GlyphSeen kFallback = {GlyphSeen::kFallback, 0};
GlyphSeen Wide(int64_t index) { return {GlyphSeen::kWide, index}; }

TEST(PointFontLoad, ReadsTheHeaderAndSizes) {
  FontHolder font(IdentityFont(FONT_ENCODING_GB2312, 10));
  ASSERT_TRUE(font.Loaded());
  EXPECT_TRUE(font->IsLoaded());
  EXPECT_EQ(font->GetCharWidth(), 3);
  EXPECT_EQ(font->GetCharHeight(), 5);
  EXPECT_EQ(font->GetWideCharWidth(), 5);
  EXPECT_EQ(font->GetWideCharHeight(), 5);
  INT width = 0, height = 0;
  EXPECT_TRUE(font->GetCharSize(200, width, height));
  EXPECT_EQ(width, 3);
  EXPECT_EQ(height, 5);
  EXPECT_TRUE(font->GetWideCharSize(0xB0, 0xA1, width, height));
  EXPECT_EQ(width, 5);
  EXPECT_EQ(height, 5);
  void* out = nullptr;
  EXPECT_TRUE(font->QueryObject(TS_GUID_FONT, &out));
  EXPECT_EQ(out, static_cast<CTSFont*>(font.Get()));
  EXPECT_TRUE(font->QueryObject(TS_GUID_POINT_FONT, &out));
  EXPECT_TRUE(font->QueryObject(TS_GUID_USE_COUNT_OBJECT, &out));
}

TEST(PointFontLoad, RefusesBadFilesAndIsEmptyAfterwards) {
  std::vector<uint8_t> data(8, 0xFF);  // 64 bits: room for a fallback of 8 x 8
  struct Case {
    const char* what;
    std::string file;
  } cases[] = {
      {"version 2", FontFile(3, 8, 4, data, 2)},
      {"version 0", FontFile(3, 8, 4, data, 0)},
      {"version 257", FontFile(3, 8, 4, data, 257)},
      {"wrong magic", "GFX" + FontFile(3, 8, 4, data).substr(3)},
      {"half width above height", FontFile(3, 8, 9, data)},
      {"data size past the end", FontFile(3, 8, 4, data, 1, 9)},
      {"data size near 4 GB", FontFile(3, 8, 4, data, 1, 0xFFFFFFFF)},
      {"data shorter than the fallback", FontFile(3, 8, 4, std::vector<uint8_t>(7, 0xFF))},
      {"header cut short", FontFile(3, 8, 4, data).substr(0, 11)},
      {"empty file", ""},
  };
  for (const Case& c : cases) {
    FontHolder font(IdentityFont(FONT_ENCODING_GB2312, 4));
    ASSERT_TRUE(font.Loaded());
    CTSUsePtr<CTSIOStream> stream(MemoryStream(c.file));
    EXPECT_FALSE(font->Load(stream.Get())) << c.what;
    EXPECT_FALSE(font->IsLoaded()) << c.what;
    EXPECT_EQ(font->GetCharHeight(), 0) << c.what;
    CPointRecorder device;
    EXPECT_FALSE(font->DrawChar('A', 0, 0, &device, CTSColor(0xFFFFFFFF))) << c.what;
    EXPECT_TRUE(device.calls.empty()) << c.what;
  }
}

TEST(PointFontLoad, AcceptsTheSmallestFileAndHalfWidthEqualToHeight) {
  FontHolder exact(FontFile(3, 8, 8, std::vector<uint8_t>(8, 0)));
  EXPECT_TRUE(exact.Loaded());
  // Glyph data may be followed by anything.
  FontHolder trailing(FontFile(3, 8, 4, std::vector<uint8_t>(8, 0)) + "more");
  EXPECT_TRUE(trailing.Loaded());
}

TEST(PointFontLoad, NullOrUnreadableStreamKeepsTheFont) {
  std::string file = IdentityFont(FONT_ENCODING_GB2312, 4);
  FontHolder font(file);
  ASSERT_TRUE(font.Loaded());
  EXPECT_FALSE(font->Load(nullptr));
  CTSUsePtr<CTSIOStream> writeOnly(MemoryStream(file, CTSIOStream::kWrite));
  EXPECT_FALSE(font->Load(writeOnly.Get()));
  EXPECT_TRUE(font->IsLoaded());
  EXPECT_EQ(DrawSingle(font.Get(), 'A'), (GlyphSeen{GlyphSeen::kSingle, 'A'}));
}

TEST(PointFontGlyphs, BitsCountFromTheLeastSignificantAndCrossByteBoundaries) {
  // Height 2, half width 1: fallback bits 0-3, spare bit 4, code 1 at bits
  // 5-6, code 2 at bits 7-8 (straddling bytes 0 and 1), code 3 at bits 9-10.
  std::vector<uint8_t> data(1 + 128 * 2 / 8 + 2, 0);
  data[0] = 0x80 | 0x01 | 0x08;  // bit 7 (code 2, row 0), fallback bits 0 and 3
  data[1] = 0x04;                // bit 10 (code 3, row 1)
  FontHolder font(FontFile(3, 2, 1, data));
  ASSERT_TRUE(font.Loaded());
  CPointRecorder device;
  ASSERT_TRUE(font->DrawChar(2, 7, 9, &device, CTSColor(0xFF123456)));
  ASSERT_TRUE(font->DrawChar(3, 7, 9, &device, CTSColor(0xFF123456)));
  ASSERT_TRUE(font->DrawChar(1, 7, 9, &device, CTSColor(0xFF123456)));
  ASSERT_TRUE(font->DrawWideChar(0xA0, 0xA1, 7, 9, &device, CTSColor(0xFF123456)));
  ASSERT_EQ(device.calls.size(), 4u);
  ASSERT_EQ(device.calls[0].count, 1);
  EXPECT_EQ(device.calls[0].points[0].x, 7);
  EXPECT_EQ(device.calls[0].points[0].y, 9);
  ASSERT_EQ(device.calls[1].count, 1);
  EXPECT_EQ(device.calls[1].points[0].x, 7);
  EXPECT_EQ(device.calls[1].points[0].y, 10);
  EXPECT_EQ(device.calls[2].count, 0);  // an empty glyph still makes its call
  // The fallback at double width: bit 0 is (0, 0), bit 3 is (1, 1).
  ASSERT_EQ(device.calls[3].count, 2);
  EXPECT_EQ(device.calls[3].points[0].x, 7);
  EXPECT_EQ(device.calls[3].points[0].y, 9);
  EXPECT_EQ(device.calls[3].points[1].x, 8);
  EXPECT_EQ(device.calls[3].points[1].y, 10);
  EXPECT_EQ(device.calls[3].color, 0xFF123456u);
}

TEST(PointFontGlyphs, SingleByteCodesOneTo128HaveTheirOwnGlyphs) {
  FontHolder font(IdentityFont(FONT_ENCODING_GB2312, 0));
  ASSERT_TRUE(font.Loaded());
  for (INT code = 1; code <= 128; ++code)
    EXPECT_EQ(DrawSingle(font.Get(), code), (GlyphSeen{GlyphSeen::kSingle, code})) << code;
  for (INT code : {0, 129, 200, 255, 256, -1, -128, 0x7FFFFFFF, INT(0x80000000)})
    EXPECT_EQ(DrawSingle(font.Get(), code), kFallback) << code;
}

TEST(PointFontGlyphs, GlyphsPastTheEndOfTheDataDrawTheFallback) {
  FontHolder font(IdentityFont(FONT_ENCODING_GB2312, 0, 100));
  ASSERT_TRUE(font.Loaded());
  EXPECT_EQ(DrawSingle(font.Get(), 100), (GlyphSeen{GlyphSeen::kSingle, 100}));
  EXPECT_EQ(DrawSingle(font.Get(), 101), kFallback);
  EXPECT_EQ(DrawSingle(font.Get(), 128), kFallback);
  EXPECT_EQ(DrawWide(font.Get(), 0xA1, 0xA1), kFallback);

  // The last wide glyph present, then one whose final bit is missing.
  std::string file = IdentityFont(FONT_ENCODING_GB2312, 3);
  FontHolder whole(file);
  EXPECT_EQ(DrawWide(whole.Get(), 0xA1, 0xA3), Wide(2));
  EXPECT_EQ(DrawWide(whole.Get(), 0xA1, 0xA4), kFallback);
  std::string cut = file.substr(0, file.size() - 1);
  cut[8] = char(cut[8] - 1);
  int64_t lastGlyphEnd = 25 + 1 + 128 * 15 + 3 * 25;
  ASSERT_LT(int64_t(cut.size() - 12) * 8, lastGlyphEnd);
  FontHolder shortened(cut);
  ASSERT_TRUE(shortened.Loaded());
  EXPECT_EQ(DrawWide(shortened.Get(), 0xA1, 0xA2), Wide(1));
  EXPECT_EQ(DrawWide(shortened.Get(), 0xA1, 0xA3), kFallback);
}

// Every encoding's rule, checked against a plain statement of the grid over
// all lead and trail bytes.
int64_t ExpectedIndex(int encoding, int l, int r) {
  switch (encoding) {
    case 1:
      return l >= 0x81 ? (l - 0x81) * 256 + r : -1;
    case 3:
      return (l >= 0xA1 && l <= 0xFE && r >= 0xA1 && r <= 0xFE) ? (l - 0xA1) * 94 + (r - 0xA1) : -1;
    case 4:
      return (l >= 0x81 && l <= 0xFE && r >= 0x40 && r <= 0xFE) ? (l - 0x81) * 191 + (r - 0x40) : -1;
    case 5:
      if (l < 0xA1 || l > 0xF9) return -1;
      if (r >= 0x40 && r <= 0x7E) return (l - 0xA1) * 157 + (r - 0x40);
      if (r >= 0xA1 && r <= 0xFE) return (l - 0xA1) * 157 + 63 + (r - 0xA1);
      return -1;
    case 6:
      return l * 256 + r;
    default:
      return -1;
  }
}

TEST(PointFontGlyphs, EveryEncodingMapsEveryByteCombination) {
  for (int encoding : {1, 2, 3, 4, 5, 6, 0, 7, 255}) {
    FontHolder font(IdentityFont(encoding, 65536));
    ASSERT_TRUE(font.Loaded()) << encoding;
    for (int l = 0; l < 256; ++l) {
      for (int r = 0; r < 256; ++r) {
        int64_t index = ExpectedIndex(encoding, l, r);
        GlyphSeen expected = index < 0 ? kFallback : Wide(index);
        ASSERT_EQ(DrawWide(font.Get(), l, r), expected) << "encoding " << encoding << " " << l << "," << r;
      }
    }
  }
}

TEST(PointFontGlyphs, GridEdges) {
  FontHolder gb(IdentityFont(FONT_ENCODING_GB2312, 94 * 94));
  EXPECT_EQ(DrawWide(gb.Get(), 0xA1, 0xA1), Wide(0));
  EXPECT_EQ(DrawWide(gb.Get(), 0xA1, 0xFE), Wide(93));
  EXPECT_EQ(DrawWide(gb.Get(), 0xA2, 0xA1), Wide(94));
  EXPECT_EQ(DrawWide(gb.Get(), 0xFE, 0xFE), Wide(94 * 94 - 1));
  EXPECT_EQ(DrawWide(gb.Get(), 0xA0, 0xA1), kFallback);
  EXPECT_EQ(DrawWide(gb.Get(), 0xA1, 0xA0), kFallback);
  EXPECT_EQ(DrawWide(gb.Get(), 0xFF, 0xA1), kFallback);
  EXPECT_EQ(DrawWide(gb.Get(), 0xA1, 0xFF), kFallback);

  FontHolder big5(IdentityFont(FONT_ENCODING_BIG5, 89 * 157));
  EXPECT_EQ(DrawWide(big5.Get(), 0xA1, 0x40), Wide(0));
  EXPECT_EQ(DrawWide(big5.Get(), 0xA1, 0x7E), Wide(62));
  EXPECT_EQ(DrawWide(big5.Get(), 0xA1, 0xA1), Wide(63));
  EXPECT_EQ(DrawWide(big5.Get(), 0xA1, 0xFE), Wide(156));
  EXPECT_EQ(DrawWide(big5.Get(), 0xF9, 0xFE), Wide(89 * 157 - 1));
  EXPECT_EQ(DrawWide(big5.Get(), 0xA1, 0x7F), kFallback);
  EXPECT_EQ(DrawWide(big5.Get(), 0xA1, 0xA0), kFallback);
  EXPECT_EQ(DrawWide(big5.Get(), 0xFA, 0x40), kFallback);

  FontHolder gbk(IdentityFont(FONT_ENCODING_GBK, 126 * 191));
  EXPECT_EQ(DrawWide(gbk.Get(), 0x81, 0x7F), Wide(0x3F));
  EXPECT_EQ(DrawWide(gbk.Get(), 0x81, 0xFE), Wide(190));
  EXPECT_EQ(DrawWide(gbk.Get(), 0x81, 0xFF), kFallback);
  EXPECT_EQ(DrawWide(gbk.Get(), 0x80, 0x40), kFallback);
}

TEST(PointFontGlyphs, LeadAndTrailAreTakenAsBytes) {
  FontHolder gb(IdentityFont(FONT_ENCODING_GB2312, 94 * 94));
  EXPECT_EQ(DrawWide(gb.Get(), INT(char(0xB0)), INT(char(0xA2))), Wide(15 * 94 + 1));
  EXPECT_EQ(DrawWide(gb.Get(), 0x1A1, 0x2A1), Wide(0));
}

TEST(PointFontDraw, ClipRefusesOnlyGlyphsWhollyOutside) {
  FontHolder font(IdentityFont(FONT_ENCODING_GB2312, 94 * 94));
  CPointRecorder device;
  RECT clip = {100, 50, 200, 150};
  device.SetClipRect(&clip);
  struct Case {
    INT x, y;
    bool wide;
    bool drawn;
  } cases[] = {
      {97, 60, false, true},   // right edge exactly at the clip's left edge
      {96, 60, false, false},  // one further left
      {95, 60, true, true},    // wide: x + 5 = left
      {94, 60, true, false},
      {199, 60, false, true},   // last column inside
      {200, 60, false, false},  // at the right edge
      {150, 45, false, true},   // bottom edge at the clip's top edge
      {150, 44, false, false},
      {150, 149, true, true},
      {150, 150, true, false},
      {INT(0x80000000), 60, false, false},
      {150, INT(0x80000000), true, false},
  };
  for (const Case& c : cases) {
    device.calls.clear();
    bool result = c.wide ? font->DrawWideChar(0xA1, 0xA1, c.x, c.y, &device, CTSColor(0xFFFFFFFF))
                         : font->DrawChar('A', c.x, c.y, &device, CTSColor(0xFFFFFFFF));
    EXPECT_EQ(result, c.drawn) << c.x << "," << c.y;
    EXPECT_EQ(device.calls.size(), c.drawn ? 1u : 0u) << c.x << "," << c.y;
  }
  EXPECT_FALSE(font->DrawChar('A', 0, 0, nullptr, CTSColor(0xFFFFFFFF)));
}

TEST(PointFontDraw, TextureFormsDrawWithoutClipTest) {
  FontHolder font(IdentityFont(FONT_ENCODING_GB2312, 94 * 94));
  CTSGDITexture texture;
  ASSERT_TRUE(texture.Allocate(16, 12, TEXTURE_FORMAT_X1R5G5B5, 0));
  texture.ClearRect(CTSColor(0xFF000000), nullptr);
  EXPECT_TRUE(font->DrawWideCharToTexture(0xA1, 0xA3, 2, 1, &texture, CTSColor(0xFFFFFFFF)));
  EXPECT_TRUE(font->DrawCharToTexture('C', 10, 6, &texture, CTSColor(0xFFFF0000)));
  // Partly and wholly off the texture: drawn as far as the texture goes.
  EXPECT_TRUE(font->DrawCharToTexture('C', 14, -2, &texture, CTSColor(0xFF0000FF)));
  EXPECT_TRUE(font->DrawCharToTexture('C', 0x7FFFFFFE, 0x7FFFFFFE, &texture, CTSColor(0xFF0000FF)));
  EXPECT_FALSE(font->DrawCharToTexture('C', 0, 0, nullptr, CTSColor(0xFF0000FF)));
  for (INT y = 0; y < 12; ++y) {
    for (INT x = 0; x < 16; ++x) {
      DWORD expected = 0xFF000000;
      // Wide glyph 2 at (2, 1): bit 1 and bit 16 set.
      int wideBit = (y - 1) * 5 + (x - 2);
      if (x >= 2 && x < 7 && y >= 1 && y < 6 && (wideBit == 1 || wideBit == 16)) expected = 0xFFF8F8F8;
      // 'C' (0x43) at (10, 6): bits 0, 1, 6 and 14.
      int charBit = (y - 6) * 3 + (x - 10);
      if (x >= 10 && x < 13 && y >= 6 && y < 11 &&
          (charBit == 0 || charBit == 1 || charBit == 6 || charBit == 14))
        expected = 0xFFF80000;
      charBit = (y + 2) * 3 + (x - 14);
      if (x >= 14 && y < 3 && (charBit == 0 || charBit == 1 || charBit == 6 || charBit == 14))
        expected = 0xFF0000F8;
      EXPECT_EQ(texture.GetPixel(x, y).GetARGB(), expected) << x << "," << y;
    }
  }
}

}  // namespace
