// A texture over plain memory in any format code, so that what every texture
// does on top of Lock can be tried in each format. Counts its locks and
// unlocks, and can be made to refuse locking.
#pragma once

#include <vector>

#include "engine/graphics/TSPixelFormat.h"
#include "engine/graphics/TSTexture.h"

class CMemoryTexture : public CTSTexture {
 public:
  CMemoryTexture(INT width, INT height, INT format)
      : m_width(width),
        m_height(height),
        m_format(format),
        m_pixels(size_t(width) * height * 4, 0),
        m_alpha(format == TEXTURE_FORMAT_X1R5G5B5_ALPHA8 ? size_t(width) * height : 0, 0) {}

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
    info.pitch = m_width * (PixelFormatBytes(m_format) ? PixelFormatBytes(m_format) : 4);
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

  std::vector<BYTE>& Bytes() { return m_pixels; }

  int locks = 0;
  int unlocks = 0;
  bool failLock = false;

 private:
  INT m_width;
  INT m_height;
  INT m_format;
  std::vector<BYTE> m_pixels;
  std::vector<BYTE> m_alpha;
  CTSColor m_key = 0;
};
