// The reports' small rules: numbers on the page, tick steps, the thinning of
// marks and lines, a long recording through the spool's temporary file, and
// the bench outcomes handed over with a reason for every missing result.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "evaluation/RecordingReport.h"
#include "evaluation/Svg.h"
#include "tools/BenchReport.h"

namespace vantrel {
namespace {

using namespace evaluation;

TEST(ReportTest, NumbersAndTicks) {
  const struct {
    double v;
    int decimals;
    const char* text;
  } numbers[] = {
      {-0.04, 1, "0.0"}, {-0.05, 1, "-0.1"}, {1.25, 2, "1.25"}, {1234.5678, 0, "1235"}, {1e-9, 3, "0.000"}};
  for (const auto& n : numbers) EXPECT_EQ(svg::Num(n.v, n.decimals), n.text) << n.v;
  const struct {
    double span;
    int wanted;
    double step;
    int decimals;
  } steps[] = {{10, 5, 2, 0}, {1, 4, 0.2, 1}, {0.03, 3, 0.01, 2}, {7200, 8, 1000, 0}, {0, 5, 1, 0}};
  for (const auto& s : steps) {
    EXPECT_DOUBLE_EQ(svg::NiceStep(s.span, s.wanted), s.step) << s.span;
    EXPECT_EQ(svg::DecimalsFor(s.step), s.decimals) << s.step;
  }
  EXPECT_EQ(svg::NiceTicks(-0.3, 1.1, 5), (std::vector<double>{-0.2, 0, 0.2, 0.4, 0.6, 0.8, 1.0}));
}

TEST(ReportTest, MarksAndLinesThinnedByPixel) {
  svg::PixelGrid grid(3);
  EXPECT_TRUE(grid.Take(10.2, 10.9, 0));
  EXPECT_FALSE(grid.Take(11.9, 9.1, 0));  // the same cell
  EXPECT_TRUE(grid.Take(11.9, 9.1, 1));   // another kind
  EXPECT_TRUE(grid.Take(-0.5, 10, 0));    // left of zero is a cell of its own
  svg::ColumnLine line(10);
  const svg::Scale y{0, 10, 100, 0};
  line.Add(0, 1);
  line.Add(0, 3);  // the column's lowest and highest
  line.Add(1, 2);
  line.Break();
  line.Add(4, 5);
  EXPECT_EQ(line.Path(50, y), "M50.0,90.0L50.0,70.0L51.0,80.0M54.0,50.0");
  EXPECT_EQ(line.Min(), 1);
  EXPECT_EQ(line.Max(), 5);
}

// More epochs than the spool keeps in memory: the page still draws them all.
TEST(ReportTest, LongRecordingThroughTheTemporaryFile) {
  RecordingReport report;
  const int n = 40000;
  for (int i = 0; i < n; ++i) {
    Epoch e;
    e.index = static_cast<uint64_t>(i);
    e.msOfDay = int64_t{i} * 1000;
    if (i >= 10) {
      e.quality = 1;
      e.latitude = 48.1 + (i % 200) * 1e-6;
      e.longitude = 11.5 + (i % 7) * 1e-6;
      e.altitudeMsl = 500;
    }
    e.signals.push_back({System::GPS, 7, 1, 40 + i % 5, 30, i % 360});
    report.OnEpoch(e);
  }
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  ASSERT_TRUE(report.Write(out, {"long.nma", 123, "test"}, SentenceTally{}));
  std::string page(static_cast<size_t>(std::ftell(out)), '\0');
  std::rewind(out);
  ASSERT_EQ(std::fread(page.data(), 1, page.size(), out), page.size());
  std::fclose(out);
  EXPECT_NE(page.find("data-fixes=\"39990\""), std::string::npos);
  EXPECT_NE(page.find("first fix 10.000 s"), std::string::npos);
  EXPECT_NE(page.find("class=\"snr\" data-prn=\"7\""), std::string::npos);
  EXPECT_LT(page.size(), 200000u);
}

TEST(ReportTest, BenchOutcomesKeepTheirReasons) {
  using namespace benchtool;
  ReceiverOutcome gone{
      "/dev/a", {{1, 1500, "", std::nullopt}, {2, std::nullopt, "", std::nullopt}}, "receiver gone", false};
  ReceiverOutcome stopped{"/dev/b", {{1, 2000, "", std::nullopt}}, "", true};
  const TtffPage page = TtffPageOf("cold", 4, 3000, {gone, stopped},
                                   {Summarise(gone.runs, 3000), Summarise(stopped.runs, 3000)}, false);
  ASSERT_EQ(page.receivers.size(), 2u);
  const auto& a = page.receivers[0].runs;
  ASSERT_EQ(a.size(), 4u);  // the two it missed listed as not run
  EXPECT_EQ(a[0].seconds, 1.5);
  EXPECT_FALSE(a[1].seconds);
  EXPECT_EQ(a[1].failure, "no fix");
  EXPECT_EQ(a[3].failure, "not run: receiver gone");
  EXPECT_EQ(page.receivers[1].runs.size(), 1u);  // an interrupted campaign: only what it made
  EXPECT_EQ(page.receivers[1].failure, "interrupted");

  SensitivitySettings settings;
  settings.start = TestEvent::TestAllPressed;
  settings.iterations = 2;
  SensitivityOutcome out;
  out.iterations.push_back({PhaseResult{-139, -140, ""}, PhaseResult{std::nullopt, std::nullopt, kNotTrackedText}, {}});
  out.curve = {{1, TestPhase::Acquisition, -100, 35}, {1, TestPhase::Tracking, -120, std::nullopt}};
  out.failure = "receiver gone";
  const SensitivityPage s = SensitivityPageOf("/dev/a", "/dev/g", settings, out, false);
  ASSERT_EQ(s.curve.size(), 2u);
  EXPECT_EQ(s.curve[0].snr, 35);
  EXPECT_FALSE(s.curve[1].snr);  // not seen: no SNR of 0
  ASSERT_EQ(s.results.size(), 4u);
  EXPECT_EQ(s.results[0].dbm, -140);
  EXPECT_EQ(s.results[0].heldDbm, -139);
  EXPECT_EQ(s.results[1].failure, kNotTrackedText);
  EXPECT_EQ(s.results[2].failure, "not run: receiver gone");
  EXPECT_EQ(s.degradeDb, 40);
}

// Each kept run's verdict, its unit and where it goes on the results page.
TEST(ReportTest, KeptRunsOnTheResultsPage) {
  using V = RunVerdict;
  const struct {
    const char *kind, *serial, *port;
    std::optional<double> value;
    std::optional<bool> pass;
    const char *reason, *detail;
    V verdict;
  } rows[] = {
      {"ttff-hot", "A1", "/dev/a", 1200, true, "", "{\"limit_ms\": 3000}", V::Pass},
      {"ttff-hot", "A1", "/dev/a", 3500, false, "over the limit of 3000 ms", "{\"limit_ms\": 3000}", V::Fail},
      {"ttff-hot", "", "/dev/b", std::nullopt, false, "timeout", "{\"limit_ms\": 3000}", V::NoResult},
      {"ttff-cold", "A1", "/dev/a", 30000, true, "", "{\"limit_ms\": 60000}", V::Pass},
      {"ttff-cold", "A1", "/dev/a", 31000, true, "", "{}", V::Pass},  // limits differ: none drawn
      {"sensitivity-step", "A1", "/dev/a", 35, std::nullopt, "", "{}", V::NoVerdict},
      {"sensitivity-step", "A1", "/dev/a", std::nullopt, std::nullopt, "satellite not seen", "{}",
       V::NoResult},
      {"sensitivity-tracking", "A1", "/dev/a", -155, true, "", "{\"held_dbm\": -155, \"lost_dbm\": -156}",
       V::Pass},
      {"sensitivity-acquisition", "A2", "/dev/c", std::nullopt, false, "not tracked",
       "{\"held_dbm\": null, \"lost_dbm\": null}", V::NoResult},
      {"station", "A2", "/dev/c", std::nullopt, false, "hot start over; C/N0 under", "{}", V::Fail},
  };
  std::vector<results::RunRecord> runs;
  for (const auto& r : rows) {
    results::RunRecord run;
    std::tie(run.kind, run.serial, run.port, run.value, run.pass, run.reason, run.detail) =
        std::tie(r.kind, r.serial, r.port, r.value, r.pass, r.reason, r.detail);
    EXPECT_EQ(benchtool::VerdictOf(run), r.verdict) << r.kind << " " << r.reason;
    runs.push_back(run);
  }
  const ResultsPage page = benchtool::ResultsPageOf(runs, "all runs");
  std::string counts;
  for (const auto& c : page.counts)
    counts += c.kind + " " + std::to_string(c.pass) + std::to_string(c.fail) + std::to_string(c.noResult) +
              std::to_string(c.noVerdict) + "; ";
  EXPECT_EQ(counts,
            "ttff-hot 1110; ttff-cold 2000; sensitivity-step 0011; sensitivity-acquisition 0010; "
            "sensitivity-tracking 1000; station 0100; ");
  ASSERT_EQ(page.ttff.size(), 2u);
  EXPECT_EQ(page.ttff[0].limitS, 3.0);
  ASSERT_EQ(page.ttff[0].units.size(), 2u);
  EXPECT_EQ(page.ttff[0].units[1].port, "/dev/b");  // no serial: the port names the unit
  EXPECT_EQ(page.ttff[0].units[0].runs[1].seconds, 3.5);
  EXPECT_FALSE(page.ttff[1].limitS);
  ASSERT_EQ(page.sensitivity.size(), 2u);
  EXPECT_EQ(page.sensitivity[0].lostDbm, -156);
  std::string missing;
  for (const auto& m : page.missing) missing += m.unit + ": " + m.reason + "; ";
  EXPECT_EQ(missing, "/dev/b: timeout; A1: satellite not seen; A2: not tracked; ");
}

}  // namespace
}  // namespace vantrel
