#include <gtest/gtest.h>

#include <vector>

#include "commands/Timer1Steps.h"

namespace vantrel {
namespace {

// Ticks (1-based) on which the monitor is cleared, out of `ticks`.
std::vector<int> ClearTicks(int32_t& count, int intervalMs, int ticks) {
  std::vector<int> cleared;
  for (int t = 1; t <= ticks; ++t) {
    if (MonitorClearDue(count, intervalMs)) cleared.push_back(t);
  }
  return cleared;
}

TEST(MonitorClear, EveryTenthTickAtOneSecondEvery91stAtRestartPace) {
  int32_t count = 0;
  EXPECT_EQ(ClearTicks(count, 1000, 30), (std::vector<int>{10, 20, 30}));
  EXPECT_EQ(count, 0);
  EXPECT_EQ(ClearTicks(count, 100, 200), (std::vector<int>{91, 182}));
  EXPECT_EQ(count, 18);
}

TEST(MonitorClear, BackAtOneSecondWithAHighCountClearsAtOnce) {
  for (int32_t start : {9, 12, 90}) {
    int32_t count = start;
    EXPECT_TRUE(MonitorClearDue(count, 1000)) << start;
    EXPECT_EQ(count, 0);
  }
  int32_t count = 8;
  EXPECT_FALSE(MonitorClearDue(count, 1000));
  EXPECT_EQ(count, 9);
}

TEST(MonitorClear, HugeCountsDoNotOverflowTheProduct) {
  int32_t count = INT32_MAX - 1;
  EXPECT_TRUE(MonitorClearDue(count, 1000));
  EXPECT_EQ(count, 0);
}

TEST(Reopen, OnTheFourthTickAtOneSecond) {
  int32_t ticks = 0;
  bool pending = true;
  EXPECT_FALSE(ReopenDue(ticks, pending, 1000));
  EXPECT_FALSE(ReopenDue(ticks, pending, 1000));
  EXPECT_FALSE(ReopenDue(ticks, pending, 1000));
  EXPECT_TRUE(ReopenDue(ticks, pending, 1000));
  EXPECT_EQ(ticks, 0);
  EXPECT_FALSE(pending);
  EXPECT_FALSE(ReopenDue(ticks, pending, 1000));
}

TEST(Reopen, AtRestartPaceAfterAbout3Seconds) {
  int32_t ticks = 0;
  bool pending = true;
  int tick = 0;
  while (!ReopenDue(ticks, pending, 100)) ++tick;
  EXPECT_EQ(tick + 1, 31);
}

TEST(Reopen, CancelledPendingResetsTheCount) {
  int32_t ticks = 0;
  bool pending = true;
  ReopenDue(ticks, pending, 1000);
  ReopenDue(ticks, pending, 1000);
  pending = 0;  // a failure acknowledgement of 251 or 390
  EXPECT_FALSE(ReopenDue(ticks, pending, 1000));
  EXPECT_EQ(ticks, 0);
}

TEST(RestartTiming, States) {
  EXPECT_EQ(StepRestartTiming(Restart::None, false, 5000), RestartTiming::Idle);
  EXPECT_EQ(StepRestartTiming(Restart::None, true, 5000), RestartTiming::Idle);
  EXPECT_EQ(StepRestartTiming(Restart::Hot, true, 5000), RestartTiming::FixSeen);
  EXPECT_EQ(StepRestartTiming(Restart::Warm, false, 999'900), RestartTiming::Counting);
  EXPECT_EQ(StepRestartTiming(Restart::Cold, false, 999'999), RestartTiming::Counting);
  EXPECT_EQ(StepRestartTiming(Restart::Cold, false, 1'000'000), RestartTiming::TimedOut);  // exactly 1000.0 s
  EXPECT_EQ(StepRestartTiming(Restart::Cold, true, 2'000'000), RestartTiming::FixSeen);
  EXPECT_STREQ(RestartName(Restart::Hot), "Hot Start");
  EXPECT_STREQ(RestartName(Restart::Warm), "Warm Start");
  EXPECT_STREQ(RestartName(Restart::Cold), "Cold Start");
  EXPECT_STREQ(RestartName(Restart::None), "");
}

}  // namespace
}  // namespace vantrel
