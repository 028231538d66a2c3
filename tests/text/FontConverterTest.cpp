// The gfxfont converter, run on small fonts the tests write: its output is
// loaded by the point font and drawn, on the software device, to the pixels
// of the source glyphs; bad input of either parser gives a message and exit
// status 1.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/graphics/TSGraphicsManager.h"
#include "engine/text/TSFontLoader.h"
#include "engine/text/TSTextRegistry.h"
#include "tests/common/RunTool.h"
#include "tests/platform/RecordingWindow.h"

namespace {

// A bitmap as rows of '#' and '.'.
typedef std::vector<std::string> Picture;

// The ".hex" line of a 16-row picture.
std::string HexLine(unsigned code, const Picture& picture) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X:", code);
  std::string line = text;
  for (const std::string& row : picture)
    for (size_t x = 0; x < row.size(); x += 4)
      line += "0123456789ABCDEF"[(row[x] == '#') * 8 + (row[x + 1] == '#') * 4 + (row[x + 2] == '#') * 2 +
                                 (row[x + 3] == '#')];
  return line + "\n";
}

// Random-looking pictures of 16 rows, width 8 or 16, from a seed.
Picture Pattern(int width, unsigned seed) {
  Picture picture(16, std::string(size_t(width), '.'));
  for (std::string& row : picture)
    for (char& pixel : row) pixel = ((seed = seed * 1103515245u + 12345u) >> 16) % 3 == 0 ? '#' : '.';
  return picture;
}

class ConverterTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_device); }

  // The device shows picture at (x, y) in white, centred in a cell of width.
  void ExpectPicture(INT x, INT y, INT cellWidth, const Picture& picture, const char* what) {
    for (INT row = 0; row < INT(picture.size()); ++row)
      for (INT column = 0; column < cellWidth; ++column) {
        const INT source = column - (cellWidth - INT(picture[0].size())) / 2;
        const bool set = source >= 0 && source < INT(picture[row].size()) && picture[row][source] == '#';
        ASSERT_EQ(m_device->GetPixel(x + column, y + row).GetARGB() & 0xFFFFFF, set ? 0xF8F8F8u : 0u)
            << what << " at " << column << "," << row;
      }
  }

  TempFolder m_folder;
  RecordingWindow m_window;
  CTSUsePtr<CTSGraphics> m_device{CTSGraphicsManager::Instance().CreateDevice(
      TS_GUID_GDI_GRAPHICS, m_window.Handle(), 320, 200, false, true)};
};

// A BDF font of height 8 (ascent 6, descent 2) with glyphs offset in their boxes.
const char kBdf[] =
    "STARTFONT 2.1\nFONT -test-small\nSIZE 8 75 75\nFONTBOUNDINGBOX 8 8 0 -2\nSTARTPROPERTIES 2\n"
    "FONT_ASCENT 6\nFONT_DESCENT 2\nENDPROPERTIES\nCHARS 3\n"
    "STARTCHAR A\nENCODING 65\nSWIDTH 500 0\nDWIDTH 4 0\nBBX 3 4 1 -1\nBITMAP\n40\nA0\nE0\nA0\nENDCHAR\n"
    "STARTCHAR one\nENCODING 19968\nDWIDTH 8 0\nBBX 7 1 0 2\nBITMAP\nFE\nENDCHAR\n"
    "STARTCHAR unnamed\nENCODING -1\nDWIDTH 8 0\nBBX 8 1 0 0\nBITMAP\nFF\nENDCHAR\nENDFONT\n";

