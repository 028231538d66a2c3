#include "engine/graphics/TSD3D8Graphics.h"

#include <cmath>
#include <cstdint>
#include <new>
#include <utility>

#include "engine/graphics/TSGraphicsManager.h"
#include "engine/graphics/TSWindowSizing.h"
#include "engine/graphics/software/TSBlitRect.h"

CTSGraphics* CreateD3D8Graphics(DWORD argument) {
  (void)argument;
  return new (std::nothrow) CTSD3D8Graphics;
}

namespace {

// Pre-transformed vertices: screen coordinates, z 0, rhw 1.
struct SpriteVertex {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};
static_assert(sizeof(SpriteVertex) == 28, "a sprite vertex is 28 bytes");
constexpr DWORD kSpriteFVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct PrimitiveVertex {
  float x, y, z, rhw;
  D3DCOLOR color;
};
static_assert(sizeof(PrimitiveVertex) == 20, "a primitive vertex is 20 bytes");
constexpr DWORD kPrimitiveFVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

// The most vertices one primitive draw takes from the stack.
constexpr INT kVertexBatch = 1024;

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kRadiansPerDegree = 0.017453292f;

// Direct3D puts pixel centres on whole coordinates: a point or a line's end
// on x names the pixel x, and an area covering pixels x..x+w-1 spans
// x-0.5..x+w-0.5.
constexpr float kHalfPixel = 0.5f;

PrimitiveVertex Vertex(float x, float y, const CTSColor& color) {
  return {x, y, 0.0f, 1.0f, color.GetARGB()};
}

// A corner of a filled area at pixel-edge position (x, y).
PrimitiveVertex AreaVertex(float x, float y, const CTSColor& color) {
  return Vertex(x - kHalfPixel, y - kHalfPixel, color);
}

// Angle step of a circle's vertices, in degrees: finer for larger circles.
INT CircleStep(INT radius) {
  if (radius < 3) return 90;
  if (radius < 6) return 45;
  if (radius < 21) return 20;
  if (radius < 51) return 15;
  if (radius <= 200) return 9;
  if (radius <= 500) return 5;
  return 2;
}

// The texture coordinates of source rectangle s on a surface of sw x sh,
// mirrored by the flags, put on the four corners of a strip (top left, top
// right, bottom left, bottom right).
void SetTextureCoordinates(SpriteVertex* corners, const RECT& s, INT sw, INT sh, FlipFlags flip) {
  float left = float(s.left) / float(sw);
  float right = left + float(s.right - s.left) / float(sw);
  float top = float(s.top) / float(sh);
  float bottom = top + float(s.bottom - s.top) / float(sh);
  if ((flip & FLIP_HORIZONTAL) != 0) std::swap(left, right);
  if ((flip & FLIP_VERTICAL) != 0) std::swap(top, bottom);
  corners[0].u = corners[2].u = left;
  corners[1].u = corners[3].u = right;
  corners[0].v = corners[1].v = top;
  corners[2].v = corners[3].v = bottom;
}

CTSD3D8Texture* AsD3D8Texture(CTSTexture* texture) {
  void* found = nullptr;
  if (texture == nullptr || !texture->QueryObject(TS_GUID_D3D8_TEXTURE, &found)) return nullptr;
  auto* d3dTexture = static_cast<CTSD3D8Texture*>(found);
  return d3dTexture->GetSurfaceWidth() > 0 && d3dTexture->GetSurfaceHeight() > 0 ? d3dTexture : nullptr;
}

bool IsEmpty(const RECT* r) { return r != nullptr && (r->right <= r->left || r->bottom <= r->top); }

}  // namespace

CTSD3D8Graphics::CTSD3D8Graphics() : m_d3dModule(LoadLibraryA("d3d8.dll")) {}

CTSD3D8Graphics::~CTSD3D8Graphics() {
  DestroyDevice();
  if (m_d3dModule != nullptr) FreeLibrary(m_d3dModule);
}

