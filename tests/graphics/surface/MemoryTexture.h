// A texture over plain memory in any texture format, so that the base
// behaviours built on Lock can be tried on every format. Counts its locks and
// DrawPoints calls.
#pragma once

#include <vector>

#include "engine/graphics/TSPixelFormat.h"
#include "engine/graphics/TSTexture.h"

class CMemoryTexture : public CTSTexture {
 public:
  CMemoryTexture(INT width, INT height, INT format)
      : m_width(width), m_height(height), m_format(format),
        m_pixels(size_t(width) * height * (PixelFormatBytes(format) ? PixelFormatBytes(format) : 4), 0),
        m_alpha(format == 3 ? size_t(width) * height : 0, 0) {}

  bool IsValid() const override { return true; }
  INT GetWidth() const override { return m_width; }
  INT GetHeight() const override { return m_height; }
  void SetWidth(INT width) override { m_width = width; }
  void SetHeight(INT height) override { m_height = height; }
  INT GetFormat() const override { return m_format; }
  void SetFormat(INT format) override { m_format = format; }
  bool Lock(TSLockInfo& info) override {
    ++locks;
    if (failLock) return false;
    INT bytes = PixelFormatBytes(m_format) ? PixelFormatBytes(m_format) : 4;
    info.pitch = m_width * bytes;
    info.alphaPitch = m_alpha.empty() ? 0 : m_width;
    info.format = m_format;
    info.bits = m_pixels.data();
    info.alphaBits = m_alpha.empty() ? nullptr : m_alpha.data();
    return true;
  }
  void Unlock() override { ++unlocks; }
  void SetFilter(INT) override {}
  INT GetFilter() const override { return 0; }
  void SetColorKey(CTSColor key) override { m_key = key; }
  CTSColor GetColorKey() const override { return m_key; }
  void DrawPoints(const TSPoint* points, INT count, const CTSColor& color) override {
    ++drawPointsCalls;
    pointsDrawn += count;
    CTSTexture::DrawPoints(points, count, color);
  }

  std::vector<BYTE>& Bytes() { return m_pixels; }

  int locks = 0;
  int unlocks = 0;
  int drawPointsCalls = 0;
  int pointsDrawn = 0;
  bool failLock = false;

 private:
  INT m_width;
  INT m_height;
  INT m_format;
  std::vector<BYTE> m_pixels;
  std::vector<BYTE> m_alpha;
  CTSColor m_key = 0;
};
