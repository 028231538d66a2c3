// The part of DirectDraw the software device uses: taking the screen
// exclusively and switching the display mode, mapped to SDL's full-screen
// modes (the mode closest to the requested size that SDL offers).
#pragma once

#include "platform/win32/Types.h"

#define DD_OK S_OK
#define DDERR_GENERIC ((HRESULT)0x80004005L)
#define DDERR_INVALIDPARAMS ((HRESULT)0x80070057L)
#define DDERR_INVALIDMODE ((HRESULT)0x88760078L)
#define DDERR_NOEXCLUSIVEMODE ((HRESULT)0x887600E1L)

#define DDSCL_FULLSCREEN 0x00000001L
#define DDSCL_ALLOWREBOOT 0x00000002L
#define DDSCL_NORMAL 0x00000008L
#define DDSCL_EXCLUSIVE 0x00000010L

struct IUnknown;

struct IDirectDraw {
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
  virtual HRESULT RestoreDisplayMode() = 0;
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
  virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) = 0;

 protected:
  ~IDirectDraw() = default;
};
typedef IDirectDraw* LPDIRECTDRAW;

// The function "ddraw.dll" exports as "DirectDrawCreate".
HRESULT DirectDrawCreate(GUID* driver, LPDIRECTDRAW* directDraw, IUnknown* outer);
