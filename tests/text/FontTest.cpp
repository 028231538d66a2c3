// The point font (loading and refusing ".gfxFont" files, finding glyphs by
// bit address in every encoding, drawing them), the font loader and the text
// registry's layout.
#include <gtest/gtest.h>

#include "engine/graphics/TSGDIGraphics.h"
#include "engine/graphics/TSGraphicsManager.h"
#include "engine/text/TSFontLoader.h"
#include "engine/text/TSPointFont.h"
#include "engine/text/TSTextRegistry.h"
#include "tests/platform/RecordingWindow.h"

namespace {

// A whole file: the 12-byte header, then the glyph data.
std::string FontFile(int encoding, int height, int halfWidth, const std::vector<uint8_t>& data,
                     int version = 1, int64_t dataSize = -1) {
  uint32_t size = dataSize < 0 ? uint32_t(data.size()) : uint32_t(dataSize);
  std::string file = {
      'G', 'F', 'T', char(encoding), char(version), char(version >> 8), char(height), char(halfWidth)};
  for (int i = 0; i < 4; ++i) file += char(size >> (8 * i));
  return file.append(data.begin(), data.end());
}

// A stream over the bytes (which must outlive it), use count 1.
CTSIOStream* MemoryStream(const std::string& bytes, uint32_t mode = CTSIOStream::kRead) {
  return new CTSIOStream(const_cast<char*>(bytes.data()), int32_t(bytes.size()), mode, false);
}

// A font of height 5 and half width 3 (odd cell sizes: glyphs start at every
// bit position of a byte) whose glyphs name themselves: the fallback has bits
// 12 and 13 set, single-byte glyph c holds c and bit 14, double-byte glyph i
// holds i and bit 16 (bits counted row by row, as the glyph reads).
constexpr uint64_t kFallback = 0x3000;
constexpr uint64_t Single(uint64_t code) { return code | 0x4000; }
constexpr uint64_t Wide(uint64_t index) { return index | 0x10000; }

std::string IdentityFont(int encoding, int64_t wideGlyphs, int singleGlyphs = 128) {
  const int64_t full = 25;
  const int64_t half = 15;
  const int64_t first = full + 1;
  std::vector<uint8_t> bytes(
      size_t((first + (singleGlyphs < 128 ? singleGlyphs * half : 128 * half + wideGlyphs * full) + 7) / 8));
  auto set = [&](int64_t bit, uint64_t value) {
    for (int i = 0; i < 20; ++i)
      if (value >> i & 1) bytes.at(size_t((bit + i) >> 3)) |= uint8_t(1 << ((bit + i) & 7));
  };
  set(0, kFallback);
  for (int c = 1; c <= singleGlyphs && c <= 128; ++c) set(first + (c - 1) * half, Single(c));
  for (int64_t i = 0; i < wideGlyphs && singleGlyphs == 128; ++i) set(first + 128 * half + i * full, Wide(i));
  return FontFile(encoding, 5, 3, bytes);
}

// What the identity font draws at (1, 1) of a clean 8 x 8 texture: a single-byte glyph, or a
// double-byte one when trail is given, as bits row by row; ~0 when anything lies outside the
// glyph's cell, kRefused when the draw is refused.
constexpr uint64_t kRefused = 1ull << 63;
constexpr INT kSingleByte = INT_MIN;

uint64_t Drawn(CTSPointFont* font, INT code, INT trail = kSingleByte) {
  CTSGDITexture texture;
  texture.Allocate(8, 8, TEXTURE_FORMAT_X1R5G5B5, 0);
  texture.ClearRect(CTSColor(0xFF000000), nullptr);
  const INT width = trail == kSingleByte ? 3 : 5;
  if (!(width == 3 ? font->DrawCharToTexture(code, 1, 1, &texture, CTSColor(~0u))
                   : font->DrawWideCharToTexture(code, trail, 1, 1, &texture, CTSColor(~0u))))
    return kRefused;
  uint64_t bits = 0;
  for (INT y = 0; y < 8; ++y)
    for (INT x = 0; x < 8; ++x)
      if ((texture.GetPixel(x, y).GetARGB() & 0xFFFFFF) != 0) {
        if (x < 1 || x > width || y < 1 || y > 5) return ~uint64_t(0);
        bits |= uint64_t(1) << ((y - 1) * width + x - 1);
      }
  return bits;
}

// A point font loaded from the file.
CTSPointFont* Loaded(const std::string& file) {
  auto* font = new CTSPointFont;
  CTSUsePtr<CTSIOStream> stream(MemoryStream(file));
  EXPECT_TRUE(font->Load(stream.Get()));
  return font;
}

TEST(PointFontLoad, ReadsTheHeaderRefusesEveryBadFileAndFindsSingleByteGlyphs) {
  CTSUsePtr<CTSPointFont> font(Loaded(IdentityFont(FONT_ENCODING_GB2312, 10)));
  EXPECT_TRUE(font->GetCharWidth() == 3 && font->GetCharHeight() == 5 && font->GetWideCharWidth() == 5 &&
              font->GetWideCharHeight() == 5);
  // A null or unreadable stream keeps the font.
  const std::string file = IdentityFont(FONT_ENCODING_GB2312, 4);
  CTSUsePtr<CTSIOStream> writeOnly(MemoryStream(file, CTSIOStream::kWrite));
  EXPECT_FALSE(font->Load(nullptr) || font->Load(writeOnly.Get()) || Drawn(font.Get(), 'A') != Single('A'));
  // Refused files leave the font unloaded: a bad magic, a cut header, data too short for the
  // fallback, bad versions, a half width above the height, a data size the file does not hold;
  // the last two load.
  const std::vector<uint8_t> data(8, 0xFF);  // 64 bits: room for a fallback of 8 x 8
  const std::string good = FontFile(3, 8, 4, data);
  const std::vector<std::string> files = {
      "GFX" + good.substr(3),        good.substr(0, 11),           FontFile(3, 8, 4, std::vector<uint8_t>(7)),
      FontFile(3, 8, 4, data, 0),    FontFile(3, 8, 4, data, 257), FontFile(3, 8, 9, data),
      FontFile(3, 8, 4, data, 1, 9), FontFile(3, 8, 8, data),      good + "more"};
  for (const std::string& bytes : files) {
    const bool loads = &bytes >= &files[files.size() - 2];
    CTSUsePtr<CTSIOStream> stream(MemoryStream(bytes));
    EXPECT_TRUE(font->Load(stream.Get()) == loads && font->IsLoaded() == loads &&
                font->GetCharHeight() == (loads ? 8 : 0))
        << testing::PrintToString(bytes);
    EXPECT_EQ(Drawn(font.Get(), 'A') == kRefused, !loads);
  }
  // Single-byte codes 1 to 128 only; glyphs past the end of the data are the fallback.
  ASSERT_TRUE(
      font->Load(CTSUsePtr<CTSIOStream>(MemoryStream(IdentityFont(FONT_ENCODING_GB2312, 3, 100))).Get()));
  for (INT code = -1; code <= 256; ++code)
    EXPECT_EQ(Drawn(font.Get(), code), code >= 1 && code <= 100 ? Single(code) : kFallback) << code;
  CTSUsePtr<CTSPointFont> whole(Loaded(IdentityFont(FONT_ENCODING_GB2312, 3)));
  EXPECT_TRUE(Drawn(whole.Get(), 0xA1, 0xA3) == Wide(2) && Drawn(whole.Get(), 0xA1, 0xA4) == kFallback);
}

// Every encoding's grid, stated plainly, over all lead and trail bytes.
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
      return r >= 0xA1 && r <= 0xFE ? (l - 0xA1) * 157 + 63 + (r - 0xA1) : -1;
    case 6:
      return l * 256 + r;
    default:
      return -1;
  }
}

