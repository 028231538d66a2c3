// The software texture: X1R5G5B5 pixels in plain memory, rows back to back
// (pitch = width x 2 bytes), and for format 3 an alpha plane of one byte per
// pixel (pitch = width).
#pragma once

#include "engine/graphics/TSTexture.h"
#include "engine/graphics/software/TSPixel555.h"

class CTSGDITexture : public CTSTexture {
  TS_DECLARE_CLASS_IDENTITY(CTSTexture, TS_GUID_GDI_TEXTURE)

 public:
  CTSGDITexture() = default;
  ~CTSGDITexture() override;

  bool IsValid() const override { return m_pixels != nullptr; }
  INT GetWidth() const override { return m_width; }
  INT GetHeight() const override { return m_height; }
  void SetWidth(INT width) override { m_width = width; }
  void SetHeight(INT height) override { m_height = height; }
  // 3 with an alpha plane, else 4.
  INT GetFormat() const override;
  void SetFormat(INT) override {}
  bool Lock(TSLockInfo& info) override;
  void Unlock() override {}
  void SetFilter(INT filter) override { m_filter = filter; }
  INT GetFilter() const override { return m_filter; }
  void SetColorKey(CTSColor key) override { m_colorKey = key; }
  CTSColor GetColorKey() const override { return m_colorKey; }
  // Stores ColorToPixel555 of the colour, and its alpha into the plane.
  void SetPixel(INT x, INT y, const CTSColor& color) override;
  // Each channel is the 5-bit value shifted left 3; alpha from the plane, or 255.
  CTSColor GetPixel(INT x, INT y) override;
  // Every pixel by ColorToPixel555, alpha into the plane; the key is stored
  // with SetColorKey16 (0xFFFF unless its alpha is 255).
  bool CopyFromImage(CTSImage* image, CTSColor key) override;

  // Frees, then allocates uninitialised pixels (format 3: and an alpha
  // plane). False, with the texture left empty, for sizes below 1 or when
  // memory runs out.
  bool Allocate(INT width, INT height, INT format, INT filter);
  // Releases the buffers: size 0 x 0, key 0x0000FFFF, filter -1.
  void Free();
  // Draws into a buffer the texture does not own (null detaches it); buffers
  // the texture owned are released first. Width and height are recorded
  // separately.
  void AttachPixels(Pixel555* pixels);
  // Stores a 16-bit key as a colour of alpha 255 (0xFFFF as 0xFFF8F8F8).
  void SetColorKey16(WORD key);

  // Row y of the pixels or of the alpha plane; null outside [0, height) or
  // without the buffer.
  Pixel555* GetPixelRow(INT y) const;
  BYTE* GetAlphaRow(INT y) const;
  // NO_COLOR_KEY when the key colour's alpha is 255, else the key as a pixel.
  WORD GetColorKey16() const;
  // Fills rect (null: everything), clamped to the texture, with the colour.
  void ClearRect(CTSColor color, const RECT* rect);

 private:
  void ReleaseBuffers();

  INT m_width = 0;
  INT m_height = 0;
  INT m_filter = 0;
  Pixel555* m_pixels = nullptr;
  BYTE* m_alpha = nullptr;
  CTSColor m_colorKey = 0;
  bool m_ownsPixels = false;
};
