// The parts of vantrel-log's figures: epochs cut from sentences, the values
// sentences give, exact quantiles, distances on the ellipsoid, the reference
// and the progress line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/nmea/SentenceText.h"
#include "evaluation/Epochs.h"
#include "evaluation/Exports.h"
#include "evaluation/Stats.h"
#include "evaluation/Text.h"
#include "tools/LogInput.h"
#include "tools/LogReader.h"

namespace vantrel::logtool {
namespace {

using namespace evaluation;

using test::WithChecksum;

struct Collected final : IEpochSink {
  void OnEpoch(const Epoch& e) override { epochs.push_back(e); }
  std::vector<Epoch> epochs;
  SentenceTally tally;
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
  ReadEpochs(in, c, c.tally);
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
TEST(EpochModel, CutsTheStreamIntoEpochs) {
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
       {"10:10:10.000", "", "10:10:12.000"}, {true, false, true}},
      {"a run of one type stays in its epoch",
       {Gga("101010.00", true), kGsa, kGsa, kGsa, kVtg, Gga("101011.00", true)}, {"10:10:10.000", "10:10:11.000"},
       {true, true}},
      {"a wrong checksum does not count", {Gga("101010.00", true), Broken(Gga("101011.00", true))},
       {"10:10:10.000"}, {true}},
      {"no position yet: no fix whatever GSA says", {Gga("101010.00", false), kGsa, Gga("101011.00", true)},
       {"10:10:10.000", "10:10:11.000"}, {false, true}},
      {"other talkers are read", {WithChecksum("GNGGA,101010.00,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,")},
       {"10:10:10.000"}, {true}},
      {"a ZDA ahead of the cycle starts no epoch",
       {Gga("101010.00", true), WithChecksum("GPZDA,101012.00,08,04,2026,,"), Gga("101011.00", true),
        WithChecksum("GPZDA,101013.00,08,04,2026,,")},
       {"10:10:10.000", "10:10:11.000"}, {true, true}},
      {"a mode letter never overrides the quality",
       {Gga("101010.00", false), kVtg, WithChecksum("GPRMC,101010.00,A,4807.0380,N,01131.0000,E,0.1,40.5,080426,,,A"),
        Gga("101011.00", true)},
       {"10:10:10.000", "10:10:11.000"}, {false, true}},
      {"a leap second ends the day; a second 60 elsewhere is no time",
       {Gga("235959.00", true), Gga("235960.00", true), Gga("000000.00", true), Gga("120060.00", true)},
       {"23:59:59.000", "23:59:60.000", "00:00:00.000", ""}, {true, true, true, true}},
      {"without a GGA the RMC status tells",
       {WithChecksum("GNRMC,101010.00,A,4807.0380,N,01131.0000,E,0.1,40.5,080426,,,A"),
        WithChecksum("GNRMC,101011.00,V,,,,,,,080426,,,N")},
       {"10:10:10.000", "10:10:11.000"}, {true, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Collected got = Epochs(c.sentences);
    ASSERT_EQ(got.epochs.size(), c.times.size());
    for (size_t i = 0; i < got.epochs.size(); ++i) {
      const Epoch& e = got.epochs[i];
      EXPECT_EQ(e.index, i);
      EXPECT_EQ(TimeText(e), c.times[i]) << i;
      EXPECT_EQ(e.Fix(), c.fixes[i]) << i;
    }
  }
}

TEST(EpochModel, CountsEverySatelliteOnceAndEverySignal) {
  const Collected got = Epochs({
      WithChecksum("GNGGA,101010.00,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,"),
      WithChecksum("GNGSA,A,3,04,05,09,,,,,,,,,,1.8,0.9,1.5,1"),
      WithChecksum("GNGSA,A,3,65,66,,,,,,,,,,,1.8,0.9,1.5,2"),
      WithChecksum("GPGSV,2,1,05,04,40,083,46,05,32,141,45,09,25,200,44,12,70,300,47,1"),
      WithChecksum("GPGSV,2,2,05,16,55,020,,1"),
      // The same satellites on L2: one group per signal, none wipes the other.
      WithChecksum("GPGSV,1,1,02,04,40,083,38,05,32,141,,6"),
      WithChecksum("GLGSV,1,1,02,65,50,100,41,66,30,200,40,1"),
      WithChecksum("GNGGA,101011.00,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,"),
  });
  ASSERT_EQ(got.epochs.size(), 2u);
  EXPECT_EQ(got.epochs[0].satsInView, 7);
  EXPECT_EQ(got.epochs[0].satsUsed, 5);
  ASSERT_EQ(got.epochs[0].signals.size(), 9u);
  const SignalSeen& l1 = got.epochs[0].signals[0];
  const SignalSeen& l2 = got.epochs[0].signals[5];
  EXPECT_EQ(l1.prn, 4);
  EXPECT_EQ(l1.signal, 1);
  EXPECT_EQ(l1.snr, 46);
  EXPECT_EQ(l2.prn, 4);
  EXPECT_EQ(l2.signal, 6);
  EXPECT_EQ(l2.snr, 38);
  // No GSV or GSA in the second epoch: in view unknown, used from the GGA.
  EXPECT_FALSE(got.epochs[1].satsInView.has_value());
  EXPECT_EQ(got.epochs[1].satsUsed, 8);
}

// One sentence and the values its epoch must hold: as written, in double
// precision; missing or out of range stays missing and is counted.
TEST(EpochModel, ValuesAsWritten) {
  const Collected got = Epochs({
      WithChecksum("GNGGA,235959.50,4807.038123456,S,01131.000000001,W,4,12,0.55,-12.25,M,-3.5,M,1.0,0001"),
      WithChecksum("GNGST,235959.50,0.8,0.5,0.3,12.0,0.012,0.009,0.021"),
      WithChecksum("GNVTG,,T,,M,1.0,N,,K,D"),
      WithChecksum("GNZDA,000001.50,01,01,2027,00,00"),
      WithChecksum("GPGGA,000000.50,9107.0,N,01131.0,E,1,08,inf,1e39,M,46.9,M,,"),
      WithChecksum("GPRMC,000000.50,A,4807.0,N,01131.0,E,,,310226,,,A"),
  });
  ASSERT_GE(got.epochs.size(), 2u);
  const Epoch& a = got.epochs[0];
  EXPECT_NEAR(*a.latitude, -(48 + 7.038123456 / 60), 1e-12);
  EXPECT_NEAR(*a.longitude, -(11 + 31.000000001 / 60), 1e-12);
  EXPECT_EQ(a.altitudeMsl, -12.25);
  EXPECT_EQ(a.geoidSeparation, -3.5);
  EXPECT_EQ(a.quality, 4);
  EXPECT_STREQ(QualityName(*a.quality), "RTK fixed");
  EXPECT_EQ(a.sigmaLatitude, 0.012);
  EXPECT_EQ(a.sigmaAltitude, 0.021);
  EXPECT_NEAR(*a.speedKmh, 1.852, 1e-12);
  // The ZDA is past midnight, the epoch not yet: the day before.
  EXPECT_EQ(DateText(a), "2026-12-31");
  EXPECT_EQ(TimeText(a), "23:59:59.500");
  const Epoch& b = got.epochs[1];
  // Latitude 91, HDOP "inf", altitude 1e39 and 31 February: missing; the
  // RMC's position stands in for the GGA's.
  EXPECT_FALSE(b.hdop || b.altitudeMsl);
  EXPECT_NEAR(*b.latitude, 48 + 7.0 / 60, 1e-12);
  EXPECT_EQ(b.quality, 1);
  EXPECT_EQ(DateText(b), "2027-01-01");  // a day on, from the epoch before
  EXPECT_EQ(got.tally.outOfRange, 4u);
}

TEST(EpochModel, LowercaseChecksumsAreReadAndCounted) {
  const Collected got = Epochs({Gga("101009.00", true), "$GNGSA,A,3,04,05,09,12,16,,,,,,,,1.5,0.7,1.2,1*3d",
                                Broken(Gga("101011.00", true))});
  ASSERT_EQ(got.epochs.size(), 1u);
  EXPECT_EQ(got.epochs[0].satsUsed, 5);
  EXPECT_EQ(got.tally.lowercaseChecksums, 1u);
  EXPECT_EQ(got.tally.checksumFailures, 1u);
}

TEST(EpochModel, WhatASentenceSaysOfTheFix) {
  const struct {
    std::string sentence;
    std::optional<bool> fix;
  } cases[] = {
      {WithChecksum("GNGGA,101010.00,4807.0380,N,01131.0000,E,4,08,0.9,545.4,M,46.9,M,,"), true},
      {WithChecksum("GPGGA,101010.00,,,,,0,00,,,M,,M,,"), false},
      {WithChecksum("GNGNS,101010.00,4807.0380,N,01131.0000,E,NA,08,0.9,545.4,46.9,,"), true},
      {WithChecksum("GNGNS,101010.00,,,,,NN,00,,,,,"), false},
      {WithChecksum("GAGSA,A,3,04,05,09,,,,,,,,,,1.8,0.9,1.5"), true},
      {WithChecksum("GPGSA,A,1,,,,,,,,,,,,,,,"), false},
      {WithChecksum("BDRMC,101010.00,A,4807.0380,N,01131.0000,E,0.1,40.5,080426,,,A"), true},
      {WithChecksum("GPVTG,31.66,T,,M,0.02,N,0.04,K,A"), std::nullopt},  // a mode letter tells nothing
      {Broken(WithChecksum("GNGGA,101010.00,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,")), std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(FixOfSentence(c.sentence.data(), c.sentence.size()), c.fix) << c.sentence;
}

// A long track is many elements: timed points in gx:Track pieces of at most
// kPiece, a stretch without a time as a line, a lone point as a point.
TEST(KmlWriter, TrackInPieces) {
  char* text = nullptr;
  size_t length = 0;
  std::FILE* out = open_memstream(&text, &length);
  {
    KmlWriter kml(out, "t");
    Epoch e;
    e.quality = 1;
    e.latitude = 48.1;
    e.longitude = 11.5;
    e.date = Date{2026, 4, 8};
    for (int i = 0; i < 1001; ++i) {
      e.index = static_cast<uint64_t>(i);
      e.msOfDay = i * 1000;
      kml.OnEpoch(e);
    }
    e.msOfDay.reset();
    kml.OnEpoch(e);
    kml.OnEpoch(e);
    Epoch none;
    kml.OnEpoch(none);
    kml.OnEpoch(e);
    kml.Finish();
  }
  std::fclose(out);
  const std::string doc(text, length);
  std::free(text);
  auto count = [&](const std::string& what) {
    size_t n = 0;
    for (size_t at = doc.find(what); at != std::string::npos; at = doc.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("<gx:Track>"), 3u);
  EXPECT_EQ(count("<when>"), 1001u + 1);  // and the first fix's placemark
  EXPECT_EQ(count("<LineString>"), 1u);
  EXPECT_EQ(count("<gx:coord>11.500000000 48.100000000</gx:coord>"), 1001u);  // no altitude, none written
  EXPECT_EQ(count("<Point>"), 3u);  // the lone point after the gap, first and last fix
}

TEST(SpoolQuantile, LinearBetweenOrderStatistics) {
  FixSpool spool;
  auto lat = [](const FixRow& r) { return r.latitude; };
  EXPECT_FALSE(SpoolQuantile(spool, lat, 0.5));
  // 1 .. 40000: past the memory of the spool and of one sort.
  for (int i = 40000; i >= 1; --i) spool.Append(FixRow{static_cast<double>(i), 0, 0, i % 2 ? 1.0 : NAN});
  for (const auto& [q, expected] : std::vector<std::pair<double, double>>{
           {0.0, 1}, {0.5, 20000.5}, {0.95, 38000.05}, {1.0, 40000}})
    EXPECT_NEAR(*SpoolQuantile(spool, lat, q), expected, 1e-6) << q;
  // Ties, and the values missing from every other row left out.
  EXPECT_EQ(*SpoolQuantile(spool, [](const FixRow& r) { return r.hdop; }, 0.95), 1.0);
}

TEST(Text, AnyNameMakesWellFormedXml) {
  EXPECT_EQ(XmlEscaped("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
  EXPECT_EQ(XmlEscaped("tab\tbell\a"), "tab\tbell\xEF\xBF\xBD");
  EXPECT_EQ(XmlEscaped("caf\xC3\xA9 \xE9t\xE9"), "caf\xC3\xA9 \xEF\xBF\xBDt\xEF\xBF\xBD");
  std::string five;
  for (int i = 0; i < 5; ++i) five += "\xEF\xBF\xBD";
  EXPECT_EQ(ValidUtf8("\xC0\xAF\xED\xA0\x80"), five);  // overlong, surrogate
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