void CTSD3D8Graphics::SetBlendMode(INT mode) {
  if (mode == m_currentBlendMode) return;
  m_currentBlendMode = mode;
  if (m_device == nullptr || mode < 0 || mode > 3) return;
  static constexpr D3DBLEND kDestination[] = {D3DBLEND_ZERO, D3DBLEND_INVSRCALPHA, D3DBLEND_ONE,
                                              D3DBLEND_ONE};
  m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  m_device->SetRenderState(D3DRS_DESTBLEND, kDestination[mode]);
  m_device->SetRenderState(D3DRS_BLENDOP, mode == 3 ? D3DBLENDOP_REVSUBTRACT : D3DBLENDOP_ADD);
}

void CTSD3D8Graphics::SetFilter(INT filter) {
  if (filter == m_currentFilter) return;
  m_currentFilter = filter;
  if (m_device == nullptr || (filter != 0 && filter != 1)) return;
  const DWORD type = filter == 0 ? D3DTEXF_POINT : D3DTEXF_LINEAR;
  m_device->SetTextureStageState(0, D3DTSS_MINFILTER, type);
  m_device->SetTextureStageState(0, D3DTSS_MAGFILTER, type);
}

void CTSD3D8Graphics::SetTexture(CTSD3D8Texture* texture) {
  // Compared by the Direct3D texture: an engine texture given up and another
  // made at its address must not pass for the one bound. The bound Direct3D
  // texture itself cannot go away (Direct3D holds a reference while bound).
  IDirect3DTexture8* d3dTexture = texture != nullptr ? texture->GetD3DTexture() : nullptr;
  if (d3dTexture == m_currentTexture) return;
  m_currentTexture = d3dTexture;
  if (m_device != nullptr) m_device->SetTexture(0, d3dTexture);
}

