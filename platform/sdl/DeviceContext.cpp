// Device contexts over SDL: a memory DC holds a DIB section whose bits are
// plain X1R5G5B5 memory; a window DC copies into the SDL window surface.
#include "platform/win32/DeviceContext.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/Platform.h"
#include "platform/sdl/WindowImpl.h"

namespace {

struct Bitmap {
  SDL_Surface* surface = nullptr;  // owns the bits
  struct DeviceContext* selectedInto = nullptr;
  ~Bitmap() { SDL_FreeSurface(surface); }
};

struct DeviceContext {
  HWND window = nullptr;  // a window DC; null for a memory DC
  Bitmap* bitmap = nullptr;
};

// The live handles outlive every static object: a singleton made before the
// first handle still deletes its handles from its destructor at exit.
std::vector<std::unique_ptr<DeviceContext>>& Contexts() {
  static auto* contexts = new std::vector<std::unique_ptr<DeviceContext>>;
  return *contexts;
}

std::vector<std::unique_ptr<Bitmap>>& Bitmaps() {
  static auto* bitmaps = new std::vector<std::unique_ptr<Bitmap>>;
  return *bitmaps;
}

template <class T>
T* FindLive(std::vector<std::unique_ptr<T>>& live, const void* handle) {
  for (auto& object : live)
    if (object.get() == handle) return object.get();
  return nullptr;
}

template <class T>
void Erase(std::vector<std::unique_ptr<T>>& live, T* object) {
  live.erase(std::find_if(live.begin(), live.end(), [&](auto& entry) { return entry.get() == object; }));
}

HDC NewContext(HWND window) {
  Contexts().push_back(std::make_unique<DeviceContext>());
  Contexts().back()->window = window;
  return reinterpret_cast<HDC>(Contexts().back().get());
}

// What a copy reads from and writes to: a memory DC's bitmap or a window.
SDL_Surface* SurfaceOf(DeviceContext* dc) {
  if (dc == nullptr) return nullptr;
  if (dc->window == nullptr) return dc->bitmap != nullptr ? dc->bitmap->surface : nullptr;
  SDL_Window* window = Platform::GetSdlWindow(dc->window);
  return window != nullptr ? SDL_GetWindowSurface(window) : nullptr;
}

BOOL Copy(HDC dest, SDL_Rect destRect, HDC source, SDL_Rect srcRect, DWORD rop) {
  DeviceContext* to = FindLive(Contexts(), dest);
  DeviceContext* from = FindLive(Contexts(), source);
  SDL_Surface* target = SurfaceOf(to);
  SDL_Surface* origin = SurfaceOf(from);
  if (target == nullptr || origin == nullptr || rop != SRCCOPY) return FALSE;
  if (destRect.w <= 0 || destRect.h <= 0 || srcRect.w <= 0 || srcRect.h <= 0) return TRUE;
  SDL_Rect written = destRect;
  int result = destRect.w == srcRect.w && destRect.h == srcRect.h
                   ? SDL_BlitSurface(origin, &srcRect, target, &written)
                   : SDL_BlitScaled(origin, &srcRect, target, &written);
  if (result != 0) return FALSE;
  if (to->window != nullptr && written.w > 0 && written.h > 0)
    SDL_UpdateWindowSurfaceRects(Platform::GetSdlWindow(to->window), &written, 1);
  return TRUE;
}

}  // namespace

HDC CreateCompatibleDC(HDC dc) {
  (void)dc;
  return NewContext(nullptr);
}

BOOL DeleteDC(HDC handle) {
  DeviceContext* dc = FindLive(Contexts(), handle);
  if (dc == nullptr || dc->window != nullptr) return FALSE;
  if (dc->bitmap != nullptr) dc->bitmap->selectedInto = nullptr;
  Erase(Contexts(), dc);
  return TRUE;
}

HDC GetDC(HWND window) {
  if (Platform::GetSdlWindow(window) == nullptr) return nullptr;
  return NewContext(window);
}

int ReleaseDC(HWND window, HDC handle) {
  DeviceContext* dc = FindLive(Contexts(), handle);
  if (dc == nullptr || dc->window == nullptr || dc->window != window) return 0;
  Erase(Contexts(), dc);
  return 1;
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset) {
  (void)dc;
  (void)offset;
  if (bits != nullptr) *bits = nullptr;
  if (info == nullptr || usage != DIB_RGB_COLORS || section != nullptr) return nullptr;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biBitCount != 16 || header.biCompression != BI_RGB ||
      header.biPlanes != 1 || header.biWidth <= 0 || header.biHeight >= 0 || header.biWidth > 32767 ||
      header.biHeight < -32767)
    return nullptr;
  int width = header.biWidth;
  int height = -header.biHeight;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 16, SDL_PIXELFORMAT_RGB555);
  if (surface == nullptr) return nullptr;
  // SDL pads rows to 4 bytes, as a DIB does.
  SDL_memset(surface->pixels, 0, static_cast<size_t>(surface->pitch) * static_cast<size_t>(height));
  Bitmaps().push_back(std::make_unique<Bitmap>());
  Bitmaps().back()->surface = surface;
  if (bits != nullptr) *bits = surface->pixels;
  return reinterpret_cast<HBITMAP>(Bitmaps().back().get());
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
  DeviceContext* dc = FindLive(Contexts(), handle);
  Bitmap* bitmap = FindLive(Bitmaps(), object);
  if (dc == nullptr || bitmap == nullptr || dc->window != nullptr) return nullptr;
  if (bitmap->selectedInto != nullptr && bitmap->selectedInto != dc) return nullptr;
  Bitmap* previous = dc->bitmap;
  if (previous != nullptr) previous->selectedInto = nullptr;
  dc->bitmap = bitmap;
  bitmap->selectedInto = dc;
  // A new memory DC holds a 1 x 1 stock bitmap on Windows; here it holds none.
  return previous != nullptr ? reinterpret_cast<HGDIOBJ>(previous) : object;
}

BOOL DeleteObject(HGDIOBJ object) {
  Bitmap* bitmap = FindLive(Bitmaps(), object);
  if (bitmap == nullptr || bitmap->selectedInto != nullptr) return FALSE;
  Erase(Bitmaps(), bitmap);
  return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int srcX, int srcY, DWORD rop) {
  return Copy(dest, SDL_Rect{x, y, width, height}, source, SDL_Rect{srcX, srcY, width, height}, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop) {
  return Copy(dest, SDL_Rect{x, y, width, height}, source, SDL_Rect{srcX, srcY, srcWidth, srcHeight}, rop);
}
