// The clock functions the engine calls, read through the platform layer so
// that the virtual clock can stand in for the system's. platform/Windows.h
// maps the system names onto these after the system headers.
#pragma once

#include <windows.h>

namespace Platform {

DWORD ClockTimeGetTime();
BOOL ClockQueryPerformanceCounter(LARGE_INTEGER* count);
BOOL ClockQueryPerformanceFrequency(LARGE_INTEGER* frequency);
void ClockSleep(DWORD milliseconds);
void ClockGetLocalTime(LPSYSTEMTIME time);

}  // namespace Platform
