#include <gtest/gtest.h>

#include "engine/object/TSStopwatch.h"
#include "platform/Platform.h"

namespace {

class StopwatchTest : public testing::Test {
 protected:
  void SetUp() override { Platform::EnableVirtualClock(5000, SYSTEMTIME{}); }
  void TearDown() override { Platform::DisableVirtualClock(); }
};

TEST_F(StopwatchTest, MeasuresFromConstructionAndThenFromEachReading) {
  CTSStopwatch stopwatch;
  Sleep(250);
  EXPECT_DOUBLE_EQ(stopwatch.GetElapsedSeconds(), 0.25);
  Sleep(16);
  EXPECT_DOUBLE_EQ(stopwatch.GetElapsedSeconds(), 0.016);
  EXPECT_DOUBLE_EQ(stopwatch.GetElapsedSeconds(), 0.0);
}

TEST_F(StopwatchTest, ResetRestartsTheInterval) {
  CTSStopwatch stopwatch;
  Sleep(400);
  stopwatch.Reset();
  Sleep(100);
  EXPECT_DOUBLE_EQ(stopwatch.GetElapsedSeconds(), 0.1);
}

TEST(StopwatchRealClock, SecondReadingIsSmallAndNotNegative) {
  CTSStopwatch stopwatch;
  Sleep(20);
  double first = stopwatch.GetElapsedSeconds();
  double second = stopwatch.GetElapsedSeconds();
  EXPECT_GE(first, 0.019);
  EXPECT_GE(second, 0.0);
  EXPECT_LT(second, first);
}

}  // namespace
