#include "tests/common/WindowReadback.h"

#include <SDL.h>

#include "platform/sdl/WindowImpl.h"

namespace WindowReadback {

DWORD Pixel(HWND window, int x, int y) {
  SDL_Surface* surface = SDL_GetWindowSurface(Platform::GetSdlWindow(window));
  if (surface == nullptr || x < 0 || y < 0 || x >= surface->w || y >= surface->h) return 0xFFFFFFFF;
  const Uint8* row = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch;
  Uint32 value = 0;
  SDL_memcpy(&value, row + x * surface->format->BytesPerPixel, surface->format->BytesPerPixel);
  Uint8 r, g, b;
  SDL_GetRGB(value, surface->format, &r, &g, &b);
  return (DWORD(r) << 16) | (DWORD(g) << 8) | b;
}

void Fill(HWND window, DWORD rgb) {
  SDL_Surface* surface = SDL_GetWindowSurface(Platform::GetSdlWindow(window));
  SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, Uint8(rgb >> 16), Uint8(rgb >> 8), Uint8(rgb)));
}

}  // namespace WindowReadback
