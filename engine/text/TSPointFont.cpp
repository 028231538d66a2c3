#include "engine/text/TSPointFont.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace {

// Glyph coordinates wrap instead of overflowing; a wrapped point lies at a
// negative coordinate, outside every surface.
INT Offset(INT base, INT delta) {
  return static_cast<INT>(static_cast<uint32_t>(base) + static_cast<uint32_t>(delta));
}

}  // namespace

CTSPointFont::~CTSPointFont() { Unload(); }

void CTSPointFont::Unload() {
  m_glyphData.reset();
  m_points.clear();
  m_points.shrink_to_fit();
  m_header = {};
  m_halfCellBits = 0;
  m_fullCellBits = 0;
  m_tableBits = 0;
}

bool CTSPointFont::Load(CTSIOStream* stream) {
  if (stream == nullptr || !stream->CanRead()) return false;
  Unload();

  BYTE raw[kHeaderSize] = {};
  if (stream->Read(raw, kHeaderSize) != kHeaderSize) return false;
  TSFontFileHeader header;
  std::memcpy(header.magic, raw, 3);
  header.encoding = raw[3];
  header.version = static_cast<WORD>(raw[4] | (raw[5] << 8));
  header.height = raw[6];
  header.halfWidth = raw[7];
  header.dataSize = DWORD(raw[8]) | (DWORD(raw[9]) << 8) | (DWORD(raw[10]) << 16) | (DWORD(raw[11]) << 24);
  if (std::memcmp(header.magic, "GFT", 3) != 0 || header.version != 1) return false;
  // A single-byte glyph wider than the height would overrun the point buffer.
  if (header.halfWidth > header.height) return false;

  int32_t fullCellBits = int32_t(header.height) * header.height;
  // The data size is checked against what the stream still holds before
  // anything is allocated for it.
  int64_t available = int64_t(stream->GetSize()) - stream->Tell();
  if (int64_t(header.dataSize) > available || int64_t(header.dataSize) * 8 < fullCellBits) return false;

  std::unique_ptr<BYTE[]> data(new (std::nothrow) BYTE[header.dataSize != 0 ? header.dataSize : 1]);
  if (data == nullptr) return false;
  if (stream->Read(data.get(), static_cast<int32_t>(header.dataSize)) !=
      static_cast<int32_t>(header.dataSize))
    return false;

  m_points.resize(size_t(fullCellBits));
  m_header = header;
  m_halfCellBits = int32_t(header.halfWidth) * header.height;
  m_fullCellBits = fullCellBits;
  m_tableBits = m_halfCellBits << 7;
  m_glyphData = std::move(data);
  return true;
}

bool CTSPointFont::GetCharSize(INT code, INT& width, INT& height) {
  (void)code;
  width = m_header.halfWidth;
  height = m_header.height;
  return true;
}

bool CTSPointFont::GetWideCharSize(INT lead, INT trail, INT& width, INT& height) {
  (void)lead;
  (void)trail;
  width = m_header.height;
  height = m_header.height;
  return true;
}

int64_t CTSPointFont::WideCharIndex(INT encoding, INT lead, INT trail) {
  INT l = lead & 0xFF;
  INT r = trail & 0xFF;
  switch (encoding) {
    case FONT_ENCODING_HIGH_BYTE:
      return l >= 0x81 ? int64_t(l - 0x81) * 256 + r : -1;
    case FONT_ENCODING_GB2312:
      if (l < 0xA1 || l > 0xFE || r < 0xA1 || r > 0xFE) return -1;
      return int64_t(l - 0xA1) * 94 + (r - 0xA1);
    case FONT_ENCODING_GBK:
      if (l < 0x81 || l > 0xFE || r < 0x40 || r > 0xFE) return -1;
      return int64_t(l - 0x81) * 191 + (r - 0x40);
    case FONT_ENCODING_BIG5:
      if (l < 0xA1 || l > 0xF9) return -1;
      if (r >= 0x40 && r <= 0x7E) return int64_t(l - 0xA1) * 157 + (r - 0x40);
      if (r >= 0xA1 && r <= 0xFE) return int64_t(l - 0xA1) * 157 + 63 + (r - 0xA1);
      return -1;
    case FONT_ENCODING_WORD:
      return int64_t(l) * 256 + r;
    default:
      return -1;
  }
}

