// The parts of vantrel-log's figures: epochs cut from sentences, the
// histogram's percentiles, distances on the ellipsoid, the reference and the
// progress line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/nmea/SentenceText.h"
#include "tools/Epochs.h"
#include "tools/Exports.h"
#include "tools/FixStats.h"
#include "tools/LogInput.h"
#include "tools/LogReader.h"

namespace vantrel::logtool {
namespace {

using test::WithChecksum;

struct Collected final : IEpochSink {
  void OnEpoch(const EpochFix& e) override { epochs.push_back(e); }
  void OnSatellites(Talker talker, const ReceiverRecord& r) override {
    groups.push_back(std::string(TalkerName(talker)) + ":" + std::to_string(r.SatsInViewCount));
  }
  std::vector<EpochFix> epochs;
  std::vector<std::string> groups;
};

Collected Epochs(const std::vector<std::string>& sentences) {
  std::string stream;
  for (const std::string& s : sentences) stream += s + "\r\n";
  std::FILE* f = std::tmpfile();
  std::fwrite(stream.data(), 1, stream.size(), f);
  std::rewind(f);
  const std::string path = "/proc/self/fd/" + std::to_string(fileno(f));
  LogInput in;
  std::string error;
  EXPECT_TRUE(in.Open(path, error)) << error;
  Collected c;
  SentenceCounts counts;
  ReadEpochs(in, c, counts);
  std::fclose(f);
  return c;
}

std::string Gga(const char* time, bool fix) {
  return WithChecksum(std::string("GPGGA,") + time +
                      (fix ? ",4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,," : ",,,,,0,00,,,M,,M,,"));
}
const std::string kGsa = WithChecksum("GPGSA,A,3,04,05,09,12,,,,,,,,,1.8,0.9,1.5");
const std::string kGsaNoFix = WithChecksum("GPGSA,A,1,,,,,,,,,,,,,,,");
const std::string kVtg = WithChecksum("GPVTG,31.66,T,,M,0.02,N,0.04,K,A");

// The sentence with wrong checksum digits.
std::string Broken(const std::string& s) {
  const std::string digits = s.substr(s.size() - 2);
  return s.substr(0, s.size() - 2) + (digits == "00" ? "01" : "00");
}

// Each stream as a receiver sends it, and the epochs it must give: their
// times ("" without one) and whether each had a fix.
TEST(EpochTracker, CutsTheStreamIntoEpochs) {
  struct {
    const char* name;
    std::vector<std::string> sentences;
    std::vector<std::string> times;
    std::vector<bool> fixes;
  } const cases[] = {
      {"one GGA a second", {Gga("101010.00", true), Gga("101011.00", true), Gga("101012.00", true)},
       {"10:10:10.000", "10:10:11.000", "10:10:12.000"}, {true, true, true}},
      {"untimed sentences join the epoch before",
       {Gga("101010.00", true), kGsa, kVtg, Gga("101011.00", true), kGsa, kVtg}, {"10:10:10.000", "10:10:11.000"},
       {true, true}},
      {"every timed type of an epoch has the same time",
       {Gga("101010.00", true), WithChecksum("GPZDA,101010.00,08,04,2026,,"), Gga("101011.00", true),
        WithChecksum("GPZDA,101011.00,08,04,2026,,")},
       {"10:10:10.000", "10:10:11.000"}, {true, true}},
      {"empty times: the same sentence again begins an epoch",
       {Gga("", false), kGsaNoFix, Gga("", false), kGsaNoFix, Gga("101012.00", true), kGsa}, {"", "", "10:10:12.000"},
       {false, false, true}},
      {"a lost first sentence: the type seen before begins the epoch",
       {Gga("101010.00", true), kGsa, kVtg, kGsa, kVtg, Gga("101012.00", true)},
       {"10:10:10.000", "", "10:10:12.000"}, {true, true, true}},
      {"a run of one type stays in its epoch",
       {Gga("101010.00", true), kGsa, kGsa, kGsa, kVtg, Gga("101011.00", true)}, {"10:10:10.000", "10:10:11.000"},
       {true, true}},
      {"a wrong checksum does not count", {Gga("101010.00", true), Broken(Gga("101011.00", true))},
       {"10:10:10.000"}, {true}},
      {"no position yet: no fix whatever GSA says", {Gga("101010.00", false), kGsa, Gga("101011.00", true)},
       {"10:10:10.000", "10:10:11.000"}, {false, true}},
      {"other talkers are read", {WithChecksum("GNGGA,101010.00,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,")},
       {"10:10:10.000"}, {true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Collected got = Epochs(c.sentences);
    ASSERT_EQ(got.epochs.size(), c.times.size());
    for (size_t i = 0; i < got.epochs.size(); ++i) {
      const EpochFix& e = got.epochs[i];
      EXPECT_EQ(e.index, i);
      EXPECT_EQ(TimeText(e), c.times[i]) << i;
      EXPECT_EQ(e.fix, c.fixes[i]) << i;
    }
  }
}

TEST(EpochTracker, SumsTheSatellitesOfEveryTalker) {
  const Collected got = Epochs({
      WithChecksum("GNGGA,101010.00,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,"),
      WithChecksum("GNGSA,A,3,04,05,09,,,,,,,,,,1.8,0.9,1.5,1"),
      WithChecksum("GNGSA,A,3,65,66,,,,,,,,,,,1.8,0.9,1.5,2"),
      WithChecksum("GPGSV,2,1,05,04,40,083,46,05,32,141,45,09,25,200,44,12,70,300,47"),
      WithChecksum("GPGSV,2,2,05,16,55,020,"),
      WithChecksum("GLGSV,1,1,02,65,50,100,41,66,30,200,40"),
      WithChecksum("GNGGA,101011.00,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,"),
  });
  ASSERT_EQ(got.epochs.size(), 2u);
  EXPECT_EQ(got.epochs[0].satsInView, 7);
  EXPECT_EQ(got.epochs[0].satsUsed, 5);
  // No GSV or GSA in the second epoch: the last counts stand, as on screen.
  EXPECT_EQ(got.epochs[1].satsInView, 7);
  EXPECT_EQ(got.epochs[1].satsUsed, 5);
  EXPECT_EQ(got.groups, (std::vector<std::string>{"GP:5", "GL:2"}));
}

TEST(Histogram, PercentilesWithinABin) {
  Histogram h;
  EXPECT_EQ(h.Quantile(0.5), 0.0);
  for (int i = 1; i <= 1000; ++i) h.Add(i * 0.01);  // 0.01 .. 10 m
  EXPECT_EQ(h.Count(), 1000u);
  for (const auto& [q, expected] : std::vector<std::pair<double, double>>{{0.5, 5.0}, {0.95, 9.5}, {0.001, 0.01}, {1.0, 10.0}})
    EXPECT_NEAR(h.Quantile(q), expected, expected * 0.0006) << q;
  Histogram tiny;
  tiny.Add(0.0);
  EXPECT_LT(tiny.Quantile(0.5), 0.001);
}

TEST(OffsetFrom, MetresOnTheEllipsoid) {
  const Position origin{48.0, 11.0, 500.0};
  struct {
    Position p;
    double east, north, up;
  } const cases[] = {
      // One second of arc north is 30.89 m at 48 degrees (the meridian's
      // radius of curvature there is 6,373,000 m); east it is shorter by
      // cos(latitude), on the larger radius across the meridian.
      {{48.0 + 1.0 / 3600, 11.0, 500.0}, 0, 30.89, 0},
      {{48.0, 11.0 + 1.0 / 3600, 510.0}, 20.73, 0, 10},
      {{48.0, 11.0, 0.0}, 0, 0, -500},
  };
  for (const auto& c : cases) {
    const LocalOffset o = OffsetFrom(origin, c.p);
    EXPECT_NEAR(o.east, c.east, 0.01);
    EXPECT_NEAR(o.north, c.north, 0.01);
    EXPECT_NEAR(o.up, c.up, 1e-9);
  }
  // Across the date line the short way round.
  EXPECT_NEAR(OffsetFrom({0, 179.9999, 0}, {0, -179.9999, 0}).east, 22.26, 0.01);
}

TEST(ParseReference, ThreeNumbersInTheCLocale) {
  Position p;
  ASSERT_TRUE(ParseReference("48.1173,-11.5167,519.2", p));
  EXPECT_EQ(p.latitude, 48.1173);
  EXPECT_EQ(p.longitude, -11.5167);
  EXPECT_EQ(p.altitude, 519.2);
  for (const char* bad : {"", "48.1,11.5", "48,1,11,5,519", "48.1;11.5;519", "48.1,11.5,519,", "91,0,0",
                          "0,181,0", "48.1, 11.5,519", "nan,0,0", "48.1,11.5,1e999"})
    EXPECT_FALSE(ParseReference(bad, p)) << bad;
}

TEST(ProgressText, SaysHowFar) {
  EXPECT_EQ(ProgressText("big.nma", 0, 8 << 20, 1, 1), "reading big.nma: 0 %");
  EXPECT_EQ(ProgressText("big.nma", 4 << 20, 8 << 20, 2, 2), "reading big.nma: 50 % (pass 2 of 2)");
  EXPECT_EQ(ProgressText("big.nma", 9 << 20, 8 << 20, 1, 1), "reading big.nma: 100 %");
}

}  // namespace
}  // namespace vantrel::logtool