void CTSD3D8Graphics::ApplyDefaultStates() {
  static constexpr std::pair<D3DRENDERSTATETYPE, DWORD> kRenderStates[] = {
      {D3DRS_LIGHTING, FALSE},
      {D3DRS_ZENABLE, FALSE},
      {D3DRS_ALPHABLENDENABLE, TRUE},
      {D3DRS_ALPHATESTENABLE, FALSE},
      {D3DRS_ZWRITEENABLE, FALSE},
      {D3DRS_LASTPIXEL, FALSE},
      {D3DRS_FILLMODE, D3DFILL_SOLID},
      {D3DRS_CULLMODE, D3DCULL_NONE},
      {D3DRS_STENCILENABLE, FALSE},
      {D3DRS_COLORVERTEX, FALSE},
      {D3DRS_LOCALVIEWER, FALSE},
      {D3DRS_CLIPPING, TRUE},
      {D3DRS_CLIPPLANEENABLE, 0},
      {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
      {D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE},
      {D3DRS_FOGENABLE, FALSE},
      {D3DRS_AMBIENT, 0},
      {D3DRS_DITHERENABLE, FALSE},
      {D3DRS_DEBUGMONITORTOKEN, D3DDMT_DISABLE},
  };
  static constexpr std::pair<D3DTEXTURESTAGESTATETYPE, DWORD> kStageStates[] = {
      {D3DTSS_COLOROP, D3DTOP_MODULATE},  {D3DTSS_COLORARG1, D3DTA_TEXTURE},
      {D3DTSS_COLORARG2, D3DTA_DIFFUSE},  {D3DTSS_ALPHAOP, D3DTOP_MODULATE},
      {D3DTSS_ALPHAARG1, D3DTA_TEXTURE},  {D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
      {D3DTSS_TEXCOORDINDEX, 0},          {D3DTSS_MINFILTER, D3DTEXF_LINEAR},
      {D3DTSS_MAGFILTER, D3DTEXF_LINEAR}, {D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE},
  };
  for (const auto& [state, value] : kRenderStates) m_device->SetRenderState(state, value);
  for (const auto& [state, value] : kStageStates) m_device->SetTextureStageState(0, state, value);
}

void CTSD3D8Graphics::DrawSprite(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcWidth,
                                 INT srcHeight, BlendMode blendMode, FlipFlags flipFlags, CTSColor color) {
  CTSD3D8Texture* source = AsD3D8Texture(texture);
  if (source == nullptr || m_device == nullptr) return;
  if (blendMode == BLEND_NORMAL) color = CTSColor(0xFFFFFFFF);
  const RECT bounds = {0, 0, source->GetWidth(), source->GetHeight()};
  RECT s;
  RECT d;
  if (!ClipBlitRects(m_clipRect, bounds, x, y, srcX, srcY, srcWidth, srcHeight, &s, &d)) return;
  if (s.right - s.left < 1 || s.bottom - s.top < 1) return;
  const float cornersX[4] = {float(d.left), float(d.right), float(d.left), float(d.right)};
  const float cornersY[4] = {float(d.top), float(d.top), float(d.bottom), float(d.bottom)};
  DrawQuad(source, cornersX, cornersY, s, blendMode, flipFlags, color.GetARGB());
}

void CTSD3D8Graphics::DrawQuad(CTSD3D8Texture* source, const float x[4], const float y[4], const RECT& s,
                               BlendMode blendMode, FlipFlags flipFlags, D3DCOLOR diffuse) {
  SpriteVertex corners[4];
  for (int i = 0; i < 4; ++i)
    corners[i] = {x[i] - kHalfPixel, y[i] - kHalfPixel, 0.0f, 1.0f, diffuse, 0.0f, 0.0f};
  SetTextureCoordinates(corners, s, source->GetSurfaceWidth(), source->GetSurfaceHeight(), flipFlags);
  SetTexture(source);
  SetBlendMode(INT(blendMode));
  SetFilter(source->GetFilter());
  m_device->SetVertexShader(kSpriteFVF);
  m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, corners, sizeof(SpriteVertex));
}

void CTSD3D8Graphics::Blt(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcWidth,
                          INT srcHeight) {
  if (texture != nullptr)
    DrawSprite(texture, x, y, srcX, srcY, srcWidth, srcHeight, BLEND_ALPHA, FLIP_NONE, CTSColor(0xFFFFFFFF));
}

void CTSD3D8Graphics::BltWhole(CTSTexture* texture, INT x, INT y) {
  if (texture != nullptr)
    DrawSprite(texture, x, y, 0, 0, texture->GetWidth(), texture->GetHeight(), BLEND_ALPHA, FLIP_NONE,
               CTSColor(0xFFFFFFFF));
}

void CTSD3D8Graphics::DrawSpriteTransformed(CTSTexture* texture, INT centerX, INT centerY, INT srcX, INT srcY,
                                            INT srcWidth, INT srcHeight, float scaleX, float scaleY,
                                            float angle, BlendMode blendMode, FlipFlags flipFlags,
                                            CTSColor color) {
  CTSD3D8Texture* source = AsD3D8Texture(texture);
  if (source == nullptr || m_device == nullptr || IsClipEmpty()) return;
  if (blendMode == BLEND_NORMAL) color = CTSColor(0xFFFFFFFF);
  const RECT bounds = {0, 0, source->GetWidth(), source->GetHeight()};
  const RECT wanted = {srcX, srcY, LONG(int64_t(srcX) + srcWidth), LONG(int64_t(srcY) + srcHeight)};
  RECT s;
  IntersectRectClamped(&s, &wanted, bounds);
  if (s.right - s.left < 1 || s.bottom - s.top < 1) return;
  const float width = float(s.right - s.left) * scaleX;
  const float height = float(s.bottom - s.top) * scaleY;
  const float halfWidth = width * 0.5f;
  const float halfHeight = height * 0.5f;
  const float cx = float(centerX);
  const float cy = float(centerY);
  float x[4];
  float y[4];
  if (angle == 0.0f) {
    x[0] = x[2] = cx - halfWidth;
    x[1] = x[3] = cx + width - halfWidth;
    y[0] = y[1] = cy - halfHeight;
    y[2] = y[3] = cy + height - halfHeight;
  } else {
    // The corners lie on the circle through them, at ±a from the horizontal
    // on either side, turned by the angle (y grows downwards).
    const float radius = std::sqrt(halfHeight * halfHeight + halfWidth * halfWidth);
    if (!(radius > 0.0f) || !std::isfinite(radius) || !std::isfinite(angle)) return;
    const float a = std::asin(std::fabs(halfHeight / radius));
    const float theta[4] = {kPi - a + angle, a + angle, a + angle + kPi, kTwoPi - a + angle};
    for (int i = 0; i < 4; ++i) {
      x[i] = cx + radius * std::cos(theta[i]);
      y[i] = cy - radius * std::sin(theta[i]);
    }
  }
  DrawQuad(source, x, y, s, blendMode, flipFlags, color.GetARGB());
}

void CTSD3D8Graphics::DrawLine(INT x1, INT y1, INT x2, INT y2, const CTSColor& color) {
  if (m_device == nullptr || IsClipEmpty()) return;
  const PrimitiveVertex line[2] = {Vertex(float(x1), float(y1), color), Vertex(float(x2), float(y2), color)};
  SetTexture(nullptr);
  SetBlendMode(BLEND_ALPHA);
  m_device->SetVertexShader(kPrimitiveFVF);
  m_device->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(PrimitiveVertex));
}