TEST(PointFontGlyphs, EveryEncodingMapsEveryByteCombination) {
  for (int encoding : {1, 2, 3, 4, 5, 6, 0, 7, 255}) {
    CTSUsePtr<CTSPointFont> font(Loaded(IdentityFont(encoding, 65536)));
    for (int l = 0; l < 256; ++l)
      for (int r = 0; r < 256; ++r)  // lead and trail are taken as bytes
        ASSERT_EQ(Drawn(font.Get(), l | (r << 8), r - 256),
                  ExpectedIndex(encoding, l, r) < 0 ? kFallback : Wide(ExpectedIndex(encoding, l, r)))
            << "encoding " << encoding << " " << l << "," << r;
  }
}

TEST(PointFontDraw, TheDeviceFormsRefuseOnlyGlyphsWhollyOutsideTheClip) {
  RecordingWindow window;
  CTSUsePtr<CTSGraphics> device(CTSGraphicsManager::Instance().CreateDevice(
      TS_GUID_GDI_GRAPHICS, window.Handle(), 64, 64, false, true));
  ASSERT_TRUE(device);
  RECT clip = {20, 10, 40, 30};
  device->SetClipRect(&clip);
  CTSUsePtr<CTSPointFont> identity(Loaded(IdentityFont(FONT_ENCODING_GB2312, 1)));
  // Each edge of the clip: the last place a glyph is drawn, then the first it is not. x, y, wide, drawn.
  const std::tuple<INT, INT, bool, bool> cases[] = {
      {17, 12, false, true}, {16, 12, false, false}, {15, 12, true, true}, {14, 12, true, false},
      {39, 12, false, true}, {40, 12, false, false}, {25, 5, false, true}, {25, 4, false, false},
      {25, 29, true, true},  {25, 30, true, false}};
  const CTSColor white(~0u);
  for (const auto& [x, y, wide, drawn] : cases)
    EXPECT_EQ(wide ? identity->DrawWideChar(0xA1, 0xA1, x, y, device.Get(), white)
                   : identity->DrawChar('A', x, y, device.Get(), white),
              drawn)
        << x << "," << y;
  EXPECT_FALSE(identity->DrawChar('A', 0, 0, nullptr, white));
}

