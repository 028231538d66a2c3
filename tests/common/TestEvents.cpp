#include "tests/common/TestEvents.h"

#include "platform/sdl/WindowImpl.h"

namespace TestEvents {

SDL_Event Key(HWND window, SDL_Keycode key, Uint16 modifiers, bool down) {
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.windowID = SDL_GetWindowID(Platform::GetSdlWindow(window));
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = key;
  event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
  event.key.keysym.mod = modifiers;
  return event;
}

SDL_Event WindowEvent(HWND window, SDL_WindowEventID id) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.windowID = SDL_GetWindowID(Platform::GetSdlWindow(window));
  event.window.event = static_cast<Uint8>(id);
  return event;
}

void PressKey(HWND window, SDL_Keycode key, Uint16 modifiers) {
  SDL_Event down = Key(window, key, modifiers, true);
  SDL_Event up = Key(window, key, modifiers, false);
  SDL_PushEvent(&down);
  SDL_PushEvent(&up);
}

bool PumpAll(HACCEL accelerators) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) return false;
    if (TranslateAcceleratorA(msg.hwnd, accelerators, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}

}  // namespace TestEvents
