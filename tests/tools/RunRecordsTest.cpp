// Each kind of run as a row: a value only where one was measured, a reason
// where there is none, a verdict where the run has one.
#include <gtest/gtest.h>

#include "tools/RunRecords.h"

namespace vantrel::benchtool {
namespace {

struct Row {
  std::string kind;
  std::optional<double> value;
  std::optional<bool> pass;
  std::string reason, detail;
  bool operator==(const Row&) const = default;
};

Row Of(const results::RunRecord& r) { return {r.kind, r.value, r.pass, r.reason, r.detail}; }

TEST(RunRecords, EachKindOfRunAsARow) {
  const auto started = std::chrono::system_clock::time_point{} + std::chrono::hours(24 * 20796);
  const struct {
    results::RunRecord record;
    Row row;
  } cases[] = {
      {TtffRecord("hot", "p", "s", {1, 812, "", started}, std::nullopt), {"ttff-hot", 812, true, "", "{}"}},
      {TtffRecord("cold", "p", "s", {2, 5000, "", started}, 5000),
       {"ttff-cold", 5000, true, "", "{\"limit_ms\": 5000}"}},
      {TtffRecord("cold", "p", "s", {3, 5001, "", started}, 5000),
       {"ttff-cold", 5001, false, "over the limit of 5000 ms", "{\"limit_ms\": 5000}"}},
      {TtffRecord("warm", "p", "s", {4, std::nullopt, "timeout", started}, std::nullopt),
       {"ttff-warm", std::nullopt, false, "timeout", "{}"}},
      {StepRecord("p", "s", 7, {2, TestPhase::Tracking, -131, 24}),
       {"sensitivity-step", 24, std::nullopt, "",
        "{\"iteration\": 2, \"phase\": \"tracking\", \"level_dbm\": -131}"}},
      {StepRecord("p", "s", 8, {1, TestPhase::Acquisition, -140, std::nullopt}),
       {"sensitivity-step", std::nullopt, std::nullopt, "satellite not seen",
        "{\"iteration\": 1, \"phase\": \"acquisition\", \"level_dbm\": -140}"}},
      {SensitivityRecord("p", "s", TestPhase::Acquisition, 1, {-151, -152, ""}),
       {"sensitivity-acquisition", -151, true, "", "{\"held_dbm\": -151, \"lost_dbm\": -152}"}},
      {SensitivityRecord("p", "s", TestPhase::Tracking, 2, {-160, std::nullopt, ""}),
       {"sensitivity-tracking", -160, true, "", "{\"held_dbm\": -160, \"lost_dbm\": null}"}},
      {SensitivityRecord("p", "s", TestPhase::Tracking, 1, {std::nullopt, std::nullopt, "satellite not tracked at the start level"}),
       {"sensitivity-tracking", std::nullopt, false, "satellite not tracked at the start level",
        "{\"held_dbm\": null, \"lost_dbm\": null}"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Of(c.record), c.row) << c.row.kind;
  EXPECT_EQ(cases[0].record.time, "2026-12-09T00:00:00.000Z");
}

}  // namespace
}  // namespace vantrel::benchtool
