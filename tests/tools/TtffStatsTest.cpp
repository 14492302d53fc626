// The figures of a campaign: order statistics on small and awkward sets, the
// failures counted apart, and the verdict against the limit.
#include "tools/TtffStats.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantrel::benchtool {
namespace {

std::vector<TtffRun> Runs(const std::vector<int64_t>& ms, int failures = 0) {
  std::vector<TtffRun> runs;
  for (int64_t t : ms) runs.push_back({static_cast<int>(runs.size()) + 1, t, "", std::nullopt});
  for (int i = 0; i < failures; ++i) runs.push_back({static_cast<int>(runs.size()) + 1, std::nullopt, "timeout", std::nullopt});
  return runs;
}

struct Case {
  const char* name;
  std::vector<int64_t> ms;
  int failures;
  std::optional<int64_t> limit;
  TtffSummary expected;
};

TEST(TtffStatsTest, FiguresAndVerdict) {
  std::vector<int64_t> twenty;
  for (int i = 20; i >= 1; --i) twenty.push_back(i * 100);  // unsorted on purpose
  const Case cases[] = {
      {"one run", {1234}, 0, std::nullopt, {1, 0, 1234, 1234, 1234, 1234, true}},
      {"odd count, median is the middle", {300, 100, 200}, 0, std::nullopt, {3, 0, 100, 200, 300, 300, true}},
      {"even count, median between the middle two", {100, 200, 300, 400}, 0, std::nullopt,
       {4, 0, 100, 250, 400, 400, true}},
      {"20 runs: p95 is the 19th", twenty, 0, std::nullopt, {20, 0, 100, 1050, 1900, 2000, true}},
      {"failures are counted apart and fail", {100, 300}, 2, std::nullopt, {4, 2, 100, 200, 300, 300, false}},
      {"all failed", {}, 3, std::nullopt, {3, 3, 0, 0, 0, 0, false}},
      {"no runs at all fails", {}, 0, std::nullopt, {0, 0, 0, 0, 0, 0, false}},
      {"max at the limit passes", {900, 1000}, 0, 1000, {2, 0, 900, 950, 1000, 1000, true}},
      {"max over the limit fails", {900, 1001}, 0, 1000, {2, 0, 900, 950, 1001, 1001, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TtffSummary s = Summarise(Runs(c.ms, c.failures), c.limit);
    EXPECT_EQ(s.runs, c.expected.runs);
    EXPECT_EQ(s.failures, c.expected.failures);
    EXPECT_EQ(s.minMs, c.expected.minMs);
    EXPECT_EQ(s.medianMs, c.expected.medianMs);
    EXPECT_EQ(s.p95Ms, c.expected.p95Ms);
    EXPECT_EQ(s.maxMs, c.expected.maxMs);
    EXPECT_EQ(s.pass, c.expected.pass);
  }
}

}  // namespace
}  // namespace vantrel::benchtool
