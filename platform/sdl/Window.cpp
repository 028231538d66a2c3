// Window classes and windows over SDL windows. The client area is the whole
// SDL window; the menu is not drawn but answers the keyboard.
#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sdl/ResourcesImpl.h"
#include "platform/sdl/Keyboard.h"
#include "platform/sdl/Video.h"
#include "platform/sdl/WindowImpl.h"

namespace Platform {
namespace {

constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

struct WindowClass {
  std::string name;
  WNDCLASSEXA description;
};

std::vector<WindowClass>& Classes() {
  static std::vector<WindowClass> classes;
  return classes;
}

std::vector<std::unique_ptr<Window>>& Windows() {
  static std::vector<std::unique_ptr<Window>> windows;
  return windows;
}

const WindowClass* FindClass(LPCSTR name) {
  if (name == nullptr) return nullptr;
  for (const WindowClass& windowClass : Classes())
    if (windowClass.name == name) return &windowClass;
  return nullptr;
}

}  // namespace

Window* FindLiveWindow(HWND handle) {
  if (handle == nullptr) return nullptr;
  for (auto& window : Windows())
    if (ToHandle(window.get()) == handle) return window.get();
  return nullptr;
}

Window* FindWindowBySdlId(Uint32 sdlWindowId) {
  for (auto& window : Windows())
    if (window->sdlWindowId == sdlWindowId) return window.get();
  return nullptr;
}

HWND FindWindowNeedingPaint(HWND filter) {
  for (auto& window : Windows())
    if (window->needsPaint && window->shown && (filter == nullptr || ToHandle(window.get()) == filter))
      return ToHandle(window.get());
  return nullptr;
}

SDL_Window* GetSdlWindow(HWND handle) {
  Window* window = FindLiveWindow(handle);
  return window != nullptr ? window->sdlWindow : nullptr;
}

bool HandleMenuKey(Window& window, UINT message, WPARAM wParam) {
  const MenuResource* menu = MenuFromHandle(window.menu);
  if (menu == nullptr) return false;
  bool isCharacter = message == WM_CHAR || message == WM_SYSCHAR;
  char key = static_cast<char>(std::toupper(static_cast<int>(wParam & 0xFF)));
  if (window.openPopup >= 0) {
    if (!isCharacter && message != WM_KEYDOWN && message != WM_SYSKEYDOWN) return false;
    if (!isCharacter && (wParam == VK_MENU || wParam == VK_SHIFT || wParam == VK_CONTROL)) return true;
    const MenuPopupResource& popup = menu->popups[window.openPopup];
    if (isCharacter) {
      window.openPopup = -1;
      for (size_t i = 0; i < popup.itemCount; ++i)
        if (MenuMnemonic(popup.items[i].text) == key)
          PostMessageA(ToHandle(&window), WM_COMMAND, MAKEWPARAM(popup.items[i].id, 0), 0);
      return true;
    }
    // A key without a character (Escape, arrows) closes the popup.
    if (CharFromKeyMessage(wParam, 0) == 0) window.openPopup = -1;
    return true;
  }
  if (message != WM_SYSCHAR) return false;
  for (size_t i = 0; i < menu->popupCount; ++i) {
    if (MenuMnemonic(menu->popups[i].text) == key) {
      window.openPopup = static_cast<int>(i);
      return true;
    }
  }
  return false;
}

}  // namespace Platform

