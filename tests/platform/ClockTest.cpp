#include <gtest/gtest.h>

#include <SDL.h>

#include "platform/Platform.h"

namespace {

SYSTEMTIME LocalTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
  SYSTEMTIME time{};
  time.wYear = year;
  time.wMonth = month;
  time.wDay = day;
  time.wHour = hour;
  time.wMinute = minute;
  time.wSecond = second;
  return time;
}

class VirtualClockTest : public testing::Test {
 protected:
  void TearDown() override { Platform::DisableVirtualClock(); }
};

TEST_F(VirtualClockTest, OnlySleepAndAdvanceMoveTime) {
  Platform::EnableVirtualClock(1000, LocalTime(2006, 3, 5, 9, 7, 3));
  EXPECT_EQ(timeGetTime(), 1000u);
  EXPECT_EQ(timeGetTime(), 1000u);
  Sleep(18);
  EXPECT_EQ(timeGetTime(), 1018u);
  Platform::AdvanceVirtualClock(2);
  EXPECT_EQ(timeGetTime(), 1020u);

  LARGE_INTEGER frequency;
  LARGE_INTEGER counter;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  ASSERT_TRUE(QueryPerformanceCounter(&counter));
  EXPECT_EQ(counter.QuadPart, 20 * frequency.QuadPart / 1000);
}

TEST_F(VirtualClockTest, MillisecondsWrapAtTwoToTheThirtyTwo) {
  Platform::EnableVirtualClock(0xFFFFFFF0u, SYSTEMTIME{});
  Sleep(0x20);
  EXPECT_EQ(timeGetTime(), 0x10u);
  EXPECT_EQ(timeGetTime() - 0xFFFFFFF0u, 0x20u);
}

TEST_F(VirtualClockTest, LocalTimeAdvancesAcrossMidnightAndMonthEnd) {
  Platform::EnableVirtualClock(0, LocalTime(2006, 2, 28, 23, 59, 58));
  Sleep(2500);
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_EQ(now.wYear, 2006);
  EXPECT_EQ(now.wMonth, 3);
  EXPECT_EQ(now.wDay, 1);
  EXPECT_EQ(now.wHour, 0);
  EXPECT_EQ(now.wMinute, 0);
  EXPECT_EQ(now.wSecond, 0);
  EXPECT_EQ(now.wMilliseconds, 500);
  EXPECT_EQ(now.wDayOfWeek, 3);  // a Wednesday
}

TEST_F(VirtualClockTest, ScheduledEventsArriveWhenTheClockReachesThem) {
  Platform::EnableVirtualClock(100, SYSTEMTIME{});
  SDL_Event event{};
  event.type = SDL_USEREVENT;
  event.user.code = 1;
  Platform::PostEventAt(150, event);
  event.user.code = 2;
  Platform::PostEventAt(130, event);
  SDL_PumpEvents();
  EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_USEREVENT, SDL_USEREVENT), 0);
  Sleep(30);
  SDL_Event received;
  ASSERT_EQ(SDL_PeepEvents(&received, 1, SDL_GETEVENT, SDL_USEREVENT, SDL_USEREVENT), 1);
  EXPECT_EQ(received.user.code, 2);
  EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_USEREVENT, SDL_USEREVENT), 0);
  Sleep(20);
  ASSERT_EQ(SDL_PeepEvents(&received, 1, SDL_GETEVENT, SDL_USEREVENT, SDL_USEREVENT), 1);
  EXPECT_EQ(received.user.code, 1);
}

TEST(RealClock, SleepWaitsAtLeastTheGivenTime) {
  DWORD before = timeGetTime();
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  QueryPerformanceCounter(&start);
  Sleep(15);
  QueryPerformanceCounter(&end);
  EXPECT_GE(timeGetTime() - before, 14u);
  EXPECT_GE(end.QuadPart - start.QuadPart, 15 * 1000000LL);
}

}  // namespace