void CTSD3D8Graphics::DrawRect(INT x1, INT y1, INT x2, INT y2, const CTSColor& color, bool filled) {
  if (m_device == nullptr || IsClipEmpty()) return;
  const float left = float(x1), top = float(y1), right = float(x2), bottom = float(y2);
  SetTexture(nullptr);
  SetBlendMode(BLEND_ALPHA);
  m_device->SetVertexShader(kPrimitiveFVF);
  if (filled) {
    const PrimitiveVertex strip[4] = {AreaVertex(left, top, color), AreaVertex(right, top, color),
                                      AreaVertex(left, bottom, color), AreaVertex(right, bottom, color)};
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(PrimitiveVertex));
  } else {
    const PrimitiveVertex outline[5] = {Vertex(left, top, color), Vertex(right, top, color),
                                        Vertex(right, bottom, color), Vertex(left, bottom, color),
                                        Vertex(left, top, color)};
    m_device->DrawPrimitiveUP(D3DPT_LINESTRIP, 4, outline, sizeof(PrimitiveVertex));
  }
}

void CTSD3D8Graphics::DrawCircle(INT centerX, INT centerY, INT radius, const CTSColor& color, bool filled) {
  if (m_device == nullptr || IsClipEmpty()) return;
  PrimitiveVertex vertices[kVertexBatch];
  const INT step = CircleStep(radius);
  const float cx = float(centerX), cy = float(centerY), r = float(radius);
  INT count = 0;
  for (INT degrees = 0; degrees < 360; degrees += step) {
    const float angle = float(degrees) * kRadiansPerDegree;
    const float x = cx + r * std::cos(angle), y = cy + r * std::sin(angle);
    // A fan's corners are area edges; an outline's are the pixels they fall
    // in, whole so that every rasteriser starts and ends on the same pixels.
    vertices[count++] = filled ? AreaVertex(x, y, color) : Vertex(std::floor(x), std::floor(y), color);
  }
  vertices[count] = vertices[0];
  SetTexture(nullptr);
  SetBlendMode(BLEND_ALPHA);
  m_device->SetVertexShader(kPrimitiveFVF);
  if (filled)
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, UINT(count - 2), vertices, sizeof(PrimitiveVertex));
  else
    m_device->DrawPrimitiveUP(D3DPT_LINESTRIP, UINT(count), vertices, sizeof(PrimitiveVertex));
}

void CTSD3D8Graphics::DrawPoints(const TSPoint* points, INT count, const CTSColor& color) {
  if (points == nullptr || count < 1 || m_device == nullptr || IsClipEmpty()) return;
  PrimitiveVertex vertices[kVertexBatch];
  SetTexture(nullptr);
  SetBlendMode(BLEND_ALPHA);
  m_device->SetVertexShader(kPrimitiveFVF);
  for (INT first = 0; first < count; first += kVertexBatch) {
    const INT batch = count - first < kVertexBatch ? count - first : kVertexBatch;
    for (INT i = 0; i < batch; ++i)
      vertices[i] = Vertex(float(points[first + i].x), float(points[first + i].y), color);
    m_device->DrawPrimitiveUP(D3DPT_POINTLIST, UINT(batch), vertices, sizeof(PrimitiveVertex));
  }
}

