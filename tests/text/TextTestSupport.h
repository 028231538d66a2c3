// Helpers of the text tests: ".gfxFont" files written bit by bit, a device
// double that keeps the points of every DrawPoints call, and a font double
// that records the glyph draws the text registry asks for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/text/TSFont.h"
#include "tests/scene/RecordingGraphics.h"

// A glyph bit stream: bit n in byte n / 8 at bit n % 8.
class GlyphBits {
 public:
  explicit GlyphBits(int64_t bitCount) : m_bytes(size_t((bitCount + 7) / 8), 0) {}
  void Set(int64_t bit) { m_bytes.at(size_t(bit >> 3)) |= uint8_t(1u << (bit & 7)); }
  // Writes the low count bits of value from bit on, least significant first.
  void SetValue(int64_t bit, uint32_t value, int count) {
    for (int i = 0; i < count; ++i)
      if ((value >> i) & 1) Set(bit + i);
  }
  const std::vector<uint8_t>& Bytes() const { return m_bytes; }

 private:
  std::vector<uint8_t> m_bytes;
};

// A whole file: the 12-byte header, then the glyph data.
inline std::string FontFile(int encoding, int height, int halfWidth, const std::vector<uint8_t>& data,
                            int version = 1, int64_t dataSize = -1) {
  uint32_t size = dataSize < 0 ? uint32_t(data.size()) : uint32_t(dataSize);
  std::string file = "GFT";
  file += char(encoding);
  file += char(version & 0xFF);
  file += char(version >> 8);
  file += char(height);
  file += char(halfWidth);
  for (int i = 0; i < 4; ++i) file += char((size >> (8 * i)) & 0xFF);
  file.append(data.begin(), data.end());
  return file;
}

// A read stream over a copy of the bytes, use count 1.
inline CTSIOStream* MemoryStream(const std::string& bytes, uint32_t mode = CTSIOStream::kRead) {
  return new CTSIOStream(const_cast<char*>(bytes.data()), int32_t(bytes.size()), mode, false);
}

struct PointsCall {
  std::vector<TSPoint> points;
  INT count;
  DWORD color;
};

class CPointRecorder : public CRecordingGraphics {
 public:
  CPointRecorder() : CRecordingGraphics(640, 480) {}
  std::vector<PointsCall> calls;

  void DrawPoints(const TSPoint* points, INT count, const CTSColor& color) override {
    calls.push_back({std::vector<TSPoint>(points, points + count), count, color.GetARGB()});
  }
};

// Which glyph a draw showed, read back from its points (see IdentityFont).
struct GlyphSeen {
  enum Kind { kFallback, kSingle, kWide, kOther };
  Kind kind;
  int64_t value;
  bool operator==(const GlyphSeen& other) const { return kind == other.kind && value == other.value; }
};

inline std::ostream& operator<<(std::ostream& out, const GlyphSeen& seen) {
  static const char* const kNames[] = {"fallback", "single", "wide", "other"};
  return out << kNames[seen.kind] << " " << seen.value;
}

// A font of height 5 and half width 3 (both cell sizes odd, so that glyphs
// start at every bit position of a byte) whose glyphs name themselves: the
// fallback has bits 12 and 13 set; single-byte glyph c holds c in bits 0-7
// and bit 14; double-byte glyph i holds i in bits 0-15 and bit 16.
constexpr int kIdentityHeight = 5;
constexpr int kIdentityHalfWidth = 3;

