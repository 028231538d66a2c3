// GDI device contexts, DIB sections and block copies to windows.
#pragma once

#include "platform/win32/Gdi.h"
#include "platform/win32/Types.h"

#define DIB_RGB_COLORS 0
#define SRCCOPY 0x00CC0020

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// Only top-down 16-bit BI_RGB sections (X1R5G5B5 pixels); the bits are plain
// memory, rows padded to 4 bytes.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
// SRCCOPY from a memory DC into a window DC (or another memory DC); a copy
// into a window updates just the rectangle copied.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int srcX, int srcY, DWORD rop);
// As BitBlt, scaled to the nearest pixel; negative sizes (mirroring) copy nothing.
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop);
