// The generator's lines, its settings text, and the link on a fake port.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "tests/link/FakeSerialPort.h"
#include "testbench/GeneratorLink.h"

namespace vantrel {
namespace {

TEST(GeneratorLines, BytesAsTheGeneratorReadsThem) {
  struct Case {
    const char* rule;
    Command line;
    std::string bytes;
  };
  const Case cases[] = {
      {"test mode", GeneratorTestModeLine(), "MAIN:TEST 1\r\n"},
      {"satellite as typed", GeneratorSvLine("14").command, "MAIN:SV 14\r\n"},
      {"satellite text is not read as a number", GeneratorSvLine(" 07x").command, "MAIN:SV  07x\r\n"},
      {"nine characters fit", GeneratorSvLine("123456789").command, "MAIN:SV 123456789\r\n"},
      {"start level", GeneratorLevelLine(-85), "MAIN:RFLVL -85\r\n"},
      {"floor level", GeneratorLevelLine(-145), "MAIN:RFLVL -145\r\n"},
      {"zero has no sign", GeneratorLevelLine(0), "MAIN:RFLVL 0\r\n"},
      {"positive has no plus", GeneratorLevelLine(5), "MAIN:RFLVL 5\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.line.bytes, c.bytes) << c.rule;
    EXPECT_EQ(c.line.pauseAfterMs, 400) << c.rule;
    EXPECT_EQ(c.line.pauseBeforeMs, 0) << c.rule;
  }
  EXPECT_EQ(GeneratorLevelLine(-145).bytes.size(), 17u);
  EXPECT_EQ(GeneratorLevelLine(-85).bytes.size(), 16u);
  EXPECT_EQ(GeneratorTestModeLine().bytes.size(), 13u);
  EXPECT_EQ(GeneratorSvLine("14").command.bytes.size(), 12u);
}

TEST(GeneratorLines, AnSvTextTooLongForItsLineIsRefused) {
  const BuiltCommand built = GeneratorSvLine("1234567890");
  EXPECT_FALSE(built.ok());
  EXPECT_TRUE(built.command.bytes.empty());
  EXPECT_EQ(built.refusal, "SVid '1234567890' is too long for the generator: at most 9 characters.");
  EXPECT_TRUE(GeneratorSvLine("").ok());
}

TEST(GeneratorSettings, TextAndWhatItSets) {
  struct Case {
    const char* baudText;
    std::string text;
    long baud;  // 0: refused
  };
  const Case cases[] = {
      {"19200", "19200,n,8,1", 19200},
      {"4800", "4800,n,8,1", 4800},
      {" 9600", " 9600,n,8,1", 9600},
      {"", ",n,8,1", 0},
      {"fast", "fast,n,8,1", 0},
      {"0", "0,n,8,1", 0},
      {"-9600", "-9600,n,8,1", 0},
      {"9600,e", "9600,e,n,8,1", 0},
      {"99999999999", "99999999999,n,8,1", 0},
  };
  for (const Case& c : cases) {
    const std::string text = GeneratorSettingsText(c.baudText);
    EXPECT_EQ(text, c.text);
    const std::optional<LineSettings> settings = ParseLineSettings(text);
    if (c.baud == 0) {
      EXPECT_FALSE(settings) << text;
    } else {
      ASSERT_TRUE(settings) << text;
      EXPECT_EQ(*settings, (LineSettings{c.baud, 'n', 8, 1}));
    }
  }
  // Only what the serial layer makes.
  EXPECT_FALSE(ParseLineSettings("9600,n,7,1"));
  EXPECT_FALSE(ParseLineSettings("9600,n,8,2"));
  EXPECT_FALSE(ParseLineSettings("9600,n,8"));
  EXPECT_FALSE(ParseLineSettings("9600,n,8,1,x"));
  EXPECT_TRUE(ParseLineSettings("9600,N,8,1"));
}

class RecordedPauses : public IPauses {
 public:
  void Sleep(int milliseconds) override { Recorded.push_back(milliseconds); }
  std::vector<int> Recorded;
};

class GeneratorLinkTest : public ::testing::Test {
 protected:
  FakeSerialPortFactory ports;
  RecordedPauses pauses;
  GeneratorLink link{pauses};
};

TEST_F(GeneratorLinkTest, OpenSetsThePortUpWaitsThenTheStartLinesGoOut) {
  ASSERT_EQ(link.Open(ports, "COM15", "19200"), GeneratorLink::OpenOutcome::Opened);
  EXPECT_TRUE(link.IsOpen());
  EXPECT_EQ(ports.Device().OpenedPaths(), std::vector<std::string>{"/dev/ttyS14"});
  EXPECT_EQ(ports.Device().Bauds(), std::vector<long>{19200});
  EXPECT_EQ(pauses.Recorded, std::vector<int>{500});
  EXPECT_TRUE(ports.Device().Writes().empty());

  link.SendStartLines("14");
  EXPECT_EQ(ports.Device().Writes(), (std::vector<std::string>{"MAIN:TEST 1\r\n", "MAIN:SV 14\r\n"}));
  EXPECT_EQ(pauses.Recorded, (std::vector<int>{500, 400, 400}));

  EXPECT_TRUE(link.SendRFLevel(-100));
  EXPECT_EQ(ports.Device().Writes().back(), "MAIN:RFLVL -100\r\n");
  EXPECT_EQ(pauses.Recorded.back(), 400);

  link.Close();
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(ports.Device().OpenPorts(), 0);
  EXPECT_EQ(ports.Device().Writes().size(), 3u) << "nothing is sent on closing";
}

TEST_F(GeneratorLinkTest, RefusalsLeaveNothingOpenAndNoPause) {
  ports.Device().SetOpenError(ENOENT);
  EXPECT_EQ(link.Open(ports, "COM1", "19200"), GeneratorLink::OpenOutcome::CannotOpen);
  ports.Device().SetOpenError(0);

  ports.Device().FailConfigure(EINVAL);
  EXPECT_EQ(link.Open(ports, "COM1", "19200"), GeneratorLink::OpenOutcome::SettingsRefused);

  // A baud text the settings text cannot carry never reaches the port.
  EXPECT_EQ(link.Open(ports, "COM1", "fast"), GeneratorLink::OpenOutcome::SettingsRefused);
  EXPECT_EQ(ports.Device().Bauds(), std::vector<long>{19200});

  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(ports.Device().OpenPorts(), 0);
  EXPECT_TRUE(pauses.Recorded.empty());
}

TEST_F(GeneratorLinkTest, NothingIsSentWhileClosed) {
  EXPECT_FALSE(link.SendRFLevel(-85));
  link.SendStartLines("14");
  EXPECT_TRUE(ports.Device().Writes().empty());
  EXPECT_TRUE(pauses.Recorded.empty());
}

}  // namespace
}  // namespace vantrel
