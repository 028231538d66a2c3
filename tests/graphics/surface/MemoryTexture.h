// A texture over plain memory in any format code, so that what every texture
// does on top of Lock can be tried in each format.
#pragma once

#include <vector>

#include "engine/graphics/TSTexture.h"

class CMemoryTexture : public CTSTexture {
 public:
  CMemoryTexture(INT width, INT height, INT format)
      : m_width(width), m_height(height), m_format(format), m_bytes(size_t(width) * height * 4) {}

  bool IsValid() const override { return true; }
  INT GetWidth() const override { return m_width; }
  INT GetHeight() const override { return m_height; }
  void SetWidth(INT width) override { m_width = width; }
  void SetHeight(INT height) override { m_height = height; }
  INT GetFormat() const override { return m_format; }
  void SetFormat(INT format) override { m_format = format; }
  bool Lock(TSLockInfo& info) override {
    info = TSLockInfo{m_width * (m_format == 0 || m_format == 256 ? 4 : 2), 0, m_format, m_bytes.data(),
                      nullptr};
    return true;
  }
  void Unlock() override {}
  void SetFilter(INT) override {}
  INT GetFilter() const override { return 0; }
  void SetColorKey(CTSColor) override {}
  CTSColor GetColorKey() const override { return 0; }

 private:
  INT m_width, m_height, m_format;
  std::vector<BYTE> m_bytes;
};
