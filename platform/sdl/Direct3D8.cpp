// The Direct3D 8 object of the built-in "d3d8.dll": one adapter, the desktop
// display, devices over SDL's OpenGL renderer.
#include <new>

#include "platform/sdl/Direct3D8Device.h"
#include "platform/sdl/Video.h"

namespace Platform::Direct3D {
namespace {

class Direct3D final : public IDirect3D8 {
 public:
  ULONG AddRef() override { return ++m_uses; }

  ULONG Release() override {
    if (m_uses == 0) return 0;
    ULONG uses = --m_uses;
    if (uses == 0) delete this;
    return uses;
  }

  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override {
    if (adapter != D3DADAPTER_DEFAULT || mode == nullptr) return D3DERR_INVALIDCALL;
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) return D3DERR_NOTAVAILABLE;
    mode->Width = static_cast<UINT>(desktop.w);
    mode->Height = static_cast<UINT>(desktop.h);
    mode->RefreshRate = static_cast<UINT>(desktop.refresh_rate);
    mode->Format = D3DFMT_X8R8G8B8;
    return D3D_OK;
  }

  HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                            D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override {
    if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    if (deviceType != D3DDEVTYPE_HAL || adapterFormat != D3DFMT_X8R8G8B8 || usage != 0 ||
        resourceType != D3DRTYPE_TEXTURE || BytesPerPixel(checkFormat) == 0)
      return D3DERR_NOTAVAILABLE;
    return D3D_OK;
  }

  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                       D3DPRESENT_PARAMETERS* presentationParameters,
                       IDirect3DDevice8** returnedDeviceInterface) override {
    (void)behaviorFlags;  // vertices are pre-transformed; there is no vertex processing
    if (returnedDeviceInterface == nullptr) return D3DERR_INVALIDCALL;
    *returnedDeviceInterface = nullptr;
    if (adapter != D3DADAPTER_DEFAULT || presentationParameters == nullptr) return D3DERR_INVALIDCALL;
    if (deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    return Device::Create(*this, focusWindow, *presentationParameters, returnedDeviceInterface);
  }

 private:
  ~Direct3D() = default;

  ULONG m_uses = 1;
};

}  // namespace
}  // namespace Platform::Direct3D

IDirect3D8* Direct3DCreate8(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION || !Platform::EnsureVideo()) return nullptr;
  return new (std::nothrow) Platform::Direct3D::Direct3D;
}
