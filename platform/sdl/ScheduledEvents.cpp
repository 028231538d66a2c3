// SDL events scheduled on the virtual clock, pushed into SDL's queue as the
// clock passes their time.
#include <SDL.h>

#include <algorithm>
#include <vector>

#include "platform/Platform.h"
#include "platform/common/VirtualClock.h"
#include "platform/sdl/Video.h"

namespace Platform {
namespace {

struct ScheduledEvent {
  ULONGLONG dueElapsed;
  SDL_Event event;
};

// Ordered by due time, then by posting order.
std::vector<ScheduledEvent>& Scheduled() {
  static std::vector<ScheduledEvent> scheduled;
  return scheduled;
}

}  // namespace

void PostEventAt(DWORD virtualMs, const SDL_Event& event) {
  EnsureVideo();
  std::vector<ScheduledEvent>& scheduled = Scheduled();
  // A time already passed is delivered at once.
  LONG ahead = static_cast<LONG>(virtualMs - VirtualClockNow());
  ULONGLONG due = VirtualClockElapsed() + static_cast<ULONGLONG>(ahead > 0 ? ahead : 0);
  auto position =
      std::upper_bound(scheduled.begin(), scheduled.end(), due,
                       [](ULONGLONG value, const ScheduledEvent& entry) { return value < entry.dueElapsed; });
  scheduled.insert(position, ScheduledEvent{due, event});
  DeliverDueEvents();
}

void DeliverDueEvents() {
  std::vector<ScheduledEvent>& scheduled = Scheduled();
  size_t due = 0;
  while (due < scheduled.size() && scheduled[due].dueElapsed <= VirtualClockElapsed()) ++due;
  if (due == 0 || !EnsureVideo()) return;
  for (size_t i = 0; i < due; ++i) SDL_PushEvent(&scheduled[i].event);
  scheduled.erase(scheduled.begin(), scheduled.begin() + static_cast<long>(due));
}

void ClearScheduledEvents() { Scheduled().clear(); }

bool AdvanceToNextEvent() {
  if (Scheduled().empty()) return false;
  AdvanceVirtualClockTo(Scheduled().front().dueElapsed);
  return true;
}

}  // namespace Platform
