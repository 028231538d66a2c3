// The built-in Direct3D 8 over SDL's OpenGL renderer: the device and its
// resources, shared by Direct3D8*.cpp.
//
// Lifetimes: every interface counts its references as COM does. A texture or
// surface with references keeps its device alive (without adding to the
// device's own count), and the device keeps its Direct3D object alive, so
// they may be released in any order. The device's SDL renderer goes away with
// the device, or earlier when its window is destroyed; resources that outlive
// it keep their system-memory pixels (the back buffer its last picture) but
// draw nothing.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Windows.h"

namespace Platform::Direct3D {

class Device;

// Bytes per pixel of a texture format this layer takes, 0 for the others.
int BytesPerPixel(D3DFORMAT format);
// The SDL pixel format with the same layout, SDL_PIXELFORMAT_UNKNOWN if none.
Uint32 SdlFormat(D3DFORMAT format);

// A managed texture of one level: a system-memory copy in the Direct3D format,
// uploaded to its SDL texture when a lock ends.
class Texture final : public IDirect3DTexture8 {
 public:
  // D3DERR_INVALIDCALL for a format or size the device does not take.
  static HRESULT Create(Device& device, UINT width, UINT height, D3DFORMAT format,
                        IDirect3DTexture8** texture);

  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect(UINT level) override;

  // The SDL texture to draw with (null once the renderer is gone).
  SDL_Texture* SdlTexture() const;

 private:
  Texture(Device& device, UINT width, UINT height, D3DFORMAT format);
  ~Texture();

  Device& m_device;
  ULONG m_uses = 1;
  UINT m_width;
  UINT m_height;
  D3DFORMAT m_format;
  int m_pitch;
  std::unique_ptr<uint8_t[]> m_bits;
  SDL_Texture* m_texture = nullptr;
  bool m_locked = false;
  bool m_lockedReadOnly = false;
  SDL_Rect m_lockedRect{};
};

// A lockable X8R8G8B8 surface drawn into by the renderer: the device's back
// buffer, or a render target of its own. Locking reads the pixels back into a
// system-memory copy; unlocking writes the locked rectangle back.
class Surface final : public IDirect3DSurface8 {
 public:
  // The back buffer belongs to the device and starts with no references; a
  // render target starts with one and frees itself at the last Release.
  // Null when SDL cannot make the target texture.
  static Surface* Create(Device& device, UINT width, UINT height, bool lockable, bool backBuffer);
  // Frees a back buffer (the device's own call).
  static void Destroy(Surface* backBuffer);

  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
  HRESULT LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect() override;

  SDL_Texture* SdlTexture() const { return m_texture; }
  bool IsReferenced() const { return m_uses > 0; }
  // Reads the pixels once more before the renderer goes; later locks give
  // them back from memory.
  void KeepPixels();

 private:
  Surface(Device& device, UINT width, UINT height, bool lockable, bool backBuffer);
  ~Surface();
  // Reads a rectangle of the target into the system-memory copy.
  bool ReadPixels(const SDL_Rect& area);

  Device& m_device;
  ULONG m_uses;
  UINT m_width;
  UINT m_height;
  bool m_lockable;
  bool m_backBuffer;
  std::unique_ptr<uint8_t[]> m_bits;
  SDL_Texture* m_texture = nullptr;
  bool m_pixelsKept = false;
  bool m_locked = false;
  bool m_lockedReadOnly = false;
  SDL_Rect m_lockedRect{};
};

class Device final : public IDirect3DDevice8 {
 public:
  // Makes the renderer and back buffer on the parameters' window (or the
  // focus window when that is null).
  static HRESULT Create(IDirect3D8& direct3D, HWND focusWindow, D3DPRESENT_PARAMETERS& parameters,
                        IDirect3DDevice8** device);

  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT TestCooperativeLevel() override;
  HRESULT GetDeviceCaps(D3DCAPS8* caps) override;
  HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override;
  HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                  const RGNDATA* dirtyRegion) override;
  HRESULT GetRenderTarget(IDirect3DSurface8** renderTarget) override;
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture8** texture) override;
  HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                             BOOL lockable, IDirect3DSurface8** surface) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                DWORD stencil) override;
  HRESULT SetViewport(const D3DVIEWPORT8* viewport) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  HRESULT SetVertexShader(DWORD handle) override;
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount, const void* vertexData,
                          UINT vertexStride) override;

  // For the resources: the renderer (null once the window is gone), the
  // largest texture side, and a hold on the device while they live.
  SDL_Renderer* Renderer() const { return m_renderer; }
  UINT MaxTextureSize() const { return m_maxTextureSize; }
  void Hold() { ++m_holds; }
  void Unhold();
  // Reads a rectangle of a target texture as ARGB8888.
  bool ReadTarget(SDL_Texture* target, const SDL_Rect& rect, void* pixels, int pitch);

 private:
  static constexpr int kRenderStateCount = 256;
  static constexpr int kStageCount = 8;
  static constexpr int kStageStateCount = 32;

  Device(IDirect3D8& direct3D, HWND window, SDL_Window* sdlWindow);
  ~Device();

  HRESULT Configure(D3DPRESENT_PARAMETERS& parameters);
  void ResetStates();
  static void OnWindowDestroyed(void* device);
  bool IsUsable() const { return m_renderer != nullptr && m_backBuffer != nullptr; }
  bool BindBackBuffer();
  SDL_BlendMode CurrentBlendMode() const;
  void DrawTriangles(D3DPRIMITIVETYPE type, UINT primitiveCount, UINT vertexCount);
  void DrawPixels(D3DPRIMITIVETYPE type, UINT primitiveCount);
  void AddLinePixels(float x1, float y1, float x2, float y2, const SDL_Color& color);
  void AddPixel(int x, int y, const SDL_Color& color);

  IDirect3D8& m_direct3D;
  ULONG m_uses = 1;
  ULONG m_holds = 0;
  HWND m_window;
  SDL_Window* m_sdlWindow;
  SDL_Renderer* m_renderer = nullptr;
  UINT m_maxTextureSize = 0;
  D3DPRESENT_PARAMETERS m_parameters{};
  Surface* m_backBuffer = nullptr;
  SDL_Texture* m_front = nullptr;  // what the window shows, kept across presents
  int m_frontWidth = 0;
  int m_frontHeight = 0;
  bool m_inScene = false;
  bool m_lost = false;
  D3DVIEWPORT8 m_viewport{};
  DWORD m_renderStates[kRenderStateCount] = {};
  DWORD m_stageStates[kStageCount][kStageStateCount] = {};
  Texture* m_texture = nullptr;  // stage 0, one reference held
  DWORD m_vertexShader = 0;
  // Vertex and index buffers of the draws, grown when a draw needs more.
  std::vector<SDL_Vertex> m_vertices;
  std::vector<int> m_indices;
};

}  // namespace Platform::Direct3D