inline std::string IdentityFont(int encoding, int64_t wideGlyphs, int singleGlyphs = 128) {
  const int64_t full = kIdentityHeight * kIdentityHeight;
  const int64_t half = kIdentityHeight * kIdentityHalfWidth;
  const int64_t table = 128 * half;
  GlyphBits bits(singleGlyphs < 128 ? full + 1 + singleGlyphs * half : full + 1 + table + wideGlyphs * full);
  bits.Set(12);
  bits.Set(13);
  for (int c = 1; c <= singleGlyphs && c <= 128; ++c) {
    int64_t start = full + 1 + (c - 1) * half;
    bits.SetValue(start, uint32_t(c), 8);
    bits.Set(start + 14);
  }
  for (int64_t i = 0; i < wideGlyphs; ++i) {
    int64_t start = full + 1 + table + i * full;
    bits.SetValue(start, uint32_t(i), 16);
    bits.Set(start + 16);
  }
  return FontFile(encoding, kIdentityHeight, kIdentityHalfWidth, bits.Bytes());
}

// Reads a glyph of the identity font back from the points drawn at (x, y).
inline GlyphSeen ReadGlyph(const PointsCall& call, INT x, INT y, INT width) {
  uint64_t bits = 0;
  for (const TSPoint& p : call.points) {
    INT column = p.x - x;
    INT row = p.y - y;
    if (column < 0 || column >= width || row < 0 || row >= kIdentityHeight) return {GlyphSeen::kOther, -1};
    bits |= uint64_t(1) << (row * width + column);
  }
  if (bits == ((1u << 12) | (1u << 13))) return {GlyphSeen::kFallback, 0};
  if (width == kIdentityHalfWidth && (bits >> 8) == (1u << 6))
    return {GlyphSeen::kSingle, int64_t(bits & 0xFF)};
  if (width == kIdentityHeight && (bits >> 16) == 1) return {GlyphSeen::kWide, int64_t(bits & 0xFFFF)};
  return {GlyphSeen::kOther, int64_t(bits)};
}

// A font double: fixed advances, draws nothing, records every glyph draw.
struct GlyphCall {
  bool wide;
  INT code;  // single-byte code, or the lead byte
  INT trail;
  INT x;
  INT y;
  bool operator==(const GlyphCall& other) const {
    return wide == other.wide && code == other.code && trail == other.trail && x == other.x && y == other.y;
  }
};

inline std::ostream& operator<<(std::ostream& out, const GlyphCall& call) {
  return out << (call.wide ? "wide(" : "char(") << call.code << "," << call.trail << " @" << call.x << ","
             << call.y << ")";
}

class CRecordingFont : public CTSFont {
 public:
  CRecordingFont(INT charWidth, INT charHeight, INT wideWidth, INT wideHeight)
      : m_charWidth(charWidth), m_charHeight(charHeight), m_wideWidth(wideWidth), m_wideHeight(wideHeight) {}
  std::vector<GlyphCall> calls;

  bool Load(CTSIOStream*) override { return true; }
  bool IsLoaded() override { return true; }
  bool GetCharSize(INT, INT& width, INT& height) override {
    width = m_charWidth;
    height = m_charHeight;
    return true;
  }
  bool GetWideCharSize(INT, INT, INT& width, INT& height) override {
    width = m_wideWidth;
    height = m_wideHeight;
    return true;
  }
  INT GetCharWidth() override { return m_charWidth; }
  INT GetCharHeight() override { return m_charHeight; }
  INT GetWideCharWidth() override { return m_wideWidth; }
  INT GetWideCharHeight() override { return m_wideHeight; }
  bool DrawCharToTexture(INT, INT, INT, CTSTexture*, const CTSColor&) override { return true; }
  bool DrawWideCharToTexture(INT, INT, INT, INT, CTSTexture*, const CTSColor&) override { return true; }
  bool DrawChar(INT code, INT x, INT y, CTSGraphics*, const CTSColor&) override {
    calls.push_back({false, code, 0, x, y});
    return true;
  }
  bool DrawWideChar(INT lead, INT trail, INT x, INT y, CTSGraphics*, const CTSColor&) override {
    calls.push_back({true, lead, trail, x, y});
    return true;
  }

 private:
  INT m_charWidth;
  INT m_charHeight;
  INT m_wideWidth;
  INT m_wideHeight;
};
