// Store and read conversions between CTSColor and the pixel formats of
// textures (codes 0 to 4) and render targets (codes 256 to 258). Reads never
// replicate high bits into the low ones: 0x7FFF as X1R5G5B5 is 0xFFF8F8F8.
#pragma once

#include "engine/graphics/TSColor.h"
#include "engine/graphics/TSGraphicsTypes.h"

// Bytes per pixel of a format, or 0 for a format without a conversion.
INT PixelFormatBytes(INT format);
bool IsTextureFormat(INT format);
bool IsRenderTargetFormat(INT format);

// Writes pixel x of a row in the format; format 3 also writes the alpha byte
// when alphaRow is given. Nothing for a format without a conversion.
void StorePixel(INT format, void* row, BYTE* alphaRow, INT x, CTSColor color);
// Pixel x of a row; format 3 takes alpha from alphaRow when given. 0 for a
// format without a conversion.
CTSColor ReadPixel(INT format, const void* row, const BYTE* alphaRow, INT x);

// The X1R5G5B5 read conversion: alpha 255, each channel shifted left 3.
constexpr CTSColor ReadX1R5G5B5(WORD p) {
  return CTSColor(0xFF000000u | (DWORD(p & 0x7C00) << 9) | (DWORD(p & 0x03E0) << 6) | (DWORD(p & 0x001F) << 3));
}
