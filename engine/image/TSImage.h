// The engine's image: a top-down array of 32-bit 0xAARRGGBB pixels.
#pragma once

#include "engine/graphics/TSColor.h"
#include "engine/object/TSUseCountObject.h"

class CTSImage : public CTSUseCountObject {
  TS_DECLARE_CLASS_IDENTITY(CTSUseCountObject, TS_GUID_IMAGE)

 public:
  CTSImage() = default;
  ~CTSImage() override;

  // Allocates width x height pixels (contents undefined). On failure, or for
  // sizes below 1, false with the image empty.
  virtual bool Create(INT width, INT height, bool hasAlpha);
  virtual void Free();
  // Row y, or null outside the image.
  virtual CTSColor* GetScanline(INT y);
  virtual bool IsValid() const { return m_pixels != nullptr; }
  virtual bool HasAlpha() const { return m_hasAlpha; }
  virtual INT GetHeight() const { return m_height; }
  virtual INT GetWidth() const { return m_width; }

 private:
  INT m_width = 0;
  INT m_height = 0;
  CTSColor* m_pixels = nullptr;
  bool m_hasAlpha = false;
};
