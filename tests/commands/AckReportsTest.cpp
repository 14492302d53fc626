#include <gtest/gtest.h>

#include "commands/AckReports.h"

namespace vantrel {
namespace {

TEST(AckReports, SuccessTable) {
  struct Case {
    int32_t acked;
    DgpsMode checked;
    bool integrity;
    SuccessReport report;
  } cases[] = {
      {160, DgpsMode::None, true, {AckEffect::CurrentTestAccepted, ""}},
      {188, DgpsMode::None, true, {AckEffect::Silent, ""}},
      {220, DgpsMode::None, true, {AckEffect::Message, "Fix Update Rate Change!!"}},
      {301, DgpsMode::Sbas, true, {AckEffect::Message, "WAAS Enable!!"}},
      {301, DgpsMode::Rtcm, true, {AckEffect::Message, "RTCM Enable!!"}},
      {301, DgpsMode::None, true, {AckEffect::Message, "Disable All DGPS Correction!!"}},
      {314, DgpsMode::None, true, {AckEffect::Message, "NMEA Setting OK!!"}},
      {319, DgpsMode::None, true, {AckEffect::Message, "WAAS Integrity Mode Enable!!"}},
      {319, DgpsMode::None, false, {AckEffect::Message, "WAAS Test Mode Enable!!"}},
      {330, DgpsMode::None, true, {AckEffect::Message, "Datum Change!!"}},
      {390, DgpsMode::None, true, {AckEffect::Message, "Write Settings into Flash OK!!"}},
      {-1, DgpsMode::None, true, {AckEffect::ReceiverFault, ""}},
      {0, DgpsMode::None, true, {AckEffect::NotReported, ""}},
      {101, DgpsMode::None, true, {AckEffect::NotReported, ""}},  // a restart accepted: no message
      {251, DgpsMode::None, true, {AckEffect::NotReported, ""}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReportSuccess(c.acked, c.checked, c.integrity), c.report) << c.acked << " " << static_cast<int>(c.checked);
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
