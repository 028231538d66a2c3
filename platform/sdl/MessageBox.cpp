#include <SDL.h>

#include <cstdio>

#include "platform/Platform.h"
#include "platform/sdl/Video.h"
#include "platform/sdl/WindowImpl.h"

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  const char* message = text != nullptr ? text : "";
  const char* title = caption != nullptr ? caption : "Error";
  if (!Platform::IsHeadless() && Platform::EnsureVideo()) {
    Uint32 flags = (type & MB_ICONERROR) != 0 ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    if (SDL_ShowSimpleMessageBox(flags, title, message, Platform::GetSdlWindow(owner)) == 0) return IDOK;
  }
  std::fprintf(stderr, "%s: %s\n", title, message);
  return IDOK;
}
