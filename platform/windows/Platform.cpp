// What Platform.h adds to the system's interfaces, on Windows: the resource
// table is kept, the headless switch is recorded (and also on when the
// process has no interactive window station), and GetProcAddress gives the
// exports replaced here. The clock functions read the virtual clock
// (Clock.cpp); headless windows are never shown and the table's menus,
// accelerators and icons are built (User.cpp).
#include "platform/Platform.h"

#include <cstring>
#include <string>

#include "platform/common/VirtualClock.h"
#include "platform/windows/Module.h"
#include "platform/windows/Resources.h"

// The system's own function, not the layer's name for it.
#undef GetProcAddress

namespace Platform {
namespace {

const ResourceTable* g_resources = nullptr;
bool g_headlessRequested = false;

// The exports SetModuleExport may replace; a null function gives the module's own.
struct Export {
  const char* module;
  const char* name;
  FARPROC function;
};
Export g_exports[] = {{"ddraw.dll", "DirectDrawCreate", nullptr}, {"d3d8.dll", "Direct3DCreate8", nullptr}};

// The file name of a loaded module, without its folder.
std::string ModuleName(HMODULE module) {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  const char* name = path;
  for (const char* at = path; *at != '\0'; ++at)
    if (*at == '\\' || *at == '/') name = at + 1;
  return name;
}

}  // namespace

void SetResources(const ResourceTable* table) { g_resources = table; }

const ResourceTable* Resources() { return g_resources; }

void SetHeadless(bool headless) { g_headlessRequested = headless; }

bool IsHeadless() {
  if (g_headlessRequested) return true;
  // A service or a session without a desktop has no visible window station.
  USEROBJECTFLAGS flags{};
  HWINSTA station = GetProcessWindowStation();
  if (station == nullptr || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof(flags), nullptr))
    return false;
  return (flags.dwFlags & WSF_VISIBLE) == 0;
}

bool SetModuleExport(const char* module, const char* name, FARPROC function) {
  if (module == nullptr || name == nullptr) return false;
  for (Export& entry : g_exports) {
    if (_stricmp(entry.module, module) != 0 || std::strcmp(entry.name, name) != 0) continue;
    entry.function = function;
    return true;
  }
  return false;
}

FARPROC ModuleGetProcAddress(HMODULE module, LPCSTR name) {
  FARPROC own = GetProcAddress(module, name);
  if (module == nullptr || name == nullptr || IS_INTRESOURCE(name)) return own;
  for (const Export& entry : g_exports) {
    if (entry.function == nullptr || std::strcmp(entry.name, name) != 0) continue;
    if (_stricmp(ModuleName(module).c_str(), entry.module) == 0) return entry.function;
  }
  return own;
}

// Events are scheduled on the virtual clock only by tests of the SDL backend,
// which feed it SDL events; on Windows the system queue holds every message,
// so there is nothing to schedule and these stay empty.
void DeliverDueEvents() {}

void ClearScheduledEvents() {}

bool AdvanceToNextEvent() { return false; }

}  // namespace Platform
