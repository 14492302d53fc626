// Serial-line load of the NMEA output: bytes a fix and the percentage.
#include <gtest/gtest.h>

#include "commands/Load.h"

namespace vantrel {
namespace {

// GLL RMC VTG GSA GSV GGA ZDA QCHN
using Positions = int[kOutputSentenceCount];

TEST(OutputBytesPerFix, CeilingOfLengthOverRateForEachList) {
  struct Case {
    Positions positions;
    int bytes;
  };
  const Case cases[] = {
      {{1, 1, 1, 1, 1, 1, 0, 0}, 575},        // the defaults
      {{1, 1, 1, 1, 1, 1, 1, 1}, 828},        // all eight lists at 1
      {{1, 1, 1, 1, 2, 1, 0, 0}, 575 - 258 + 129},
      {{1, 1, 1, 1, 3, 1, 0, 0}, 575 - 258 + 86},
      {{0, 0, 0, 0, 0, 0, 0, 0}, 0},
      {{-1, -1, -1, -1, -1, -1, -1, -1}, 0},  // nothing selected adds nothing
      {{0, 0, 0, 0, 0, 0, 0, -1}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(OutputBytesPerFix(c.positions), c.bytes);
}

TEST(OutputBytesPerFix, PerOutputBytesForOneToTen) {
  const int gll[] = {60, 30, 20, 15, 12, 10, 9, 8, 7, 6};
  const int gsv[] = {258, 129, 86, 65, 52, 43, 37, 33, 29, 26};
  for (int n = 1; n <= 10; ++n) {
    Positions onlyGll = {n, 0, 0, 0, 0, 0, 0, 0};
    Positions onlyGsv = {0, 0, 0, 0, n, 0, 0, 0};
    EXPECT_EQ(OutputBytesPerFix(onlyGll), gll[n - 1]) << n;
    EXPECT_EQ(OutputBytesPerFix(onlyGsv), gsv[n - 1]) << n;
  }
}

TEST(ComputeOutputLoad, PercentTextAndOverLine) {
  struct Case {
    Positions positions;
    const char* hz;
    const char* baud;
    const char* text;
    bool over;
  };
  const Case cases[] = {
      {{1, 1, 1, 1, 1, 1, 0, 0}, "1", "38400", "15.0%", false},
      {{1, 1, 1, 1, 1, 1, 0, 0}, "1", "4800", "119.8%", true},
      {{1, 1, 1, 1, 1, 1, 0, 0}, "1", "9600", "59.9%", false},
      {{1, 1, 1, 1, 1, 1, 0, 0}, "5", "38400", "74.9%", false},
      {{1, 1, 1, 1, 1, 1, 1, 1}, "5", "38400", "107.8%", true},
      {{1, 1, 1, 1, 1, 1, 0, 0}, "0", "38400", "0.0%", false},
      {{1, 1, 1, 1, 1, 1, 0, 0}, "1", "115200", "5.0%", false},
      {{1, 1, 1, 1, 1, 1, 0, 0}, " 1", "38400", "15.0%", false},
      {{1, 1, 1, 1, 1, 1, 0, 0}, "-1", "38400", "-15.0%", false},
      {{1, 1, 1, 1, 1, 1, 0, 0}, "1", "19", "57500.0%", true},  // one character a second
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto load = ComputeOutputLoad(c.positions, c.hz, c.baud);
    ASSERT_TRUE(load.has_value());
    EXPECT_EQ(LoadText(load->Percent), c.text);
    EXPECT_EQ(load->OverLine, c.over);
  }
}

TEST(ComputeOutputLoad, ExactlyFullLineIsStillAllowed) {
  // 60 bytes a fix at 600 characters a second and 10 Hz: exactly 100 %.
  Positions gll = {1, 0, 0, 0, 0, 0, 0, 0};
  const auto full = ComputeOutputLoad(gll, "10", "6000");
  ASSERT_TRUE(full);
  EXPECT_EQ(full->Percent, 100.0f);
  EXPECT_FALSE(full->OverLine);
  EXPECT_EQ(LoadText(full->Percent), "100.0%");
  const auto over = ComputeOutputLoad(gll, "11", "6000");
  ASSERT_TRUE(over);
  EXPECT_TRUE(over->OverLine);
}

TEST(ComputeOutputLoad, TextsThatAreNotWholeNumbersGiveNothing) {
  Positions defaults = {1, 1, 1, 1, 1, 1, 0, 0};
  for (const char* hz : {"", "x", "1.5", "1 ", "2a", "+", "99999999999"})
    EXPECT_FALSE(ComputeOutputLoad(defaults, hz, "38400")) << '"' << hz << '"';
  for (const char* baud : {"", "abc", "38400x", "9", "0", "-9600", "4294967296"})
    EXPECT_FALSE(ComputeOutputLoad(defaults, "1", baud)) << '"' << baud << '"';
}

}  // namespace
}  // namespace vantrel
