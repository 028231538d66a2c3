// The virtual clock's state, shared by the clock functions and the message
// queue (which delivers scheduled events as the clock passes them).
#pragma once

#include "platform/Windows.h"

namespace Platform {

DWORD VirtualClockNow();
// Milliseconds the virtual clock has advanced since it was enabled.
ULONGLONG VirtualClockElapsed();
void VirtualLocalTime(LPSYSTEMTIME time);
// Pushes every scheduled event whose time has come into SDL's queue.
void DeliverDueEvents();
// Moves the clock to the earliest scheduled event; false when none is left.
bool AdvanceToNextEvent();

}  // namespace Platform