// A font double: fixed sizes, draws nothing on the device, writes each glyph draw
// as "a@x,y" (single byte, printable), "0D@x,y" (single byte, other) or "B0A1@x,y".
class CRecordingFont : public CTSPointFont {
 public:
  std::string calls;
  INT GetCharWidth() override { return 8; }
  INT GetCharHeight() override { return 14; }
  INT GetWideCharWidth() override { return 16; }
  INT GetWideCharHeight() override { return 16; }
  bool DrawChar(INT code, INT x, INT y, CTSGraphics*, const CTSColor&) override {
    return Write(isprint(code) ? " %c@%d,%d" : " %02X@%d,%d", code, x, y);
  }
  bool DrawWideChar(INT lead, INT trail, INT x, INT y, CTSGraphics*, const CTSColor&) override {
    return Write(" %04X@%d,%d", lead << 8 | trail, x, y);
  }
  bool Write(const char* format, INT code, INT x, INT y) {
    char text[40];
    std::snprintf(text, sizeof text, format, code, x, y);
    calls += text;
    return true;
  }
};

const GUID kRecordingKind = {0x11111111, 0x2222, 0x3333, {4, 5, 6, 7, 8, 9, 10, 11}};
DWORD g_factoryArgument = 0;
CTSFont* CreateRecordingFont(DWORD argument) {
  g_factoryArgument = argument;
  return new CRecordingFont;
}