int64_t CTSPointFont::CharBit(INT code) const {
  if (code < 1 || code > 128) return 0;
  int64_t bit = int64_t(code - 1) * m_halfCellBits + m_fullCellBits + 1;
  return bit + m_halfCellBits <= int64_t(m_header.dataSize) * 8 ? bit : 0;
}

int64_t CTSPointFont::WideCharBit(INT lead, INT trail) const {
  int64_t index = WideCharIndex(m_header.encoding, lead, trail);
  if (index < 0) return 0;
  int64_t bit = index * m_fullCellBits + 1 + m_tableBits + m_fullCellBits;
  return bit + m_fullCellBits <= int64_t(m_header.dataSize) * 8 ? bit : 0;
}

INT CTSPointFont::CollectPoints(int64_t bit, INT width, INT x, INT y) {
  const BYTE* data = m_glyphData.get();
  INT height = m_header.height;
  TSPoint* points = m_points.data();
  INT count = 0;
  for (INT row = 0; row < height; ++row, bit += width) {
    INT pointY = Offset(y, row);
    // A byte's worth of the row at a time; only set bits cost more.
    for (INT column = 0; column < width;) {
      int64_t at = bit + column;
      INT position = static_cast<INT>(at & 7);
      INT take = std::min(8 - position, width - column);
      unsigned bits = (unsigned(data[at >> 3]) >> position) & ((1u << take) - 1);
      for (; bits != 0; bits &= bits - 1)
        points[count++] = TSPoint{Offset(x, column + std::countr_zero(bits)), pointY};
      column += take;
    }
  }
  return count;
}

bool CTSPointFont::IsRefusedByClip(CTSGraphics* device, INT x, INT y, INT width) {
  RECT clip;
  device->GetClipRect(&clip);
  return x >= clip.right || y >= clip.bottom || int64_t(x) + width < clip.left ||
         int64_t(y) + m_header.height < clip.top;
}

bool CTSPointFont::DrawCharToTexture(INT code, INT x, INT y, CTSTexture* texture, const CTSColor& color) {
  if (texture == nullptr || !IsLoaded()) return false;
  INT count = CollectPoints(CharBit(code), m_header.halfWidth, x, y);
  texture->DrawPoints(m_points.data(), count, color);
  return true;
}

bool CTSPointFont::DrawWideCharToTexture(INT lead, INT trail, INT x, INT y, CTSTexture* texture,
                                         const CTSColor& color) {
  if (texture == nullptr || !IsLoaded()) return false;
  INT count = CollectPoints(WideCharBit(lead, trail), m_header.height, x, y);
  texture->DrawPoints(m_points.data(), count, color);
  return true;
}

bool CTSPointFont::DrawChar(INT code, INT x, INT y, CTSGraphics* device, const CTSColor& color) {
  if (device == nullptr || !IsLoaded() || IsRefusedByClip(device, x, y, m_header.halfWidth)) return false;
  INT count = CollectPoints(CharBit(code), m_header.halfWidth, x, y);
  device->DrawPoints(m_points.data(), count, color);
  return true;
}

bool CTSPointFont::DrawWideChar(INT lead, INT trail, INT x, INT y, CTSGraphics* device,
                                const CTSColor& color) {
  if (device == nullptr || !IsLoaded() || IsRefusedByClip(device, x, y, m_header.height)) return false;
  INT count = CollectPoints(WideCharBit(lead, trail), m_header.height, x, y);
  device->DrawPoints(m_points.data(), count, color);
  return true;
}
