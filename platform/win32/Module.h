// Run-time modules. The layer's modules ("ddraw.dll" and "d3d8.dll") are
// built in: LoadLibraryA finds them by name, case-insensitively, and no other
// module can be loaded.
#pragma once

#include "platform/win32/Types.h"

HMODULE LoadLibraryA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);
