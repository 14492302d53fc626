// The station's limits file and the verdict on a unit.
#include <gtest/gtest.h>

#include "tools/StationLimits.h"

namespace vantrel::benchtool {
namespace {

constexpr const char kGood[] =
    "baud = 9600\n"
    "[hot_start]\n"
    "limit_s = 5\n"
    "[cnr]\n"
    "sv = 14\n"
    "generator_dbm = -95\n"
    "min_db_hz = 35.5\n";

TEST(StationLimits, ReadsEveryKeyAndItsDefaults) {
  const auto parsed = ParseStationLimits(std::string(kGood) + "[cold_start]\nlimit_s = 60\ntimeout_s = 90\n", "l");
  ASSERT_TRUE(std::holds_alternative<StationLimits>(parsed)) << std::get<std::string>(parsed);
  const StationLimits& l = std::get<StationLimits>(parsed);
  EXPECT_EQ(l.baud, 9600);
  EXPECT_EQ(l.hot.limitS, 5);
  EXPECT_EQ(l.hot.timeoutS, 10);  // twice the limit
  EXPECT_EQ(l.sv, 14);
  EXPECT_EQ(l.generatorDbm, -95);
  EXPECT_EQ(l.generatorBaud, 19200);
  EXPECT_EQ(l.minDbHz, 35.5);
  ASSERT_TRUE(l.cold);
  EXPECT_EQ(l.cold->timeoutS, 90);
}

// Each mistake is refused with its line.
TEST(StationLimits, RefusesAMistakeWithItsLine) {
  const struct {
    std::string text, message;
  } cases[] = {
      {"baud = 9600\n[hot_start\nlimit_s = 5\n", "l.toml:2: "},
      {std::string(kGood) + "min_db_hz = 30\n", "l.toml:8: "},  // twice
      {"baud = 9600\n[hot_start]\nlimit_s = \"5\"\n[cnr]\n", "l.toml:3: hot_start.limit_s must be a number"},
      {"baud = 96.5\n[hot_start]\nlimit_s = 5\n", "l.toml:1: baud must be a whole number from 300 to 4e+06"},
      {std::string(kGood) + "[cold_start]\nlimt_s = 60\n", "l.toml:9: unknown key cold_start.limt_s"},
      {std::string(kGood) + "sv2 = 3\n", "l.toml:8: unknown key cnr.sv2"},
      {"[hot_start]\nlimit_s = 5\n", "l.toml: the table [cnr] is missing"},
      {"[hot_start]\nlimit_s = 5\ntimeout_s = 2\n[cnr]\n", "l.toml:1: hot_start.timeout_s is shorter"},
      {"[hot_start]\nlimit_s = 5\n[cnr]\nsv = 0\n", "l.toml:4: cnr.sv must be a whole number from 1 to 255"},
      {"cnr = 3\n[hot_start]\nlimit_s = 5\n", "l.toml:1: cnr must be a table"},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseStationLimits(c.text, "l.toml");
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.text;
    EXPECT_EQ(std::get<std::string>(parsed).rfind(c.message, 0), 0u) << std::get<std::string>(parsed);
  }
}

TEST(StationLimits, GivesEveryReasonAUnitFails) {
  StationLimits l = std::get<StationLimits>(ParseStationLimits(kGood, "l"));
  const struct {
    bool cold;
    StationMeasurements m;
    std::vector<std::string> reasons;
  } cases[] = {
      {false, {{5000, ""}, {35.5, ""}, std::nullopt}, {}},
      {false,
       {{5001, ""}, {35.4, ""}, std::nullopt},
       {"hot start 5.001 s over the limit of 5 s", "C/N0 of satellite 14 35.4 dB-Hz under the limit of 35.5 dB-Hz"}},
      {false,
       {{std::nullopt, "timeout"}, {std::nullopt, "satellite not seen"}, std::nullopt},
       {"hot start: no fix (timeout)", "C/N0 of satellite 14: none (satellite not seen)"}},
      {true, {{100, ""}, {40, ""}, Measured{61000, ""}}, {"cold start 61.000 s over the limit of 60 s"}},
      {true, {{100, ""}, {40, ""}, std::nullopt}, {"cold start: not made"}},
  };
  for (const auto& c : cases) {
    if (c.cold) l.cold = StartLimits{60, 120};
    const StationVerdict v = Judge(l, c.m);
    EXPECT_EQ(v.reasons, c.reasons);
    EXPECT_EQ(v.pass, c.reasons.empty());
  }
}

}  // namespace
}  // namespace vantrel::benchtool
