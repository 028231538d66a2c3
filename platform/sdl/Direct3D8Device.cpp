// The Direct3D 8 device over an SDL renderer with the OpenGL driver. Every
// draw goes to the back buffer, a target texture; Present copies it to the
// window.
#include "platform/sdl/Direct3D8Device.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#include "platform/sdl/WindowImpl.h"

namespace Platform::Direct3D {
namespace {

constexpr DWORD kSpriteVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kColouredVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
constexpr UINT kMaxPrimitiveCount = 0xFFFF;
// Buffers are first sized for 1024 vertices; bigger draws grow them once.
constexpr size_t kInitialVertexCapacity = 1024;

int FindOpenGlDriver() {
  for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
    SDL_RendererInfo info;
    if (SDL_GetRenderDriverInfo(i, &info) == 0 && std::strcmp(info.name, "opengl") == 0) return i;
  }
  return -1;
}

SDL_BlendFactor BlendFactor(DWORD value, SDL_BlendFactor fallback) {
  switch (value) {
    case D3DBLEND_ZERO:
      return SDL_BLENDFACTOR_ZERO;
    case D3DBLEND_ONE:
      return SDL_BLENDFACTOR_ONE;
    case D3DBLEND_SRCCOLOR:
      return SDL_BLENDFACTOR_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
      return SDL_BLENDFACTOR_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
      return SDL_BLENDFACTOR_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
      return SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
      return SDL_BLENDFACTOR_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
      return SDL_BLENDFACTOR_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
      return SDL_BLENDFACTOR_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
      return SDL_BLENDFACTOR_ONE_MINUS_DST_COLOR;
    default:
      return fallback;
  }
}

SDL_BlendOperation BlendOperation(DWORD value) {
  switch (value) {
    case D3DBLENDOP_SUBTRACT:
      return SDL_BLENDOPERATION_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
      return SDL_BLENDOPERATION_REV_SUBTRACT;
    case D3DBLENDOP_MIN:
      return SDL_BLENDOPERATION_MINIMUM;
    case D3DBLENDOP_MAX:
      return SDL_BLENDOPERATION_MAXIMUM;
    default:
      return SDL_BLENDOPERATION_ADD;
  }
}

SDL_Color ToSdlColor(D3DCOLOR color) {
  return SDL_Color{static_cast<Uint8>(color >> 16), static_cast<Uint8>(color >> 8), static_cast<Uint8>(color),
                   static_cast<Uint8>(color >> 24)};
}

// A vertex of either format: position, diffuse colour, texture coordinates.
// Direct3D puts pixel centres on whole coordinates, SDL (OpenGL) half a pixel
// right and down of them: positions move by half a pixel.
SDL_Vertex ReadVertex(const uint8_t* data, bool textured) {
  float position[2];
  D3DCOLOR color;
  std::memcpy(position, data, sizeof position);
  std::memcpy(&color, data + 16, sizeof color);
  SDL_Vertex vertex{{position[0] + 0.5f, position[1] + 0.5f}, ToSdlColor(color), {0.0f, 0.0f}};
  if (textured) std::memcpy(&vertex.tex_coord, data + 20, sizeof vertex.tex_coord);
  return vertex;
}

// Narrows the steps [first, last] of a line to those whose coordinate on one
// axis, start + round(delta * step / steps), can fall in [low, high).
void ClipSteps(double start, double delta, double steps, int low, int high, double& first, double& last) {
  if (delta == 0) {
    if (start < low || start >= high) last = first - 1;
    return;
  }
  double a = (low - start - 1) * steps / delta;
  double b = (high - start + 1) * steps / delta;
  if (a > b) std::swap(a, b);
  first = std::max(first, std::floor(a));
  last = std::min(last, std::ceil(b));
}

}  // namespace

Device::Device(IDirect3D8& direct3D, HWND window, SDL_Window* sdlWindow)
    : m_direct3D(direct3D), m_window(window), m_sdlWindow(sdlWindow) {
  m_direct3D.AddRef();
}

Device::~Device() {
  if (m_backBuffer != nullptr) Surface::Destroy(m_backBuffer);
  if (m_renderer != nullptr) {
    if (!m_parameters.Windowed) SDL_SetWindowFullscreen(m_sdlWindow, 0);
    SDL_DestroyRenderer(m_renderer);
    if (Window* window = FindLiveWindow(m_window)) window->beforeDestroy = nullptr;
  }
  m_direct3D.Release();
}

