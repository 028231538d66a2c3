#include "platform/sdl/Keyboard.h"

#include <cstring>

#include "platform/sdl/ResourcesImpl.h"
#include "platform/sdl/WindowImpl.h"

namespace Platform {
namespace {

static_assert(sizeof(LPARAM) == 8, "the key state bits need a 64-bit lParam");
constexpr LPARAM kShiftDown = LPARAM(1) << 32;
constexpr LPARAM kControlDown = LPARAM(1) << 33;
constexpr LPARAM kAltDown = LPARAM(1) << 29;

struct OemKey {
  WPARAM virtualKey;
  char plain;
  char shifted;
};

constexpr OemKey kOemKeys[] = {
    {VK_OEM_1, ';', ':'},   {VK_OEM_PLUS, '=', '+'}, {VK_OEM_COMMA, ',', '<'}, {VK_OEM_MINUS, '-', '_'},
    {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},  {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},
    {VK_OEM_5, '\\', '|'},  {VK_OEM_6, ']', '}'},    {VK_OEM_7, '\'', '"'},    {VK_SPACE, ' ', ' '},
    {VK_RETURN, '\r', '\r'}, {VK_ESCAPE, 0x1B, 0x1B}, {VK_BACK, '\b', '\b'},   {VK_TAB, '\t', '\t'},
};

constexpr const char* kShiftedDigits = ")!@#$%^&*(";

}  // namespace

WPARAM VirtualKeyFromSdl(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
  switch (key) {
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    default: return 0;
  }
}

LPARAM KeyMessageParam(const SDL_KeyboardEvent& key) {
  LPARAM param = 1 | (static_cast<LPARAM>(key.keysym.scancode & 0xFF) << 16);
  if ((key.keysym.mod & KMOD_ALT) != 0 || key.keysym.sym == SDLK_LALT || key.keysym.sym == SDLK_RALT)
    param |= kAltDown;
  if (key.state == SDL_RELEASED) param |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
  else if (key.repeat != 0) param |= LPARAM(1) << 30;
  if ((key.keysym.mod & KMOD_SHIFT) != 0) param |= kShiftDown;
  if ((key.keysym.mod & KMOD_CTRL) != 0) param |= kControlDown;
  return param;
}

bool IsShiftDown(LPARAM lParam) { return (lParam & kShiftDown) != 0; }
bool IsControlDown(LPARAM lParam) { return (lParam & kControlDown) != 0; }

char CharFromKeyMessage(WPARAM virtualKey, LPARAM lParam) {
  bool shift = IsShiftDown(lParam);
  if (virtualKey >= 'A' && virtualKey <= 'Z')
    return static_cast<char>(shift ? virtualKey : virtualKey - 'A' + 'a');
  if (virtualKey >= '0' && virtualKey <= '9')
    return shift ? kShiftedDigits[virtualKey - '0'] : static_cast<char>(virtualKey);
  for (const OemKey& oem : kOemKeys)
    if (oem.virtualKey == virtualKey) return shift ? oem.shifted : oem.plain;
  return 0;
}

}  // namespace Platform

using namespace Platform;

BOOL TranslateMessage(const MSG* msg) {
  if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  char character = CharFromKeyMessage(msg->wParam, msg->lParam);
  if (character == 0) return FALSE;
  if (IsControlDown(msg->lParam) && character >= 'a' && character <= 'z') character = character - 'a' + 1;
  UINT charMessage = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  PostCharMessage(msg->hwnd, charMessage, static_cast<unsigned char>(character), msg->lParam);
  return TRUE;
}

int TranslateAcceleratorA(HWND handle, HACCEL accelerators, LPMSG msg) {
  const AcceleratorResource* table = AcceleratorsFromHandle(accelerators);
  if (table == nullptr || msg == nullptr || FindLiveWindow(handle) == nullptr) return 0;
  bool isKey = msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN;
  bool isChar = msg->message == WM_CHAR || msg->message == WM_SYSCHAR;
  if (!isKey && !isChar) return 0;
  bool alt = msg->message == WM_SYSKEYDOWN || msg->message == WM_SYSCHAR;
  for (size_t i = 0; i < table->entryCount; ++i) {
    const ACCEL& entry = table->entries[i];
    bool virtualKey = (entry.fVirt & FVIRTKEY) != 0;
    if (virtualKey != isKey || entry.key != msg->wParam) continue;
    if (((entry.fVirt & FALT) != 0) != alt) continue;
    if (virtualKey && (((entry.fVirt & FSHIFT) != 0) != IsShiftDown(msg->lParam) ||
                       ((entry.fVirt & FCONTROL) != 0) != IsControlDown(msg->lParam)))
      continue;
    SendMessageA(handle, WM_COMMAND, MAKEWPARAM(entry.cmd, 1), 0);
    return 1;
  }
  return 0;
}
