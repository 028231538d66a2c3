// The software render target: draws into a software texture (its surface)
// within a clip rectangle.
#pragma once

#include "engine/graphics/TSRenderTarget.h"
#include "engine/graphics/software/TSGDITexture.h"

class CTSGDIRenderTarget : public CTSRenderTarget {
  TS_DECLARE_CLASS_IDENTITY(CTSRenderTarget, TS_GUID_GDI_RENDER_TARGET)

 public:
  CTSGDIRenderTarget();
  // Gives up the surface's use.
  ~CTSGDIRenderTarget() override;

  bool IsValid() const override { return m_surface != nullptr; }
  INT GetWidth() const override { return m_width; }
  INT GetHeight() const override { return m_height; }
  void SetWidth(INT width) override { m_width = width; }
  void SetHeight(INT height) override { m_height = height; }
  // The surface's pixels as format 257; false without a surface.
  bool Lock(TSLockInfo& info) override;
  void Unlock() override {}
  INT GetFormat() const override { return TARGET_FORMAT_X1R5G5B5; }
  void SetFormat(INT) override {}
  void SetPixel(INT x, INT y, const CTSColor& color) override;
  CTSColor GetPixel(INT x, INT y) override;

  CTSGDITexture* GetSurface() const { return m_surface; }
  // Adopts the caller's use of surface (no use is taken); a surface attached
  // before is given up.
  void SetSurface(CTSGDITexture* surface);
  // Stores rect (null: the whole target) clamped to the recorded size.
  void SetClipRect(const RECT* rect);
  void GetClipRect(RECT* rect) const { *rect = m_clipRect; }
  // Fills the clip rectangle of the surface with the colour.
  void Clear(const CTSColor& color);

  // Draws the texture's rectangle (srcX, srcY, srcW, srcH) 1:1 at (x, y) with
  // its own colour key or alpha plane: DrawSprite with BLEND_NORMAL, no flip.
  void Blt(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcW, INT srcH);
  // Draws the rectangle blended by mode (BLEND_*), mirrored by flip (FLIP_*)
  // and modulated by the colour, within the clip rectangle. Clipping happens
  // before mirroring. Draws nothing for modes or flips above 3, or for a
  // texture that is not a software texture.
  void DrawSprite(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcW, INT srcH, BlendMode mode,
                  FlipFlags flip, const CTSColor& color);
  // Draws the rectangle scaled and turned about its centre, which lands on
  // (x, y), blended as DrawSprite does, within the clip rectangle.
  void DrawSpriteTransformed(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcW, INT srcH,
                             float scaleX, float scaleY, float angle, BlendMode mode, FlipFlags flip,
                             const CTSColor& color);

 private:
  CTSGDITexture* m_surface = nullptr;
  INT m_width = 0;
  INT m_height = 0;
  RECT m_clipRect{};
};
