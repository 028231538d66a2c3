#include <gtest/gtest.h>

#include "app/AlphaAnimation.h"
#include "app/FrameTimer.h"
#include "platform/Platform.h"

namespace {

class FrameTimerTest : public testing::Test {
 protected:
  void SetUp() override { Platform::EnableVirtualClock(0, SYSTEMTIME{}); }
  void TearDown() override { Platform::DisableVirtualClock(); }

  // One frame whose work takes workMs, paced to frameMs; the time it took.
  DWORD RunFrame(CFrameTimer& timer, DWORD workMs, DWORD frameMs) {
    DWORD start = timeGetTime();
    timer.Begin();
    Platform::AdvanceVirtualClock(workMs);
    timer.End();
    timer.Wait(frameMs);
    return timeGetTime() - start;
  }
};

TEST_F(FrameTimerTest, SleepsOutTheRestOfTheFrame) {
  CFrameTimer timer;
  EXPECT_EQ(RunFrame(timer, 12, 30), 30u);  // slept 18
  EXPECT_EQ(RunFrame(timer, 29, 30), 30u);
  EXPECT_EQ(RunFrame(timer, 30, 30), 30u);  // no sleep
  EXPECT_EQ(RunFrame(timer, 45, 30), 45u);
  EXPECT_EQ(RunFrame(timer, 3, 0), 3u);  // unlocked: never sleeps
}

TEST_F(FrameTimerTest, TheFirstEndClosesAWindowAndFpsChangesOncePerSecond) {
  Platform::AdvanceVirtualClock(5000);
  CFrameTimer timer;
  RunFrame(timer, 10, 30);
  EXPECT_EQ(timer.GetFPS(), 0u);  // the first End closed a window with no frames in it
  // Frames of 30 ms whose End falls 30 ms apart: the 34th End is the first
  // one 1000 ms or more after the window opened.
  DWORD frames = 0;
  while (timer.GetFPS() == 0 && frames < 100) {
    RunFrame(timer, 10, 30);
    ++frames;
  }
  EXPECT_EQ(frames, 34u);
  // The frame that closed the window counts in neither window.
  EXPECT_EQ(timer.GetFPS(), 33u);
  DWORD fps = timer.GetFPS();
  RunFrame(timer, 10, 30);
  EXPECT_EQ(timer.GetFPS(), fps);
}

TEST_F(FrameTimerTest, TheWindowComparisonSurvivesClockWrap) {
  Platform::EnableVirtualClock(0xFFFFFF00u, SYSTEMTIME{});
  CFrameTimer timer;
  RunFrame(timer, 10, 30);  // closes the first window at 0xFFFFFF0A
  for (int i = 0; i < 10; ++i) RunFrame(timer, 10, 30);
  EXPECT_EQ(timer.GetFPS(), 0u);  // well inside the window although the clock wrapped
}

TEST(AlphaAnimation, RunsDownToZeroUpTo255AndBackInStepsOfFive) {
  CAlphaAnimation alpha(0);
  DWORD now = 0;
  std::vector<DWORD> sequence;
  for (int step = 0; step < 120; ++step) {
    now += 31;
    ASSERT_TRUE(alpha.Step(now));
    sequence.push_back(alpha.GetAlpha());
  }
  EXPECT_EQ(sequence[0], 250u);
  EXPECT_EQ(sequence[49], 5u);
  EXPECT_EQ(sequence[50], 0u);
  EXPECT_EQ(sequence[51], 5u);
  EXPECT_EQ(sequence[101], 255u);
  EXPECT_EQ(sequence[102], 250u);
  for (size_t i = 1; i < sequence.size(); ++i) {
    int change = static_cast<int>(sequence[i]) - static_cast<int>(sequence[i - 1]);
    EXPECT_EQ(std::abs(change), 5) << "at step " << i;
    EXPECT_LE(sequence[i], 255u);
  }
}

TEST(AlphaAnimation, StepsOnlyWhenMoreThan30msHavePassed) {
  CAlphaAnimation alpha(1000);
  EXPECT_FALSE(alpha.Step(1030));
  EXPECT_EQ(alpha.GetAlpha(), 255u);
  EXPECT_TRUE(alpha.Step(1031));
  EXPECT_EQ(alpha.GetAlpha(), 250u);
  EXPECT_FALSE(alpha.Step(1061));  // measured from the last step
  EXPECT_TRUE(alpha.Step(1200));   // a long gap is still one step
  EXPECT_EQ(alpha.GetAlpha(), 245u);
}

}  // namespace