void CTSD3D8Graphics::SetPixel(INT x, INT y, const CTSColor& color) {
  if (m_renderTarget != nullptr) m_renderTarget->SetPixel(x, y, color);
}

CTSColor CTSD3D8Graphics::GetPixel(INT x, INT y) {
  return m_renderTarget != nullptr ? m_renderTarget->GetPixel(x, y) : CTSColor(0);
}

CTSTexture* CTSD3D8Graphics::CreateTexture(INT width, INT height, INT format, INT filter) {
  // Sizes past 2^30 could not be rounded up to a power of two.
  constexpr INT kLargest = 1 << 30;
  if (m_device == nullptr || width < 1 || height < 1 || width > kLargest || height > kLargest) return nullptr;
  UINT surfaceWidth = UINT(width);
  UINT surfaceHeight = UINT(height);
  if (m_pow2Textures) {
    surfaceWidth = 1;
    while (surfaceWidth < UINT(width)) surfaceWidth <<= 1;
    surfaceHeight = 1;
    while (surfaceHeight < UINT(height)) surfaceHeight <<= 1;
  }
  if (m_squareTextures)
    surfaceWidth = surfaceHeight = surfaceWidth > surfaceHeight ? surfaceWidth : surfaceHeight;
  IDirect3DTexture8* made = nullptr;
  if (FAILED(m_device->CreateTexture(surfaceWidth, surfaceHeight, 1, 0, TextureFormatToD3D(format),
                                     D3DPOOL_MANAGED, &made)) ||
      made == nullptr)
    return nullptr;
  D3DSURFACE_DESC desc{};
  auto* texture = new (std::nothrow) CTSD3D8Texture;
  if (texture == nullptr || FAILED(made->GetLevelDesc(0, &desc)) || INT(desc.Width) < width ||
      INT(desc.Height) < height) {
    made->Release();
    if (texture != nullptr) texture->Release();
    return nullptr;
  }
  texture->SetD3DTexture(made);
  texture->SetWidth(width);
  texture->SetHeight(height);
  texture->SetSurfaceSize(INT(desc.Width), INT(desc.Height));
  texture->SetFormat(format);
  texture->SetFilter(filter);
  return texture;
}

bool CTSD3D8Graphics::IsTextureFormatSupported(INT format) {
  D3DDISPLAYMODE mode;
  if (m_direct3D == nullptr || FAILED(m_direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)))
    return false;
  return SUCCEEDED(m_direct3D->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format, 0,
                                                 D3DRTYPE_TEXTURE, TextureFormatToD3D(format)));
}

void CTSD3D8Graphics::BeginScene() {
  if (m_device != nullptr) m_device->BeginScene();
}

void CTSD3D8Graphics::EndScene() {
  if (m_device == nullptr) return;
  SetTexture(nullptr);
  m_device->EndScene();
}

void CTSD3D8Graphics::DestroyDevice() {
  if (m_backBuffer != nullptr) m_backBuffer->Release();
  if (m_device != nullptr) m_device->Release();
  if (m_direct3D != nullptr) m_direct3D->Release();
  m_backBuffer = nullptr;
  m_renderTarget = nullptr;
  m_device = nullptr;
  m_direct3D = nullptr;
  m_presentParams = D3DPRESENT_PARAMETERS{};
  m_pow2Textures = false;
  m_squareTextures = false;
  m_window = nullptr;
  m_currentTexture = nullptr;
  m_savedMenu = nullptr;
  m_savedStyle = 0;
  m_width = 0;
  m_height = 0;
  m_fullScreen = false;
  m_clipRect = RECT{0, 0, 0, 0};
  m_currentBlendMode = -1;
  m_currentFilter = -1;
}

