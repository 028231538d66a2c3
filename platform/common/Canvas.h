// What the backend-free GDI code shares with the device contexts: the 24-bit
// bitmap selected into a memory DC, and the palette objects DeleteObject takes.
#pragma once

#include "platform/win32/Metafile.h"

namespace Gdi {

// Top-down rows of B,G,R bytes, `pitch` bytes apart.
struct Canvas {
  BYTE* bits = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
};

// The 24-bit compatible bitmap selected into `dc`; false for any other DC.
bool GetCanvas(HDC dc, Canvas* canvas);

bool IsPalette(HGDIOBJ object);
// Deletes a palette made by CreatePalette; the stock palette stays.
bool DeletePalette(HGDIOBJ object);
HPALETTE StockPalette();

}  // namespace Gdi
