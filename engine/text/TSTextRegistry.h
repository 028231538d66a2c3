// Keeps loaded fonts under numeric ids and draws strings with them: single
// bytes one column, lead bytes (0x80-0xFF) with their trail byte two, tabs
// four columns but one advance, line feeds and wrapping at a column limit.
#pragma once

#include <map>

#include "engine/object/TSSingleton.h"
#include "engine/text/TSFont.h"

class CTSTextRegistry : public CTSSingleton<CTSTextRegistry> {
  friend class CTSSingleton<CTSTextRegistry>;

 public:
  static constexpr DWORD kInvalidFontId = 0xFFFFFFFF;

  // Takes a use of the font; false (no use taken) for the invalid id, a null
  // font or an id already present.
  bool AddFont(DWORD id, CTSFont* font);
  // No use is taken.
  CTSFont* FindFont(DWORD id) const;
  // Makes the font under id current; false (current font kept) when absent.
  bool SelectFont(DWORD id);
  // Draws text (zero-terminated; length < 0 or past its end: all of it) with
  // the font under fontId from (x, y), wrapping after maxColumns columns
  // (< 1: never). A lead byte as the last byte pairs with the terminating zero.
  void DrawText(DWORD fontId, CTSGraphics* device, INT x, INT y, const CTSColor& color, const char* text,
                INT length, INT maxColumns);

 private:
  CTSTextRegistry() = default;
  // Releases every font in ascending id order.
  ~CTSTextRegistry() override;

  std::map<DWORD, CTSFont*> m_fonts;
  CTSFont* m_currentFont = nullptr;
};