void CTSD3D8Graphics::Clear(CTSColor color) {
  if (m_device == nullptr) return;
  if (m_device->TestCooperativeLevel() == D3DERR_DEVICENOTRESET && !ResetDevice(m_presentParams)) return;
  if (IsClipEmpty()) return;
  const D3DRECT rect = {m_clipRect.left, m_clipRect.top, m_clipRect.right, m_clipRect.bottom};
  m_device->Clear(1, &rect, D3DCLEAR_TARGET, color.GetARGB(), 1.0f, 0);
}

bool CTSD3D8Graphics::Create(HWND window, INT width, INT height, bool fullScreen, bool resizeWindow) {
  if (m_d3dModule == nullptr) return false;
  if (m_direct3D != nullptr) return true;
  if (window == nullptr || width < 0 || height < 0) return false;
  // The system headers name no type for the export.
  using CreateFunction = IDirect3D8*(WINAPI*)(UINT sdkVersion);
  auto create = reinterpret_cast<CreateFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(m_d3dModule, "Direct3DCreate8")));
  if (create == nullptr || (m_direct3D = create(D3D_SDK_VERSION)) == nullptr) return false;
  D3DDISPLAYMODE mode;
  if (FAILED(m_direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) {
    DestroyDevice();
    return false;
  }
  m_resizeWindow = resizeWindow;
  m_savedMenu = GetMenu(window);
  m_savedStyle = GetWindowLongA(window, GWL_STYLE);
  if (width == 0 || height == 0) {
    RECT client;
    if (!GetClientRect(window, &client)) {
      DestroyDevice();
      return false;
    }
    width = client.right - client.left;
    height = client.bottom - client.top;
  }
  if (resizeWindow) ResizeWindowToClientArea(window, width, height);
  if (fullScreen) {
    SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(WS_POPUP));
    SetMenu(window, nullptr);
  }

  D3DPRESENT_PARAMETERS params{};
  params.BackBufferWidth = UINT(width);
  params.BackBufferHeight = UINT(height);
  params.BackBufferFormat = mode.Format;
  params.BackBufferCount = 1;
  params.SwapEffect = D3DSWAPEFFECT_COPY;
  params.hDeviceWindow = window;
  params.Windowed = fullScreen ? FALSE : TRUE;
  params.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
  params.FullScreen_RefreshRateInHz = fullScreen ? mode.RefreshRate : 0;
  m_presentParams = params;

  D3DCAPS8 caps{};
  IDirect3DSurface8* surface = nullptr;
  if (FAILED(m_direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                      D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &m_device)))
    m_device = nullptr;
  if (m_device == nullptr || FAILED(m_device->GetDeviceCaps(&caps)) ||
      FAILED(m_device->GetRenderTarget(&surface)) || surface == nullptr) {
    DestroyDevice();
    return false;
  }
  m_pow2Textures = (caps.TextureCaps & D3DPTEXTURECAPS_POW2) != 0;
  m_squareTextures = (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) != 0;
  m_backBuffer = new (std::nothrow) CTSD3D8RenderTarget;
  if (m_backBuffer == nullptr) {
    surface->Release();
    DestroyDevice();
    return false;
  }
  m_window = window;
  m_width = width;
  m_height = height;
  m_fullScreen = fullScreen;
  m_backBuffer->SetSurface(surface);
  m_backBuffer->SetWidth(width);
  m_backBuffer->SetHeight(height);
  m_renderTarget = m_backBuffer;

  SetClipRect(nullptr);
  ApplyDefaultStates();
  SetTexture(nullptr);
  SetBlendMode(-1);
  SetFilter(-1);
  Clear(CTSColor(0));
  return true;
}

