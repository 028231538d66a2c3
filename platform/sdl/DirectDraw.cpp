// DirectDraw's exclusive full screen over SDL's full-screen modes.
#include "platform/win32/DirectDraw.h"

#include <SDL.h>

#include <new>

#include "platform/Platform.h"
#include "platform/sdl/Video.h"
#include "platform/sdl/WindowImpl.h"

namespace {

class DirectDraw final : public IDirectDraw {
 public:
  ULONG AddRef() override { return ++m_uses; }

  ULONG Release() override {
    ULONG uses = --m_uses;
    if (uses == 0) {
      RestoreDisplayMode();
      delete this;
    }
    return uses;
  }

  HRESULT RestoreDisplayMode() override {
    if (SDL_Window* window = Platform::GetSdlWindow(m_window)) {
      if ((SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0 && SDL_SetWindowFullscreen(window, 0) != 0)
        return DDERR_GENERIC;
    }
    return DD_OK;
  }

  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override {
    bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
    if (exclusive != ((flags & DDSCL_FULLSCREEN) != 0)) return DDERR_INVALIDPARAMS;
    if (exclusive && Platform::GetSdlWindow(window) == nullptr) return DDERR_INVALIDPARAMS;
    m_window = window;
    m_exclusive = exclusive;
    return DD_OK;
  }

  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) override {
    SDL_Window* window = Platform::GetSdlWindow(m_window);
    if (!m_exclusive || window == nullptr) return DDERR_NOEXCLUSIVEMODE;
    if (width == 0 || height == 0 || width > 32767 || height > 32767 ||
        (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32))
      return DDERR_INVALIDPARAMS;
    SDL_DisplayMode wanted{};
    wanted.w = static_cast<int>(width);
    wanted.h = static_cast<int>(height);
    SDL_DisplayMode closest;
    int display = SDL_GetWindowDisplayIndex(window);
    if (display < 0 || SDL_GetClosestDisplayMode(display, &wanted, &closest) == nullptr) return DDERR_INVALIDMODE;
    if (SDL_SetWindowDisplayMode(window, &closest) != 0 ||
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0)
      return DDERR_GENERIC;
    return DD_OK;
  }

 private:
  ULONG m_uses = 1;
  HWND m_window = nullptr;
  bool m_exclusive = false;
};

}  // namespace

HRESULT DirectDrawCreate(GUID* driver, LPDIRECTDRAW* directDraw, IUnknown* outer) {
  if (directDraw == nullptr || driver != nullptr || outer != nullptr) return DDERR_INVALIDPARAMS;
  *directDraw = nullptr;
  if (!Platform::EnsureVideo()) return DDERR_GENERIC;
  auto* created = new (std::nothrow) DirectDraw;
  if (created == nullptr) return DDERR_GENERIC;
  *directDraw = created;
  return DD_OK;
}
