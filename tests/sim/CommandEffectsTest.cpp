// What each command from the PC does to the simulated module, seen the way
// the PC sees it: the acknowledgements, the replies of the queries, and the
// sentences that come afterwards.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "sim/Control.h"
#include "sim/Module.h"
#include "sim/Sentence.h"
#include "tests/sim/ModuleRig.h"

namespace vantrel::sim {
namespace {

using namespace test;

// A command body with its checksum, without the line ending.
std::string Checked(const std::string& body) {
  std::string s = Finish(body);
  s.resize(s.size() - 2);
  return s;
}

std::string Body(const std::string& sentence) { return sentence.substr(0, sentence.find('*')); }

// Sends each body in turn; the flags of the acknowledgements, in order.
std::string SendAll(Rig& rig, const std::vector<std::string>& bodies) {
  std::string flags;
  for (const std::string& b : bodies)
    for (const std::string& a : With(rig.Send(Checked(b)), "$PQOL001,")) flags += Field(a, 2);
  return flags;
}

// The body of the one reply `query` gets, whose name is `replyName`.
std::string ReplyTo(Rig& rig, const std::string& query, const std::string& replyName) {
  const auto replies = With(rig.Send(Checked(query)), replyName + ",");
  if (replies.size() != 1) return "<" + std::to_string(replies.size()) + " replies>";
  ParsedLine parsed;
  if (!ParseLine(replies[0], parsed)) return "<bad checksum: " + replies[0] + ">";
  return Body(replies[0]);
}

TEST(SimCommandEffects, EachSettingIsKeptAndReportedByItsQuery) {
  struct Row {
    const char* rule;
    std::vector<std::string> commands;
    std::string acks;   // the flag of each acknowledgement
    const char* query;  // answered by the reply named like `reply`
    const char* reply;
    int flashWrites = 10;
  };
  const std::string flash = "$PQOL390,0,1,38400,1,1,1,1,1,1,0,0,-1,0,9600";
  const Row rows[] = {
      {"fix period as the PC sends it for 3 Hz", {"$PQOL220,333"}, "3", "$PQOL400", "$PQOL500,333"},
      {"fix period shorter than 5 Hz is refused", {"$PQOL220,199"}, "2", "$PQOL400", "$PQOL500,1000"},
      {"fix period longer than 1 s is refused", {"$PQOL220,1001"}, "2", "$PQOL400", "$PQOL500,1000"},
      {"output rates read back in command order",
       {"$PQOL314,1,2,3,4,5,6,0,0,0,0,0,0,0,0,0,0,0,7,8"},
       "3",
       "$PQOL414",
       "$PQOL514,1,2,3,4,5,6,0,0,0,0,0,0,0,0,0,0,0,7,8"},
      {"rates of types the module lacks are taken and read back as 0",
       {"$PQOL314,1,1,1,1,1,1,9,0,0,0,0,0,0,0,0,0,255,0,0"},
       "3",
       "$PQOL414",
       "$PQOL514,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0"},
      {"datum", {"$PQOL330,222"}, "3", "$PQOL430", "$PQOL530,222"},
      {"the later datum wins", {"$PQOL330,5", "$PQOL330,17"}, "33", "$PQOL430", "$PQOL530,17"},
      {"DGPS from SBAS as the PC sets it", {"$PQOL313,1", "$PQOL301,2"}, "33", "$PQOL401", "$PQOL501,2"},
      {"DGPS disabled again", {"$PQOL301,2", "$PQOL313,0", "$PQOL301,0"}, "333", "$PQOL401", "$PQOL501,0"},
      {"DGPS from RTCM", {"$PQOL250,1,0,38400", "$PQOL301,1"}, "33", "$PQOL401", "$PQOL501,1"},
      {"RTCM input on by its own command", {"$PQOL250,1,0,19200"}, "3", "$PQOL602", "$PQOL702,1,0,19200"},
      {"RTCM set as the PC does it",
       {"$PQOL250,1,0,38400", "$PQOL301,1"},
       "33",
       "$PQOL602",
       "$PQOL702,1,0,38400"},
      {"RTCM mode alone listens at the last baud rate", {"$PQOL301,1"}, "3", "$PQOL602", "$PQOL702,1,0,9600"},
      {"RTCM input off keeps its baud rate",
       {"$PQOL250,1,0,4800", "$PQOL250,0,0,4800"},
       "33",
       "$PQOL602",
       "$PQOL702,0,0,4800"},
      {"SBAS mode turns the RTCM input off",
       {"$PQOL250,1,0,4800", "$PQOL301,1", "$PQOL313,1", "$PQOL301,2"},
       "3333",
       "$PQOL602",
       "$PQOL702,0,0,4800"},
      {"disabling DGPS turns the RTCM input off",
       {"$PQOL250,1,0,4800", "$PQOL301,1", "$PQOL313,0", "$PQOL301,0"},
       "3333",
       "$PQOL602",
       "$PQOL702,0,0,4800"},
      {"SBAS test mode", {"$PQOL319,0"}, "3", "$PQOL419", "$PQOL519,0"},
      {"SBAS integrity mode again", {"$PQOL319,0", "$PQOL319,1"}, "33", "$PQOL419", "$PQOL519,1"},
      {"SBAS mode 2 is refused", {"$PQOL319,0", "$PQOL319,2"}, "32", "$PQOL419", "$PQOL519,0"},
      {"a flash write uses one write up", {flash}, "3", "$PQOL490", "$PQOL590,9"},
      {"flash fix rate in Hz",
       {"$PQOL390,0,4,38400,1,1,1,1,1,1,0,0,-1,0,9600"},
       "3",
       "$PQOL400",
       "$PQOL500,250"},
      {"flash rates in page order read back in command order",
       {"$PQOL390,0,1,38400,1,2,3,4,5,6,7,8,-1,0,9600"},
       "3",
       "$PQOL414",
       "$PQOL514,1,2,3,6,4,5,0,0,0,0,0,0,0,0,0,0,0,7,8"},
      {"flash datum", {"$PQOL390,0,1,38400,1,1,1,1,1,1,0,0,45,0,9600"}, "3", "$PQOL430", "$PQOL530,45"},
      {"flash datum -1 keeps the datum", {"$PQOL330,9", flash}, "33", "$PQOL430", "$PQOL530,9"},
      {"flash DGPS from RTCM with its baud rate",
       {"$PQOL390,0,1,38400,1,1,1,1,1,1,0,0,-1,1,57600"},
       "3",
       "$PQOL602",
       "$PQOL702,1,0,57600"},
      {"flash DGPS none turns the RTCM input off",
       {"$PQOL250,1,0,4800", flash},
       "33",
       "$PQOL602",
       "$PQOL702,0,0,9600"},
      {"flash DGPS from SBAS",
       {"$PQOL390,0,1,38400,1,1,1,1,1,1,0,0,-1,2,9600"},
       "3",
       "$PQOL401",
       "$PQOL501,2"},
      {"a protected flash refuses the next write",
       {"$PQOL390,1,1,38400,1,1,1,1,1,1,0,0,-1,0,9600", flash},
       "32",
       "$PQOL490",
       "$PQOL590,9"},
      {"a protected flash keeps what the refused write asked for",
       {"$PQOL390,1,1,38400,1,1,1,1,1,1,0,0,-1,0,9600", "$PQOL390,0,1,38400,1,1,1,1,1,1,0,0,99,0,9600"},
       "32",
       "$PQOL430",
       "$PQOL530,0"},
      {"a refused flash write uses no write",
       {"$PQOL390,0,6,38400,1,1,1,1,1,1,0,0,-1,0,9600"},
       "2",
       "$PQOL490",
       "$PQOL590,10"},
      {"the last flash write", {flash, flash}, "32", "$PQOL490", "$PQOL590,0", 1},
      {"no flash writes left",
       {"$PQOL390,0,4,38400,1,1,1,1,1,1,0,0,-1,0,9600"},
       "2",
       "$PQOL400",
       "$PQOL500,1000",
       0},
  };
  for (const Row& row : rows) {
    ModuleOptions opt;
    opt.flashWrites = row.flashWrites;
    Rig rig(opt);
    EXPECT_EQ(SendAll(rig, row.commands), row.acks) << row.rule;
    EXPECT_EQ(ReplyTo(rig, row.query, std::string(row.reply).substr(0, 8)), row.reply) << row.rule;
  }
}

TEST(SimCommandEffects, MalformedParametersAreRefusedAndChangeNothing) {
  const char* const bodies[] = {
      "$PQOL101,0", "$PQOL103,", "$PQOL160,1", "$PQOL188,1",
      // fix period
      "$PQOL220", "$PQOL220,", "$PQOL220,abc", "$PQOL220,500.0", "$PQOL220,-500", "$PQOL220,5000000000",
      "$PQOL220,500,1", "$PQOL220, 500", "$PQOL220,+500",
      // RTCM input
      "$PQOL250,1,0", "$PQOL250,2,0,9600", "$PQOL250,1,1,9600", "$PQOL250,1,0,9601", "$PQOL250,1,0,",
      "$PQOL250,,0,9600", "$PQOL250,1,0,9600,1",
      // baud rate
      "$PQOL251", "$PQOL251,", "$PQOL251,12345", "$PQOL251,-9600", "$PQOL251,9600,1", "$PQOL251,0x2580",
      "$PQOL251,300",
      // DGPS, SBAS, datum
      "$PQOL301,3", "$PQOL301,-1", "$PQOL301,", "$PQOL301,1,1", "$PQOL313,2", "$PQOL313,on", "$PQOL319,2",
      "$PQOL319,", "$PQOL330,223", "$PQOL330,-1", "$PQOL330,1.5", "$PQOL330,5,5",
      // output rates: 18 and 20 fields, a word, out of range
      "$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0", "$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0",
      "$PQOL314,1,1,x,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0", "$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,256",
      "$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,-1,0", "$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,",
      // flash write: 13 and 15 fields, then each field out of range
      "$PQOL390,0,1,9600,1,1,1,1,1,1,0,0,-1,0", "$PQOL390,0,1,9600,1,1,1,1,1,1,0,0,-1,0,9600,0",
      "$PQOL390,2,1,9600,1,1,1,1,1,1,0,0,-1,0,9600", "$PQOL390,0,0,9600,1,1,1,1,1,1,0,0,-1,0,9600",
      "$PQOL390,0,6,9600,1,1,1,1,1,1,0,0,-1,0,9600", "$PQOL390,0,1,12345,1,1,1,1,1,1,0,0,-1,0,9600",
      "$PQOL390,0,1,9600,256,1,1,1,1,1,0,0,-1,0,9600", "$PQOL390,0,1,9600,1,1,1,1,1,1,0,x,-1,0,9600",
      "$PQOL390,0,1,9600,1,1,1,1,1,1,0,0,223,0,9600", "$PQOL390,0,1,9600,1,1,1,1,1,1,0,0,-2,0,9600",
      "$PQOL390,0,1,9600,1,1,1,1,1,1,0,0,-1,3,9600", "$PQOL390,0,1,9600,1,1,1,1,1,1,0,0,-1,0,0",
      "$PQOL390,0,1,9600,1,1,1,1,1,1,0,0,-1,0,", "$PQOL390,,,,,,,,,,,,,,",
      // queries take no fields; unknown numbers
      "$PQOL400,1", "$PQOL414,", "$PQOL605,0", "$PQOL999", "$PQOL000", "$PQOL500,1000"};
  for (const char* body : bodies) {
    Rig rig;
    const Settings before = rig.module.CurrentSettings();
    const std::string number = std::string(body).substr(5, 3);
    EXPECT_EQ(Acks(rig.Send(Checked(body))), Ack(std::stoi(number), 2)) << body;
    EXPECT_TRUE(rig.module.CurrentSettings() == before) << body;
    EXPECT_EQ(rig.module.Baud(), 38400) << body;
  }
  // Not addressed to the module at all: no answer.
  for (const char* body : {"$PQOL-01", "$PQOL1a1", "$PQOL 101", "$PQOL1010", "$PQOLCHN"}) {
    Rig rig;
    for (const std::string& l : With(rig.Send(Checked(body)), "$PQOL"))
      EXPECT_EQ(l.rfind("$PQOLCHN,", 0), 0u) << body << " -> " << l;
  }
}

TEST(SimCommandEffects, AnyFieldsGetExactlyOneAnswerAndNeverBreakTheModule) {
  // Fields from a small alphabet of the things a typed list text holds.
  const char* const pieces[] = {"",    "0",   "1", "2",   "-1", "9600", "38400",     "255",
                                "256", "222", "x", "1.5", "-",  "007",  "999999999", "9999999999"};
  const int numbers[] = {101, 102, 103, 160, 188, 220, 250, 251, 301, 313, 314, 319, 330,
                         390, 400, 401, 414, 419, 430, 456, 490, 602, 605, 1,   777};
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u, seed >> 8; };
  Rig rig;
  std::vector<std::string> answers;
  rig.module.SetCommandLog([&](std::string_view, std::string_view answer) { answers.emplace_back(answer); });
  for (int round = 0; round < 40; ++round) {
    for (int number : numbers) {
      std::string body = Format("$PQOL%03d", number);
      const int count = static_cast<int>(next() % 20);
      for (int i = 0; i < count; ++i) body += std::string(",") + pieces[next() % std::size(pieces)];
      answers.clear();
      // PC rate 0: readable whatever rate an accepted baud command set.
      rig.module.Receive(Checked(body) + "\r\n", rig.now, 0);
      ASSERT_EQ(answers.size(), 1u) << body;
      const std::string& a = answers[0];
      const bool ack = a.rfind(Format("$PQOL001,%d,", number), 0) == 0;
      const bool reply = a.rfind(Format("$PQOL%03d,", number + 100), 0) == 0;
      EXPECT_TRUE(ack || reply) << body << " -> " << a;
      EXPECT_EQ(a.find('$', 1), std::string::npos) << body << " -> " << a;
    }
    rig.Run(rig.now + 0.05);
  }
  const Settings& s = rig.module.CurrentSettings();
  EXPECT_GE(s.fixPeriodMs, 200);
  EXPECT_LE(s.fixPeriodMs, 1000);
  EXPECT_GE(s.datum, 0);
  EXPECT_LE(s.datum, 222);
}

TEST(SimCommandEffects, OutputRatesDecideWhichSentencesEachFixCarries) {
  struct Row {
    const char* rule;
    std::string command;  // empty: the module's own defaults
    double seconds;       // twelve fixes at the period the row sets
    int gga, gll, gsa, gsvGroups, rmc, vtg, zda, chn;
    int periodMs;  // checked on the times of successive GGA sentences; 0: not checked
  };
  const Row rows[] = {
      {"the defaults", "", 11.5, 12, 0, 12, 12, 12, 12, 0, 12, 1000},
      {"every type at every fix", "$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,1,1", 11.5, 12, 12, 12, 12, 12,
       12, 12, 12, 1000},
      {"nothing at all", "$PQOL314,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0", 11.5, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      {"each type at its own rate", "$PQOL314,1,2,3,4,5,6,0,0,0,0,0,0,0,0,0,0,0,7,8", 11.5, 3, 12, 3, 2, 6, 4,
       2, 2, 0},
      {"channel status alone", "$PQOL314,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1", 11.5, 0, 0, 0, 0, 0, 0, 0,
       12, 0},
      {"flash rates in page order", "$PQOL390,0,1,38400,1,2,3,4,5,6,7,8,-1,0,9600", 11.5, 2, 12, 3, 3, 6, 4,
       2, 2, 0},
      {"2 Hz", "$PQOL220,500", 5.75, 12, 0, 12, 12, 12, 12, 0, 12, 500},
      {"3 Hz", "$PQOL220,333", 3.8, 12, 0, 12, 12, 12, 12, 0, 12, 333},
      {"4 Hz", "$PQOL220,250", 2.9, 12, 0, 12, 12, 12, 12, 0, 12, 250},
      {"5 Hz", "$PQOL220,200", 2.3, 12, 0, 12, 12, 12, 12, 0, 12, 200},
      {"5 Hz from the flash", "$PQOL390,0,5,38400,1,1,1,1,1,1,0,0,-1,0,9600", 2.3, 12, 12, 12, 12, 12, 12, 0,
       0, 200},
  };
  for (const Row& row : rows) {
    ModuleOptions opt;
    opt.ttffHot = 0;
    Rig rig(opt);
    if (!row.command.empty()) rig.module.Receive(Checked(row.command) + "\r\n", 0, rig.pcBaud);
    const std::string got = rig.Run(row.seconds);
    auto count = [&](const char* prefix) { return static_cast<int>(With(got, prefix).size()); };
    int gsvGroups = 0;
    for (const std::string& gsv : With(got, "$GPGSV,")) gsvGroups += Field(gsv, 2) == "1";
    EXPECT_EQ(count("$GPGGA,"), row.gga) << row.rule;
    EXPECT_EQ(count("$GPGLL,"), row.gll) << row.rule;
    EXPECT_EQ(count("$GPGSA,"), row.gsa) << row.rule;
    EXPECT_EQ(gsvGroups, row.gsvGroups) << row.rule;
    EXPECT_EQ(count("$GPRMC,"), row.rmc) << row.rule;
    EXPECT_EQ(count("$GPVTG,"), row.vtg) << row.rule;
    EXPECT_EQ(count("$GPZDA,"), row.zda) << row.rule;
    EXPECT_EQ(count("$PQOLCHN,"), row.chn) << row.rule;
    if (row.periodMs == 0) continue;
    // hhmmss.sss in milliseconds of the day
    auto ms = [](const std::string& t) {
      return (std::stoi(t.substr(0, 2)) * 3600 + std::stoi(t.substr(2, 2)) * 60) * 1000 +
             static_cast<int>(std::lround(std::stod(t.substr(4)) * 1000));
    };
    const auto gga = With(got, "$GPGGA,");
    for (size_t i = 1; i < gga.size(); ++i)
      EXPECT_EQ(ms(Field(gga[i], 1)) - ms(Field(gga[i - 1], 1)), row.periodMs) << row.rule << " " << gga[i];
  }
}

TEST(SimCommandEffects, CorrectionsFollowTheDgpsAndSbasSettings) {
  struct Row {
    const char* rule;
    std::vector<std::string> commands;
    const char* quality;  // GGA field 6
    const char* mode;     // RMC field 12
  };
  const Row rows[] = {
      {"no corrections by default", {}, "1", "A"},
      {"SBAS as the PC sets it", {"$PQOL313,1", "$PQOL301,2"}, "2", "D"},
      {"SBAS mode with SBAS off", {"$PQOL313,0", "$PQOL301,2"}, "1", "A"},
      {"SBAS mode alone: SBAS is on from the start", {"$PQOL301,2"}, "2", "D"},
      {"RTCM: no corrections arrive", {"$PQOL250,1,0,9600", "$PQOL301,1"}, "1", "A"},
      {"disabled again", {"$PQOL301,2", "$PQOL313,0", "$PQOL301,0"}, "1", "A"},
      {"SBAS from the flash", {"$PQOL390,0,1,38400,1,1,1,1,1,1,0,0,-1,2,9600"}, "2", "D"},
  };
  for (const Row& row : rows) {
    ModuleOptions opt;
    opt.ttffHot = 0;
    Rig rig(opt);
    SendAll(rig, row.commands);
    const std::string got = rig.Run(rig.now + 2.0);
    ASSERT_FALSE(With(got, "$GPGGA,").empty()) << row.rule;
    EXPECT_EQ(Field(With(got, "$GPGGA,").back(), 6), row.quality) << row.rule;
    EXPECT_EQ(Field(With(got, "$GPRMC,").back(), 12), row.mode) << row.rule;
  }
}

TEST(SimCommandEffects, TheDatumMovesTheReportedPosition) {
  ModuleOptions opt;
  opt.ttffHot = 0;
  Rig a(opt), b(opt);
  SendAll(b, {"$PQOL330,5"});
  a.Run(b.now);
  auto latitude = [](Rig& rig) {
    const std::string gga = With(rig.Run(rig.now + 1.0), "$GPGGA,").back();
    return std::stod(Field(gga, 2).substr(0, 2)) + std::stod(Field(gga, 2).substr(2)) / 60;
  };
  const double metres = (latitude(b) - latitude(a)) * 111320.0;
  EXPECT_GT(std::abs(metres), 20.0);
  EXPECT_LT(std::abs(metres), 500.0);
  SendAll(b, {"$PQOL330,0"});
  a.Run(b.now);
  EXPECT_NEAR(latitude(b), latitude(a), 1e-6);
}

TEST(SimCommandEffects, BaudChangesTakeEffectOnceTheAcknowledgementIsOut) {
  struct Row {
    const char* rule;
    std::vector<std::string> commands;  // sent together, before the line moves
    std::string firstAck;               // readable at 38400
    int baudAfter;
  };
  const Row rows[] = {
      {"baud command", {"$PQOL251,9600"}, "$PQOL001,251,3", 9600},
      {"baud command to the rate it has", {"$PQOL251,38400"}, "$PQOL001,251,3", 38400},
      {"refused baud command", {"$PQOL251,12345"}, "$PQOL001,251,2", 38400},
      {"flash write", {"$PQOL390,0,1,115200,1,1,1,1,1,1,0,0,-1,0,9600"}, "$PQOL001,390,3", 115200},
      {"refused flash write", {"$PQOL390,0,9,115200,1,1,1,1,1,1,0,0,-1,0,9600"}, "$PQOL001,390,2", 38400},
      {"there and back before the first answer is out",
       {"$PQOL251,9600", "$PQOL251,38400"},
       "$PQOL001,251,3",
       38400},
  };
  for (const Row& row : rows) {
    Rig rig;
    for (const std::string& c : row.commands) rig.module.Receive(Checked(c) + "\r\n", 0, 38400);
    const std::string got = rig.Run(2.0);
    const std::string ack = Checked(row.firstAck) + "\r\n";
    ASSERT_NE(got.find(ack), std::string::npos) << row.rule;
    EXPECT_EQ(rig.module.Baud(), row.baudAfter) << row.rule;
    // Whatever comes after the answer is readable only at the new rate.
    const std::string after = got.substr(got.find(ack) + ack.size());
    const bool changedOnce = row.baudAfter != 38400;
    EXPECT_EQ(after.find("$GP") == std::string::npos, changedOnce) << row.rule << "\n" << after;
    rig.pcBaud = row.baudAfter;
    EXPECT_EQ(ReplyTo(rig, "$PQOL400", "$PQOL500").substr(0, 9), "$PQOL500,") << row.rule;
  }
}

TEST(SimCommandEffects, ASilentModuleStillTakesItsNewBaudRate) {
  Rig rig;
  ASSERT_EQ(ApplyControl("silent on", rig.module), "");
  EXPECT_EQ(rig.Send(Checked("$PQOL251,9600")), "");
  EXPECT_EQ(rig.module.Baud(), 9600);
  ASSERT_EQ(ApplyControl("silent off", rig.module), "");
  rig.pcBaud = 9600;
  EXPECT_FALSE(With(rig.Run(rig.now + 1.5), "$GPGGA,").empty());
}

TEST(SimCommandEffects, AnAsleepModuleAnswersButStreamsOnlyOnceWoken) {
  ModuleOptions opt;
  opt.asleep = true;
  Rig rig(opt);
  EXPECT_EQ(ReplyTo(rig, "$PQOL400", "$PQOL500"), "$PQOL500,1000");
  EXPECT_EQ(SendAll(rig, {"$PQOL220,500", "$PQOL160"}), "33");
  EXPECT_TRUE(rig.module.CurrentSettings().lowCurrent);
  const std::string quiet = rig.Run(rig.now + 3.0);
  EXPECT_EQ(quiet, "");
  EXPECT_EQ(SendAll(rig, {"$PQOL188"}), "3");
  const std::string woken = rig.Run(rig.now + 3.0);
  EXPECT_GE(With(woken, "$GPGGA,").size(), 5u);  // at the 2 Hz it was set to while asleep
  // Waking a module that is awake changes nothing.
  EXPECT_EQ(SendAll(rig, {"$PQOL188"}), "3");
  EXPECT_GE(With(rig.Run(rig.now + 1.0), "$GPGGA,").size(), 1u);
}

}  // namespace
}  // namespace vantrel::sim
