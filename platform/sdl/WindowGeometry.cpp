// Window size, position, style and the desktop work area over SDL.
#include <SDL.h>

#include "platform/Platform.h"
#include "platform/sdl/Video.h"
#include "platform/sdl/WindowImpl.h"

using namespace Platform;

BOOL GetClientRect(HWND handle, LPRECT rect) {
  Window* window = FindLiveWindow(handle);
  if (window == nullptr || rect == nullptr) return FALSE;
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(window->sdlWindow, &width, &height);
  *rect = RECT{0, 0, width, height};
  return TRUE;
}

BOOL GetWindowRect(HWND handle, LPRECT rect) {
  Window* window = FindLiveWindow(handle);
  if (window == nullptr || rect == nullptr) return FALSE;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  SDL_GetWindowPosition(window->sdlWindow, &x, &y);
  SDL_GetWindowSize(window->sdlWindow, &width, &height);
  *rect = RECT{x, y, x + width, y + height};
  return TRUE;
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL hasMenu, DWORD exStyle) {
  (void)style;
  (void)hasMenu;
  (void)exStyle;
  return rect != nullptr ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND handle, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
  (void)insertAfter;  // one window, no z-order to keep
  Window* window = FindLiveWindow(handle);
  if (window == nullptr) return FALSE;
  if ((flags & SWP_NOSIZE) == 0) {
    if (width <= 0 || height <= 0) return FALSE;
    SDL_SetWindowSize(window->sdlWindow, width, height);
  }
  if ((flags & SWP_NOMOVE) == 0) SDL_SetWindowPosition(window->sdlWindow, x, y);
  return TRUE;
}

LONG GetWindowLongA(HWND handle, int index) {
  Window* window = FindLiveWindow(handle);
  if (window == nullptr || index != GWL_STYLE) return 0;
  return static_cast<LONG>(window->style);
}

LONG SetWindowLongA(HWND handle, int index, LONG value) {
  Window* window = FindLiveWindow(handle);
  if (window == nullptr || index != GWL_STYLE) return 0;
  LONG previous = static_cast<LONG>(window->style);
  window->style = static_cast<DWORD>(value);
  SDL_SetWindowBordered(window->sdlWindow, (window->style & WS_CAPTION) == WS_CAPTION ? SDL_TRUE : SDL_FALSE);
  return previous;
}

BOOL SystemParametersInfoA(UINT action, UINT param, LPVOID value, UINT winIni) {
  (void)param;
  (void)winIni;
  if (action != SPI_GETWORKAREA || value == nullptr || !EnsureVideo()) return FALSE;
  SDL_Rect bounds;
  if (SDL_GetDisplayUsableBounds(0, &bounds) != 0) return FALSE;
  *static_cast<RECT*>(value) = RECT{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
  return TRUE;
}
