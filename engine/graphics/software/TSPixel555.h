// The software pixel: 16 bits, red in bits 10-14, green 5-9, blue 0-4, bit 15 zero.
#pragma once

#include "engine/graphics/TSColor.h"

typedef WORD Pixel555;

constexpr Pixel555 PIXEL555_RED = 0x7C00;
constexpr Pixel555 PIXEL555_GREEN = 0x03E0;
constexpr Pixel555 PIXEL555_BLUE = 0x001F;

// The 16-bit key of a surface without colour key; no pixel has bit 15 set, so
// it never matches one.
constexpr WORD NO_COLOR_KEY = 0xFFFF;

// Keeps the top five bits of each channel; alpha is ignored.
constexpr Pixel555 ColorToPixel555(CTSColor color) {
  return Pixel555(((color.GetRed() & 0xF8) << 7) | ((color.GetGreen() & 0xF8) << 2) | (color.GetBlue() >> 3));
}
