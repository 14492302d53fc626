// The generator's lines and its settings text. The link itself is tried on
// a pseudo-terminal (GeneratorPtyTest.cpp) and from the window.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace vantrel