using namespace Platform;

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
  if (windowClass == nullptr || windowClass->cbSize != sizeof(WNDCLASSEXA) || windowClass->lpszClassName == nullptr ||
      windowClass->lpfnWndProc == nullptr || FindClass(windowClass->lpszClassName) != nullptr)
    return 0;
  Classes().push_back(WindowClass{windowClass->lpszClassName, *windowClass});
  return static_cast<ATOM>(Classes().size());
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  (void)exStyle;
  (void)parent;
  (void)param;
  const WindowClass* windowClass = FindClass(className);
  if (windowClass == nullptr || !EnsureVideo()) return nullptr;
  if (width == CW_USEDEFAULT || width <= 0 || height <= 0) {
    width = kDefaultWidth;
    height = kDefaultHeight;
  }
  int left = x == CW_USEDEFAULT ? SDL_WINDOWPOS_UNDEFINED : x;
  int top = x == CW_USEDEFAULT ? SDL_WINDOWPOS_UNDEFINED : y;
  SDL_Window* sdlWindow =
      SDL_CreateWindow(windowName != nullptr ? windowName : "", left, top, width, height, SDL_WINDOW_HIDDEN);
  if (sdlWindow == nullptr) return nullptr;

  auto window = std::make_unique<Window>();
  window->procedure = windowClass->description.lpfnWndProc;
  window->sdlWindow = sdlWindow;
  window->sdlWindowId = SDL_GetWindowID(sdlWindow);
  window->style = style;
  window->menu = menu != nullptr ? menu : LoadMenuA(instance, windowClass->description.lpszMenuName);
  if (SDL_Surface* icon = IconSurface(windowClass->description.hIcon)) SDL_SetWindowIcon(sdlWindow, icon);
  HWND handle = ToHandle(window.get());
  Windows().push_back(std::move(window));

  if (SendMessageA(handle, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  if ((style & WS_VISIBLE) != 0) ShowWindow(handle, SW_SHOW);
  return handle;
}

BOOL ShowWindow(HWND handle, int command) {
  Window* window = FindLiveWindow(handle);
  if (window == nullptr) return FALSE;
  BOOL wasVisible = window->shown ? TRUE : FALSE;
  switch (command) {
    case SW_HIDE:
      SDL_HideWindow(window->sdlWindow);
      window->shown = false;
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
      SDL_ShowWindow(window->sdlWindow);
      SDL_MinimizeWindow(window->sdlWindow);
      window->shown = true;
      break;
    case SW_RESTORE:
      SDL_RestoreWindow(window->sdlWindow);
      [[fallthrough]];
    default:
      SDL_ShowWindow(window->sdlWindow);
      window->needsPaint = true;
      if (!window->shown) {
        window->shown = true;
        SendMessageA(handle, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
      }
      break;
  }
  return wasVisible;
}

BOOL UpdateWindow(HWND handle) {
  Window* window = FindLiveWindow(handle);
  if (window == nullptr) return FALSE;
  if (window->needsPaint && window->shown) SendMessageA(handle, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL DestroyWindow(HWND handle) {
  Window* window = FindLiveWindow(handle);
  if (window == nullptr || window->destroying) return FALSE;
  window->destroying = true;
  SendMessageA(handle, WM_DESTROY, 0, 0);
  DiscardMessagesFor(handle);
  if (window->beforeDestroy != nullptr) window->beforeDestroy(window->beforeDestroyContext);
  SDL_DestroyWindow(window->sdlWindow);
  auto& windows = Windows();
  windows.erase(std::find_if(windows.begin(), windows.end(), [&](auto& w) { return w.get() == window; }));
  return TRUE;
}

BOOL IsWindow(HWND handle) { return FindLiveWindow(handle) != nullptr ? TRUE : FALSE; }

BOOL IsIconic(HWND handle) {
  Window* window = FindLiveWindow(handle);
  return window != nullptr && window->minimized ? TRUE : FALSE;
}

LRESULT DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  Window* window = FindLiveWindow(handle);
  if (window == nullptr) return 0;
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(handle);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(handle, &paint);
      EndPaint(handle, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
    case WM_SYSCHAR:
      HandleMenuKey(*window, message, wParam);
      return 0;
    default:
      return 0;
  }
}

BOOL InvalidateRect(HWND handle, const RECT* rect, BOOL erase) {
  (void)rect;
  (void)erase;
  Window* window = FindLiveWindow(handle);
  if (window == nullptr) return FALSE;
  window->needsPaint = true;
  return TRUE;
}

HDC BeginPaint(HWND handle, LPPAINTSTRUCT paint) {
  Window* window = FindLiveWindow(handle);
  if (window == nullptr || paint == nullptr) return nullptr;
  window->needsPaint = false;
  *paint = PAINTSTRUCT{};
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(window->sdlWindow, &width, &height);
  paint->rcPaint = RECT{0, 0, width, height};
  // Nothing draws through the paint DC; painting goes through the device.
  return nullptr;
}

BOOL EndPaint(HWND handle, const PAINTSTRUCT* paint) {
  (void)paint;
  return FindLiveWindow(handle) != nullptr ? TRUE : FALSE;
}

HMENU GetMenu(HWND handle) {
  Window* window = FindLiveWindow(handle);
  return window != nullptr ? window->menu : nullptr;
}

BOOL SetMenu(HWND handle, HMENU menu) {
  Window* window = FindLiveWindow(handle);
  if (window == nullptr) return FALSE;
  window->menu = menu;
  window->openPopup = -1;
  return TRUE;
}
