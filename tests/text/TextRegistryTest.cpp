// The font loader and the text registry: making fonts by kind, loading them
// from streams and resources, registering them, and laying text out.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/text/TSFontLoader.h"
#include "engine/text/TSPointFont.h"
#include "engine/text/TSTextRegistry.h"
#include "tests/common/AllocationCounter.h"
#include "tests/common/TempFolder.h"
#include "tests/text/TextTestSupport.h"

namespace {

const GUID kRecordingKind = {0x11111111, 0x2222, 0x3333, {4, 5, 6, 7, 8, 9, 10, 11}};
int g_factoryCalls = 0;
DWORD g_factoryArgument = 0;

CTSFont* CreateRecordingFont(DWORD argument) {
  ++g_factoryCalls;
  g_factoryArgument = argument;
  return new CRecordingFont(8, 16, 16, 16);
}
CTSFont* CreateNothing(DWORD) { return nullptr; }

TEST(FontLoader, MakesFontsByKind) {
  CTSFontLoader& loader = CTSFontLoader::Instance();
  CTSUsePtr<CTSFont> point(loader.CreateFont(TS_GUID_POINT_FONT));
  ASSERT_TRUE(point);
  EXPECT_EQ(*point->GetClassGUID(), TS_GUID_POINT_FONT);
  EXPECT_FALSE(point->IsLoaded());
  EXPECT_EQ(point->GetUseCount(), 1);
  EXPECT_EQ(loader.CreateFont(kRecordingKind), nullptr);

  EXPECT_FALSE(loader.RegisterFont(kRecordingKind, nullptr, 0));
  EXPECT_TRUE(loader.RegisterFont(kRecordingKind, CreateRecordingFont, 77));
  EXPECT_FALSE(loader.RegisterFont(kRecordingKind, CreateNothing, 0));
  EXPECT_FALSE(loader.RegisterFont(TS_GUID_POINT_FONT, CreateNothing, 0));
  CTSUsePtr<CTSFont> recording(loader.CreateFont(kRecordingKind));
  EXPECT_TRUE(recording);
  EXPECT_EQ(g_factoryCalls, 1);
  EXPECT_EQ(g_factoryArgument, 77u);
}

TEST(FontLoader, LoadsFromStreamsAndResourcesOrGivesNull) {
  CTSFontLoader& loader = CTSFontLoader::Instance();
  std::string file = IdentityFont(FONT_ENCODING_GB2312, 4);
  CTSUsePtr<CTSIOStream> stream(MemoryStream(file));
  CTSUsePtr<CTSFont> font(loader.LoadFont(TS_GUID_POINT_FONT, stream.Get()));
  ASSERT_TRUE(font);
  EXPECT_TRUE(font->IsLoaded());
  EXPECT_EQ(font->GetUseCount(), 1);

  std::string bad = FontFile(3, 8, 4, std::vector<uint8_t>(8, 0), 2);
  CTSUsePtr<CTSIOStream> badStream(MemoryStream(bad));
  EXPECT_EQ(loader.LoadFont(TS_GUID_POINT_FONT, badStream.Get()), nullptr);
  EXPECT_EQ(loader.LoadFont(TS_GUID_POINT_FONT, static_cast<CTSIOStream*>(nullptr)), nullptr);
  CTSUsePtr<CTSIOStream> again(MemoryStream(file));
  const GUID unregistered = {0x99999999, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
  EXPECT_EQ(loader.LoadFont(unregistered, again.Get()), nullptr);

  TempFolder folder;
  ASSERT_EQ(mkdir("Font", 0755), 0);
  std::ofstream("Font/test.gfxFont", std::ios::binary) << file;
  CTSUsePtr<CTSFont> fromDisk(loader.LoadFont(TS_GUID_POINT_FONT, "Font\\test.gfxFont"));
  ASSERT_TRUE(fromDisk);
  EXPECT_EQ(fromDisk->GetCharWidth(), kIdentityHalfWidth);
  EXPECT_EQ(loader.LoadFont(TS_GUID_POINT_FONT, "Font\\missing.gfxFont"), nullptr);
  EXPECT_EQ(loader.LoadFont(TS_GUID_POINT_FONT, static_cast<const char*>(nullptr)), nullptr);
}

TEST(TextRegistry, AddFindAndSelect) {
  CTSTextRegistry& registry = CTSTextRegistry::Instance();
  CTSUsePtr<CTSFont> first(new CRecordingFont(8, 16, 16, 16));
  CTSUsePtr<CTSFont> second(new CRecordingFont(8, 16, 16, 16));
  EXPECT_TRUE(registry.AddFont(0, first.Get()));
  EXPECT_EQ(first->GetUseCount(), 2);
  EXPECT_FALSE(registry.AddFont(0, second.Get()));
  EXPECT_EQ(second->GetUseCount(), 1);
  EXPECT_FALSE(registry.AddFont(0xFFFFFFFF, second.Get()));
  EXPECT_FALSE(registry.AddFont(5, nullptr));
  EXPECT_EQ(second->GetUseCount(), 1);
  EXPECT_EQ(registry.FindFont(0), first.Get());
  EXPECT_EQ(registry.FindFont(5), nullptr);
  EXPECT_TRUE(registry.AddFont(7, second.Get()));
  EXPECT_EQ(registry.FindFont(7), second.Get());
  EXPECT_TRUE(registry.SelectFont(7));
  EXPECT_FALSE(registry.SelectFont(8));
  // Drawing with an unknown id draws nothing, with any font.
  CPointRecorder device;
  registry.DrawText(8, &device, 0, 0, CTSColor(0xFFFFFFFF), "abc", -1, -1);
  auto* recording = static_cast<CRecordingFont*>(second.Get());
  EXPECT_TRUE(recording->calls.empty());
}

class TextLayout : public testing::Test {
 protected:
  // Font 3 stays registered for the rest of the process.
  void SetUp() override {
    m_font = static_cast<CRecordingFont*>(CTSTextRegistry::Instance().FindFont(3));
    if (m_font != nullptr) return;
    m_font = new CRecordingFont(8, 14, 16, 16);
    ASSERT_TRUE(CTSTextRegistry::Instance().AddFont(3, m_font));
    m_font->Release();
  }
  std::vector<GlyphCall> Draw(const char* text, INT length, INT maxColumns) {
    m_font->calls.clear();
    CTSTextRegistry::Instance().DrawText(3, &m_device, 10, 20, CTSColor(0xFF00FF00), text, length,
                                         maxColumns);
    return m_font->calls;
  }
  static GlyphCall Char(INT code, INT x, INT y) { return {false, code, 0, x, y}; }
  static GlyphCall Wide(INT lead, INT trail, INT x, INT y) { return {true, lead, trail, x, y}; }

  CRecordingFont* m_font = nullptr;
  CPointRecorder m_device;
};

TEST_F(TextLayout, WrapsAtTheColumnLimit) {
  // Line advance: the larger of the two heights (16).
  EXPECT_EQ(Draw("abcdef", -1, 3),
            (std::vector<GlyphCall>{Char('a', 10, 20), Char('b', 18, 20), Char('c', 26, 20),
                                    Char('d', 10, 36), Char('e', 18, 36), Char('f', 26, 36)}));
  EXPECT_EQ(Draw("abcdef", -1, 0).back(), Char('f', 50, 20));
  EXPECT_EQ(Draw("abcdef", -1, -1).back(), Char('f', 50, 20));
}

TEST_F(TextLayout, WideCharactersCountTwoColumns) {
  EXPECT_EQ(Draw("a\xB0\xA1"
                 "b",
                 -1, 3),
            (std::vector<GlyphCall>{Char('a', 10, 20), Wide(0xB0, 0xA1, 18, 20), Char('b', 10, 36)}));
  EXPECT_EQ(Draw("\xB0\xA1\xB0\xA2", -1, -1),
            (std::vector<GlyphCall>{Wide(0xB0, 0xA1, 10, 20), Wide(0xB0, 0xA2, 26, 20)}));
}

TEST_F(TextLayout, TabsCountFourColumnsButAdvanceOnce) {
  EXPECT_EQ(Draw("a\tb", -1, -1), (std::vector<GlyphCall>{Char('a', 10, 20), Char('b', 26, 20)}));
  // a (1) + tab (5) reaches a limit of 5: b starts the next line.
  EXPECT_EQ(Draw("a\tb", -1, 5), (std::vector<GlyphCall>{Char('a', 10, 20), Char('b', 10, 36)}));
  EXPECT_EQ(Draw("a\tb", -1, 6), (std::vector<GlyphCall>{Char('a', 10, 20), Char('b', 26, 20)}));
}

TEST_F(TextLayout, LineFeedsAndCarriageReturns) {
  EXPECT_EQ(Draw("ab\ncd\r", -1, -1),
            (std::vector<GlyphCall>{Char('a', 10, 20), Char('b', 18, 20), Char('c', 10, 36),
                                    Char('d', 18, 36), Char(13, 26, 36)}));
  // A line feed resets the column count.
  EXPECT_EQ(Draw("ab\ncde", -1, 3).back(), Char('e', 26, 36));
}

TEST_F(TextLayout, LengthLimitsTheText) {
  EXPECT_TRUE(Draw("abc", 0, -1).empty());
  EXPECT_EQ(Draw("abc", 2, -1), (std::vector<GlyphCall>{Char('a', 10, 20), Char('b', 18, 20)}));
  EXPECT_EQ(Draw("abc", 100, -1).size(), 3u);
  EXPECT_TRUE(Draw("", -1, -1).empty());
  EXPECT_TRUE(Draw(nullptr, -1, -1).empty());
  m_font->calls.clear();
  CTSTextRegistry::Instance().DrawText(3, nullptr, 0, 0, CTSColor(0xFF00FF00), "abc", -1, -1);
  EXPECT_TRUE(m_font->calls.empty());
}

TEST_F(TextLayout, ALoneLeadByteTakesTheNextByteAsTrail) {
  EXPECT_EQ(Draw("a\xB0", -1, -1), (std::vector<GlyphCall>{Char('a', 10, 20), Wide(0xB0, 0, 18, 20)}));
  // Cut by length: the trail is the byte just past it.
  EXPECT_EQ(Draw("a\xB0\xA1z", 2, -1), (std::vector<GlyphCall>{Char('a', 10, 20), Wide(0xB0, 0xA1, 18, 20)}));
}

TEST_F(TextLayout, PenPastTheCoordinateRangeSkipsGlyphs) {
  m_font->calls.clear();
  CTSTextRegistry::Instance().DrawText(3, &m_device, 0x7FFFFFF0, 0, CTSColor(0xFF00FF00), "abcd", -1, -1);
  EXPECT_EQ(m_font->calls, (std::vector<GlyphCall>{Char('a', 0x7FFFFFF0, 0), Char('b', 0x7FFFFFF8, 0)}));
}

TEST(TextRegistryDraw, PointFontGlyphsReachTheDevice) {
  std::string file = IdentityFont(FONT_ENCODING_GB2312, 94 * 94);
  CTSUsePtr<CTSIOStream> stream(MemoryStream(file));
  CTSUsePtr<CTSFont> font(CTSFontLoader::Instance().LoadFont(TS_GUID_POINT_FONT, stream.Get()));
  ASSERT_TRUE(font);
  ASSERT_TRUE(CTSTextRegistry::Instance().AddFont(9, font.Get()));
  CPointRecorder device;
  CTSTextRegistry::Instance().DrawText(9, &device, 4, 6, CTSColor(0xFF00FF00),
                                       "A\xA1\xA3"
                                       "B",
                                       -1, -1);
  ASSERT_EQ(device.calls.size(), 3u);
  EXPECT_EQ(ReadGlyph(device.calls[0], 4, 6, 3), (GlyphSeen{GlyphSeen::kSingle, 'A'}));
  EXPECT_EQ(ReadGlyph(device.calls[1], 7, 6, 5), (GlyphSeen{GlyphSeen::kWide, 2}));
  EXPECT_EQ(ReadGlyph(device.calls[2], 12, 6, 3), (GlyphSeen{GlyphSeen::kSingle, 'B'}));
  EXPECT_EQ(device.calls[0].color, 0xFF00FF00u);
}

// A device that counts point lists and keeps nothing.
class CCountingGraphics : public CRecordingGraphics {
 public:
  CCountingGraphics() : CRecordingGraphics(640, 480) {}
  int points = 0;
  void DrawPoints(const TSPoint*, INT count, const CTSColor&) override { points += count; }
};

TEST(TextRegistryDraw, DrawingAllocatesNothing) {
  std::string file = IdentityFont(FONT_ENCODING_GB2312, 94 * 94);
  size_t atLoad = AllocationCount();
  CTSUsePtr<CTSIOStream> stream(MemoryStream(file));
  CTSUsePtr<CTSFont> font(CTSFontLoader::Instance().LoadFont(TS_GUID_POINT_FONT, stream.Get()));
  ASSERT_TRUE(font);
  EXPECT_GT(AllocationCount() - atLoad, 0u);  // the counter sees the load's allocations
  ASSERT_TRUE(CTSTextRegistry::Instance().AddFont(11, font.Get()));
  CCountingGraphics device;
  size_t before = AllocationCount();
  for (int i = 0; i < 20; ++i)
    CTSTextRegistry::Instance().DrawText(11, &device, 4, 6, CTSColor(0xFF00FF00),
                                         "FPS:30 \xB0\xA1\t\xFE\xFE\nok\xA1", -1, 5);
  EXPECT_EQ(AllocationCount() - before, 0u);
  EXPECT_GT(device.points, 0);
}

}  // namespace
