// The engine's 32-bit colour 0xAARRGGBB (in memory: blue, green, red, alpha).
#pragma once

#include "platform/Windows.h"

class CTSColor {
 public:
  constexpr CTSColor(DWORD argb = 0) : m_argb(argb) {}
  constexpr CTSColor(BYTE a, BYTE r, BYTE g, BYTE b)
      : m_argb((DWORD(a) << 24) | (DWORD(r) << 16) | (DWORD(g) << 8) | b) {}

  constexpr DWORD GetARGB() const { return m_argb; }
  constexpr BYTE GetAlpha() const { return BYTE(m_argb >> 24); }
  constexpr BYTE GetRed() const { return BYTE(m_argb >> 16); }
  constexpr BYTE GetGreen() const { return BYTE(m_argb >> 8); }
  constexpr BYTE GetBlue() const { return BYTE(m_argb); }

  constexpr bool operator==(const CTSColor& other) const { return m_argb == other.m_argb; }

 private:
  DWORD m_argb;
};
static_assert(sizeof(CTSColor) == 4, "a colour is one 32-bit word");
