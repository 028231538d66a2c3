#include "engine/graphics/TSPixelFormat.h"

#include <cstring>

namespace {

WORD Load16(const void* row, INT x) {
  WORD value;
  std::memcpy(&value, static_cast<const BYTE*>(row) + size_t(x) * 2, 2);
  return value;
}

DWORD Load32(const void* row, INT x) {
  DWORD value;
  std::memcpy(&value, static_cast<const BYTE*>(row) + size_t(x) * 4, 4);
  return value;
}

void Store16(void* row, INT x, DWORD value) {
  WORD narrow = WORD(value);
  std::memcpy(static_cast<BYTE*>(row) + size_t(x) * 2, &narrow, 2);
}

void Store32(void* row, INT x, DWORD value) { std::memcpy(static_cast<BYTE*>(row) + size_t(x) * 4, &value, 4); }

DWORD Top(BYTE channel, int bits) { return DWORD(channel) >> (8 - bits); }

}  // namespace

INT PixelFormatBytes(INT format) {
  switch (format) {
    case TEXTURE_FORMAT_A8R8G8B8:
    case TARGET_FORMAT_X8R8G8B8:
      return 4;
    case TEXTURE_FORMAT_A1R5G5B5:
    case TEXTURE_FORMAT_A4R4G4B4:
    case TEXTURE_FORMAT_X1R5G5B5_ALPHA8:
    case TEXTURE_FORMAT_X1R5G5B5:
    case TARGET_FORMAT_X1R5G5B5:
    case TARGET_FORMAT_R5G6B5:
      return 2;
    default:
      return 0;
  }
}

bool IsTextureFormat(INT format) { return format >= TEXTURE_FORMAT_A8R8G8B8 && format <= TEXTURE_FORMAT_X1R5G5B5; }

bool IsRenderTargetFormat(INT format) { return format >= TARGET_FORMAT_X8R8G8B8 && format <= TARGET_FORMAT_R5G6B5; }

void StorePixel(INT format, void* row, BYTE* alphaRow, INT x, CTSColor c) {
  switch (format) {
    case TEXTURE_FORMAT_A8R8G8B8:
      Store32(row, x, c.GetARGB());
      break;
    case TEXTURE_FORMAT_A1R5G5B5:
      Store16(row, x, (Top(c.GetAlpha(), 1) << 15) | (Top(c.GetRed(), 5) << 10) | (Top(c.GetGreen(), 5) << 5) |
                          Top(c.GetBlue(), 5));
      break;
    case TEXTURE_FORMAT_A4R4G4B4:
      Store16(row, x, (Top(c.GetAlpha(), 4) << 12) | (Top(c.GetRed(), 4) << 8) | (Top(c.GetGreen(), 4) << 4) |
                          Top(c.GetBlue(), 4));
      break;
    case TEXTURE_FORMAT_X1R5G5B5_ALPHA8:
      if (alphaRow != nullptr) alphaRow[x] = c.GetAlpha();
      [[fallthrough]];
    case TEXTURE_FORMAT_X1R5G5B5:
    case TARGET_FORMAT_X1R5G5B5:
      Store16(row, x, (Top(c.GetRed(), 5) << 10) | (Top(c.GetGreen(), 5) << 5) | Top(c.GetBlue(), 5));
      break;
    case TARGET_FORMAT_X8R8G8B8:
      Store32(row, x, c.GetARGB() | 0xFF000000u);
      break;
    case TARGET_FORMAT_R5G6B5:
      Store16(row, x, (Top(c.GetRed(), 5) << 11) | (Top(c.GetGreen(), 6) << 5) | Top(c.GetBlue(), 5));
      break;
    default:
      break;
  }
}

CTSColor ReadPixel(INT format, const void* row, const BYTE* alphaRow, INT x) {
  switch (format) {
    case TEXTURE_FORMAT_A8R8G8B8:
      return CTSColor(Load32(row, x));
    case TEXTURE_FORMAT_A1R5G5B5: {
      DWORD p = Load16(row, x);
      return CTSColor(((p & 0x8000) != 0 ? 0xFF000000u : 0u) | ((p & 0x7C00) << 9) | ((p & 0x03E0) << 6) |
                      ((p & 0x001F) << 3));
    }
    case TEXTURE_FORMAT_A4R4G4B4: {
      DWORD p = Load16(row, x);
      return CTSColor(((p & 0xF000) << 16) | ((p & 0x0F00) << 12) | ((p & 0x00F0) << 8) | ((p & 0x000F) << 4));
    }
    case TEXTURE_FORMAT_X1R5G5B5_ALPHA8: {
      CTSColor color = ReadX1R5G5B5(Load16(row, x));
      if (alphaRow == nullptr) return color;
      return CTSColor((DWORD(alphaRow[x]) << 24) | (color.GetARGB() & 0x00FFFFFF));
    }
    case TEXTURE_FORMAT_X1R5G5B5:
    case TARGET_FORMAT_X1R5G5B5:
      return ReadX1R5G5B5(Load16(row, x));
    case TARGET_FORMAT_X8R8G8B8:
      return CTSColor(Load32(row, x) | 0xFF000000u);
    case TARGET_FORMAT_R5G6B5: {
      DWORD p = Load16(row, x);
      return CTSColor(0xFF000000u | ((p & 0xF800) << 8) | ((p & 0x07E0) << 5) | ((p & 0x001F) << 3));
    }
    default:
      return CTSColor(0);
  }
}
