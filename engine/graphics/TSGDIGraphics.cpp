#include "engine/graphics/TSGDIGraphics.h"

#include <new>

#include "engine/graphics/TSGraphicsManager.h"
#include "engine/graphics/TSWindowSizing.h"
#include "engine/graphics/software/TSBlitRect.h"
#include "engine/graphics/software/TSPixelPipeline.h"

CTSGraphics* CreateGDIGraphics(DWORD argument) {
  (void)argument;
  return new (std::nothrow) CTSGDIGraphics;
}

CTSGDIGraphics::CTSGDIGraphics() : m_ddrawModule(LoadLibraryA("ddraw.dll")) {}

CTSGDIGraphics::~CTSGDIGraphics() {
  DestroyDevice();
  if (m_ddrawModule != nullptr) FreeLibrary(m_ddrawModule);
}

void CTSGDIGraphics::DrawSprite(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcWidth,
                                INT srcHeight, BlendMode blendMode, FlipFlags flipFlags, CTSColor color) {
  if (m_drawTarget != nullptr)
    m_drawTarget->DrawSprite(texture, x, y, srcX, srcY, srcWidth, srcHeight, blendMode, flipFlags, color);
}

void CTSGDIGraphics::Blt(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcWidth, INT srcHeight) {
  if (m_drawTarget != nullptr) m_drawTarget->Blt(texture, x, y, srcX, srcY, srcWidth, srcHeight);
}

void CTSGDIGraphics::BltWhole(CTSTexture* texture, INT x, INT y) {
  if (texture != nullptr && m_drawTarget != nullptr)
    m_drawTarget->Blt(texture, x, y, 0, 0, texture->GetWidth(), texture->GetHeight());
}

void CTSGDIGraphics::DrawSpriteTransformed(CTSTexture* texture, INT centerX, INT centerY, INT srcX, INT srcY,
                                           INT srcWidth, INT srcHeight, float scaleX, float scaleY, float angle,
                                           BlendMode blendMode, FlipFlags flipFlags, CTSColor color) {
  if (m_drawTarget != nullptr)
    m_drawTarget->DrawSpriteTransformed(texture, centerX, centerY, srcX, srcY, srcWidth, srcHeight, scaleX, scaleY,
                                        angle, blendMode, flipFlags, color);
}

void CTSGDIGraphics::DrawLine(INT x1, INT y1, INT x2, INT y2, const CTSColor& color) {
  if (m_drawTarget != nullptr && m_drawTarget->GetSurface() != nullptr)
    m_drawTarget->GetSurface()->DrawLine(x1, y1, x2, y2, color);
}

void CTSGDIGraphics::DrawCircle(INT centerX, INT centerY, INT radius, const CTSColor& color, bool filled) {
  if (m_drawTarget != nullptr && m_drawTarget->GetSurface() != nullptr)
    m_drawTarget->GetSurface()->DrawCircle(centerX, centerY, radius, color, filled);
}

void CTSGDIGraphics::DrawPoints(const TSPoint* points, INT count, const CTSColor& color) {
  if (m_drawTarget != nullptr && m_drawTarget->GetSurface() != nullptr)
    m_drawTarget->GetSurface()->DrawPoints(points, count, color);
}

void CTSGDIGraphics::DrawRect(INT x1, INT y1, INT x2, INT y2, const CTSColor& color, bool filled) {
  if (m_drawTarget != nullptr && m_drawTarget->GetSurface() != nullptr)
    m_drawTarget->GetSurface()->DrawRect(x1, y1, x2, y2, color, filled);
}

void CTSGDIGraphics::SetPixel(INT x, INT y, const CTSColor& color) {
  if (m_renderTarget != nullptr) m_renderTarget->SetPixel(x, y, color);
}

CTSColor CTSGDIGraphics::GetPixel(INT x, INT y) {
  return m_renderTarget != nullptr ? m_renderTarget->GetPixel(x, y) : CTSColor(0);
}

