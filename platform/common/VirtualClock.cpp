// The virtual clock: time that moves only when asked to. The events scheduled
// on it belong to the backend.
#include "platform/common/VirtualClock.h"

#include <algorithm>
#include <ctime>

#include "platform/Platform.h"

namespace Platform {
namespace {

struct VirtualClockState {
  bool enabled = false;
  DWORD startMs = 0;
  ULONGLONG elapsedMs = 0;
  SYSTEMTIME localTimeAtStart{};
};

VirtualClockState& State() {
  static VirtualClockState state;
  return state;
}

// UTC calendar fields to seconds and back, normalising fields out of range.
std::time_t ToSeconds(std::tm* fields) {
#ifdef _WIN32
  return _mkgmtime(fields);
#else
  return timegm(fields);
#endif
}

void ToFields(std::time_t seconds, std::tm* fields) {
#ifdef _WIN32
  gmtime_s(fields, &seconds);
#else
  gmtime_r(&seconds, fields);
#endif
}

}  // namespace

void EnableVirtualClock(DWORD startMs, const SYSTEMTIME& localTimeAtStart) {
  VirtualClockState& state = State();
  state.enabled = true;
  state.startMs = startMs;
  state.elapsedMs = 0;
  state.localTimeAtStart = localTimeAtStart;
  ClearScheduledEvents();
}

void DisableVirtualClock() {
  State().enabled = false;
  ClearScheduledEvents();
}

bool IsVirtualClockEnabled() { return State().enabled; }

DWORD VirtualClockNow() { return State().startMs + static_cast<DWORD>(State().elapsedMs); }

ULONGLONG VirtualClockElapsed() { return State().elapsedMs; }

void VirtualLocalTime(LPSYSTEMTIME time) {
  const VirtualClockState& state = State();
  const SYSTEMTIME& start = state.localTimeAtStart;
  std::tm fields{};
  fields.tm_year = start.wYear - 1900;
  fields.tm_mon = start.wMonth - 1;
  fields.tm_mday = start.wDay;
  fields.tm_hour = start.wHour;
  fields.tm_min = start.wMinute;
  fields.tm_sec = start.wSecond;
  ULONGLONG totalMs = start.wMilliseconds + state.elapsedMs;
  std::time_t seconds = ToSeconds(&fields) + static_cast<std::time_t>(totalMs / 1000);
  ToFields(seconds, &fields);
  time->wYear = static_cast<WORD>(fields.tm_year + 1900);
  time->wMonth = static_cast<WORD>(fields.tm_mon + 1);
  time->wDayOfWeek = static_cast<WORD>(fields.tm_wday);
  time->wDay = static_cast<WORD>(fields.tm_mday);
  time->wHour = static_cast<WORD>(fields.tm_hour);
  time->wMinute = static_cast<WORD>(fields.tm_min);
  time->wSecond = static_cast<WORD>(fields.tm_sec);
  time->wMilliseconds = static_cast<WORD>(totalMs % 1000);
}

void AdvanceVirtualClock(DWORD milliseconds) {
  State().elapsedMs += milliseconds;
  DeliverDueEvents();
}

void AdvanceVirtualClockTo(ULONGLONG elapsedMs) {
  State().elapsedMs = std::max(State().elapsedMs, elapsedMs);
  DeliverDueEvents();
}

}  // namespace Platform
