// The layer's own record of a window, shared by its window, message and
// drawing code. An HWND is the address of a live Window.
#pragma once

#include <SDL.h>

#include "platform/Windows.h"

namespace Platform {

struct Window {
  WNDPROC procedure = nullptr;
  SDL_Window* sdlWindow = nullptr;
  Uint32 sdlWindowId = 0;
  DWORD style = 0;
  HMENU menu = nullptr;
  bool shown = false;
  bool minimized = false;
  bool needsPaint = false;
  bool destroying = false;
  int openPopup = -1;  // index of the menu popup opened from the keyboard
  // Called by DestroyWindow before the SDL window goes (a Direct3D device
  // frees its SDL renderer there).
  void (*beforeDestroy)(void* context) = nullptr;
  void* beforeDestroyContext = nullptr;
};

// The live window behind a handle, or null.
Window* FindLiveWindow(HWND handle);
// The live window shown by the given SDL window, or null.
Window* FindWindowBySdlId(Uint32 sdlWindowId);
// Any live window waiting for WM_PAINT, or null.
HWND FindWindowNeedingPaint(HWND filter);
inline HWND ToHandle(Window* window) { return reinterpret_cast<HWND>(window); }

// The SDL window behind a handle (null when the handle is not a live window).
SDL_Window* GetSdlWindow(HWND handle);

// Drops every posted message addressed to the window.
void DiscardMessagesFor(HWND handle);
// Queues a character message ahead of the other posted messages, so that it
// follows the key message it was translated from.
void PostCharMessage(HWND handle, UINT message, WPARAM character, LPARAM lParam);

// Menu keyboard handling of DefWindowProcA: Alt+mnemonic opens a popup, the
// item's mnemonic posts its WM_COMMAND, any other key closes the popup.
bool HandleMenuKey(Window& window, UINT message, WPARAM wParam);

}  // namespace Platform