CTSTexture* CTSGDIGraphics::CreateTexture(INT width, INT height, INT format, INT filter) {
  if (!IsTextureFormatSupported(format)) return nullptr;
  auto* texture = new (std::nothrow) CTSGDITexture;
  if (texture == nullptr) return nullptr;
  if (!texture->Allocate(width, height, format, filter)) {
    texture->Release();
    return nullptr;
  }
  return texture;
}

bool CTSGDIGraphics::IsTextureFormatSupported(INT format) {
  return format == TEXTURE_FORMAT_X1R5G5B5_ALPHA8 || format == TEXTURE_FORMAT_X1R5G5B5;
}

void CTSGDIGraphics::DestroyDevice() {
  if (m_directDraw != nullptr) {
    if (m_fullScreen) m_directDraw->RestoreDisplayMode();
    m_directDraw->Release();
    m_directDraw = nullptr;
  }
  FreeBackBuffer();
  // The device holds no use of an off-screen target: it forgets it, and the
  // next Create draws into its new back buffer.
  SetRenderTarget(nullptr);
  m_window = nullptr;
  m_savedMenu = nullptr;
  m_savedStyle = 0;
}

void CTSGDIGraphics::Clear(CTSColor color) {
  if (m_drawTarget != nullptr) m_drawTarget->Clear(color);
}

bool CTSGDIGraphics::Create(HWND window, INT width, INT height, bool fullScreen, bool resizeWindow) {
  if (m_created) return true;
  if (window == nullptr) return false;
  DestroyDevice();
  if (!IsPixelPipelineSupported()) return false;
  if (m_ddrawModule != nullptr) {
    // The system headers name no type for the export.
    using CreateFunction = HRESULT(WINAPI*)(GUID* driver, LPDIRECTDRAW* directDraw, IUnknown* outer);
    auto create = reinterpret_cast<CreateFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(m_ddrawModule, "DirectDrawCreate")));
    if (create != nullptr && FAILED(create(nullptr, &m_directDraw, nullptr))) {
      m_directDraw = nullptr;
      return false;
    }
  }
  m_window = window;
  m_savedMenu = GetMenu(window);
  m_savedStyle = GetWindowLongA(window, GWL_STYLE);
  m_resizeWindow = resizeWindow;
  return SetDisplayMode(width, height, fullScreen);
}

bool CTSGDIGraphics::SetDisplayMode(INT width, INT height, bool fullScreen) {
  if (m_window == nullptr) return false;
  if (width == GetWidth() && height == GetHeight() && fullScreen == IsFullScreen() && m_created) return true;
  if (width % 2 != 0) ++width;

  if (fullScreen) {
    if (m_resizeWindow) ResizeWindowToClientArea(m_window, width, height);
    SetWindowLongA(m_window, GWL_STYLE, static_cast<LONG>(WS_POPUP));
    SetMenu(m_window, nullptr);
    if (m_directDraw != nullptr &&
        (FAILED(m_directDraw->SetCooperativeLevel(m_window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT)) ||
         FAILED(m_directDraw->SetDisplayMode(static_cast<DWORD>(width), static_cast<DWORD>(height), 16))))
      return false;
  } else {
    if (m_directDraw != nullptr) m_directDraw->RestoreDisplayMode();
    SetWindowLongA(m_window, GWL_STYLE, m_savedStyle);
    SetMenu(m_window, m_savedMenu);
    if (m_resizeWindow) ResizeWindowToClientArea(m_window, width, height);
  }

  if (width != m_width || height != m_height || m_backBuffer == nullptr) {
    FreeBackBuffer();
    if (!CreateBackBuffer(width, height)) return false;
  }
  m_fullScreen = fullScreen;
  m_created = true;
  m_backBuffer->SetClipRect(nullptr);
  return true;
}

void CTSGDIGraphics::FreeBackBuffer() {
  if (m_memoryDC != nullptr) DeleteDC(m_memoryDC);
  if (m_dibSection != nullptr) DeleteObject(m_dibSection);
  m_memoryDC = nullptr;
  m_dibSection = nullptr;
  if (m_backBuffer != nullptr) {
    if (m_backBuffer->GetSurface() != nullptr) m_backBuffer->GetSurface()->AttachPixels(nullptr);
    if (m_renderTarget == m_backBuffer) SetRenderTarget(nullptr);
    m_backBuffer->Release();
    m_backBuffer = nullptr;
  }
  m_width = 0;
  m_height = 0;
  m_fullScreen = false;
  m_created = false;
}

