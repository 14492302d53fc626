// The figures of vantrel-log stats against the truth the simulated module
// writes down: where it was, which epochs had a fix and the error it added
// to each position. A recording of 20 minutes of the module (noise of known
// size, the fix lost for a minute) is made in simulated time and read back
// through the decoding core.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "sim/Module.h"
#include "sim/EpochWriter.h"
#include "sim/Truth.h"
#include "evaluation/Stats.h"
#include "tools/LogInput.h"
#include "tools/LogReader.h"

namespace vantrel {
namespace {

constexpr double kSigmaH = 3.0;  // metres, north and east each
constexpr double kSigmaV = 4.5;
constexpr double kTtff = 30.0;
constexpr double kSeconds = 1200.0;

// What the recording's figures must come to, from the truth alone.
struct Truth {
  std::vector<sim::TruthLine> lines;
  size_t Fixes() const {
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [](const auto& l) { return l.fix; }));
  }
  // Linear interpolation between order statistics, as vantrel-log says.
  static double Quantile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    const double h = static_cast<double>(v.size() - 1) * q;
    const size_t k = static_cast<size_t>(h);
    return k + 1 < v.size() ? v[k] + (h - static_cast<double>(k)) * (v[k + 1] - v[k]) : v[k];
  }
  std::vector<double> Horizontal() const {
    std::vector<double> h;
    for (const auto& l : lines)
      if (l.fix) h.push_back(std::hypot(l.noise.north, l.noise.east));
    return h;
  }
  std::vector<double> Vertical() const {
    std::vector<double> v;
    for (const auto& l : lines)
      if (l.fix) v.push_back(std::fabs(l.noise.up));
    return v;
  }
};

