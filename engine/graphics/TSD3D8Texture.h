// A texture of the Direct3D 8 device: one Direct3D texture of one level.
// Direct3D may allocate a larger surface than asked for (powers of two,
// squares); the texture reports the size asked for, and draws divide their
// texture coordinates by the surface size.
#pragma once

#include "engine/graphics/TSTexture.h"
#include "platform/Windows.h"

// The Direct3D format of a texture format code: 0, 1 and 2 map to A8R8G8B8,
// A1R5G5B5 and A4R4G4B4; anything else to D3DFMT_UNKNOWN.
D3DFORMAT TextureFormatToD3D(INT format);

class CTSD3D8Texture : public CTSTexture {
  TS_DECLARE_CLASS_IDENTITY(CTSTexture, TS_GUID_D3D8_TEXTURE)

 public:
  CTSD3D8Texture() = default;
  // Gives up the Direct3D texture's reference.
  ~CTSD3D8Texture() override;

  bool IsValid() const override { return m_texture != nullptr; }
  INT GetWidth() const override { return m_width; }
  INT GetHeight() const override { return m_height; }
  void SetWidth(INT width) override { m_width = width; }
  void SetHeight(INT height) override { m_height = height; }
  INT GetFormat() const override { return m_format; }
  void SetFormat(INT format) override { m_format = format; }
  // Level 0, the whole surface; the record carries the format field.
  bool Lock(TSLockInfo& info) override;
  void Unlock() override;
  void SetFilter(INT filter) override { m_filter = filter; }
  INT GetFilter() const override { return m_filter; }
  // Records the key; a key of alpha 255 also makes every pixel that holds
  // the key's colour (at the texture's own precision) fully transparent.
  void SetColorKey(CTSColor key) override;
  CTSColor GetColorKey() const override { return m_colorKey; }

  INT GetSurfaceWidth() const { return m_surfaceWidth; }
  INT GetSurfaceHeight() const { return m_surfaceHeight; }
  void SetSurfaceSize(INT width, INT height) {
    m_surfaceWidth = width;
    m_surfaceHeight = height;
  }
  IDirect3DTexture8* GetD3DTexture() const { return m_texture; }
  // Adopts the caller's reference; a texture held before is given up.
  void SetD3DTexture(IDirect3DTexture8* texture);

 private:
  INT m_width = 0;
  INT m_height = 0;
  INT m_surfaceWidth = 0;
  INT m_surfaceHeight = 0;
  INT m_filter = 0;
  IDirect3DTexture8* m_texture = nullptr;  // one reference held
  INT m_format = -1;
  CTSColor m_colorKey = 0;
};
