// What Platform.h adds to the system's interfaces, on Windows. So far: the
// resource table is kept, the headless switch is recorded (and also on when
// the process has no interactive window station); the clock functions read
// the virtual clock (Clock.cpp). Still to come: windows that are never shown
// while headless, menus, accelerators and icons from the table, and
// replaceable exports.
#include "platform/Platform.h"

#include "platform/common/VirtualClock.h"

namespace Platform {
namespace {

const ResourceTable* g_resources = nullptr;
bool g_headlessRequested = false;

}  // namespace

void SetResources(const ResourceTable* table) { g_resources = table; }

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

// The system's GetProcAddress cannot yet be given a replacement, so none is
// accepted rather than one silently ignored.
bool SetModuleExport(const char*, const char*, FARPROC) { return false; }

// Events are scheduled on the virtual clock only by tests of the SDL backend,
// which feed it SDL events; on Windows the system queue holds every message,
// so there is nothing to schedule and these stay empty.
void DeliverDueEvents() {}

void ClearScheduledEvents() {}

bool AdvanceToNextEvent() { return false; }

}  // namespace Platform
