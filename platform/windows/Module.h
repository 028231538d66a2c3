// GetProcAddress read through the platform layer, so that an export replaced
// with SetModuleExport is given in place of the module's own. platform/Windows.h
// maps the system name onto it after the system headers.
#pragma once

#include <windows.h>

namespace Platform {

FARPROC ModuleGetProcAddress(HMODULE module, LPCSTR name);

}  // namespace Platform