TEST(FontLoader, MakesFontsByKindAndLoadsThemAndTheTextRegistryLaysOutText) {
  CTSFontLoader& loader = CTSFontLoader::Instance();
  EXPECT_TRUE(!loader.CreateFont(kRecordingKind) && !loader.RegisterFont(kRecordingKind, nullptr, 0) &&
              loader.RegisterFont(kRecordingKind, CreateRecordingFont, 77));
  // A kind is registered once, the point font's included.
  EXPECT_FALSE(loader.RegisterFont(kRecordingKind, CreateRecordingFont, 0) ||
               loader.RegisterFont(TS_GUID_POINT_FONT, CreateRecordingFont, 0));
  CTSUsePtr<CRecordingFont> font(static_cast<CRecordingFont*>(loader.CreateFont(kRecordingKind)));
  ASSERT_TRUE(font && g_factoryArgument == 77u);
  const std::string file = IdentityFont(FONT_ENCODING_GB2312, 4);
  const std::string bad = FontFile(3, 8, 4, std::vector<uint8_t>(8), 2);
  CTSUsePtr<CTSIOStream> good(MemoryStream(file));
  CTSUsePtr<CTSIOStream> refused(MemoryStream(bad));
  CTSUsePtr<CTSFont> point(loader.LoadFont(TS_GUID_POINT_FONT, good.Get()));
  ASSERT_TRUE(point && *point->GetClassGUID() == TS_GUID_POINT_FONT && point->GetUseCount() == 1 &&
              point->GetCharWidth() == 3);
  EXPECT_FALSE(loader.LoadFont(TS_GUID_POINT_FONT, refused.Get()) ||
               loader.LoadFont(TS_GUID_POINT_FONT, "Font\\missing.gfxFont") ||
               loader.LoadFont(TS_GUID_POINT_FONT, static_cast<const char*>(nullptr)) ||
               loader.LoadFont(TS_GUID_POINT_FONT, static_cast<CTSIOStream*>(nullptr)) ||
               loader.LoadFont(GUID{0x99999999, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}}, good.Get()));

  // The text registry, with the recording font.
  CTSTextRegistry& registry = CTSTextRegistry::Instance();
  CTSUsePtr<CRecordingFont> other(new CRecordingFont);
  EXPECT_TRUE(registry.AddFont(3, font.Get()) && font->GetUseCount() == 2);
  EXPECT_FALSE(registry.AddFont(3, other.Get()) || registry.AddFont(0xFFFFFFFF, other.Get()) ||
               registry.AddFont(5, nullptr));
  EXPECT_EQ(other->GetUseCount(), 1);  // finding and selecting are the draws below

  CTSGDIGraphics device;  // never created: the font double draws nothing
  auto draw = [&](DWORD id, CTSGraphics* onto, INT x, const char* text, INT length, INT maxColumns) {
    font->calls.clear();
    registry.DrawText(id, onto, x, 20, CTSColor(0xFF00FF00), text, length, maxColumns);
    return font->calls;
  };
  // Line advance: the larger height (16); a tab counts four columns but one advance.
  // Text, length, columns, the draws.
  const std::tuple<const char*, INT, INT, const char*> cases[] = {
      {"abcdef", -1, 3, " a@10,20 b@18,20 c@26,20 d@10,36 e@18,36 f@26,36"},
      {"abcd", -1, 0, " a@10,20 b@18,20 c@26,20 d@34,20"},
      {"a\xB0\xA1z", -1, 3, " a@10,20 B0A1@18,20 z@10,36"},
      {"\xB0\xA1\xB0\xA2", -1, -1, " B0A1@10,20 B0A2@26,20"},
      {"a\tb", -1, 5, " a@10,20 b@10,36"},
      {"a\tb", -1, 6, " a@10,20 b@26,20"},
      {"ab\ncd\r", -1, -1, " a@10,20 b@18,20 c@10,36 d@18,36 0D@26,36"},
      {"ab\ncde", -1, 3, " a@10,20 b@18,20 c@10,36 d@18,36 e@26,36"},
      {"abc", 0, -1, ""},
      {"abc", 100, -1, " a@10,20 b@18,20 c@26,20"},
      {"a\xB0", -1, -1, " a@10,20 B000@18,20"},      // a last lead byte pairs with the zero
      {"a\xB0\xA1z", 2, -1, " a@10,20 B0A1@18,20"},  // cut by length: the trail is the byte past it
  };
  for (const auto& [text, length, maxColumns, calls] : cases)
    EXPECT_EQ(draw(3, &device, 10, text, length, maxColumns), calls) << text;
  // Glyphs whose pen leaves the coordinate range are skipped; nothing is drawn without a font, text or
  // device.
  EXPECT_EQ(draw(3, &device, 0x7FFFFFF0, "abcd", -1, -1), " a@2147483632,20 b@2147483640,20");
  EXPECT_EQ(draw(8, &device, 10, "abc", -1, -1) + draw(3, &device, 10, nullptr, -1, -1) +
                draw(3, nullptr, 10, "abc", -1, -1),
            "");
}

}  // namespace
