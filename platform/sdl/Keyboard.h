// Keys: SDL key events as key messages, and the characters they give.
#pragma once

#include <SDL.h>

#include "platform/Windows.h"

namespace Platform {

// The virtual-key code of an SDL key, or 0 for keys the layer does not map.
WPARAM VirtualKeyFromSdl(SDL_Keycode key);
// The lParam of a key message: repeat count, scan code, context and
// transition bits as on Windows; on 64-bit builds the bits above 31 carry
// the Shift and Ctrl state at the time of the key press.
LPARAM KeyMessageParam(const SDL_KeyboardEvent& key);
// The character a key-down message gives (US layout), or 0.
char CharFromKeyMessage(WPARAM virtualKey, LPARAM lParam);
bool IsShiftDown(LPARAM lParam);
bool IsControlDown(LPARAM lParam);

}  // namespace Platform
