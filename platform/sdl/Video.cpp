#include "platform/sdl/Video.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "platform/Platform.h"

namespace Platform {
namespace {

bool g_headlessRequested = false;
bool g_videoStarted = false;

bool HasDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

}  // namespace

void SetHeadless(bool headless) { g_headlessRequested = headless; }

bool IsHeadless() { return g_headlessRequested || !HasDisplay(); }

bool EnsureVideo() {
  if (g_videoStarted) return true;
  if (IsHeadless()) {
    // Windows in memory that can still take an OpenGL renderer (EGL), which
    // Direct3D needs. Window surfaces stay plain memory: with SDL's default
    // they would be textures of a GL renderer, loading GL for every window.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  }
  // Closing the last window must reach the program as WM_CLOSE only.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "SDL video could not start: %s\n", SDL_GetError());
    return false;
  }
  g_videoStarted = true;
  return true;
}

}  // namespace Platform
