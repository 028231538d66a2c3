// The software device: draws with the software pixel pipeline into a 16-bit
// X1R5G5B5 DIB section (the back buffer) and copies it to the window. Full
// screen takes the screen through DirectDraw when "ddraw.dll" is there.
#pragma once

#include "engine/graphics/TSGraphics.h"
#include "engine/graphics/software/TSGDIRenderTarget.h"

class CTSGDIGraphics : public CTSGraphics {
  TS_DECLARE_CLASS_IDENTITY(CTSGraphics, TS_GUID_GDI_GRAPHICS)

 public:
  CTSGDIGraphics();
  ~CTSGDIGraphics() override;

  void DrawSprite(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcWidth, INT srcHeight,
                  BlendMode blendMode, FlipFlags flipFlags, CTSColor color) override;
  void Blt(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcWidth, INT srcHeight) override;
  void BltWhole(CTSTexture* texture, INT x, INT y) override;
  void DrawSpriteTransformed(CTSTexture* texture, INT centerX, INT centerY, INT srcX, INT srcY, INT srcWidth,
                             INT srcHeight, float scaleX, float scaleY, float angle, BlendMode blendMode,
                             FlipFlags flipFlags, CTSColor color) override;
  // The primitives stop only at the surface's edges, not at the clip rectangle.
  void DrawLine(INT x1, INT y1, INT x2, INT y2, const CTSColor& color) override;
  void DrawCircle(INT centerX, INT centerY, INT radius, const CTSColor& color, bool filled) override;
  void DrawPoints(const TSPoint* points, INT count, const CTSColor& color) override;
  void DrawRect(INT x1, INT y1, INT x2, INT y2, const CTSColor& color, bool filled) override;
  void SetPixel(INT x, INT y, const CTSColor& color) override;
  CTSColor GetPixel(INT x, INT y) override;
  // Formats 3 and 4 only.
  CTSTexture* CreateTexture(INT width, INT height, INT format, INT filter) override;
  bool IsTextureFormatSupported(INT format) override;
  void BeginScene() override {}
  void EndScene() override {}
  void DestroyDevice() override;
  void Clear(CTSColor color) override;
  // An odd width is rounded up to even, so that rows are width x 2 bytes.
  bool Create(HWND window, INT width, INT height, bool fullScreen, bool resizeWindow) override;
  bool SetDisplayMode(INT width, INT height, bool fullScreen) override;
  INT GetWidth() override { return m_width; }
  INT GetHeight() override { return m_height; }
  bool IsCreated() override { return m_created; }
  bool IsFullScreen() override { return m_fullScreen; }
  // Copies from the back buffer, whatever the current render target is; an
  // empty source or destination copies nothing.
  void Present(HWND window, const RECT* destRect, const RECT* srcRect) override;
  void SetClipRect(const RECT* rect) override;
  void GetClipRect(RECT* rect) override;
  CTSRenderTarget* GetRenderTarget() override { return m_renderTarget; }
  // Draws go to target from now on; a target of another device kind draws
  // nothing. The back buffer stays the back buffer.
  void SetRenderTarget(CTSRenderTarget* target) override;
  CTSRenderTarget* CreateRenderTarget(INT width, INT height) override;

 private:
  void FreeBackBuffer();
  bool CreateBackBuffer(INT width, INT height);

  INT m_width = 0;
  INT m_height = 0;
  bool m_fullScreen = false;
  bool m_created = false;
  bool m_resizeWindow = true;
  HMODULE m_ddrawModule = nullptr;
  IDirectDraw* m_directDraw = nullptr;
  LONG m_savedStyle = 0;
  HMENU m_savedMenu = nullptr;
  HWND m_window = nullptr;
  HDC m_memoryDC = nullptr;
  HBITMAP m_dibSection = nullptr;
  CTSGDIRenderTarget* m_backBuffer = nullptr;  // one use held
  CTSRenderTarget* m_renderTarget = nullptr;   // the current target, no use held
  CTSGDIRenderTarget* m_drawTarget = nullptr;  // the current target when it is a software one
};
