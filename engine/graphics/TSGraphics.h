// The one drawing interface: a graphics device owns the window's back buffer,
// makes textures and render targets of its own kind, draws into the current
// render target within the clip rectangle and presents the back buffer.
#pragma once

#include "engine/graphics/TSColor.h"
#include "engine/graphics/TSGraphicsTypes.h"
#include "engine/graphics/TSRenderTarget.h"
#include "engine/graphics/TSTexture.h"
#include "engine/object/TSUseCountObject.h"

class CTSGraphics : public CTSUseCountObject {
  TS_DECLARE_CLASS_IDENTITY(CTSUseCountObject, TS_GUID_GRAPHICS)

 public:
  // Sprites: a null texture draws nothing; every draw stays in the clip rectangle.
  virtual void DrawSprite(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcWidth, INT srcHeight,
                          BlendMode blendMode, FlipFlags flipFlags, CTSColor color) = 0;
  virtual void Blt(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcWidth, INT srcHeight) = 0;
  virtual void BltWhole(CTSTexture* texture, INT x, INT y) = 0;
  virtual void DrawSpriteTransformed(CTSTexture* texture, INT centerX, INT centerY, INT srcX, INT srcY,
                                     INT srcWidth, INT srcHeight, float scaleX, float scaleY, float angle,
                                     BlendMode blendMode, FlipFlags flipFlags, CTSColor color) = 0;

  // Primitives.
  virtual void DrawLine(INT x1, INT y1, INT x2, INT y2, const CTSColor& color) = 0;
  virtual void DrawCircle(INT centerX, INT centerY, INT radius, const CTSColor& color, bool filled) = 0;
  virtual void DrawPoints(const TSPoint* points, INT count, const CTSColor& color) = 0;
  virtual void DrawRect(INT x1, INT y1, INT x2, INT y2, const CTSColor& color, bool filled) = 0;
  virtual void SetPixel(INT x, INT y, const CTSColor& color) = 0;
  virtual CTSColor GetPixel(INT x, INT y) = 0;

  // Textures of this device's kind, use count 1, owned by the caller.
  virtual CTSTexture* CreateTexture(INT width, INT height, INT format, INT filter) = 0;
  virtual bool IsTextureFormatSupported(INT format) = 0;

  virtual void BeginScene() = 0;
  virtual void EndScene() = 0;
  // Gives up every platform resource; Create may be called again.
  virtual void DestroyDevice() = 0;
  // Fills the clip rectangle of the back buffer.
  virtual void Clear(CTSColor color) = 0;
  virtual bool Create(HWND window, INT width, INT height, bool fullScreen, bool resizeWindow) = 0;
  virtual bool SetDisplayMode(INT width, INT height, bool fullScreen) = 0;
  virtual INT GetWidth() = 0;
  virtual INT GetHeight() = 0;
  virtual bool IsCreated() = 0;
  virtual bool IsFullScreen() = 0;
  // Null window: the device's own; null destination: the whole client area;
  // null source: the whole back buffer.
  virtual void Present(HWND window, const RECT* destRect, const RECT* srcRect) = 0;
  // Null: the whole back buffer; the rectangle is clamped to it.
  virtual void SetClipRect(const RECT* rect) = 0;
  virtual void GetClipRect(RECT* rect) = 0;
  virtual CTSRenderTarget* GetRenderTarget() = 0;
  // No use is taken or given up.
  virtual void SetRenderTarget(CTSRenderTarget* target) = 0;
  // An off-screen target of this device's kind, use count 1, owned by the caller.
  virtual CTSRenderTarget* CreateRenderTarget(INT width, INT height) = 0;
};
