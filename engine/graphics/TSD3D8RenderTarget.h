// A render target of the Direct3D 8 device: one Direct3D surface (the back
// buffer, or an off-screen target). It has no clip rectangle: the device
// clips with its viewport.
#pragma once

#include "engine/graphics/TSRenderTarget.h"
#include "platform/Windows.h"

// The render target format code of a Direct3D surface format: X8R8G8B8,
// X1R5G5B5 and R5G6B5 give 256, 257 and 258; anything else -1.
INT TargetFormatFromD3D(D3DFORMAT format);

class CTSD3D8RenderTarget : public CTSRenderTarget {
  TS_DECLARE_CLASS_IDENTITY(CTSRenderTarget, TS_GUID_D3D8_RENDER_TARGET)

 public:
  CTSD3D8RenderTarget() = default;
  // Gives up the surface's reference.
  ~CTSD3D8RenderTarget() override;

  bool IsValid() const override { return m_surface != nullptr; }
  INT GetWidth() const override { return m_width; }
  INT GetHeight() const override { return m_height; }
  void SetWidth(INT width) override { m_width = width; }
  void SetHeight(INT height) override { m_height = height; }
  // The whole surface; false without one, when Direct3D refuses, or when the
  // surface is smaller than the recorded size.
  bool Lock(TSLockInfo& info) override;
  void Unlock() override;
  INT GetFormat() const override;
  void SetFormat(INT) override {}

  IDirect3DSurface8* GetSurface() const { return m_surface; }
  // Adopts the caller's reference (none is taken); null detaches the surface
  // without giving it up.
  void SetSurface(IDirect3DSurface8* surface) { m_surface = surface; }

 private:
  IDirect3DSurface8* m_surface = nullptr;  // one reference held
  INT m_width = 0;
  INT m_height = 0;
};
