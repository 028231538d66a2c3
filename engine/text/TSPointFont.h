// The ".gfxFont" bitmap font: glyphs as one continuous bit stream (bit n in
// byte n / 8 at bit n % 8 from the least significant), each drawn as the list
// of its set pixels in one DrawPoints call.
//
// File: "GFT", encoding (1-6), version 1 (16-bit), height, half width, data
// size (32-bit), then the glyph data, all little-endian. The data holds the
// fallback glyph (height x height bits), one spare bit, the 128 single-byte
// glyphs (half width x height bits, codes 1 to 128) and the double-byte
// glyphs (height x height bits) in the order of the encoding's grid.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/text/TSFont.h"

// The double-byte grids a font can be laid out in.
enum TSFontEncoding : BYTE {
  FONT_ENCODING_HIGH_BYTE = 1,  // lead 0x81 and above, any trail: (L - 0x81) x 256 + R
  FONT_ENCODING_NONE = 2,       // no double-byte glyphs
  FONT_ENCODING_GB2312 = 3,     // 0xA1-0xFE x 0xA1-0xFE
  FONT_ENCODING_GBK = 4,        // 0x81-0xFE x 0x40-0xFE
  FONT_ENCODING_BIG5 = 5,       // 0xA1-0xF9 x (0x40-0x7E, 0xA1-0xFE)
  FONT_ENCODING_WORD = 6,       // any lead and trail: L x 256 + R
};

struct TSFontFileHeader {
  char magic[3];  // "GFT"
  BYTE encoding;
  WORD version;  // 1
  BYTE height;
  BYTE halfWidth;
  DWORD dataSize;
};

class CTSPointFont : public CTSFont {
  TS_DECLARE_CLASS_IDENTITY(CTSFont, TS_GUID_POINT_FONT)

 public:
  static constexpr int kHeaderSize = 12;

  CTSPointFont() = default;
  ~CTSPointFont() override;

  // Refuses (false, font empty) a short header, a magic other than "GFT", a
  // version other than 1, a half width above the height, and glyph data that
  // is shorter than its header says or than the fallback glyph. A null or
  // unreadable stream changes nothing.
  bool Load(CTSIOStream* stream) override;
  bool IsLoaded() override { return m_glyphData != nullptr; }
  bool GetCharSize(INT code, INT& width, INT& height) override;
  bool GetWideCharSize(INT lead, INT trail, INT& width, INT& height) override;
  INT GetCharWidth() override { return m_header.halfWidth; }
  INT GetCharHeight() override { return m_header.height; }
  INT GetWideCharWidth() override { return m_header.height; }
  INT GetWideCharHeight() override { return m_header.height; }
  // Lead and trail are taken as bytes (their low eight bits). Characters
  // without a glyph, or whose glyph would lie past the end of the data, draw
  // the fallback glyph.
  bool DrawCharToTexture(INT code, INT x, INT y, CTSTexture* texture, const CTSColor& color) override;
  bool DrawWideCharToTexture(INT lead, INT trail, INT x, INT y, CTSTexture* texture,
                             const CTSColor& color) override;
  bool DrawChar(INT code, INT x, INT y, CTSGraphics* device, const CTSColor& color) override;
  bool DrawWideChar(INT lead, INT trail, INT x, INT y, CTSGraphics* device, const CTSColor& color) override;

  // The index of a double-byte character in the encoding's grid, or -1 when
  // the encoding gives it no glyph.
  static int64_t WideCharIndex(INT encoding, INT lead, INT trail);

 private:
  void Unload();
  // The first bit of a glyph of width x height bits: its own when it lies
  // wholly inside the data, else the fallback's (0).
  int64_t CharBit(INT code) const;
  int64_t WideCharBit(INT lead, INT trail) const;
  // Fills the point buffer with the set bits of the glyph at bit, placed at
  // (x, y); returns the number of points.
  INT CollectPoints(int64_t bit, INT width, INT x, INT y);
  bool IsRefusedByClip(CTSGraphics* device, INT x, INT y, INT width);

  TSFontFileHeader m_header = {};
  int32_t m_halfCellBits = 0;
  int32_t m_fullCellBits = 0;
  int32_t m_tableBits = 0;
  std::unique_ptr<BYTE[]> m_glyphData;
  std::vector<TSPoint> m_points;
};