bool CTSGDIGraphics::CreateBackBuffer(INT width, INT height) {
  m_memoryDC = CreateCompatibleDC(nullptr);
  if (m_memoryDC == nullptr) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 16;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  m_dibSection = CreateDIBSection(m_memoryDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  auto* target = m_dibSection != nullptr ? new (std::nothrow) CTSGDIRenderTarget : nullptr;
  auto* surface = target != nullptr ? new (std::nothrow) CTSGDITexture : nullptr;
  if (surface == nullptr) {
    if (target != nullptr) target->Release();
    FreeBackBuffer();
    return false;
  }
  SelectObject(m_memoryDC, m_dibSection);
  m_width = width;
  m_height = height;
  surface->SetWidth(width);
  surface->SetHeight(height);
  surface->SetColorKey16(NO_COLOR_KEY);
  surface->AttachPixels(static_cast<Pixel555*>(bits));
  target->SetSurface(surface);
  target->SetWidth(width);
  target->SetHeight(height);
  m_backBuffer = target;
  if (m_renderTarget == nullptr) SetRenderTarget(target);
  return true;
}

void CTSGDIGraphics::Present(HWND window, const RECT* destRect, const RECT* srcRect) {
  if (window == nullptr) window = m_window;
  if (window == nullptr || m_backBuffer == nullptr || m_memoryDC == nullptr) return;
  HDC dc = GetDC(window);
  if (dc == nullptr) return;
  if (destRect == nullptr && srcRect == nullptr && window == m_window) {
    BitBlt(dc, 0, 0, m_backBuffer->GetWidth(), m_backBuffer->GetHeight(), m_memoryDC, 0, 0, SRCCOPY);
  } else {
    RECT client;
    GetClientRect(window, &client);
    RECT source;
    ClampRectToSurface(&source, srcRect, m_backBuffer->GetWidth(), m_backBuffer->GetHeight());
    RECT destination;
    IntersectRectClamped(&destination, destRect, client);
    StretchBlt(dc, destination.left, destination.top, destination.right - destination.left,
               destination.bottom - destination.top, m_memoryDC, source.left, source.top,
               source.right - source.left, source.bottom - source.top, SRCCOPY);
  }
  ReleaseDC(window, dc);
}

void CTSGDIGraphics::SetClipRect(const RECT* rect) {
  if (m_drawTarget != nullptr) m_drawTarget->SetClipRect(rect);
}

void CTSGDIGraphics::GetClipRect(RECT* rect) {
  if (rect == nullptr) return;
  if (m_drawTarget != nullptr)
    m_drawTarget->GetClipRect(rect);
  else
    *rect = RECT{0, 0, 0, 0};
}

void CTSGDIGraphics::SetRenderTarget(CTSRenderTarget* target) {
  m_renderTarget = target;
  void* software = nullptr;
  m_drawTarget = target != nullptr && target->QueryObject(TS_GUID_GDI_RENDER_TARGET, &software)
                     ? static_cast<CTSGDIRenderTarget*>(software)
                     : nullptr;
}

CTSRenderTarget* CTSGDIGraphics::CreateRenderTarget(INT width, INT height) {
  auto* surface = new (std::nothrow) CTSGDITexture;
  if (surface == nullptr) return nullptr;
  if (!surface->Allocate(width, height, TEXTURE_FORMAT_X1R5G5B5, 0)) {
    surface->Release();
    return nullptr;
  }
  surface->SetColorKey16(NO_COLOR_KEY);
  auto* target = new (std::nothrow) CTSGDIRenderTarget;
  if (target == nullptr) {
    surface->Release();
    return nullptr;
  }
  target->SetSurface(surface);
  target->SetWidth(width);
  target->SetHeight(height);
  return target;
}
