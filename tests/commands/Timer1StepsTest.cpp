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
  uint8_t pending = 1;
  EXPECT_FALSE(ReopenDue(ticks, pending, 1000));
  EXPECT_FALSE(ReopenDue(ticks, pending, 1000));
  EXPECT_FALSE(ReopenDue(ticks, pending, 1000));
  EXPECT_TRUE(ReopenDue(ticks, pending, 1000));
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(pending, 0);
  EXPECT_FALSE(ReopenDue(ticks, pending, 1000));
}

TEST(Reopen, AtRestartPaceAfterAbout3Seconds) {
  int32_t ticks = 0;
  uint8_t pending = 1;
  int tick = 0;
  while (!ReopenDue(ticks, pending, 100)) ++tick;
  EXPECT_EQ(tick + 1, 31);
}

TEST(Reopen, CancelledPendingResetsTheCount) {
  int32_t ticks = 0;
  uint8_t pending = 1;
  ReopenDue(ticks, pending, 1000);
  ReopenDue(ticks, pending, 1000);
  pending = 0;  // a failure acknowledgement of 251 or 390
  EXPECT_FALSE(ReopenDue(ticks, pending, 1000));
  EXPECT_EQ(ticks, 0);
}

TEST(RestartTiming, States) {
  EXPECT_EQ(StepRestartTiming(0, false, 5000), RestartTiming::Idle);
  EXPECT_EQ(StepRestartTiming(0, true, 5000), RestartTiming::Idle);
  EXPECT_EQ(StepRestartTiming(1, true, 5000), RestartTiming::FixSeen);
  EXPECT_EQ(StepRestartTiming(2, false, 999'900), RestartTiming::Counting);
  EXPECT_EQ(StepRestartTiming(3, false, 999'999), RestartTiming::Counting);
  EXPECT_EQ(StepRestartTiming(3, false, 1'000'000), RestartTiming::TimedOut);  // exactly 1000.0 s
  EXPECT_EQ(StepRestartTiming(3, true, 2'000'000), RestartTiming::FixSeen);
  EXPECT_STREQ(RestartName(1), "Hot Start");
  EXPECT_STREQ(RestartName(2), "Warm Start");
  EXPECT_STREQ(RestartName(3), "Cold Start");
  EXPECT_STREQ(RestartName(0), "");
}

TEST(AckReports, SuccessTable) {
  struct Case {
    int32_t acked;
    int radio;
    bool integrity;
    SuccessReport report;
  } cases[] = {
      {160, 0, true, {AckEffect::CurrentTestAccepted, ""}},
      {188, 0, true, {AckEffect::Silent, ""}},
      {220, 0, true, {AckEffect::Message, "Fix Update Rate Change!!"}},
      {301, 2, true, {AckEffect::Message, "WAAS Enable!!"}},
      {301, 1, true, {AckEffect::Message, "RTCM Enable!!"}},
      {301, 0, true, {AckEffect::Message, "Disable All DGPS Correction!!"}},
      {314, 0, true, {AckEffect::Message, "NMEA Setting OK!!"}},
      {319, 0, true, {AckEffect::Message, "WAAS Integrity Mode Enable!!"}},
      {319, 0, false, {AckEffect::Message, "WAAS Test Mode Enable!!"}},
      {330, 0, true, {AckEffect::Message, "Datum Change!!"}},
      {390, 0, true, {AckEffect::Message, "Write Settings into Flash OK!!"}},
      {-1, 0, true, {AckEffect::ReceiverFault, ""}},
      {0, 0, true, {AckEffect::NotReported, ""}},
      {101, 0, true, {AckEffect::NotReported, ""}},  // a restart accepted: no message
      {251, 0, true, {AckEffect::NotReported, ""}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReportSuccess(c.acked, c.radio, c.integrity), c.report) << c.acked << " " << c.radio;
  }
}

TEST(AckReports, FailureTable) {
  EXPECT_EQ(ReportFailure(220), (FailureReport{"Change Fix Update Rate Fail!!", false}));
  EXPECT_EQ(ReportFailure(251), (FailureReport{"Change Baudrate Fail!!", true}));
  EXPECT_EQ(ReportFailure(314), (FailureReport{"NMEA Setting Fail!!", false}));
  EXPECT_EQ(ReportFailure(390), (FailureReport{"Write Settings into Flash Fail!!", true}));
  for (int32_t other : {101, 330, 301, 160, -1, 7}) {
    EXPECT_EQ(ReportFailure(other), (FailureReport{"Unknown Cmd!!", false})) << other;
  }
}

TEST(AckReports, FaultTextBlinksOnEveryThirdCount) {
  EXPECT_FALSE(FaultPanelsBlank(0));
  EXPECT_TRUE(FaultPanelsBlank(1));
  EXPECT_FALSE(FaultPanelsBlank(2));
  EXPECT_FALSE(FaultPanelsBlank(3));
  EXPECT_TRUE(FaultPanelsBlank(4));
  EXPECT_TRUE(FaultPanelsBlank(7));
}

}  // namespace
}  // namespace vantrel
