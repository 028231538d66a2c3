// Device contexts over SDL: a memory DC holds a DIB section whose bits are
// plain X1R5G5B5 memory, or a 24-bit compatible bitmap for metafile playback;
// a window DC copies into the SDL window surface.
#include "platform/win32/DeviceContext.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/Platform.h"
#include "platform/common/Canvas.h"
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
  HPALETTE palette = nullptr;  // null: the stock palette
};

// The live handles outlive every static object: a singleton made before the
// first handle still deletes its handles from its destructor at exit.
std::vector<std::unique_ptr<DeviceContext>>& Contexts() {
  static auto* contexts = new std::vector<std::unique_ptr<DeviceContext>>;
  return *contexts;
}

// Window DCs given back by ReleaseDC, kept for the next GetDC: a frame's
// Present then allocates nothing.
std::vector<std::unique_ptr<DeviceContext>>& SpareContexts() {
  static auto* spare = new std::vector<std::unique_ptr<DeviceContext>>;
  return *spare;
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

// Removes a live object from its list and hands it over.
template <class T>
std::unique_ptr<T> Take(std::vector<std::unique_ptr<T>>& live, T* object) {
  auto found = std::find_if(live.begin(), live.end(), [&](auto& entry) { return entry.get() == object; });
  std::unique_ptr<T> taken = std::move(*found);
  live.erase(found);
  return taken;
}

HDC NewContext(HWND window) {
  std::vector<std::unique_ptr<DeviceContext>>& spare = SpareContexts();
  if (window != nullptr && !spare.empty()) {
    Contexts().push_back(std::move(spare.back()));
    spare.pop_back();
  } else {
    Contexts().push_back(std::make_unique<DeviceContext>());
  }
  *Contexts().back() = DeviceContext{};
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
  Take(Contexts(), dc);
  return TRUE;
}

HDC GetDC(HWND window) {
  if (Platform::GetSdlWindow(window) == nullptr) return nullptr;
  return NewContext(window);
}

int ReleaseDC(HWND window, HDC handle) {
  DeviceContext* dc = FindLive(Contexts(), handle);
  if (dc == nullptr || dc->window == nullptr || dc->window != window) return 0;
  SpareContexts().push_back(Take(Contexts(), dc));
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
  if (bitmap == nullptr) return Gdi::DeletePalette(object) ? TRUE : FALSE;
  if (bitmap->selectedInto != nullptr) return FALSE;
  Take(Bitmaps(), bitmap);
  return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int srcX, int srcY, DWORD rop) {
  return Copy(dest, SDL_Rect{x, y, width, height}, source, SDL_Rect{srcX, srcY, width, height}, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop) {
  return Copy(dest, SDL_Rect{x, y, width, height}, source, SDL_Rect{srcX, srcY, srcWidth, srcHeight}, rop);
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  (void)dc;
  constexpr int64_t kMaxBytes = 1 << 29;
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767 ||
      (static_cast<int64_t>(width) * 3 + 3) * height > kMaxBytes)
    return nullptr;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 24, SDL_PIXELFORMAT_BGR24);
  if (surface == nullptr) return nullptr;
  SDL_memset(surface->pixels, 0, static_cast<size_t>(surface->pitch) * static_cast<size_t>(height));
  Bitmaps().push_back(std::make_unique<Bitmap>());
  Bitmaps().back()->surface = surface;
  return reinterpret_cast<HBITMAP>(Bitmaps().back().get());
}

int GetDIBits(HDC dc, HBITMAP handle, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage) {
  Bitmap* bitmap = FindLive(Bitmaps(), handle);
  if (FindLive(Contexts(), dc) == nullptr || bitmap == nullptr || info == nullptr ||
      usage != DIB_RGB_COLORS || bitmap->surface->format->format != SDL_PIXELFORMAT_BGR24 ||
      info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
    return 0;
  SDL_Surface* surface = bitmap->surface;
  BITMAPINFOHEADER& header = info->bmiHeader;
  size_t stride = (static_cast<size_t>(surface->w) * 3 + 3) & ~size_t{3};
  if (bits == nullptr) {
    // Only the format is asked for.
    header.biWidth = surface->w;
    header.biHeight = surface->h;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(stride * surface->h);
    return surface->h;
  }
  if (header.biWidth != surface->w || (header.biHeight != surface->h && header.biHeight != -surface->h) ||
      header.biBitCount != 24 || header.biCompression != BI_RGB || start >= static_cast<UINT>(surface->h))
    return 0;
  bool topDown = header.biHeight < 0;
  UINT count = std::min<UINT>(lines, static_cast<UINT>(surface->h) - start);
  for (UINT i = 0; i < count; ++i) {
    // Scan lines count from the bottom of a bottom-up picture.
    int row = topDown ? static_cast<int>(start + i) : surface->h - 1 - static_cast<int>(start + i);
    memcpy(static_cast<BYTE*>(bits) + i * stride, static_cast<BYTE*>(surface->pixels) + row * surface->pitch,
           static_cast<size_t>(surface->w) * 3);
    memset(static_cast<BYTE*>(bits) + i * stride + surface->w * 3, 0, stride - surface->w * 3);
  }
  return static_cast<int>(count);
}

BOOL PatBlt(HDC handle, int x, int y, int width, int height, DWORD rop) {
  DeviceContext* dc = FindLive(Contexts(), handle);
  if (dc == nullptr || dc->window != nullptr || dc->bitmap == nullptr ||
      (rop != WHITENESS && rop != BLACKNESS))
    return FALSE;
  SDL_Surface* surface = dc->bitmap->surface;
  BYTE level = rop == WHITENESS ? 255 : 0;
  SDL_Rect area{x, y, width, height};
  return SDL_FillRect(surface, &area, SDL_MapRGB(surface->format, level, level, level)) == 0 ? TRUE : FALSE;
}

HPALETTE SelectPalette(HDC handle, HPALETTE palette, BOOL forceBackground) {
  (void)forceBackground;
  DeviceContext* dc = FindLive(Contexts(), handle);
  if (dc == nullptr || !Gdi::IsPalette(palette)) return nullptr;
  HPALETTE previous = dc->palette != nullptr ? dc->palette : Gdi::StockPalette();
  dc->palette = palette;
  return previous;
}

UINT RealizePalette(HDC handle) {
  constexpr UINT kGdiError = 0xFFFFFFFF;
  return FindLive(Contexts(), handle) != nullptr ? 0 : kGdiError;
}

bool Gdi::GetCanvas(HDC handle, Canvas* canvas) {
  DeviceContext* dc = FindLive(Contexts(), handle);
  if (dc == nullptr || dc->window != nullptr || dc->bitmap == nullptr ||
      dc->bitmap->surface->format->format != SDL_PIXELFORMAT_BGR24)
    return false;
  SDL_Surface* surface = dc->bitmap->surface;
  *canvas = Canvas{static_cast<BYTE*>(surface->pixels), surface->w, surface->h, surface->pitch};
  return true;
}
