// timeGetTime, the performance counter, Sleep and GetLocalTime over the
// monotonic clock, with the virtual clock used by tests.
#include <chrono>
#include <ctime>
#include <thread>

#include "platform/Platform.h"
#include "platform/common/VirtualClock.h"

namespace {

constexpr LONGLONG kCounterFrequency = 1000000000;  // nanoseconds

LONGLONG RealNanoseconds() {
  using namespace std::chrono;
  static const steady_clock::time_point origin = steady_clock::now();
  return duration_cast<nanoseconds>(steady_clock::now() - origin).count();
}

}  // namespace

DWORD timeGetTime() {
  if (Platform::IsVirtualClockEnabled()) return Platform::VirtualClockNow();
  return static_cast<DWORD>(RealNanoseconds() / 1000000);
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (count == nullptr) return FALSE;
  if (Platform::IsVirtualClockEnabled())
    count->QuadPart = static_cast<LONGLONG>(Platform::VirtualClockElapsed()) * (kCounterFrequency / 1000);
  else
    count->QuadPart = RealNanoseconds();
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (frequency == nullptr) return FALSE;
  frequency->QuadPart = kCounterFrequency;
  return TRUE;
}

void Sleep(DWORD milliseconds) {
  if (Platform::IsVirtualClockEnabled()) {
    Platform::AdvanceVirtualClock(milliseconds);
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void GetLocalTime(LPSYSTEMTIME time) {
  if (time == nullptr) return;
  if (Platform::IsVirtualClockEnabled()) {
    Platform::VirtualLocalTime(time);
    return;
  }
  using namespace std::chrono;
  system_clock::time_point now = system_clock::now();
  std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  time->wYear = static_cast<WORD>(local.tm_year + 1900);
  time->wMonth = static_cast<WORD>(local.tm_mon + 1);
  time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  time->wDay = static_cast<WORD>(local.tm_mday);
  time->wHour = static_cast<WORD>(local.tm_hour);
  time->wMinute = static_cast<WORD>(local.tm_min);
  time->wSecond = static_cast<WORD>(local.tm_sec);
  time->wMilliseconds = static_cast<WORD>(
      duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
}
