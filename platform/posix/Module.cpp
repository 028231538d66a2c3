// The built-in modules and their exports.
#include "platform/win32/Module.h"

#include <strings.h>

#include <cstring>

#include "platform/win32/DirectDraw.h"

namespace {

struct Export {
  const char* name;
  FARPROC function;
};

struct BuiltInModule {
  const char* name;
  const Export* exports;
  size_t exportCount;
  int loadCount;
};

// Exports are stored untyped, as GetProcAddress returns them; void (*)() is
// the type any function pointer may pass through.
template <class Function>
FARPROC AsExport(Function* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

const Export kDirectDrawExports[] = {{"DirectDrawCreate", AsExport(&DirectDrawCreate)}};

BuiltInModule g_modules[] = {
    {"ddraw.dll", kDirectDrawExports, 1, 0},
};

BuiltInModule* FindModule(HMODULE handle) {
  for (BuiltInModule& module : g_modules)
    if (reinterpret_cast<HMODULE>(&module) == handle && module.loadCount > 0) return &module;
  return nullptr;
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR name) {
  if (name == nullptr) return nullptr;
  for (BuiltInModule& module : g_modules) {
    if (strcasecmp(module.name, name) != 0) continue;
    ++module.loadCount;
    return reinterpret_cast<HMODULE>(&module);
  }
  return nullptr;
}

FARPROC GetProcAddress(HMODULE handle, LPCSTR name) {
  BuiltInModule* module = FindModule(handle);
  if (module == nullptr || name == nullptr || IS_INTRESOURCE(name)) return nullptr;
  for (size_t i = 0; i < module->exportCount; ++i)
    if (strcmp(module->exports[i].name, name) == 0) return module->exports[i].function;
  return nullptr;
}

BOOL FreeLibrary(HMODULE handle) {
  BuiltInModule* module = FindModule(handle);
  if (module == nullptr) return FALSE;
  --module->loadCount;
  return TRUE;
}
