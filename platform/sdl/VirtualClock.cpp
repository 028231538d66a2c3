#include "platform/sdl/VirtualClock.h"

#include <SDL.h>

#include <algorithm>
#include <ctime>
#include <vector>

#include "platform/Platform.h"
#include "platform/sdl/Video.h"

namespace Platform {
namespace {

struct ScheduledEvent {
  ULONGLONG dueElapsed;
  SDL_Event event;
};

struct VirtualClockState {
  bool enabled = false;
  DWORD startMs = 0;
  ULONGLONG elapsedMs = 0;
  SYSTEMTIME localTimeAtStart{};
  std::vector<ScheduledEvent> scheduled;  // ordered by due time, then by posting order
};

VirtualClockState& State() {
  static VirtualClockState state;
  return state;
}

}  // namespace

void EnableVirtualClock(DWORD startMs, const SYSTEMTIME& localTimeAtStart) {
  VirtualClockState& state = State();
  state.enabled = true;
  state.startMs = startMs;
  state.elapsedMs = 0;
  state.localTimeAtStart = localTimeAtStart;
  state.scheduled.clear();
}

void DisableVirtualClock() {
  State().enabled = false;
  State().scheduled.clear();
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
  std::time_t seconds = timegm(&fields) + static_cast<std::time_t>(totalMs / 1000);
  gmtime_r(&seconds, &fields);
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

void PostEventAt(DWORD virtualMs, const SDL_Event& event) {
  EnsureVideo();
  VirtualClockState& state = State();
  // A time already passed is delivered at once.
  LONG ahead = static_cast<LONG>(virtualMs - VirtualClockNow());
  ULONGLONG due = state.elapsedMs + static_cast<ULONGLONG>(ahead > 0 ? ahead : 0);
  auto position = std::upper_bound(
      state.scheduled.begin(), state.scheduled.end(), due,
      [](ULONGLONG value, const ScheduledEvent& scheduled) { return value < scheduled.dueElapsed; });
  state.scheduled.insert(position, ScheduledEvent{due, event});
  DeliverDueEvents();
}

void DeliverDueEvents() {
  VirtualClockState& state = State();
  size_t due = 0;
  while (due < state.scheduled.size() && state.scheduled[due].dueElapsed <= state.elapsedMs) ++due;
  if (due == 0 || !EnsureVideo()) return;
  for (size_t i = 0; i < due; ++i) SDL_PushEvent(&state.scheduled[i].event);
  state.scheduled.erase(state.scheduled.begin(), state.scheduled.begin() + static_cast<long>(due));
}

bool AdvanceToNextEvent() {
  VirtualClockState& state = State();
  if (state.scheduled.empty()) return false;
  state.elapsedMs = std::max(state.elapsedMs, state.scheduled.front().dueElapsed);
  DeliverDueEvents();
  return true;
}

}  // namespace Platform
