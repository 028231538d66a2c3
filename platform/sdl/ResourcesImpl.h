// Lookups into the program's resource tables.
#pragma once

#include <SDL.h>

#include "platform/Platform.h"

namespace Platform {

const MenuResource* MenuFromHandle(HMENU menu);
const AcceleratorResource* AcceleratorsFromHandle(HACCEL accelerators);
// The icon's pixels as an SDL surface, or null for system icons.
SDL_Surface* IconSurface(HICON icon);
// The character after '&' in a menu text, upper-cased; 0 when there is none.
char MenuMnemonic(const char* text);

}  // namespace Platform