// Runs the module in simulated time and writes what it sent to `path`.
Truth Record(const std::string& path, int fixPeriodMs) {
  sim::ModuleOptions o;
  o.utcStart = 1775642400;  // 2026-04-08 10:00:00 UTC
  o.stationary = true;
  o.noiseH = kSigmaH;
  o.noiseV = kSigmaV;
  o.ttffHot = kTtff;
  o.fixPeriodMs = fixPeriodMs;
  o.baud = 115200;
  sim::Module module(o, 0.0);
  Truth truth;
  module.SetTruthLog([&](const sim::TruthLine& l) { truth.lines.push_back(l); });
  std::string stream;
  for (double now = 0; now < kSeconds; now += 0.01) {
    // The antenna is off for a minute halfway.
    if (std::fabs(now - 600.0) < 0.005) module.SetFixBlocked(true);
    if (std::fabs(now - 660.0) < 0.005) module.SetFixBlocked(false);
    module.Tick(now);
    module.Pump(now, 0, [&](const char* p, size_t n) {
      stream.append(p, n);
      return n;
    });
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(stream.data(), 1, stream.size(), f);
  std::fclose(f);
  // Epochs still on the line at the end never reached the recording.
  const size_t sent = static_cast<size_t>(std::count(stream.begin(), stream.end(), '\n'));
  EXPECT_GT(sent, 0u);
  return truth;
}

struct Figures {
  evaluation::StatsReport report;
  evaluation::Scatter aroundTruth;
  evaluation::Scatter aroundMean;  // as without --reference
};

evaluation::StatsReport Stats(const std::string& path, std::optional<evaluation::Position> reference) {
  logtool::LogInput in;
  std::string error;
  EXPECT_TRUE(in.Open(path, error)) << error;
  evaluation::StatsCollector stats(reference);
  evaluation::SentenceTally tally;
  const logtool::ReadResult r = logtool::ReadEpochs(in, stats, tally);
  EXPECT_TRUE(r.readOk && r.anySentence);
  return stats.Report(tally);
}

Figures Read(const std::string& path, const evaluation::Position& reference) {
  Figures f;
  f.report = Stats(path, reference);
  f.aroundTruth = *f.report.scatter;
  f.aroundMean = *Stats(path, std::nullopt).scatter;
  return f;
}

class FiguresAgainstTruth : public ::testing::TestWithParam<int> {};

// Each figure against the same figure computed from the truth. The
// tolerances allow for what the sentences and the record round: minutes to
// four decimals (0.19 m north), heights to a tenth, and the record's 32-bit
// floats (0.42 m steps of latitude at 48 degrees).
TEST_P(FiguresAgainstTruth, EpochsFixesScatter) {
  const int periodMs = GetParam();
  const std::string path = ::testing::TempDir() + "truth_" + std::to_string(periodMs) + ".nma";
  const Truth truth = Record(path, periodMs);
  ASSERT_FALSE(truth.lines.empty());
  const sim::TruthLine& t0 = truth.lines.front();
  // The truth's height is above the ellipsoid; the figures are above sea level.
  const evaluation::Position reference{t0.latitude, t0.longitude, t0.height - sim::kGeoidSeparationM};
  const Figures f = Read(path, reference);
  const evaluation::StatsReport& r = f.report;

  // Every epoch the module sent is one epoch, except the last, which may be
  // still on its way when the recording stops.
  EXPECT_LE(truth.lines.size() - r.epochs, 1u);
  const size_t epochs = r.epochs;
  const Truth recorded{std::vector<sim::TruthLine>(truth.lines.begin(), truth.lines.begin() + static_cast<long>(epochs))};
  EXPECT_EQ(r.fixEpochs, recorded.Fixes());
  EXPECT_DOUBLE_EQ(r.availability, 100.0 * static_cast<double>(recorded.Fixes()) / static_cast<double>(epochs));

  const auto firstFix = std::find_if(recorded.lines.begin(), recorded.lines.end(), [](const auto& l) { return l.fix; });
  ASSERT_NE(firstFix, recorded.lines.end());
  ASSERT_TRUE(r.timeToFirstFix.has_value());
  EXPECT_NEAR(*r.timeToFirstFix, static_cast<double>(firstFix->utcMs - t0.utcMs) / 1000.0, 1e-6);
  EXPECT_NEAR(*r.timeToFirstFix, kTtff, periodMs / 1000.0 + 1e-3);
  const double afterFirst = static_cast<double>(recorded.lines.end() - firstFix);
  EXPECT_DOUBLE_EQ(*r.availabilityAfterFirstFix, 100.0 * static_cast<double>(recorded.Fixes()) / afterFirst);

  // The scatter around the true position is the size of the added noise.
  const evaluation::Scatter& s = f.aroundTruth;
  const std::vector<double> h = recorded.Horizontal(), v = recorded.Vertical();
  double sumSquares = 0;
  for (double x : h) sumSquares += x * x;
  EXPECT_EQ(s.fixes, h.size());
  EXPECT_NEAR(s.cep50, Truth::Quantile(h, 0.5), 0.15);
  EXPECT_NEAR(s.cep95, Truth::Quantile(h, 0.95), 0.25);
  EXPECT_NEAR(s.drms2, 2 * std::sqrt(sumSquares / static_cast<double>(h.size())), 0.05);
  EXPECT_NEAR(*s.vertical50, Truth::Quantile(v, 0.5), 0.06);
  EXPECT_NEAR(*s.vertical95, Truth::Quantile(v, 0.95), 0.06);
  // The noise has no bias: around the mean the scatter is much the same.
  const evaluation::Scatter& m = f.aroundMean;
  EXPECT_EQ(m.fixes, s.fixes);
  EXPECT_LT(evaluation::OffsetFrom(reference, m.centre).north, 0.3);
  EXPECT_NEAR(m.cep50, s.cep50, 0.1);
  EXPECT_NEAR(m.drms2, s.drms2, 0.1);
  EXPECT_NEAR(*m.vertical95, *s.vertical95, 0.2);

  // And what the normal distribution says of it, within the spread of this
  // many samples.
  EXPECT_NEAR(s.cep50, 1.1774 * kSigmaH, 0.08 * 1.1774 * kSigmaH);
  EXPECT_NEAR(s.cep95, 2.4477 * kSigmaH, 0.08 * 2.4477 * kSigmaH);
  EXPECT_NEAR(s.drms2, 2.8284 * kSigmaH, 0.08 * 2.8284 * kSigmaH);
  EXPECT_NEAR(*s.vertical50, 0.6745 * kSigmaV, 0.1 * 0.6745 * kSigmaV);
  EXPECT_NEAR(*s.vertical95, 1.9600 * kSigmaV, 0.1 * 1.9600 * kSigmaV);

  std::printf("[ figures  ] %d ms: %zu epochs, %llu fixes, TTFF %.1f s, availability %.2f %%; CEP50 %.3f (truth %.3f), "
              "CEP95 %.3f (%.3f), 2DRMS %.3f (%.3f), vertical 50 %% %.3f (%.3f), 95 %% %.3f (%.3f) m\n",
              periodMs, epochs, static_cast<unsigned long long>(r.fixEpochs), *r.timeToFirstFix, r.availability,
              s.cep50, Truth::Quantile(h, 0.5), s.cep95, Truth::Quantile(h, 0.95), s.drms2,
              2 * std::sqrt(sumSquares / static_cast<double>(h.size())), *s.vertical50, Truth::Quantile(v, 0.5),
              *s.vertical95, Truth::Quantile(v, 0.95));
  std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(FixRates, FiguresAgainstTruth, ::testing::Values(1000, 200));

}  // namespace
}  // namespace vantrel
