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
  for (int i = 0; i < failures; ++i) runs.push_back({static_cast<int>(runs.size()) + 1, std::nullopt, kNoFixText, std::nullopt});
  return runs;
}

struct Expected {
  int runs, failures;
  std::optional<TtffFigures> figures;
  bool pass;
};
struct Case {
  const char* name;
  std::vector<int64_t> ms;
  int failures;
  std::optional<int64_t> limit;
  Expected expected;
};

TEST(TtffStatsTest, FiguresAndVerdict) {
  std::vector<int64_t> twenty;
  for (int i = 20; i >= 1; --i) twenty.push_back(i * 100);  // unsorted on purpose
  const Case cases[] = {
      {"one run", {1234}, 0, std::nullopt, {1, 0, TtffFigures{1234, 1234, 1234, 1234}, true}},
      {"odd count, median is the middle", {300, 100, 200}, 0, std::nullopt,
       {3, 0, TtffFigures{100, 200, 300, 300}, true}},
      {"even count, median between the middle two", {100, 200, 300, 400}, 0, std::nullopt,
       {4, 0, TtffFigures{100, 250, 400, 400}, true}},
      {"20 runs: p95 is the 19th", twenty, 0, std::nullopt, {20, 0, TtffFigures{100, 1050, 1900, 2000}, true}},
      {"failures are counted apart and fail", {100, 300}, 2, std::nullopt,
       {4, 2, TtffFigures{100, 200, 300, 300}, false}},
      {"all failed: no figures, not zeros", {}, 3, std::nullopt, {3, 3, std::nullopt, false}},
      {"no runs at all fails", {}, 0, std::nullopt, {0, 0, std::nullopt, false}},
      {"max at the limit passes", {900, 1000}, 0, 1000, {2, 0, TtffFigures{900, 950, 1000, 1000}, true}},
      {"max over the limit fails", {900, 1001}, 0, 1000, {2, 0, TtffFigures{900, 950, 1001, 1001}, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TtffSummary s = Summarise(Runs(c.ms, c.failures), c.limit);
    EXPECT_EQ(s.runs, c.expected.runs);
    EXPECT_EQ(s.failures, c.expected.failures);
    EXPECT_EQ(s.figures, c.expected.figures);
    EXPECT_EQ(s.pass, c.expected.pass);
  }
}

TEST(TtffStatsTest, TheReasonsOfTheFailedRunsEachOnceInTheirOrder) {
  std::vector<TtffRun> runs = Runs({1000}, 2);
  runs.push_back({4, std::nullopt, kNoAnswerText, std::nullopt});
  runs.push_back({5, std::nullopt, "not run: no answer in 5 s", std::nullopt});
  EXPECT_EQ(Summarise(runs, std::nullopt).reasons,
            "no fix within the time-out; no answer in 5 s; not run: no answer in 5 s");
  EXPECT_EQ(Summarise(Runs({1000}), std::nullopt).reasons, "");
}

}  // namespace
}  // namespace vantrel::benchtool
