// The Direct3D 8 device: every sprite is one textured quad in screen
// coordinates, the blend modes are blend-factor settings, primitives are
// untextured, the viewport is the clip rectangle. Direct3D comes from
// "d3d8.dll", loaded when the device is constructed.
#pragma once

#include "engine/graphics/TSD3D8RenderTarget.h"
#include "engine/graphics/TSD3D8Texture.h"
#include "engine/graphics/TSGraphics.h"

class CTSD3D8Graphics : public CTSGraphics {
  TS_DECLARE_CLASS_IDENTITY(CTSGraphics, TS_GUID_D3D8_GRAPHICS)

 public:
  CTSD3D8Graphics();
  ~CTSD3D8Graphics() override;

  // Sprites draw from Direct3D 8 textures only; a texture of another kind
  // draws nothing. Mode 0 ignores the colour (white).
  void DrawSprite(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcWidth, INT srcHeight,
                  BlendMode blendMode, FlipFlags flipFlags, CTSColor color) override;
  void Blt(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcWidth, INT srcHeight) override;
  void BltWhole(CTSTexture* texture, INT x, INT y) override;
  // A positive angle turns the sprite counter-clockwise on the screen.
  void DrawSpriteTransformed(CTSTexture* texture, INT centerX, INT centerY, INT srcX, INT srcY, INT srcWidth,
                             INT srcHeight, float scaleX, float scaleY, float angle, BlendMode blendMode,
                             FlipFlags flipFlags, CTSColor color) override;
  // The primitives are drawn with mode 1 and clipped by the viewport.
  void DrawLine(INT x1, INT y1, INT x2, INT y2, const CTSColor& color) override;
  void DrawCircle(INT centerX, INT centerY, INT radius, const CTSColor& color, bool filled) override;
  void DrawPoints(const TSPoint* points, INT count, const CTSColor& color) override;
  void DrawRect(INT x1, INT y1, INT x2, INT y2, const CTSColor& color, bool filled) override;
  void SetPixel(INT x, INT y, const CTSColor& color) override;
  CTSColor GetPixel(INT x, INT y) override;
  // Formats 0 to 2; the surface is rounded up to a power of two and a square
  // where the device wants them.
  CTSTexture* CreateTexture(INT width, INT height, INT format, INT filter) override;
  bool IsTextureFormatSupported(INT format) override;
  void BeginScene() override;
  void EndScene() override;
  void DestroyDevice() override;
  // Resets a lost device first when Direct3D says it can be reset.
  void Clear(CTSColor color) override;
  // Width or height 0 takes the window's client size.
  bool Create(HWND window, INT width, INT height, bool fullScreen, bool resizeWindow) override;
  bool SetDisplayMode(INT width, INT height, bool fullScreen) override;
  INT GetWidth() override { return m_width; }
  INT GetHeight() override { return m_height; }
  bool IsCreated() override { return m_device != nullptr; }
  bool IsFullScreen() override { return m_fullScreen; }
  // An empty source or destination shows nothing.
  void Present(HWND window, const RECT* destRect, const RECT* srcRect) override;
  void SetClipRect(const RECT* rect) override;
  void GetClipRect(RECT* rect) override;
  // The target of SetPixel and GetPixel; drawing always goes to the back buffer.
  CTSRenderTarget* GetRenderTarget() override { return m_renderTarget; }
  void SetRenderTarget(CTSRenderTarget* target) override { m_renderTarget = target; }
  CTSRenderTarget* CreateRenderTarget(INT width, INT height) override;
  // The window given to Create.
  virtual HWND GetWindow() { return m_window; }

 private:
  bool ResetDevice(D3DPRESENT_PARAMETERS params);
  void ApplyDefaultStates();
  // One textured quad: corners in strip order, the source rectangle `s` of the texture.
  void DrawQuad(CTSD3D8Texture* source, const float x[4], const float y[4], const RECT& s, BlendMode blendMode,
                FlipFlags flipFlags, D3DCOLOR diffuse);
  // The three state caches: each sets Direct3D state only when the value changes.
  void SetBlendMode(INT mode);
  void SetFilter(INT filter);
  void SetTexture(CTSD3D8Texture* texture);
  bool IsClipEmpty() const {
    return m_clipRect.right <= m_clipRect.left || m_clipRect.bottom <= m_clipRect.top;
  }

  HMODULE m_d3dModule = nullptr;
  HWND m_window = nullptr;
  HMENU m_savedMenu = nullptr;
  LONG m_savedStyle = 0;
  D3DPRESENT_PARAMETERS m_presentParams{};
  INT m_currentBlendMode = -1;
  INT m_currentFilter = -1;
  INT m_width = 0;
  INT m_height = 0;
  bool m_fullScreen = false;
  bool m_pow2Textures = false;
  bool m_squareTextures = false;
  bool m_resizeWindow = true;
  RECT m_clipRect{0, 0, 0, 0};
  IDirect3D8* m_direct3D = nullptr;
  IDirect3DDevice8* m_device = nullptr;
  IDirect3DTexture8* m_currentTexture = nullptr;  // the bound texture, no reference held
  CTSD3D8RenderTarget* m_backBuffer = nullptr;    // one use held
  CTSRenderTarget* m_renderTarget = nullptr;      // the current target, no use held
};
