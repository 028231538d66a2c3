// Reads back what reached a window's pixels (headless windows keep them in
// memory).
#pragma once

#include "platform/Windows.h"

namespace WindowReadback {

// The pixel at (x, y) as 0x00RRGGBB.
DWORD Pixel(HWND window, int x, int y);
// Fills the whole window with one 0x00RRGGBB colour.
void Fill(HWND window, DWORD rgb);

}  // namespace WindowReadback