bool CTSD3D8Graphics::ResetDevice(D3DPRESENT_PARAMETERS params) {
  if (m_device == nullptr || m_backBuffer == nullptr) return false;
  INT width = INT(params.BackBufferWidth);
  INT height = INT(params.BackBufferHeight);
  if (params.Windowed && (width == 0 || height == 0)) {
    // A windowed back buffer of no size takes the client area, not the outer
    // rectangle: sizing the window to the outer size would grow it each reset.
    RECT client;
    if (!GetClientRect(m_window, &client)) return false;
    width = client.right;
    height = client.bottom;
  } else if (!params.Windowed) {
    SetWindowLongA(m_window, GWL_STYLE, static_cast<LONG>(WS_POPUP));
    SetMenu(m_window, nullptr);
  }
  // The back buffer may have no outstanding reference while Direct3D resets.
  if (IDirect3DSurface8* old = m_backBuffer->GetSurface()) {
    old->Release();
    m_backBuffer->SetSurface(nullptr);
  }
  if (FAILED(m_device->Reset(&params))) return false;
  m_width = width;
  m_height = height;
  m_presentParams = params;
  m_fullScreen = !params.Windowed;
  IDirect3DSurface8* surface = nullptr;
  if (FAILED(m_device->GetRenderTarget(&surface)) || surface == nullptr) return false;
  m_backBuffer->SetSurface(surface);
  // Pixel access goes by the recorded size: it follows the new back buffer.
  m_backBuffer->SetWidth(width);
  m_backBuffer->SetHeight(height);
  if (params.Windowed) {
    SetWindowLongA(m_window, GWL_STYLE, m_savedStyle & ~static_cast<LONG>(WS_POPUP));
    SetMenu(m_window, m_savedMenu);
    ResizeWindowToClientArea(m_window, width, height);
  }
  SetClipRect(nullptr);
  ApplyDefaultStates();
  SetTexture(nullptr);
  SetBlendMode(-1);
  SetFilter(-1);
  return true;
}

bool CTSD3D8Graphics::SetDisplayMode(INT width, INT height, bool fullScreen) {
  if (m_device == nullptr || width < 0 || height < 0) return false;
  D3DPRESENT_PARAMETERS params = m_presentParams;
  params.BackBufferWidth = UINT(width);
  params.BackBufferHeight = UINT(height);
  params.Windowed = fullScreen ? FALSE : TRUE;
  return ResetDevice(params);
}

void CTSD3D8Graphics::Present(HWND window, const RECT* destRect, const RECT* srcRect) {
  if (m_device == nullptr || IsEmpty(destRect) || IsEmpty(srcRect)) return;
  m_device->Present(srcRect, destRect, window, nullptr);
}

void CTSD3D8Graphics::SetClipRect(const RECT* rect) {
  ClampRectToSurface(&m_clipRect, rect, m_width, m_height);
  if (m_device == nullptr || IsClipEmpty()) return;
  const D3DVIEWPORT8 viewport = {DWORD(m_clipRect.left),
                                 DWORD(m_clipRect.top),
                                 DWORD(m_clipRect.right - m_clipRect.left),
                                 DWORD(m_clipRect.bottom - m_clipRect.top),
                                 0.0f,
                                 1.0f};
  m_device->SetViewport(&viewport);
}

void CTSD3D8Graphics::GetClipRect(RECT* rect) {
  if (rect != nullptr) *rect = m_clipRect;
}

CTSRenderTarget* CTSD3D8Graphics::CreateRenderTarget(INT width, INT height) {
  if (m_device == nullptr || width < 1 || height < 1) return nullptr;
  IDirect3DSurface8* backBuffer = nullptr;
  if (FAILED(m_device->GetRenderTarget(&backBuffer)) || backBuffer == nullptr) return nullptr;
  D3DSURFACE_DESC desc{};
  const bool described = SUCCEEDED(backBuffer->GetDesc(&desc));
  backBuffer->Release();
  IDirect3DSurface8* surface = nullptr;
  if (!described ||
      FAILED(m_device->CreateRenderTarget(UINT(width), UINT(height), desc.Format, D3DMULTISAMPLE_NONE, TRUE,
                                          &surface)) ||
      surface == nullptr)
    return nullptr;
  auto* target = new (std::nothrow) CTSD3D8RenderTarget;
  if (target == nullptr) {
    surface->Release();
    return nullptr;
  }
  target->SetSurface(surface);
  target->SetWidth(width);
  target->SetHeight(height);
  return target;
}
