// timeGetTime, the performance counter, Sleep and GetLocalTime: the system's
// own, or the virtual clock's while it is enabled. WaitMessage stays the
// system's: no events are scheduled on the virtual clock on Windows.
#include "platform/windows/Clock.h"

#include "platform/Platform.h"
#include "platform/common/VirtualClock.h"

// The system's own functions, not the layer's names for them.
#undef timeGetTime
#undef QueryPerformanceCounter
#undef QueryPerformanceFrequency
#undef Sleep
#undef GetLocalTime

namespace Platform {
namespace {

// The counter's frequency is fixed at boot, so the virtual counter ticks at
// the same rate and a frequency read before the clock was enabled stays right.
LONGLONG CounterFrequency() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER value{};
    return ::QueryPerformanceFrequency(&value) && value.QuadPart > 0 ? value.QuadPart : 1000;
  }();
  return frequency;
}

}  // namespace

DWORD ClockTimeGetTime() { return IsVirtualClockEnabled() ? VirtualClockNow() : ::timeGetTime(); }

BOOL ClockQueryPerformanceCounter(LARGE_INTEGER* count) {
  if (!IsVirtualClockEnabled() || count == nullptr) return ::QueryPerformanceCounter(count);
  ULONGLONG elapsed = VirtualClockElapsed();
  LONGLONG frequency = CounterFrequency();
  count->QuadPart = static_cast<LONGLONG>(elapsed / 1000) * frequency +
                    static_cast<LONGLONG>(elapsed % 1000) * frequency / 1000;
  return TRUE;
}

BOOL ClockQueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (frequency == nullptr) return ::QueryPerformanceFrequency(frequency);
  frequency->QuadPart = CounterFrequency();
  return TRUE;
}

void ClockSleep(DWORD milliseconds) {
  if (IsVirtualClockEnabled())
    AdvanceVirtualClock(milliseconds);
  else
    ::Sleep(milliseconds);
}

void ClockGetLocalTime(LPSYSTEMTIME time) {
  if (IsVirtualClockEnabled() && time != nullptr)
    VirtualLocalTime(time);
  else
    ::GetLocalTime(time);
}

}  // namespace Platform
