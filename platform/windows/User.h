// Window and resource functions read through the platform layer: headless
// top-level windows are never shown, and the program's menus, accelerators
// and icons come from its resource table. platform/Windows.h maps the system
// names onto these after the system headers.
#pragma once

#include <windows.h>

namespace Platform {

BOOL UserShowWindow(HWND window, int command);
BOOL UserUpdateWindow(HWND window);
HMENU UserLoadMenuA(HINSTANCE instance, LPCSTR name);
HACCEL UserLoadAcceleratorsA(HINSTANCE instance, LPCSTR name);
HICON UserLoadIconA(HINSTANCE instance, LPCSTR name);
ATOM UserRegisterClassExA(const WNDCLASSEXA* windowClass);
HWND UserCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width,
                         int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter);

}  // namespace Platform
