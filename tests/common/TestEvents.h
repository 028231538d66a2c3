// Input for headless tests: SDL events aimed at a window, and a pump that
// handles messages the way the demo's message loop does.
#pragma once

#include <SDL.h>

#include "platform/Windows.h"

namespace TestEvents {

SDL_Event Key(HWND window, SDL_Keycode key, Uint16 modifiers, bool down);
SDL_Event WindowEvent(HWND window, SDL_WindowEventID id);
// Pushes a key press and release into SDL's queue.
void PressKey(HWND window, SDL_Keycode key, Uint16 modifiers);
// Handles every queued message: accelerators first, then translation and
// dispatch. Returns false once WM_QUIT was taken.
bool PumpAll(HACCEL accelerators);

}  // namespace TestEvents
