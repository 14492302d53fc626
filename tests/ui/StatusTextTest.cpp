// The texts of the status page, the channel grid and the monitor, made from
// the record without a window.
#include <gtest/gtest.h>
#include <string>

#include "nmea/Record.h"
#include "ui/StatusText.h"

namespace {

using vantrel::ReceiverRecord;

TEST(StatusText, FixTextsAndColours) {
  struct Case {
    uint8_t type, quality;
    const char* text;
    bool red;
  };
  const Case cases[] = {
      {0, 1, "NoFix ", true}, {0, 2, "NoFix ", true}, {0, 0, "NoFix ", true},
      {1, 0, "2D ", false},   {1, 1, "2D SPS", false}, {2, 2, "3D DGPS", false},
      {2, 6, "3D Est", false}, {5, 6, "Est", false},   {3, 3, "", false},
      {255, 1, "SPS", false},
  };
  for (const Case& c : cases) {
    const auto fix = vantrel::FixText(c.type, c.quality);
    EXPECT_STREQ(fix.Text, c.text) << int(c.type) << "/" << int(c.quality);
    EXPECT_EQ(fix.Red, c.red);
  }
  EXPECT_STREQ(vantrel::ChannelStatusText(0), "Idle");
  EXPECT_STREQ(vantrel::ChannelStatusText(1), "Searching");
  EXPECT_STREQ(vantrel::ChannelStatusText(2), "Tracking");
  EXPECT_STREQ(vantrel::ChannelStatusText(200), "Tracking");
}

TEST(StatusText, MonitorLinesOfAChunk) {
  struct Case {
    std::string chunk;
    std::string lines;
  };
  const std::string gga = "$GPGGA,080503.25,2503.6741,N,12133.9259,E,1,08,1.0,10.5,M,15.0,M,,*4A";
  const std::string rmc = "$GPRMC,080503.25,A,2503.6741,N,12133.9259,E,0.0,0.0,270407,,*2B";
  const std::string longLine = "$GP" + std::string(300, 'x');
  const Case cases[] = {
      {gga + "\r\n$PQOL001,314,3*3C\r\n" + rmc + "\r\n", gga + "\n" + rmc},
      {"$PQOL001,314,3*3C\r\n", ""},
      {"", ""},
      {"junk$GPGSA,A,3*00\r\n", "$GPGSA,A,3*00"},
      {"$GPGSA,A,3*00", ""},                               // no line end yet
      {"$GPGSA\r\n$GPGSV,1\r\n", "$GPGSA\n$GPGSV,1"},
      {"$GPGSA\n$GPGSV\r\n", "$GPGSA\n$GPGSV"},            // one CR LF: one line up to it
      {longLine + "\r\n", longLine.substr(0, 255)},
      {"$GPA\r\n$PQOLCHN,1\r\n$GPB\r\n", "$GPA\n$GPB"},
  };
  for (const Case& c : cases) EXPECT_EQ(vantrel::MonitorLines(c.chunk), c.lines) << c.chunk;
}

TEST(StatusText, OverlongDateAndTimeTextsAreCut) {
  ReceiverRecord r;
  r.UtcYear = -2147483647;
  r.UtcMonth = -2147483647;
  r.UtcDay = 1;
  r.UtcHour = -2147483647;
  r.UtcMinute = 12;
  EXPECT_EQ(vantrel::DateText(r), "-2147483647");
  EXPECT_EQ(vantrel::HourMinuteText(r), "-2147483647");
  r.UtcYear = 2007, r.UtcMonth = 4, r.UtcDay = 27, r.UtcHour = 8, r.UtcMinute = 5;
  EXPECT_EQ(vantrel::DateText(r), "2007/4/27");
  EXPECT_EQ(vantrel::HourMinuteText(r), "8:5:");
}

}  // namespace
