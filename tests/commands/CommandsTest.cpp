#include <gtest/gtest.h>

#include <string>

#include "commands/Commands.h"

namespace vantrel {
namespace {

using namespace std::string_literals;  // "..."s keeps the zero bytes

TEST(SentenceChecksum, WorkedExamples) {
  EXPECT_EQ(SentenceChecksum("$PQOL220,1000"), "1F");
  EXPECT_EQ(SentenceChecksum("$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0"), "28");
  EXPECT_EQ(SentenceChecksum("$"), "00");
  EXPECT_EQ(SentenceChecksum("$PQOL101"), "32");
  // Upper-case digits, always two of them.
  EXPECT_EQ(SentenceChecksum("$\x0a"), "0A");
  EXPECT_EQ(FinishSentence("$PQOL220,500"), "$PQOL220,500*2B\r\n");
}

TEST(FixedCommands, EveryOneByteForByteWithItsPause) {
  struct Case {
    FixedCommandId id;
    std::string bytes;
    int pauseAfterMs;
  } cases[] = {
      {FixedCommandId::HotStart, "$PQOL101*32\r\n\0"s, 1000},
      {FixedCommandId::WarmStart, "$PQOL102*31\r\n\0"s, 1000},
      {FixedCommandId::ColdStart, "$PQOL103*30\r\n\0"s, 1000},
      {FixedCommandId::ColdStartTestBench, "$PQOL103*30\r\n\0"s, 800},
      {FixedCommandId::CurrentTest, "$PQOL160*35\r\n\0"s, 400},
      {FixedCommandId::WakeUp, "$PQOL188*33\r\n\0"s, 400},
      {FixedCommandId::DgpsModeRtcm, "$PQOL301,1*2D\r\n\0"s, 400},
      {FixedCommandId::DgpsModeSbas, "$PQOL301,2*2E\r\n\0"s, 400},
      {FixedCommandId::DgpsModeNone, "$PQOL301,0*2C\r\n\0"s, 400},
      {FixedCommandId::SbasCorrectionOn, "$PQOL313,1*2E\r\n", 400},
      {FixedCommandId::SbasCorrectionOff, "$PQOL313,0*2F\r\n", 400},
      {FixedCommandId::IntegrityMode, "$PQOL319,1*24\r\n", 400},
      {FixedCommandId::TestMode, "$PQOL319,0*25\r\n", 400},
      {FixedCommandId::QueryFixRate, "$PQOL400*36\r\n", 400},
      {FixedCommandId::QueryDgpsMode, "$PQOL401*37\r\n", 400},
      {FixedCommandId::QueryOutputRates, "$PQOL414*33\r\n", 400},
      {FixedCommandId::QuerySbasMode, "$PQOL419*3E\r\n", 400},
      {FixedCommandId::QueryDatum, "$PQOL430*35\r\n", 400},
      {FixedCommandId::QueryTcxo, "$PQOL456*35\r\n\0"s, 400},
      {FixedCommandId::QueryFlashWrites, "$PQOL490*3F\r\n", 400},
      {FixedCommandId::QueryRtcmBaud, "$PQOL602*36\r\n", 400},
      {FixedCommandId::QueryFirmware, "$PQOL605*31\r\n\0"s, 400},
  };
  static_assert(std::size(cases) == kFixedCommandCount);
  for (const Case& c : cases) {
    const Command& got = FixedCommand(c.id);
    const std::string name = c.bytes.substr(0, c.bytes.find('*'));
    EXPECT_EQ(got.bytes, c.bytes) << name;
    EXPECT_EQ(got.pauseBeforeMs, 0) << name;
    EXPECT_EQ(got.pauseAfterMs, c.pauseAfterMs) << name;
    // The stored checksums obey the rule the receiver checks.
    EXPECT_EQ(c.bytes.substr(name.size() + 1, 2), SentenceChecksum(name)) << name;
  }
  EXPECT_EQ(FixedCommand(FixedCommandId::HotStart).bytes.size(), 14u);
  EXPECT_EQ(FixedCommand(FixedCommandId::DgpsModeNone).bytes.size(), 16u);
  EXPECT_EQ(FixedCommand(FixedCommandId::TestMode).bytes.size(), 15u);
  EXPECT_EQ(FixedCommand(FixedCommandId::QueryDatum).bytes.size(), 13u);
}

TEST(FixedCommands, RestartKindPicksItsSentence) {
  EXPECT_EQ(RestartCommand(Restart::Hot), FixedCommand(FixedCommandId::HotStart));
  EXPECT_EQ(RestartCommand(Restart::Warm), FixedCommand(FixedCommandId::WarmStart));
  EXPECT_EQ(RestartCommand(Restart::Cold), FixedCommand(FixedCommandId::ColdStart));
}

TEST(BuiltCommands, FixRateTable) {
  struct Case {
    const char* hz;
    const char* sentence;
  } cases[] = {
      {"1", "$PQOL220,1000*1F\r\n"}, {"2", "$PQOL220,500*2B\r\n"}, {"3", "$PQOL220,333*2D\r\n"},
      {"4", "$PQOL220,250*29\r\n"},  {"5", "$PQOL220,200*2C\r\n"},
  };
  for (const Case& c : cases) {
    const BuiltCommand b = BuildFixRateCommand(c.hz);
    ASSERT_TRUE(b.ok()) << c.hz;
    EXPECT_EQ(b.command, (Command{c.sentence, 0, 400})) << c.hz;
  }
  EXPECT_FALSE(BuildFixRateCommand("0").ok());  // nothing to divide by
  EXPECT_FALSE(BuildFixRateCommand("fast").ok());
  EXPECT_EQ(BuildFixRateCommand("fast").refusal, "'fast' is not a valid integer value.");
}

TEST(BuiltCommands, BaudRateTableSendsTheTextAsTyped) {
  struct Case {
    const char* baud;
    const char* sentence;
  } cases[] = {
      {"4800", "$PQOL251,4800*14\r\n"},     {"9600", "$PQOL251,9600*17\r\n"},
      {"14400", "$PQOL251,14400*29\r\n"},   {"19200", "$PQOL251,19200*22\r\n"},
      {"38400", "$PQOL251,38400*27\r\n"},   {"57600", "$PQOL251,57600*2C\r\n"},
      {"115200", "$PQOL251,115200*1F\r\n"},
  };
  for (const Case& c : cases) {
    const BuiltCommand b = BuildBaudRateCommand(c.baud);
    ASSERT_TRUE(b.ok()) << c.baud;
    EXPECT_EQ(b.command, (Command{c.sentence, 0, 400})) << c.baud;
  }
  EXPECT_EQ(BuildBaudRateCommand("0230400").command.bytes, FinishSentence("$PQOL251,0230400"));
}

TEST(BuiltCommands, OutputRatesInSentenceOrderWithTheirPauseBefore) {
  const BuiltCommand defaults = BuildOutputRateCommand(OutputRateTexts{});
  ASSERT_TRUE(defaults.ok());
  EXPECT_EQ(defaults.command,
            (Command{"$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0*28\r\n", 1500, 0}));

  OutputRateTexts r;
  r.gll = "2";
  r.rmc = "3";
  r.vtg = "4";
  r.gsa = "5";
  r.gsv = "6";
  r.gga = "7";
  r.zda = "8";
  r.qchn = "007";  // the text goes out unchanged
  EXPECT_EQ(BuildOutputRateCommand(r).command.bytes,
            FinishSentence("$PQOL314,2,3,4,7,5,6,0,0,0,0,0,0,0,0,0,0,0,8,007"));
}

TEST(BuiltCommands, OutputRatesAboveTheReceiverLimitAreRefused) {
  const std::string limit = "Warning!! The value of NMEA frequency doesn't allow more than 255.";
  OutputRateTexts r;
  r.qchn = "256";
  EXPECT_EQ(BuildOutputRateCommand(r).refusal, limit);
  r.qchn = "255";
  EXPECT_TRUE(BuildOutputRateCommand(r).ok());
  r.gsv = "-3";  // negative values pass
  EXPECT_TRUE(BuildOutputRateCommand(r).ok());
  // The first bad text in the checking order (GGA before GSA) gives the message.
  r = {};
  r.gsa = "x";
  r.gga = "300";
  EXPECT_EQ(BuildOutputRateCommand(r).refusal, limit);
  r.gga = "1";
  EXPECT_EQ(BuildOutputRateCommand(r).refusal, "'x' is not a valid integer value.");
}

TEST(BuiltCommands, DatumAndFlashSettings) {
  EXPECT_EQ(BuildDatumCommand(222).command, (Command{FinishSentence("$PQOL330,222"), 0, 400}));
  EXPECT_EQ(BuildDatumCommand(-1).command.bytes, FinishSentence("$PQOL330,-1"));

  const BuiltCommand flash = BuildFlashCommand(FlashSettings{});
  ASSERT_TRUE(flash.ok());
  EXPECT_EQ(flash.command, (Command{FinishSentence("$PQOL390,0,1,38400,1,1,1,1,1,1,0,0,-1,0,9600"), 0, 0}));

  FlashSettings s;
  s.writeProtect = true;
  s.dgpsMode = DgpsMode::Rtcm;
  s.datumIndex = 12;
  s.rates.gsa = "2";  // GSA is the 7th field here, not the 5th as in $PQOL314
  s.rates.gga = "3";
  EXPECT_EQ(BuildFlashCommand(s).command.bytes,
            FinishSentence("$PQOL390,1,1,38400,1,1,1,2,1,3,0,0,12,1,9600"));
}

TEST(BuiltCommands, SentencesThatWouldNotFitTheBufferAreRefused) {
  // 99 characters with CR LF fit; 100 do not.
  EXPECT_TRUE(BuildBaudRateCommand(std::string(79, '9')).ok());
  const std::string fits(99 - 14, '1');  // "$PQOL251," + text + "*XX\r\n" = 99
  const BuiltCommand atLimit = BuildBaudRateCommand(fits);
  ASSERT_TRUE(atLimit.ok());
  EXPECT_EQ(atLimit.command.bytes.size(), 99u);
  const BuiltCommand over = BuildBaudRateCommand(fits + "1");
  EXPECT_FALSE(over.ok());
  EXPECT_TRUE(over.command.bytes.empty());
  EXPECT_EQ(over.refusal,
            "Warning!! The command would be 100 characters long, but at most 99 can be sent. Nothing was sent.");

  OutputRateTexts r;
  r.gsv = std::string(60, '0') + "1";  // a value of 1, but 61 characters
  EXPECT_FALSE(BuildOutputRateCommand(r).ok());
  FlashSettings s;
  s.rtcmBaud = std::string(60, '4');
  EXPECT_FALSE(BuildFlashCommand(s).ok());
  // The RTCM line is written from its own text and has no such limit.
  EXPECT_EQ(BuildRtcmCommand(std::string(200, '1')).bytes.size(), 13 + 200 + 5u);
}

TEST(DgpsSet, EachRadioGivesItsLinesAndRestart) {
  const DgpsSetPlan sbas = PlanDgpsSet(DgpsMode::Sbas, "9600");
  EXPECT_EQ(sbas.first.bytes, "$PQOL313,1*2E\r\n");
  EXPECT_TRUE(sbas.restartReader);
  EXPECT_EQ(sbas.second.bytes, "$PQOL301,2*2E\r\n\0"s);

  const DgpsSetPlan rtcm = PlanDgpsSet(DgpsMode::Rtcm, "38400");
  EXPECT_EQ(rtcm.first, (Command{FinishSentence("$PQOL250,1,0,38400"), 0, 400}));
  EXPECT_FALSE(rtcm.restartReader);
  EXPECT_EQ(rtcm.second.bytes, "$PQOL301,1*2D\r\n\0"s);
  EXPECT_EQ(rtcm.second.pauseAfterMs, 400);

  const DgpsSetPlan none = PlanDgpsSet(DgpsMode::None, "9600");
  EXPECT_EQ(none.first.bytes, "$PQOL313,0*2F\r\n");
  EXPECT_TRUE(none.restartReader);
  EXPECT_EQ(none.second.bytes, "$PQOL301,0*2C\r\n\0"s);
}

TEST(ListTextToInt, WholeNumbersOnly) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  } cases[] = {
      {"0", true, 0},          {"007", true, 7},      {"-3", true, -3},      {"+4", true, 4},
      {" 12", true, 12},       {"2147483647", true, 2147483647},           {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0}, {"", false, 0},       {"12 ", false, 0},     {"1.5", false, 0},
      {"-", false, 0},         {"0x10", false, 0},    {"99999999999999999999", false, 0},
      {"+3", true, 3},         {"  42", true, 42},    {"-2147483649", false, 0}, {"1e3", false, 0},
  };
  for (const Case& c : cases) {
    const std::optional<int32_t> value = ListTextToInt(c.text);
    EXPECT_EQ(value.has_value(), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(*value, c.value) << c.text;
    }
  }
  EXPECT_EQ(NotAnIntegerMessage("x"), "'x' is not a valid integer value.");
}

}  // namespace
}  // namespace vantrel