TEST_F(ConverterTest, HexAndBdfFontsDrawTheirGlyphsInTheirGrids) {
  const Picture letter = Pattern(8, 1);
  const Picture wide = Pattern(16, 2);
  const Picture narrowInGrid = Pattern(8, 3);
  const Picture replacement = Pattern(8, 4);
  std::ofstream("source.hex", std::ios::binary)
      << HexLine(0x41, letter) + HexLine(0x554A, wide) + HexLine(0x3B1, narrowInGrid) +
             HexLine(0xFFFD, replacement) + HexLine(0x0D, Pattern(16, 5));
  ToolRun run = RunTool(GFXFONT_PATH, "--encoding 3 source.hex out.gfxFont");
  ASSERT_EQ(run.status, 0) << run.errors;
  CTSUsePtr<CTSFont> font(CTSFontLoader::Instance().LoadFont(TS_GUID_POINT_FONT, "out.gfxFont"));
  ASSERT_TRUE(font && font->GetCharWidth() == 8 && font->GetCharHeight() == 16 &&
              CTSTextRegistry::Instance().AddFont(20, font.Get()));
  // "A", U+554A (B0A1), U+03B1 (A6C1, an 8-wide glyph centred in its cell),
  // U+554B (B0A2, not in the source: the replacement, centred), a carriage
  // return (a control character: blank), "B" (not in the source).
  m_device->Clear(CTSColor(0xFF000000));
  CTSTextRegistry::Instance().DrawText(20, m_device.Get(), 10, 20, CTSColor(0xFFFFFFFF),
                                       "A\xB0\xA1\xA6\xC1\xB0\xA2\r\nB", -1, -1);
  ExpectPicture(10, 20, 8, letter, "A");
  ExpectPicture(18, 20, 16, wide, "U+554A");
  ExpectPicture(34, 20, 16, narrowInGrid, "U+03B1");
  ExpectPicture(50, 20, 16, replacement, "missing wide");
  ExpectPicture(66, 20, 8, Picture(16, "........"), "carriage return");
  ExpectPicture(10, 36, 8, replacement, "missing single");
  // The BDF font, in every grid.
  std::ofstream("small.bdf", std::ios::binary) << kBdf;
  // Rows from the top: the ascent is 6, so a box at y offset -1 and height 4
  // covers rows 3 to 6.
  const Picture smallA = {"....", "....", "....", "..#.", ".#.#", ".###", ".#.#", "...."};
  const Picture oneGlyph = {"........", "........", "........", "#######.",
                            "........", "........", "........", "........"};
  // Without U+FFFD the fallback is a box one pixel inside the cell.
  const Picture box = {"........", ".######.", ".#....#.", ".#....#.",
                       ".#....#.", ".#....#.", ".######.", "........"};
  // U+4E00 in each grid; B0A1 is a cell without a glyph in every grid: it holds the box.
  for (auto [encoding, one] :
       {std::pair{1, "\xEC\xE9"}, {3, "\xD2\xBB"}, {4, "\xD2\xBB"}, {5, "\xA4\x40"}, {6, "\x4E\x00"}}) {
    SCOPED_TRACE(encoding);
    run = RunTool(GFXFONT_PATH, "-e " + std::to_string(encoding) + " small.bdf small.gfxFont");
    ASSERT_EQ(run.status, 0) << run.errors;
    CTSUsePtr<CTSFont> small(CTSFontLoader::Instance().LoadFont(TS_GUID_POINT_FONT, "small.gfxFont"));
    ASSERT_TRUE(small && small->GetCharWidth() == 4 && small->GetCharHeight() == 8);
    m_device->Clear(CTSColor(0xFF000000));
    const CTSColor white(~0u);
    ASSERT_TRUE(small->DrawChar('A', 5, 5, m_device.Get(), white) &&
                small->DrawChar('Z', 40, 5, m_device.Get(), white) &&
                small->DrawWideChar(BYTE(one[0]), BYTE(one[1]), 20, 5, m_device.Get(), white) &&
                small->DrawWideChar(0xB0, 0xA1, 60, 5, m_device.Get(), white));
    ExpectPicture(5, 5, 4, smallA, "A");
    ExpectPicture(20, 5, 8, oneGlyph, "U+4E00");
    ExpectPicture(40, 5, 4, {"....", ".##.", ".##.", ".##.", ".##.", ".##.", ".##.", "...."},
                  "missing single");
    ExpectPicture(60, 5, 8, box, "missing wide");
  }
}

TEST_F(ConverterTest, BadInputGivesAMessageAndStatusOne) {
  std::string good = HexLine(0x41, Pattern(8, 1));
  std::ofstream("good.hex", std::ios::binary) << good;
  std::string bdfHead = "STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 0 -2\nCHARS 1\nSTARTCHAR a\nENCODING 97\n";
  // A file named by its kind, or (kind "") the arguments; then the start of the message.
  const std::tuple<std::string, std::string, const char*> cases[] = {
      {"hex", "0041 0000\n", "CODEPOINT:BITMAP"},
      {"hex", "110000:" + good.substr(5), "bad code point"},
      {"hex", "0041:00FF\n", "digits"},
      {"hex", "0041:" + std::string(32, 'G') + "\n", "not a hex digit"},
      {"hex", "", "no glyphs"},
      {"bdf", "FONT x\n", "STARTFONT"},
      {"bdf", bdfHead + "STARTCHAR b\n", "inside a glyph"},
      {"bdf", bdfHead + "BITMAP\nFF\nENDCHAR\nENDFONT\n", "BITMAP before BBX"},
      {"bdf", bdfHead + "BBX 8 3 0 0\nBITMAP\nFF\nENDCHAR\nENDFONT\n", "bitmap rows"},
      {"bdf", bdfHead + "BBX 8 1 0 0\nBITMAP\nFF\nFF\nENDCHAR\n", "more bitmap rows"},
      {"bdf", bdfHead + "BBX 16 1 0 0\nBITMAP\nFF\nENDCHAR\nENDFONT\n", "shorter"},
      {"bdf", bdfHead + "BBX 8 1 0 0\nBITMAP\nQQ\nENDCHAR\nENDFONT\n", "not hex"},
      {"bdf", bdfHead + "BBX -3 1 0 0\nBITMAP\n", "bad number"},
      {"bdf", bdfHead + "BBX 8 2 0 0\nBITMAP\nFF\n", "ends inside a glyph"},
      {"bdf", "STARTFONT 2.1\nENDFONT\n", "FONTBOUNDINGBOX"},
      {"bdf", "STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 0 -2\nENDFONT\n", "no glyphs"},
      {"bdf", bdfHead + "DWIDTH 9 0\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\nENDFONT\n", "wider than the height"},
      {"", "--encoding 3 good.hex", "missing arguments"},
      {"", "--encoding 7 good.hex out.gfxFont", "1 to 6"},
      {"", "--encoding 3 --bogus good.hex out.gfxFont", "unknown option"},
      {"", "--encoding 3 missing.hex out.gfxFont", "cannot open"},
      {"", "--encoding 3 --charset NO-SUCH-CHARSET good.hex out.gfxFont", "charset"},
      {"", "--encoding 3 good.hex no/such/folder/out.gfxFont", "cannot write"},
  };
  for (const auto& [kind, content, message] : cases) {
    if (!kind.empty()) std::ofstream("bad." + kind, std::ios::binary) << content;
    std::remove("out.gfxFont");
    ToolRun run = RunTool(GFXFONT_PATH, kind.empty() ? content : "--encoding 3 bad." + kind + " out.gfxFont");
    EXPECT_TRUE(run.status == 1 && run.errors.find(message) != std::string::npos &&
                ReadWholeFile("out.gfxFont").empty())
        << content << ": " << run.status << " " << run.errors;
  }
}

}  // namespace
