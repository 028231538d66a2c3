// The virtual clock's state, shared by the clock functions and the backend's
// message queue (which delivers scheduled events as the clock passes them).
#pragma once

#include "platform/Windows.h"

namespace Platform {

DWORD VirtualClockNow();
// Milliseconds the virtual clock has advanced since it was enabled.
ULONGLONG VirtualClockElapsed();
void VirtualLocalTime(LPSYSTEMTIME time);
// Moves the clock forward to the given elapsed time (never back), then
// delivers what has come due.
void AdvanceVirtualClockTo(ULONGLONG elapsedMs);

// Provided by the backend, which owns the events scheduled on the clock.
// Delivers every scheduled event whose time has come.
void DeliverDueEvents();
// Forgets every scheduled event.
void ClearScheduledEvents();
// Moves the clock to the earliest scheduled event; false when none is left.
bool AdvanceToNextEvent();

}  // namespace Platform
