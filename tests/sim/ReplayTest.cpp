// Replay of a recording: the epochs it is cut into, when each is due, the
// loop, and the module that puts them on the line byte for byte and only
// acknowledges commands.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/Module.h"
#include "sim/Replay.h"
#include "sim/Sentence.h"
#include "tests/sim/ModuleRig.h"

namespace vantrel::sim {
namespace {

std::string Gga(const std::string& time, const char* talker = "GP") {
  return Finish(std::string("$") + talker + "GGA," + time + ",4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,");
}
const std::string kGsa = Finish("$GPGSA,A,3,04,05,09,12,,,,,,,,,1.8,0.9,1.5");
std::string Rmc(const std::string& time) {
  return Finish("$GPRMC," + time + ",A,4807.0380,N,01131.0000,E,0.02,31.66,080426,,,A");
}

std::vector<ReplayEpoch> Cut(const std::string& stream, size_t chunk) {
  EpochCutter cutter;
  std::vector<ReplayEpoch> out;
  for (size_t at = 0; at < stream.size(); at += chunk) {
    cutter.Feed(std::string_view(stream).substr(at, chunk));
    while (auto e = cutter.Next()) out.push_back(*e);
  }
  cutter.End();
  while (auto e = cutter.Next()) out.push_back(*e);
  return out;
}

// Each recording, and the epochs it must be cut into: where each begins
// and its time (-1 without one).
TEST(EpochCutter, CutsWhereTheTimeChanges) {
  const std::string junk = "\xff\xfe garbage \r\n";
  struct {
    const char* name;
    std::vector<std::string> lines;
    std::vector<size_t> starts;  // index of the line each epoch begins with
    std::vector<long> times;     // ms of day
  } const cases[] = {
      {"1 Hz", {Gga("101010.00"), kGsa, Rmc("101010.00"), Gga("101011.00"), kGsa, Rmc("101011.00")}, {0, 3},
       {36610000, 36611000}},
      {"junk before the first sentence joins the first epoch", {junk, Gga("101010.00"), junk, Gga("101011.00")},
       {0, 3}, {36610000, 36611000}},
      {"5 Hz with milliseconds", {Gga("101010.200"), Gga("101010.400"), Gga("101010.600")}, {0, 1, 2},
       {36610200, 36610400, 36610600}},
      {"empty times: the same type again", {Gga(""), kGsa, Gga(""), kGsa, Gga("101012.00")}, {0, 2, 4},
       {-1, -1, 36612000}},
      {"other talkers alike", {Gga("101010.00", "GN"), Gga("101010.00", "GP"), Gga("101011.00", "GN")}, {0, 2},
       {36610000, 36611000}},
      {"a wrong checksum does not cut", {Gga("101010.00"), Gga("101011.00").substr(0, 40) + "*00\r\n", Gga("101012.00")},
       {0, 2}, {36610000, 36612000}},
      {"midnight", {Gga("235959.00"), Gga("000000.00")}, {0, 1}, {86399000, 0}},
      {"what is no time of day counts as none",
       {Gga("123456.5e999"), kGsa, Gga("250000.00"), kGsa, Gga("101012.5"), Gga("101013.-5")}, {0, 2, 4, 5},
       {-1, -1, 36612500, -1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string stream;
    std::vector<size_t> offsets;
    for (const std::string& l : c.lines) {
      offsets.push_back(stream.size());
      stream += l;
    }
    for (size_t chunk : {1, 7, 100, 4096}) {
      const std::vector<ReplayEpoch> epochs = Cut(stream, chunk);
      ASSERT_EQ(epochs.size(), c.starts.size()) << chunk;
      std::string joined;
      for (size_t i = 0; i < epochs.size(); ++i) {
        EXPECT_EQ(joined.size(), offsets[c.starts[i]]) << chunk << " epoch " << i;
        EXPECT_EQ(epochs[i].msOfDay.value_or(-1), c.times[i]) << chunk << " epoch " << i;
        joined += epochs[i].bytes;
      }
      EXPECT_EQ(joined, stream) << "bytes lost or changed, chunk " << chunk;
    }
  }
}

TEST(EpochCutter, ALineWithoutEndIsCutAtTheLimit) {
  const std::string noise(3 * kMaxEpochBytes + 5, 'x');
  const std::vector<ReplayEpoch> epochs = Cut(noise, 4096);
  ASSERT_EQ(epochs.size(), 4u);
  for (const ReplayEpoch& e : epochs) EXPECT_LE(e.bytes.size(), kMaxEpochBytes + 4096);
}

// When each epoch is due, for epochs with these times (-1: none).
TEST(ReplaySchedule, KeepsTheRecordingsSpacing) {
  struct {
    const char* name;
    double speed;
    std::vector<long> times;
    std::vector<double> due;
  } const cases[] = {
      {"1 Hz at 1x", 1, {1000, 2000, 3000, 4000}, {0, 1, 2, 3}},
      {"5 Hz at 1x", 1, {1000, 1200, 1400, 1600}, {0, 0.2, 0.4, 0.6}},
      {"1 Hz at 4x", 4, {1000, 2000, 3000}, {0, 0.25, 0.5}},
      {"as fast as the line allows", 0, {1000, 2000, 3000}, {0, 0, 0}},
      {"a gap is kept", 1, {1000, 2000, 9000}, {0, 1, 8}},
      {"epochs without a time at the last spacing", 1, {-1, -1, 1000, 1500, -1, 2500}, {0, 1, 2, 2.5, 3, 3.5}},
      {"across midnight", 1, {86399000, 0, 1000}, {0, 1, 2}},
      {"a time that goes back", 1, {5000, 6000, 1000, 2000}, {0, 1, 2, 3}},
      {"a jump of more than an hour", 1, {1000, 2000, 7200000}, {0, 1, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ReplaySchedule schedule(c.speed);
    for (size_t i = 0; i < c.times.size(); ++i) {
      ReplayEpoch e;
      if (c.times[i] >= 0) e.msOfDay = c.times[i];
      EXPECT_NEAR(schedule.DueAt(e), c.due[i], 1e-9) << i;
    }
  }
}

struct StringSource {
  std::string data;
  size_t at = 0;
  int rewinds = 0;
  Replayer Make(double speed, bool loop) {
    return Replayer(
        [this](char* b, size_t n) {
          const size_t k = std::min(n, data.size() - at);
          data.copy(b, k, at);
          at += k;
          return k;
        },
        [this] {
          at = 0;
          ++rewinds;
          return true;
        },
        speed, loop);
  }
};

TEST(Replayer, PlaysOnceOrInALoop) {
  StringSource once{Gga("101010.00") + Gga("101011.00")};
  Replayer r = once.Make(1, false);
  EXPECT_TRUE(r.Due(0).has_value());
  EXPECT_FALSE(r.Due(0.99).has_value());
  EXPECT_TRUE(r.Due(1.0).has_value());
  EXPECT_FALSE(r.Due(100).has_value());
  EXPECT_TRUE(r.Finished());

  StringSource looped{once.data};
  Replayer l = looped.Make(2, true);
  std::vector<double> due;
  for (double t = 0; t < 3.0; t += 0.01)
    while (l.Due(t)) due.push_back(t);
  // Every half second at 2x; the recording starts over after its second epoch.
  ASSERT_GE(due.size(), 6u);
  for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(due[i], 0.5 * static_cast<double>(i), 0.011) << i;
  EXPECT_GE(looped.rewinds, 2);
  EXPECT_FALSE(l.Finished());

  StringSource empty{""};
  Replayer e = empty.Make(1, true);
  EXPECT_FALSE(e.Due(10).has_value());
  EXPECT_TRUE(e.Finished()) << "an empty recording must not loop for ever";
}

TEST(ReplaySpeed, MaxOrAPositiveNumber) {
  double s = -1;
  EXPECT_TRUE(ParseReplaySpeed("max", s) && s == 0);
  EXPECT_TRUE(ParseReplaySpeed("2.5", s) && s == 2.5);
  for (const char* bad : {"", "0", "-1", "fast", "2x", "nan"}) EXPECT_FALSE(ParseReplaySpeed(bad, s)) << bad;
}

// The module plays the recording onto the line byte for byte, each epoch's
// first byte leaving when it is due, and only acknowledges commands.
TEST(ModuleReplay, PutsTheRecordingOnTheLineAtItsPace) {
  std::string recording = "$GPTXT,01,01,02,ANTSTATUS=OK*3B\r\n";
  std::vector<size_t> starts;
  for (int i = 0; i < 6; ++i) {
    char t[16];
    std::snprintf(t, sizeof t, "1010%02d.%d00", 10 + i / 2, (i % 2) * 5);
    starts.push_back(i == 0 ? 0 : recording.size());
    recording += Gga(t) + kGsa + Rmc(t);
  }
  ModuleOptions o;
  o.baud = 38400;
  test::Rig rig(o);
  StringSource source{recording};
  rig.module.StartReplay(std::make_unique<Replayer>(source.Make(1, false)), 0.0);
  std::vector<double> firstByte;
  for (; rig.now < 3.5; rig.now += 0.001) {
    rig.module.Tick(rig.now);
    rig.module.Pump(rig.now, 0, [&](const char* p, size_t n) {
      for (size_t k = 0; k < n; ++k) {
        if (std::find(starts.begin(), starts.end(), rig.out.size() + k) != starts.end() && firstByte.size() < starts.size())
          firstByte.push_back(rig.now);
      }
      rig.out.append(p, n);
      return n;
    });
  }
  EXPECT_EQ(rig.out, recording);
  ASSERT_EQ(firstByte.size(), 6u);
  for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(firstByte[i], 0.5 * static_cast<double>(i), 0.005) << i;
  EXPECT_EQ(rig.module.GetStats().epochs, 6u);
  EXPECT_EQ(rig.module.GetStats().sent[static_cast<int>(Kind::Other)], 1u) << rig.module.StatsText();

  // Commands and queries: an acknowledgement each, and nothing changes.
  const std::string answer = rig.Send("$PQOL220,200*2C") + rig.Send("$PQOL414*33") + rig.Send("$PQOL101*32");
  EXPECT_EQ(test::Acks(answer), test::Ack(220, 3) + test::Ack(414, 3) + test::Ack(101, 3));
  EXPECT_EQ(test::With(answer, "$PQOL514").size(), 0u);
  EXPECT_EQ(rig.module.FixPeriodMs(), 1000);
  EXPECT_EQ(test::With(answer, "$GPGGA").size(), 0u) << "the replay is over: no simulated fixes";
}

}  // namespace
}  // namespace vantrel::sim
