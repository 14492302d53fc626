// The simulated module without its pseudo-terminal: bytes in, time forward,
// bytes out.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "sim/Control.h"
#include "sim/Module.h"
#include "sim/Sentence.h"
#include "sim/Sky.h"
#include "tests/sim/ModuleRig.h"

namespace vantrel::sim {
namespace {

using namespace test;

TEST(SimSentence, ChecksumsMatchTheKnownCommands) {
  EXPECT_EQ(Finish("$PQOL101"), "$PQOL101*32\r\n");
  EXPECT_EQ(Finish("$PQOL220,1000"), "$PQOL220,1000*1F\r\n");
  EXPECT_EQ(Finish("$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0"),
            "$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0*28\r\n");
  EXPECT_EQ(Finish("$PQOL251,115200"), "$PQOL251,115200*1F\r\n");
}

TEST(SimSentence, ParsesOnlyLinesWithTheirRightChecksum) {
  struct Case {
    const char* line;
    bool ok;
    std::vector<std::string> fields;
  };
  const Case cases[] = {
      {"$PQOL101*32", true, {}},
      {"$PQOL220,500*2B", true, {"500"}},
      {"$PQOL250,1,0,*18", true, {"1", "0", ""}},
      {"$PQOL101*33", false, {}},
      {"$PQOL419*3e", false, {}},  // lower-case digits are not accepted
      {"$PQOL101", false, {}},
      {"$PQOL101*3", false, {}},
      {"$PQOL101*32X", false, {}},
      {"PQOL101*32", false, {}},
      {"", false, {}},
  };
  for (const Case& c : cases) {
    ParsedLine p;
    EXPECT_EQ(ParseLine(c.line, p), c.ok) << c.line;
    if (c.ok) {
      EXPECT_EQ(p.fields, c.fields) << c.line;
    }
  }
  long v = 0;
  EXPECT_TRUE(ParseInt("007", v) && v == 7);
  EXPECT_TRUE(ParseInt("-1", v) && v == -1);
  for (const char* bad : {"", "-", "+3", "1.0", "12a", " 1", "9999999999"}) EXPECT_FALSE(ParseInt(bad, v)) << bad;
}

TEST(SimModule, AnswersEveryQueryWithItsReply) {
  Rig rig;
  const std::pair<const char*, const char*> cases[] = {
      {"$PQOL414*33", "$PQOL514,0,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,1"},
      {"$PQOL400*36", "$PQOL500,1000"},
      {"$PQOL602*36", "$PQOL702,0,0,9600"},
      {"$PQOL401*37", "$PQOL501,0"},
      {"$PQOL419*3E", "$PQOL519,1"},
      {"$PQOL490*3F", "$PQOL590,10"},
      {"$PQOL430*35", "$PQOL530,0"},
  };
  for (const auto& [query, reply] : cases) {
    const std::string got = rig.Send(query);
    const auto replies = With(got, std::string(reply).substr(0, 9));
    ASSERT_EQ(replies.size(), 1u) << query << "\n" << got;
    EXPECT_EQ(replies[0] + "\r\n", Finish(reply)) << query;
    EXPECT_TRUE(With(got, "$PQOL001,").empty()) << query;  // queries are answered, not acknowledged
  }
  const auto fw = With(rig.Send("$PQOL605*31"), "$PQOL705,");
  ASSERT_EQ(fw.size(), 1u);
  EXPECT_LE(Field(fw[0], 1).size(), 29u);
  EXPECT_LE(Field(fw[0], 2).size(), 29u);
  const auto tcxo = With(rig.Send("$PQOL456*35"), "$PQOL556,");
  ASSERT_EQ(tcxo.size(), 1u);
  const double ppm = std::atof(Field(tcxo[0], 2).c_str()) * 1e6;
  EXPECT_GT(ppm, 0.0);
  EXPECT_LT(ppm, 2.0);
}

TEST(SimModule, AcknowledgesWhatItUnderstandsAndRefusesTheRest) {
  const std::pair<std::string, std::string> cases[] = {
      {"$PQOL101*32", Ack(101, 3)},
      {"$PQOL160*35", Ack(160, 3)},
      {"$PQOL188*33", Ack(188, 3)},
      {Finish("$PQOL220,200"), Ack(220, 3)},
      {Finish("$PQOL220,150"), Ack(220, 2)},
      {Finish("$PQOL220,x"), Ack(220, 2)},
      {Finish("$PQOL250,1,0,4800"), Ack(250, 3)},
      {Finish("$PQOL250,1,0,4801"), Ack(250, 2)},
      {Finish("$PQOL251,14400"), Ack(251, 3)},
      {Finish("$PQOL251,12345"), Ack(251, 2)},
      {"$PQOL301,2*2E", Ack(301, 3)},
      {Finish("$PQOL301,3"), Ack(301, 2)},
      {"$PQOL313,1*2E", Ack(313, 3)},
      {"$PQOL319,0*25", Ack(319, 3)},
      {"$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0*28", Ack(314, 3)},
      {Finish("$PQOL314,007,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,255"), Ack(314, 3)},
      {Finish("$PQOL314,256,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0"), Ack(314, 2)},
      {Finish("$PQOL314,-1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0"), Ack(314, 2)},
      {Finish("$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0"), Ack(314, 2)},
      {Finish("$PQOL330,222"), Ack(330, 3)},
      {Finish("$PQOL330,223"), Ack(330, 2)},
      {Finish("$PQOL330,-1"), Ack(330, 2)},
      {Finish("$PQOL101,1"), Ack(101, 2)},
      {Finish("$PQOL999"), Ack(999, 2)},
      {"$PQOL101*33", ""},  // bad checksum: no answer at all
      {"$PQOL101", ""},
      {Finish("$GPTXT,01,01,02,hello"), ""},
  };
  for (const auto& [line, ack] : cases) {
    Rig rig;
    std::string sent = line;
    while (!sent.empty() && (sent.back() == '\n' || sent.back() == '\r')) sent.pop_back();
    EXPECT_EQ(Acks(rig.Send(sent)), ack) << sent;
  }
}

TEST(SimModule, LogsEveryLineWithItsAnswer) {
  Rig rig;
  std::string log;
  rig.module.SetCommandLog([&](std::string_view line, std::string_view answer) {
    log += std::string(line) + " -> " + std::string(answer) + "\n";
  });
  rig.Send("$PQOL101*32");
  rig.Send("$PQOL101*33");
  rig.Send("$PQOL400*36");
  ApplyControl("ignore 102", rig.module);
  rig.Send("$PQOL102*31");
  rig.pcBaud = 9600;
  rig.Send("$PQOL400*36");
  EXPECT_EQ(log,
            "$PQOL101*32 -> $PQOL001,101,3*30\n"
            "$PQOL101*33 -> (bad checksum: no answer)\n"
            "$PQOL400*36 -> $PQOL500,1000*1A\n"
            "$PQOL102*31 -> (ignored by control)\n"
            "$PQOL400*36 -> (unreadable: the PC sends at 9600 baud, the module is at 38400)\n");
}

TEST(SimModule, ReadsCommandsSplitAcrossChunksAndSkipsZeroBytes) {
  Rig rig;
  rig.module.Receive(std::string("\0garbage$PQOL2", 14), 0, 38400);
  rig.module.Receive(std::string("20,500*2B\r\n\0$PQOL101*32\r\n\0", 27), 0, 38400);
  EXPECT_EQ(Acks(rig.Run(0.5)), Ack(220, 3) + Ack(101, 3));
  EXPECT_EQ(rig.module.FixPeriodMs(), 500);
}

TEST(SimModule, SettingsAreAppliedAndReportedBack) {
  Rig rig;
  rig.Send(Finish("$PQOL220,200"));
  rig.Send(Finish("$PQOL314,2,0,0,3,0,4,0,0,0,0,0,0,0,0,0,0,0,5,6"));
  rig.Send(Finish("$PQOL330,5"));
  rig.Send(Finish("$PQOL250,1,0,4800"));
  rig.Send("$PQOL301,1*2D");
  rig.Send("$PQOL319,0*25");
  EXPECT_EQ(With(rig.Send("$PQOL400*36"), "$PQOL500,")[0], "$PQOL500,200*29");
  EXPECT_EQ(With(rig.Send("$PQOL414*33"), "$PQOL514,")[0] + "\r\n",
            Finish("$PQOL514,2,0,0,3,0,4,0,0,0,0,0,0,0,0,0,0,0,5,6"));
  EXPECT_EQ(With(rig.Send("$PQOL430*35"), "$PQOL530,")[0], "$PQOL530,5*2D");
  EXPECT_EQ(With(rig.Send("$PQOL602*36"), "$PQOL702,")[0] + "\r\n", Finish("$PQOL702,1,0,4800"));
  EXPECT_EQ(With(rig.Send("$PQOL401*37"), "$PQOL501,")[0], "$PQOL501,1*2B");
  EXPECT_EQ(With(rig.Send("$PQOL419*3E"), "$PQOL519,")[0], "$PQOL519,0*23");
  EXPECT_EQ(rig.module.Rates(), (OutputRates{2, 0, 0, 3, 0, 4, 5, 6}));
}

TEST(SimModule, OutputRatesSayEveryHowManyFixesEachSentenceGoesOut) {
  ModuleOptions opt;
  opt.ttffHot = 0;
  Rig rig(opt);
  rig.Send(Finish("$PQOL314,0,0,0,2,0,0,0,0,0,0,0,0,0,0,0,0,0,3,0"));
  rig.Send(Finish("$PQOL220,500"));
  const std::string got = rig.Run(rig.now + 6.0);  // 12 fixes at 2 Hz
  EXPECT_EQ(With(got, "$GPGGA,").size(), 6u);
  EXPECT_EQ(With(got, "$GPZDA,").size(), 4u);
  EXPECT_EQ(Lines(got).size(), 10u) << got;
  const auto zda = With(got, "$GPZDA,");
  EXPECT_EQ(Field(zda[0], 4), "2007");
}

TEST(SimModule, StreamsValidSentencesThatShowTheWholeDisplay) {
  ModuleOptions opt;
  opt.rates = OutputRates{1, 1, 1, 1, 1, 1, 1, 1};
  opt.ttffHot = 0;
  Rig rig(opt);
  const std::string got = rig.Run(300.0);
  for (const std::string& l : Lines(got)) {
    ParsedLine p;
    EXPECT_TRUE(ParseLine(l, p)) << l;
    EXPECT_LE(l.size() + 2, 210u) << l;
  }
  // With the fix: quality 1, a position near the centre of the drive.
  const std::string gga = With(got, "$GPGGA,").back();
  EXPECT_EQ(Field(gga, 6), "1");
  const double lat = std::atof(Field(gga, 2).substr(0, 2).c_str()) + std::atof(Field(gga, 2).substr(2).c_str()) / 60;
  EXPECT_NEAR(lat, 48.1173, 0.01);
  EXPECT_EQ(Field(gga, 3), "N");
  EXPECT_EQ(Field(gga, 5), "E");
  // Over five minutes: satellites rise and set, some are not used, and some
  // SNR fields are empty.
  std::set<std::string> prns;
  int emptySnr = 0, listed = 0;
  for (const std::string& s : With(got, "$GPGSV,"))
    for (int f = 4; Field(s, f) != "<none>"; f += 4) {
      prns.insert(Field(s, f));
      ++listed;
      emptySnr += Field(s, f + 3).empty();
    }
  EXPECT_GT(prns.size(), 9u);
  EXPECT_GT(emptySnr, 0);
  EXPECT_LT(emptySnr, listed / 3);
  int unusedInView = 0;
  for (const std::string& s : With(got, "$GPGSA,")) {
    int used = 0;
    for (int f = 3; f <= 14; ++f) used += !Field(s, f).empty();
    unusedInView += used < 12;
    EXPECT_GE(used, 4) << s;
  }
  EXPECT_GT(unusedInView, 0);
  const std::string chn = With(got, "$PQOLCHN,").back();
  for (int i = 1; i <= 32; ++i) EXPECT_EQ(Field(chn, i).size(), 5u) << chn;
}

TEST(SimModule, AModuleStartedAsleepStreamsOnlyAfterTheWakeUp) {
  ModuleOptions opt;
  opt.asleep = true;
  Rig rig(opt);
  EXPECT_EQ(rig.Run(3.0), "");
  const std::string got = rig.Send("$PQOL188*33");
  EXPECT_EQ(Acks(got), Ack(188, 3));
  EXPECT_FALSE(With(got + rig.Run(rig.now + 1.5), "$GPGGA,").empty());
}

TEST(SimModule, SouthernAndWesternPositionsAndSbasCorrections) {
  ModuleOptions opt;
  opt.latitude = -33.9;
  opt.longitude = -70.6;
  opt.ttffHot = 0;
  Rig rig(opt);
  rig.Send("$PQOL301,2*2E");
  const std::string got = rig.Run(rig.now + 2.0);
  const std::string gga = With(got, "$GPGGA,").back();
  EXPECT_EQ(Field(gga, 3), "S");
  EXPECT_EQ(Field(gga, 5), "W");
  EXPECT_EQ(Field(gga, 6), "2");  // DGPS
  EXPECT_EQ(Field(With(got, "$GPRMC,").back(), 12), "D");
}

TEST(SimModule, RestartsDropTheFixUntilTheirTimeToFix) {
  ModuleOptions opt;
  opt.ttffWarm = 5;
  Rig rig(opt);
  rig.Run(3.0);
  EXPECT_TRUE(rig.module.HasFix(rig.now));
  EXPECT_EQ(Acks(rig.Send("$PQOL102*31", 3.0)), Ack(102, 3));
  const std::string lost = rig.Run(7.9);
  ASSERT_FALSE(With(lost, "$GPGGA,").empty());
  for (const auto& s : With(lost, "$GPGGA,")) EXPECT_EQ(Field(s, 6), "0") << s;
  for (const auto& s : With(lost, "$GPRMC,")) EXPECT_EQ(Field(s, 2), "V") << s;
  for (const auto& s : With(lost, "$GPGSA,")) EXPECT_EQ(Field(s, 2), "1") << s;
  for (const auto& s : With(lost, "$GPVTG,")) EXPECT_EQ(Field(s, 9), "N") << s;
  const std::string back = rig.Run(9.1);
  EXPECT_EQ(Field(With(back, "$GPGGA,").back(), 6), "1");
  EXPECT_EQ(Field(With(back, "$GPRMC,").back(), 2), "A");
}

TEST(SimModule, ColdStartSeesNoSatellitesAtFirst) {
  ModuleOptions opt;
  opt.ttffCold = 10;
  Rig rig(opt);
  rig.Run(2.0);
  rig.Send("$PQOL103*30", 2.0);
  const std::string early = rig.Run(5.5);
  for (const auto& s : With(early, "$GPGSV,")) EXPECT_EQ(s, "$GPGSV,1,1,00*79");
  const std::string later = rig.Run(11.5);
  EXPECT_NE(With(later, "$GPGSV,").back(), "$GPGSV,1,1,00*79");
  EXPECT_EQ(Field(With(later, "$GPGGA,").back(), 6), "0");
  EXPECT_EQ(Field(With(rig.Run(12.5), "$GPGGA,").back(), 6), "1");
}

TEST(SimModule, BaudChangeIsAcknowledgedAtTheOldRateThenTheLineIsNoise) {
  Rig rig;
  const std::string got = rig.Send("$PQOL251,9600*17");
  ASSERT_NE(got.find(Ack(251, 3)), std::string::npos);
  const std::string after = got.substr(got.find(Ack(251, 3)) + Ack(251, 3).size()) + rig.Run(rig.now + 2.0);
  EXPECT_FALSE(after.empty());
  EXPECT_EQ(after.find('$'), std::string::npos);
  EXPECT_EQ(after.find('\n'), std::string::npos);
  EXPECT_GT(rig.module.GetStats().garbled[static_cast<int>(Kind::GGA)], 0u);
  // The PC's commands at the old rate are noise to the module too.
  EXPECT_EQ(rig.Send("$PQOL400*36").find('$'), std::string::npos);
  EXPECT_GT(rig.module.GetStats().unreadableBytes, 0u);
  rig.pcBaud = 9600;
  rig.module.Receive("$PQOL400*36\r\n", rig.now, rig.pcBaud);
  const std::string readable = rig.Run(rig.now + 2.0);
  EXPECT_EQ(With(readable, "$PQOL500,").size(), 1u);
  EXPECT_EQ(rig.module.Baud(), 9600);
}

TEST(SimModule, PacesTheLineAtItsBaudRateAndDropsWhatDoesNotFit) {
  ModuleOptions opt;
  opt.baud = 4800;
  opt.fixPeriodMs = 200;
  opt.rates = OutputRates{1, 1, 1, 1, 1, 1, 1, 1};  // about 4 kB a second
  Rig rig(opt);
  rig.pcBaud = 4800;
  rig.Run(2.0);
  const std::string second = rig.Run(3.0);
  EXPECT_NEAR(static_cast<double>(second.size()), 480.0, 12.0);
  uint64_t overrun = 0;
  for (uint64_t v : rig.module.GetStats().overrun) overrun += v;
  EXPECT_GT(overrun, 0u);
  EXPECT_LE(rig.module.QueuedBytes(), 1024u + 250u);
  // Answers still get through a full line.
  rig.module.Receive("$PQOL400*36\r\n", rig.now, 4800);
  EXPECT_EQ(With(rig.Run(rig.now + 5.0), "$PQOL500,").size(), 1u);
}

TEST(SimModule, FloodFillsTheLine) {
  ModuleOptions opt;
  opt.baud = 115200;
  opt.flood = true;
  Rig rig(opt);
  rig.pcBaud = 115200;
  rig.Run(1.0);
  const std::string second = rig.Run(2.0);
  EXPECT_NEAR(static_cast<double>(second.size()), 11520.0, 150.0);
  EXPECT_GT(With(second, "$GPGGA,").size(), 15u);
  // A late call does not make up for lost time with a burst above the rate.
  rig.now += 1.0;
  EXPECT_LE(rig.Run(rig.now + 0.011).size(), 11520u / 20 + 11520u / 100 + 1);
}

TEST(SimModule, FloodWithNothingToSendDoesNotSpin) {
  ModuleOptions opt;
  opt.flood = true;
  opt.asleep = true;
  Rig rig(opt);
  EXPECT_EQ(rig.Run(0.5), "");
  rig.Send("$PQOL188*33");
  rig.Send(Finish("$PQOL314,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0"));
  const std::string quiet = rig.Run(rig.now + 0.5);
  EXPECT_LT(quiet.size(), 3000u);
  EXPECT_EQ(rig.Run(rig.now + 0.5), "");
}

TEST(SimModule, BytesTheLineCannotTakeAreLostAndCounted) {
  Rig rig;
  rig.lineTakes = false;
  rig.Run(3.0);
  const Stats& s = rig.module.GetStats();
  EXPECT_EQ(s.bytesWritten, 0u);
  EXPECT_GT(s.bytesLost, 500u);
  EXPECT_EQ(s.sent[static_cast<int>(Kind::GGA)], 0u);
  EXPECT_GT(s.cut[static_cast<int>(Kind::GGA)], 1u);
  rig.lineTakes = true;
  rig.module.ResetStats();
  const std::string got = rig.Run(5.0);
  EXPECT_EQ(rig.module.GetStats().sent[static_cast<int>(Kind::GGA)], With(got, "$GPGGA,").size());
  EXPECT_NE(rig.module.StatsText().find("sent_GGA 2\n"), std::string::npos) << rig.module.StatsText();
}

TEST(SimModule, FlashWritesCountDownApplyAndCanBeProtected) {
  ModuleOptions opt;
  opt.flashWrites = 2;
  Rig rig(opt);
  const std::string write = "$PQOL390,0,2,38400,1,1,1,1,1,1,0,0,-1,2,9600";
  EXPECT_EQ(Acks(rig.Send(Finish(write))), Ack(390, 3));
  EXPECT_EQ(With(rig.Send("$PQOL490*3F"), "$PQOL590,")[0], "$PQOL590,1*23");
  EXPECT_EQ(rig.module.FixPeriodMs(), 500);
  EXPECT_EQ(rig.module.CurrentSettings().dgps, DgpsMode::Sbas);
  const std::string bad = "$PQOL390,0,9,38400,1,1,1,1,1,1,0,0,-1,2,9600";  // 9 Hz
  EXPECT_EQ(Acks(rig.Send(Finish(bad))), Ack(390, 2));
  const std::string protect = "$PQOL390,1,1,9600,1,1,1,1,1,1,0,0,7,0,9600";
  EXPECT_EQ(Acks(rig.Send(Finish(protect))), Ack(390, 3));
  EXPECT_EQ(rig.module.Datum(), 7);
  EXPECT_EQ(rig.module.Baud(), 9600);  // switched after the acknowledgement
  rig.pcBaud = 9600;
  EXPECT_EQ(Acks(rig.Send(Finish(write))), Ack(390, 2));
  EXPECT_EQ(rig.module.FlashWritesLeft(), 0);
}

TEST(SimControl, ControlLinesChangeHowTheModuleAnswers) {
  Rig rig;
  for (const char* bad : {"", "fault now", "refuse", "refuse x", "silent maybe", "baud 12", "dance"})
    EXPECT_NE(ApplyControl(bad, rig.module), "") << bad;

  EXPECT_EQ(ApplyControl("refuse 220", rig.module), "");
  EXPECT_EQ(Acks(rig.Send("$PQOL220,1000*1F")), Ack(220, 2));
  EXPECT_EQ(ApplyControl("accept 220", rig.module), "");
  EXPECT_EQ(Acks(rig.Send("$PQOL220,1000*1F")), Ack(220, 3));
  EXPECT_EQ(ApplyControl("ignore 220", rig.module), "");
  EXPECT_EQ(Acks(rig.Send("$PQOL220,1000*1F")), "");
  EXPECT_EQ(Acks(rig.Send("$PQOL101*32")), Ack(101, 3));
  EXPECT_EQ(ApplyControl("ignore all", rig.module), "");
  EXPECT_EQ(Acks(rig.Send("$PQOL101*32")), "");
  EXPECT_EQ(ApplyControl("heed all", rig.module), "");
  EXPECT_EQ(ApplyControl("heed 220", rig.module), "");
  EXPECT_EQ(ApplyControl("fault", rig.module), "");
  EXPECT_EQ(Acks(rig.Run(rig.now + 0.5)), Ack(-1, 3));
  // A flood of faults: one report a second, the rest refused, so the queue
  // stays small and the stream goes on.
  rig.Run(rig.now + 1);
  EXPECT_EQ(ApplyControl("fault", rig.module), "");
  for (int i = 0; i < 10000; ++i) EXPECT_EQ(ApplyControl("fault", rig.module), "one report a second at most");
  const std::string flooded = rig.Run(rig.now + 1.5);
  EXPECT_EQ(Acks(flooded), Ack(-1, 3));
  EXPECT_FALSE(With(flooded, "$GPGGA,").empty());

  EXPECT_EQ(ApplyControl("silent on", rig.module), "");
  EXPECT_EQ(rig.Send("$PQOL400*36") + rig.Run(rig.now + 3), "");
  EXPECT_EQ(ApplyControl("silent off", rig.module), "");
  rig.Run(rig.now + 2);
  EXPECT_TRUE(rig.module.HasFix(rig.now));
  EXPECT_EQ(ApplyControl("nofix on", rig.module), "");
  EXPECT_FALSE(rig.module.HasFix(rig.now));
  EXPECT_EQ(Field(With(rig.Run(rig.now + 1.5), "$GPGGA,").back(), 6), "0");
  EXPECT_EQ(ApplyControl("nofix off", rig.module), "");
  EXPECT_EQ(Field(With(rig.Run(rig.now + 1.5), "$GPGGA,").back(), 6), "1");
}

TEST(SimGenerator, RfLevelDrivesTheSatelliteWithAcquisitionHysteresis) {
  Rig rig;
  for (const char* bad : {"MAIN:SV x", "MAIN:SV 0", "MAIN:RFLVL", "MAIN:FREQ 1", "MAIN:RFLVL -85dBm"})
    EXPECT_NE(ApplyGenerator(bad, rig.module), "") << bad;
  auto snrAt = [&](int level) {
    EXPECT_EQ(ApplyGenerator("MAIN:RFLVL " + std::to_string(level), rig.module), "");
    const auto gsv = With(rig.Run(rig.now + 1.0), "$GPGSV,");
    for (const std::string& s : gsv)
      for (int f = 4; Field(s, f) != "<none>"; f += 4)
        if (Field(s, f) == "14") return Field(s, f + 3);
    return std::string("<absent>");
  };
  EXPECT_EQ(ApplyGenerator("MAIN:TEST 1", rig.module), "");
  EXPECT_EQ(ApplyGenerator("MAIN:SV 14", rig.module), "");
  // SNR = level - 40 dB + 174 - 3 dB: tracked down to 12, acquired from 20.
  EXPECT_EQ(snrAt(-85), "46");
  EXPECT_EQ(snrAt(-110), "21");
  EXPECT_EQ(snrAt(-118), "13");
  EXPECT_EQ(snrAt(-120), "");
  EXPECT_EQ(snrAt(-114), "");
  EXPECT_EQ(snrAt(-111), "20");
  EXPECT_EQ(snrAt(-60), "71");
  // A cold start forgets the satellite: a signal it could still track is
  // too weak to acquire again.
  EXPECT_EQ(snrAt(-116), "15");
  rig.Send("$PQOL103*30");
  EXPECT_EQ(snrAt(-116), "<absent>");  // nothing in view at first
  rig.Run(rig.now + 35.0);
  EXPECT_EQ(snrAt(-116), "");
  EXPECT_EQ(snrAt(-105), "26");
}

TEST(SimSky, SatellitesMoveAcrossTheSkyAndEnoughAreAlwaysUp) {
  const Sky sky(48.1, 11.5, 1.0);
  for (double t = 0; t < 86400; t += 900) {
    int up = 0;
    for (const SkySat& s : sky.At(t)) {
      EXPECT_GE(s.azimuth, 0.0);
      EXPECT_LT(s.azimuth, 360.0);
      EXPECT_LE(std::fabs(s.elevation), 90.0);
      up += s.elevation > 10.0;
    }
    EXPECT_GE(up, 4) << t;
    EXPECT_LE(up, 16) << t;
  }
  const auto a = sky.At(0), b = sky.At(600);
  double moved = 0;
  for (size_t i = 0; i < a.size(); ++i) moved += std::fabs(a[i].elevation - b[i].elevation);
  EXPECT_GT(moved / a.size(), 0.5);
}

}  // namespace
}  // namespace vantrel::sim
