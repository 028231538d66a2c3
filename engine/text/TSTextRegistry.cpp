#include "engine/text/TSTextRegistry.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

CTSTextRegistry::~CTSTextRegistry() {
  for (auto& [id, font] : m_fonts) font->Release();
  m_fonts.clear();
  m_currentFont = nullptr;
}

bool CTSTextRegistry::AddFont(DWORD id, CTSFont* font) {
  if (id == kInvalidFontId || font == nullptr || m_fonts.count(id) != 0) return false;
  font->AddRef();
  m_fonts.emplace(id, font);
  return true;
}

CTSFont* CTSTextRegistry::FindFont(DWORD id) const {
  auto found = m_fonts.find(id);
  return found != m_fonts.end() ? found->second : nullptr;
}

bool CTSTextRegistry::SelectFont(DWORD id) {
  CTSFont* font = FindFont(id);
  if (font == nullptr) return false;
  m_currentFont = font;
  return true;
}

void CTSTextRegistry::DrawText(DWORD fontId, CTSGraphics* device, INT x, INT y, const CTSColor& color,
                               const char* text, INT length, INT maxColumns) {
  if (device == nullptr || text == nullptr || !SelectFont(fontId)) return;
  CTSFont* font = m_currentFont;
  int64_t limit = maxColumns >= 1 ? maxColumns : INT_MAX;
  size_t n = std::strlen(text);
  size_t count = length < 0 || size_t(length) > n ? n : size_t(length);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);

  INT singleAdvance = font->GetCharWidth();
  INT wideAdvance = font->GetWideCharWidth();
  INT lineAdvance = std::max(font->GetCharHeight(), font->GetWideCharHeight());
  // The pen runs in 64 bits; glyphs whose position leaves the 32-bit range
  // are skipped rather than drawn at a wrapped position.
  int64_t penX = x;
  int64_t penY = y;
  int64_t column = 0;
  auto drawable = [&] { return penX >= INT_MIN && penX <= INT_MAX && penY >= INT_MIN && penY <= INT_MAX; };
  auto advance = [&](INT width) {
    if (column < limit) {
      penX += width;
    } else {
      penY += lineAdvance;
      penX = x;
      column = 0;
    }
  };

  for (size_t i = 0; i < count;) {
    unsigned char byte = bytes[i];
    if (byte >= 0x80) {
      // The trail byte is at worst the terminating zero.
      if (drawable()) font->DrawWideChar(byte, bytes[i + 1], INT(penX), INT(penY), device, color);
      column += 2;
      i += 2;
      advance(wideAdvance);
    } else if (byte == '\n') {
      i += 1;
      penY += lineAdvance;
      penX = x;
      column = 0;
    } else if (byte == '\t') {
      column += 4;
      i += 1;
      advance(singleAdvance);
    } else {
      if (drawable()) font->DrawChar(byte, INT(penX), INT(penY), device, color);
      column += 1;
      i += 1;
      advance(singleAdvance);
    }
  }
}
