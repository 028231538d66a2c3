// What every texture does on top of Lock: pixel access, primitives and image
// copies in the texture format codes 0 to 4.
#include "engine/graphics/TSTexture.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/graphics/TSPixelFormat.h"
#include "engine/image/TSImage.h"

namespace {

BYTE* Row(const TSLockInfo& lock, INT y) { return static_cast<BYTE*>(lock.bits) + ptrdiff_t(y) * lock.pitch; }

BYTE* AlphaRow(const TSLockInfo& lock, INT y) {
  return lock.alphaBits != nullptr ? lock.alphaBits + ptrdiff_t(y) * lock.alphaPitch : nullptr;
}

}  // namespace

void CTSTexture::SetPixel(INT x, INT y, const CTSColor& color) {
  if (x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return;
  TSLockInfo lock;
  if (!Lock(lock)) return;
  if (IsTextureFormat(lock.format)) StorePixel(lock.format, Row(lock, y), AlphaRow(lock, y), x, color);
  Unlock();
}

CTSColor CTSTexture::GetPixel(INT x, INT y) {
  if (x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return CTSColor(0);
  TSLockInfo lock;
  if (!Lock(lock)) return CTSColor(0);
  CTSColor color = IsTextureFormat(lock.format) ? ReadPixel(lock.format, Row(lock, y), AlphaRow(lock, y), x) : 0;
  Unlock();
  return color;
}

void CTSTexture::DrawPoints(const TSPoint* points, INT count, const CTSColor& color) {
  if (points == nullptr || count <= 0) return;
  TSLockInfo lock;
  if (!Lock(lock)) return;
  if (IsTextureFormat(lock.format)) {
    INT width = GetWidth();
    INT height = GetHeight();
    for (INT i = 0; i < count; ++i) {
      const TSPoint& p = points[i];
      if (p.x >= 0 && p.y >= 0 && p.x < width && p.y < height)
        StorePixel(lock.format, Row(lock, p.y), AlphaRow(lock, p.y), p.x, color);
    }
  }
  Unlock();
}

void CTSTexture::DrawLine(INT x1, INT y1, INT x2, INT y2, const CTSColor& color) {
  if (x1 == x2) {
    if (x1 < 0 || x1 >= GetWidth()) return;
    for (INT y = y1 < y2 ? y1 : y2, end = y1 < y2 ? y2 : y1; y < end; ++y) SetPixel(x1, y, color);
    return;
  }
  if (y1 == y2) {
    if (y1 < 0 || y1 >= GetHeight()) return;
    for (INT x = x1 < x2 ? x1 : x2, end = x1 < x2 ? x2 : x1; x < end; ++x) SetPixel(x, y1, color);
    return;
  }
  // Both axes step by accumulating the smaller distance against the larger;
  // the first pixel is set twice and the last one set is (x2, y2).
  int64_t dx = int64_t(x2) - x1;
  int64_t dy = int64_t(y2) - y1;
  int64_t stepX = dx > 0 ? 1 : -1;
  int64_t stepY = dy > 0 ? 1 : -1;
  int64_t lengthX = dx * stepX;
  int64_t lengthY = dy * stepY;
  int64_t steps = lengthX > lengthY ? lengthX : lengthY;
  int64_t errorX = 0;
  int64_t errorY = 0;
  int64_t x = x1;
  int64_t y = y1;
  for (int64_t i = 0; i < steps + 2; ++i) {
    SetPixel(INT(x), INT(y), color);
    errorX += lengthX;
    errorY += lengthY;
    if (errorX > steps) {
      errorX -= steps;
      x += stepX;
    }
    if (errorY > steps) {
      errorY -= steps;
      y += stepY;
    }
  }
}

void CTSTexture::DrawRect(INT x1, INT y1, INT x2, INT y2, const CTSColor& color, bool filled) {
  if (filled) {
    for (INT y = y1; y < y2; ++y) DrawLine(x1, y, x2, y, color);
    return;
  }
  DrawLine(x1, y1, x2, y1, color);
  DrawLine(x1, y2, x2, y2, color);
  DrawLine(x1, y1, x1, y2, color);
  DrawLine(x2, y1, x2, y2, color);
}

void CTSTexture::DrawCircle(INT centerX, INT centerY, INT radius, const CTSColor& color, bool filled) {
  auto plot = [&](INT x, INT y) {
    if (filled) {
      for (INT run = centerX - x; run <= centerX + x; ++run) SetPixel(run, centerY + y, color);
      for (INT run = centerX - x; run <= centerX + x; ++run) SetPixel(run, centerY - y, color);
      for (INT run = centerX - y; run <= centerX + y; ++run) SetPixel(run, centerY + x, color);
      for (INT run = centerX - y; run <= centerX + y; ++run) SetPixel(run, centerY - x, color);
      return;
    }
    const TSPoint octants[8] = {{centerX - x, centerY + y}, {centerX + x, centerY + y}, {centerX - y, centerY - x},
                                {centerX + y, centerY - x}, {centerX - x, centerY - y}, {centerX + x, centerY - y},
                                {centerX - y, centerY + x}, {centerX + y, centerY + x}};
    DrawPoints(octants, 8, color);
  };
  // A negative radius draws nothing (the octant limit alone let -1 and -2
  // through as stray pixels); the midpoint stepping would put a radius-0
  // circle a pixel off its centre.
  if (radius < 0) return;
  if (radius == 0) {
    plot(0, 0);
    return;
  }
  INT limit = INT(radius * 0.70711) + 1;
  INT x = 0;
  INT y = radius;
  INT d = 1 - 2 * radius;
  do {
    if (d < 0) {
      d += 4 * x + 2;
    } else {
      d += 4 * (x - y) + 6;
      y -= 1;
    }
    plot(x, y);
    x += 1;
  } while (x <= limit);
}

bool CTSTexture::CopyFromImage(CTSImage* image, CTSColor key) {
  if (image == nullptr || !IsValid() || image->GetWidth() != GetWidth() || image->GetHeight() != GetHeight())
    return false;
  TSLockInfo lock;
  if (!Lock(lock)) return false;
  const INT format = lock.format;
  const bool keyApplies = key.GetAlpha() == 0xFF;
  const bool imageAlpha = image->HasAlpha();
  if (format == TEXTURE_FORMAT_A8R8G8B8 || format == TEXTURE_FORMAT_A1R5G5B5 || format == TEXTURE_FORMAT_A4R4G4B4) {
    for (INT y = 0; y < GetHeight(); ++y) {
      const CTSColor* source = image->GetScanline(y);
      BYTE* row = Row(lock, y);
      if (format == TEXTURE_FORMAT_A8R8G8B8 && (imageAlpha || !keyApplies)) {
        std::memcpy(row, source, size_t(GetWidth()) * 4);
        continue;
      }
      for (INT x = 0; x < GetWidth(); ++x) {
        CTSColor pixel = source[x];
        if (!imageAlpha) pixel = keyApplies && pixel == key ? CTSColor(0) : CTSColor(pixel.GetARGB() | 0xFF000000u);
        StorePixel(format, row, nullptr, x, pixel);
      }
    }
  }
  Unlock();
  return true;
}

bool CTSTexture::CopyToImage(CTSImage* image) {
  if (image == nullptr || !IsValid()) return false;
  if (!image->Create(GetWidth(), GetHeight(), true)) return false;
  TSLockInfo lock;
  if (!Lock(lock)) return false;
  if (IsTextureFormat(lock.format)) {
    for (INT y = 0; y < GetHeight(); ++y) {
      CTSColor* target = image->GetScanline(y);
      for (INT x = 0; x < GetWidth(); ++x) target[x] = ReadPixel(lock.format, Row(lock, y), AlphaRow(lock, y), x);
    }
  }
  Unlock();
  return true;
}