HRESULT Device::Create(IDirect3D8& direct3D, HWND focusWindow, D3DPRESENT_PARAMETERS& parameters,
                       IDirect3DDevice8** device) {
  HWND handle = parameters.hDeviceWindow != nullptr ? parameters.hDeviceWindow : focusWindow;
  Window* window = FindLiveWindow(handle);
  if (window == nullptr) return D3DERR_INVALIDCALL;
  // SDL gives a window one renderer.
  if (SDL_GetRenderer(window->sdlWindow) != nullptr || window->beforeDestroy != nullptr)
    return D3DERR_NOTAVAILABLE;
  int driver = FindOpenGlDriver();
  // OpenGL, once loaded, stays for the process: reloading it for every
  // device is slow, and unloading it strands what the driver still holds.
  static const bool openGlLoaded = SDL_GL_LoadLibrary(nullptr) == 0;
  if (driver < 0 || !openGlLoaded) return D3DERR_NOTAVAILABLE;
  auto* created = new (std::nothrow) Device(direct3D, handle, window->sdlWindow);
  if (created == nullptr) return E_OUTOFMEMORY;
  created->m_renderer =
      SDL_CreateRenderer(window->sdlWindow, driver, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
  SDL_RendererInfo info;
  if (created->m_renderer == nullptr || SDL_GetRendererInfo(created->m_renderer, &info) != 0) {
    created->Release();
    return D3DERR_NOTAVAILABLE;
  }
  created->m_maxTextureSize = static_cast<UINT>(std::min(info.max_texture_width, info.max_texture_height));
  window->beforeDestroy = &Device::OnWindowDestroyed;
  window->beforeDestroyContext = created;
  created->m_vertices.reserve(kInitialVertexCapacity);
  created->m_indices.reserve(kInitialVertexCapacity * 3);
  created->m_parameters.Windowed = TRUE;
  HRESULT result = created->Configure(parameters);
  if (FAILED(result)) {
    created->Release();
    return result;
  }
  *device = created;
  return D3D_OK;
}

void Device::OnWindowDestroyed(void* context) {
  // SDL's renderer must go before its window; it takes its textures along.
  // Its target is dropped first: SDL would queue the switch while freeing the
  // textures, after discarding its command queue, and lose those commands.
  auto* device = static_cast<Device*>(context);
  if (device->m_backBuffer != nullptr) device->m_backBuffer->KeepPixels();
  SDL_SetRenderTarget(device->m_renderer, nullptr);
  SDL_DestroyRenderer(device->m_renderer);
  device->m_renderer = nullptr;
  device->m_front = nullptr;
}

ULONG Device::AddRef() { return ++m_uses; }

ULONG Device::Release() {
  if (m_uses == 0) return 0;
  if (--m_uses > 0) return m_uses;
  // The texture may be the last thing holding the device.
  Hold();
  if (m_texture != nullptr) std::exchange(m_texture, nullptr)->Release();
  Unhold();
  return 0;
}

void Device::Unhold() {
  if (--m_holds == 0 && m_uses == 0) delete this;
}

HRESULT Device::Configure(D3DPRESENT_PARAMETERS& parameters) {
  if (parameters.hDeviceWindow != nullptr && parameters.hDeviceWindow != m_window) return D3DERR_INVALIDCALL;
  if (parameters.MultiSampleType != D3DMULTISAMPLE_NONE || parameters.BackBufferCount > 1 ||
      parameters.BackBufferFormat != D3DFMT_X8R8G8B8)
    return D3DERR_INVALIDCALL;
  if (parameters.Windowed) {
    // A windowed back buffer of size 0 takes the client area's size.
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(m_sdlWindow, &width, &height);
    if (parameters.BackBufferWidth == 0) parameters.BackBufferWidth = static_cast<UINT>(width);
    if (parameters.BackBufferHeight == 0) parameters.BackBufferHeight = static_cast<UINT>(height);
  }
  UINT width = parameters.BackBufferWidth;
  UINT height = parameters.BackBufferHeight;
  if (width == 0 || height == 0 || width > m_maxTextureSize || height > m_maxTextureSize)
    return D3DERR_INVALIDCALL;

  if (!parameters.Windowed) {
    SDL_DisplayMode wanted{};
    wanted.w = static_cast<int>(width);
    wanted.h = static_cast<int>(height);
    SDL_DisplayMode closest;
    int display = SDL_GetWindowDisplayIndex(m_sdlWindow);
    if (display < 0 || SDL_GetClosestDisplayMode(display, &wanted, &closest) == nullptr ||
        SDL_SetWindowDisplayMode(m_sdlWindow, &closest) != 0 ||
        SDL_SetWindowFullscreen(m_sdlWindow, SDL_WINDOW_FULLSCREEN) != 0)
      return D3DERR_NOTAVAILABLE;
  } else if ((SDL_GetWindowFlags(m_sdlWindow) & SDL_WINDOW_FULLSCREEN) != 0) {
    SDL_SetWindowFullscreen(m_sdlWindow, 0);
  }

  if (m_backBuffer != nullptr) Surface::Destroy(std::exchange(m_backBuffer, nullptr));
  bool lockable = (parameters.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0;
  m_backBuffer = Surface::Create(*this, width, height, lockable, true);
  m_parameters = parameters;
  if (m_backBuffer == nullptr) return D3DERR_OUTOFVIDEOMEMORY;
  m_lost = false;
  ResetStates();
  if (!BindBackBuffer()) return D3DERR_NOTAVAILABLE;
  // The new back buffer starts black.
  SDL_SetRenderDrawBlendMode(m_renderer, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 0xFF);
  SDL_RenderFillRect(m_renderer, nullptr);
  return D3D_OK;
}

void Device::ResetStates() {
  std::fill(std::begin(m_renderStates), std::end(m_renderStates), 0);
  m_renderStates[D3DRS_FILLMODE] = D3DFILL_SOLID;
  m_renderStates[D3DRS_SHADEMODE] = 2;  // Gouraud
  m_renderStates[D3DRS_ZWRITEENABLE] = TRUE;
  m_renderStates[D3DRS_LASTPIXEL] = TRUE;
  m_renderStates[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  m_renderStates[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  m_renderStates[D3DRS_CULLMODE] = D3DCULL_CCW;
  m_renderStates[D3DRS_CLIPPING] = TRUE;
  m_renderStates[D3DRS_LIGHTING] = TRUE;
  m_renderStates[D3DRS_COLORVERTEX] = TRUE;
  m_renderStates[D3DRS_LOCALVIEWER] = TRUE;
  m_renderStates[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
  for (DWORD stage = 0; stage < kStageCount; ++stage) {
    DWORD* states = m_stageStates[stage];
    std::fill(states, states + kStageStateCount, 0);
    states[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    states[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    states[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    states[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    states[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    states[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    states[D3DTSS_TEXCOORDINDEX] = stage;
    states[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
    states[D3DTSS_MINFILTER] = D3DTEXF_POINT;
  }
  if (m_texture != nullptr) std::exchange(m_texture, nullptr)->Release();
  m_vertexShader = 0;
  m_inScene = false;
  m_viewport = D3DVIEWPORT8{0, 0, m_parameters.BackBufferWidth, m_parameters.BackBufferHeight, 0.0f, 1.0f};
}

bool Device::BindBackBuffer() {
  if (!IsUsable() || SDL_SetRenderTarget(m_renderer, m_backBuffer->SdlTexture()) != 0) return false;
  // Changing the target drops SDL's clip rectangle; SDL skips repeats.
  SDL_Rect clip{static_cast<int>(m_viewport.X), static_cast<int>(m_viewport.Y),
                static_cast<int>(m_viewport.Width), static_cast<int>(m_viewport.Height)};
  return SDL_RenderSetClipRect(m_renderer, &clip) == 0;
}

bool Device::ReadTarget(SDL_Texture* target, const SDL_Rect& rect, void* pixels, int pitch) {
  if (m_renderer == nullptr) return false;
  bool other = target != SDL_GetRenderTarget(m_renderer);
  if (other && SDL_SetRenderTarget(m_renderer, target) != 0) return false;
  bool read = SDL_RenderReadPixels(m_renderer, &rect, SDL_PIXELFORMAT_ARGB8888, pixels, pitch) == 0;
  if (other) BindBackBuffer();
  return read;
}

HRESULT Device::TestCooperativeLevel() {
  if (m_renderer == nullptr) return D3DERR_DEVICELOST;
  // A full-screen device is lost while its window is minimised.
  Window* window = FindLiveWindow(m_window);
  if (!m_parameters.Windowed && window != nullptr && window->minimized) {
    m_lost = true;
    return D3DERR_DEVICELOST;
  }
  return m_lost || m_backBuffer == nullptr ? D3DERR_DEVICENOTRESET : D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS8* caps) {
  if (caps == nullptr) return D3DERR_INVALIDCALL;
  *caps = D3DCAPS8{};
  caps->DeviceType = D3DDEVTYPE_HAL;
  caps->TextureCaps = 0;  // any size, not only powers of two or squares
  caps->MaxTextureWidth = m_maxTextureSize;
  caps->MaxTextureHeight = m_maxTextureSize;
  caps->MaxTextureBlendStages = 1;
  caps->MaxSimultaneousTextures = 1;
  caps->MaxPrimitiveCount = kMaxPrimitiveCount;
  caps->MaxVertexIndex = kMaxPrimitiveCount;
  caps->MaxStreams = 1;
  return D3D_OK;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* parameters) {
  if (parameters == nullptr || m_renderer == nullptr) return D3DERR_INVALIDCALL;
  // The back buffer cannot be replaced while someone holds it.
  if (m_backBuffer != nullptr && m_backBuffer->IsReferenced()) return D3DERR_INVALIDCALL;
  if (TestCooperativeLevel() == D3DERR_DEVICELOST) return D3DERR_DEVICELOST;
  HRESULT result = Configure(*parameters);
  if (FAILED(result)) m_lost = true;
  return result;
}

HRESULT Device::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                        const RGNDATA* dirtyRegion) {
  (void)dirtyRegion;
  if (destWindowOverride != nullptr && destWindowOverride != m_window) return D3DERR_INVALIDCALL;
  if (TestCooperativeLevel() != D3D_OK) return D3DERR_DEVICELOST;
  UINT width = m_parameters.BackBufferWidth;
  UINT height = m_parameters.BackBufferHeight;
  SDL_Rect source{0, 0, static_cast<int>(width), static_cast<int>(height)};
  if (sourceRect != nullptr) {
    if (sourceRect->left < 0 || sourceRect->top < 0 || sourceRect->right <= sourceRect->left ||
        sourceRect->bottom <= sourceRect->top || static_cast<UINT>(sourceRect->right) > width ||
        static_cast<UINT>(sourceRect->bottom) > height)
      return D3DERR_INVALIDCALL;
    source = SDL_Rect{sourceRect->left, sourceRect->top, sourceRect->right - sourceRect->left,
                      sourceRect->bottom - sourceRect->top};
  }
  if (SDL_SetRenderTarget(m_renderer, nullptr) != 0) return D3DERR_INVALIDCALL;
  int windowWidth = 0;
  int windowHeight = 0;
  SDL_GetRendererOutputSize(m_renderer, &windowWidth, &windowHeight);
  SDL_Rect dest{0, 0, windowWidth, windowHeight};
  if (destRect != nullptr)
    dest = SDL_Rect{destRect->left, destRect->top, destRect->right - destRect->left,
                    destRect->bottom - destRect->top};

  // The window keeps what earlier presents put outside the rectangle: a
  // copy of it lives in m_front, which is shown whole.
  if (m_front == nullptr || m_frontWidth != windowWidth || m_frontHeight != windowHeight) {
    if (m_front != nullptr) SDL_DestroyTexture(m_front);
    m_front = SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, windowWidth,
                                windowHeight);
    m_frontWidth = windowWidth;
    m_frontHeight = windowHeight;
    if (m_front == nullptr || SDL_SetRenderTarget(m_renderer, m_front) != 0) {
      BindBackBuffer();
      return D3DERR_OUTOFVIDEOMEMORY;
    }
    SDL_SetTextureBlendMode(m_front, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 0xFF);
    SDL_RenderClear(m_renderer);
  }
  bool shown = SDL_SetRenderTarget(m_renderer, m_front) == 0 &&
               SDL_RenderCopy(m_renderer, m_backBuffer->SdlTexture(), &source, &dest) == 0 &&
               SDL_SetRenderTarget(m_renderer, nullptr) == 0 &&
               SDL_RenderCopy(m_renderer, m_front, nullptr, nullptr) == 0;
  if (shown) SDL_RenderPresent(m_renderer);
  BindBackBuffer();
  return shown ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT Device::GetRenderTarget(IDirect3DSurface8** renderTarget) {
  if (renderTarget == nullptr) return D3DERR_INVALIDCALL;
  *renderTarget = nullptr;
  if (m_backBuffer == nullptr) return D3DERR_NOTFOUND;
  m_backBuffer->AddRef();
  *renderTarget = m_backBuffer;
  return D3D_OK;
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DTexture8** texture) {
  if (texture == nullptr) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  if (levels != 1 || usage != 0 || pool != D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
  return Texture::Create(*this, width, height, format, texture);
}

HRESULT Device::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                   BOOL lockable, IDirect3DSurface8** surface) {
  if (surface == nullptr) return D3DERR_INVALIDCALL;
  *surface = nullptr;
  if (format != D3DFMT_X8R8G8B8 || multiSample != D3DMULTISAMPLE_NONE || width == 0 || height == 0 ||
      width > m_maxTextureSize || height > m_maxTextureSize)
    return D3DERR_INVALIDCALL;
  if (m_renderer == nullptr) return D3DERR_DEVICELOST;
  Surface* created = Surface::Create(*this, width, height, lockable != FALSE, false);
  if (created == nullptr) return D3DERR_OUTOFVIDEOMEMORY;
  // A new render target starts black.
  SDL_SetRenderTarget(m_renderer, created->SdlTexture());
  SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 0xFF);
  SDL_RenderClear(m_renderer);
  BindBackBuffer();
  *surface = created;
  return D3D_OK;
}

HRESULT Device::BeginScene() {
  if (m_inScene) return D3DERR_INVALIDCALL;
  m_inScene = true;
  return D3D_OK;
}

HRESULT Device::EndScene() {
  if (!m_inScene) return D3DERR_INVALIDCALL;
  m_inScene = false;
  return D3D_OK;
}

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                      DWORD stencil) {
  (void)z;
  (void)stencil;
  // There is no depth or stencil buffer to clear.
  if ((count > 0 && rects == nullptr) || (flags & ~static_cast<DWORD>(D3DCLEAR_TARGET)) != 0)
    return D3DERR_INVALIDCALL;
  if (!BindBackBuffer()) return D3DERR_DEVICELOST;
  if ((flags & D3DCLEAR_TARGET) == 0) return D3D_OK;
  SDL_Color sdlColor = ToSdlColor(color);
  SDL_SetRenderDrawBlendMode(m_renderer, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(m_renderer, sdlColor.r, sdlColor.g, sdlColor.b, sdlColor.a);
  SDL_Rect viewport{static_cast<int>(m_viewport.X), static_cast<int>(m_viewport.Y),
                    static_cast<int>(m_viewport.Width), static_cast<int>(m_viewport.Height)};
  if (count == 0) {
    SDL_RenderFillRect(m_renderer, &viewport);
    return D3D_OK;
  }
  for (DWORD i = 0; i < count; ++i) {
    SDL_Rect rect{rects[i].x1, rects[i].y1, 0, 0};
    // Wide enough for any pair of 32-bit corners.
    int64_t width = int64_t{rects[i].x2} - rects[i].x1;
    int64_t height = int64_t{rects[i].y2} - rects[i].y1;
    if (width <= 0 || height <= 0) continue;
    rect.w = static_cast<int>(std::min<int64_t>(width, INT32_MAX));
    rect.h = static_cast<int>(std::min<int64_t>(height, INT32_MAX));
    SDL_Rect clipped;
    if (SDL_IntersectRect(&rect, &viewport, &clipped)) SDL_RenderFillRect(m_renderer, &clipped);
  }
  return D3D_OK;
}

HRESULT Device::SetViewport(const D3DVIEWPORT8* viewport) {
  if (viewport == nullptr || uint64_t{viewport->X} + viewport->Width > m_parameters.BackBufferWidth ||
      uint64_t{viewport->Y} + viewport->Height > m_parameters.BackBufferHeight)
    return D3DERR_INVALIDCALL;
  m_viewport = *viewport;
  return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (DWORD(state) >= kRenderStateCount) return D3DERR_INVALIDCALL;
  m_renderStates[state] = value;
  return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
  if (stage >= kStageCount) return D3DERR_INVALIDCALL;
  Texture* ours = nullptr;
  if (texture != nullptr) {
    // Only stage 0 draws, and only textures of this layer.
    ours = dynamic_cast<Texture*>(texture);
    if (stage != 0 || ours == nullptr) return D3DERR_INVALIDCALL;
  }
  if (stage != 0) return D3D_OK;
  if (ours != nullptr) ours->AddRef();
  if (m_texture != nullptr) m_texture->Release();
  m_texture = ours;
  return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  if (stage >= kStageCount || DWORD(type) >= kStageStateCount) return D3DERR_INVALIDCALL;
  m_stageStates[stage][type] = value;
  return D3D_OK;
}

HRESULT Device::SetVertexShader(DWORD handle) {
  if (handle != kSpriteVertexFormat && handle != kColouredVertexFormat) return D3DERR_INVALIDCALL;
  m_vertexShader = handle;
  return D3D_OK;
}

SDL_BlendMode Device::CurrentBlendMode() const {
  if (!m_renderStates[D3DRS_ALPHABLENDENABLE]) return SDL_BLENDMODE_NONE;
  SDL_BlendFactor source = BlendFactor(m_renderStates[D3DRS_SRCBLEND], SDL_BLENDFACTOR_ONE);
  SDL_BlendFactor dest = BlendFactor(m_renderStates[D3DRS_DESTBLEND], SDL_BLENDFACTOR_ZERO);
  SDL_BlendOperation operation = BlendOperation(m_renderStates[D3DRS_BLENDOP]);
  return SDL_ComposeCustomBlendMode(source, dest, operation, source, dest, operation);
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount, const void* vertexData,
                                UINT vertexStride) {
  UINT vertexSize = m_vertexShader == kSpriteVertexFormat     ? 28
                    : m_vertexShader == kColouredVertexFormat ? 20
                                                              : 0;
  if (vertexData == nullptr || vertexSize == 0 || vertexStride != vertexSize ||
      primitiveCount > kMaxPrimitiveCount)
    return D3DERR_INVALIDCALL;
  UINT vertexCount = 0;
  switch (primitiveType) {
    case D3DPT_POINTLIST:
      vertexCount = primitiveCount;
      break;
    case D3DPT_LINELIST:
      vertexCount = primitiveCount * 2;
      break;
    case D3DPT_LINESTRIP:
      vertexCount = primitiveCount + 1;
      break;
    case D3DPT_TRIANGLELIST:
      vertexCount = primitiveCount * 3;
      break;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
      vertexCount = primitiveCount + 2;
      break;
    default:
      return D3DERR_INVALIDCALL;
  }
  if (primitiveCount == 0) return D3D_OK;
  if (!BindBackBuffer()) return D3DERR_DEVICELOST;
  const auto* data = static_cast<const uint8_t*>(vertexData);
  bool textured = m_vertexShader == kSpriteVertexFormat;
  if (primitiveType >= D3DPT_TRIANGLELIST) {
    m_vertices.resize(vertexCount);
    for (UINT i = 0; i < vertexCount; ++i) m_vertices[i] = ReadVertex(data + i * vertexStride, textured);
    DrawTriangles(primitiveType, primitiveCount, vertexCount);
  } else {
    m_vertices.clear();
    m_indices.clear();
    for (UINT i = 0; i < primitiveCount; ++i) {
      if (primitiveType == D3DPT_POINTLIST) {
        SDL_Vertex point = ReadVertex(data + i * vertexStride, false);
        if (std::isfinite(point.position.x) && std::isfinite(point.position.y) &&
            std::fabs(point.position.x) < 1e9f && std::fabs(point.position.y) < 1e9f)
          AddPixel(static_cast<int>(std::floor(point.position.x)),
                   static_cast<int>(std::floor(point.position.y)), point.color);
        continue;
      }
      UINT first = primitiveType == D3DPT_LINELIST ? i * 2 : i;
      SDL_Vertex from = ReadVertex(data + first * vertexStride, false);
      SDL_Vertex to = ReadVertex(data + (first + 1) * vertexStride, false);
      // A segment takes its first vertex's colour.
      AddLinePixels(from.position.x, from.position.y, to.position.x, to.position.y, from.color);
    }
    if (!m_vertices.empty()) {
      SDL_SetRenderDrawBlendMode(m_renderer, CurrentBlendMode());
      SDL_RenderGeometry(m_renderer, nullptr, m_vertices.data(), static_cast<int>(m_vertices.size()),
                         m_indices.data(), static_cast<int>(m_indices.size()));
    }
  }
  return D3D_OK;
}

void Device::DrawTriangles(D3DPRIMITIVETYPE type, UINT primitiveCount, UINT vertexCount) {
  const int* indices = nullptr;
  int indexCount = 0;
  if (type != D3DPT_TRIANGLELIST) {
    m_indices.resize(primitiveCount * 3);
    for (UINT i = 0; i < primitiveCount; ++i) {
      int* triangle = &m_indices[i * 3];
      triangle[0] = type == D3DPT_TRIANGLEFAN ? 0 : static_cast<int>(i);
      triangle[1] = static_cast<int>(i + 1);
      triangle[2] = static_cast<int>(i + 2);
    }
    indices = m_indices.data();
    indexCount = static_cast<int>(m_indices.size());
  }
  SDL_BlendMode blendMode = CurrentBlendMode();
  SDL_Texture* texture = nullptr;
  if (m_vertexShader == kSpriteVertexFormat && m_texture != nullptr) texture = m_texture->SdlTexture();
  if (texture != nullptr) {
    SDL_SetTextureBlendMode(texture, blendMode);
    // SDL keeps one filter per texture: the magnification filter decides.
    bool linear = m_stageStates[0][D3DTSS_MAGFILTER] >= D3DTEXF_LINEAR;
    SDL_SetTextureScaleMode(texture, linear ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
  } else {
    SDL_SetRenderDrawBlendMode(m_renderer, blendMode);
  }
  SDL_RenderGeometry(m_renderer, texture, m_vertices.data(), static_cast<int>(vertexCount), indices,
                     indexCount);
}

void Device::AddPixel(int x, int y, const SDL_Color& color) {
  int64_t right = int64_t{m_viewport.X} + m_viewport.Width;
  int64_t bottom = int64_t{m_viewport.Y} + m_viewport.Height;
  if (x < static_cast<int64_t>(m_viewport.X) || y < static_cast<int64_t>(m_viewport.Y) || x >= right ||
      y >= bottom)
    return;
  int base = static_cast<int>(m_vertices.size());
  float left = static_cast<float>(x);
  float top = static_cast<float>(y);
  m_vertices.push_back(SDL_Vertex{{left, top}, color, {0.0f, 0.0f}});
  m_vertices.push_back(SDL_Vertex{{left + 1.0f, top}, color, {0.0f, 0.0f}});
  m_vertices.push_back(SDL_Vertex{{left, top + 1.0f}, color, {0.0f, 0.0f}});
  m_vertices.push_back(SDL_Vertex{{left + 1.0f, top + 1.0f}, color, {0.0f, 0.0f}});
  for (int corner : {0, 1, 2, 1, 3, 2}) m_indices.push_back(base + corner);
}

void Device::AddLinePixels(float x1, float y1, float x2, float y2, const SDL_Color& color) {
  // Pixels are stepped along the longer axis from the start pixel to the end
  // pixel, which is left out unless D3DRS_LASTPIXEL asks for it.
  double startX = std::floor(x1);
  double startY = std::floor(y1);
  double deltaX = std::floor(x2) - startX;
  double deltaY = std::floor(y2) - startY;
  double steps = std::max(std::fabs(deltaX), std::fabs(deltaY));
  // Beyond 1e15 steps a double no longer counts single steps.
  if (!(steps <= 1e15) || !std::isfinite(startX) || !std::isfinite(startY)) return;
  double first = 0;
  double last = m_renderStates[D3DRS_LASTPIXEL] ? steps : steps - 1;
  if (steps == 0) {
    if (last >= 0)
      AddPixel(static_cast<int>(std::clamp(startX, -1e9, 1e9)),
               static_cast<int>(std::clamp(startY, -1e9, 1e9)), color);
    return;
  }
  int left = static_cast<int>(m_viewport.X);
  int top = static_cast<int>(m_viewport.Y);
  ClipSteps(startX, deltaX, steps, left, left + static_cast<int>(m_viewport.Width), first, last);
  ClipSteps(startY, deltaY, steps, top, top + static_cast<int>(m_viewport.Height), first, last);
  for (double step = std::max(first, 0.0); step <= last; ++step) {
    double x = startX + std::floor(deltaX * step / steps + 0.5);
    double y = startY + std::floor(deltaY * step / steps + 0.5);
    AddPixel(static_cast<int>(x), static_cast<int>(y), color);
  }
}

}  // namespace Platform::Direct3D
