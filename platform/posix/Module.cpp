// The built-in modules and their exports.
#include "platform/win32/Module.h"

#include <strings.h>

#include <cstring>

#include "platform/Platform.h"
#include "platform/win32/D3D8.h"
#include "platform/win32/DirectDraw.h"

namespace {

struct Export {
  const char* name;
  FARPROC own;       // the layer's function
  FARPROC function;  // what GetProcAddress gives: own, or a replacement
};

struct BuiltInModule {
  const char* name;
  Export* exports;
  size_t exportCount;
  int loadCount;
};

// Exports are stored untyped, as GetProcAddress returns them; void (*)() is
// the type any function pointer may pass through.
template <class Function>
FARPROC AsExport(Function* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

Export g_directDrawExports[] = {
    {"DirectDrawCreate", AsExport(&DirectDrawCreate), AsExport(&DirectDrawCreate)}};
Export g_direct3DExports[] = {{"Direct3DCreate8", AsExport(&Direct3DCreate8), AsExport(&Direct3DCreate8)}};

BuiltInModule g_modules[] = {
    {"ddraw.dll", g_directDrawExports, 1, 0},
    {"d3d8.dll", g_direct3DExports, 1, 0},
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

bool Platform::SetModuleExport(const char* module, const char* name, FARPROC function) {
  if (module == nullptr || name == nullptr) return false;
  for (BuiltInModule& builtIn : g_modules) {
    if (strcasecmp(builtIn.name, module) != 0) continue;
    for (size_t i = 0; i < builtIn.exportCount; ++i) {
      Export& entry = builtIn.exports[i];
      if (strcmp(entry.name, name) != 0) continue;
      entry.function = function != nullptr ? function : entry.own;
      return true;
    }
  }
  return false;
}
