#include "nmea/GnssSatellites.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/nmea/SentenceText.h"

namespace vantrel {
namespace {

using test::WithChecksum;

// The merged list after `bodies`, as "G5 40 12/100 u": system and PRN, SNR, elevation/azimuth, used.
std::string Listed(const std::vector<std::string>& bodies) {
  GnssSatellites sky;
  ReceiverRecord record;
  for (const std::string& body : bodies) {
    const std::string s = WithChecksum(body);
    sky.Take(DecodeSentence(record, s.data(), s.size(), TalkerSet::AllGnss()), s.data(), s.size());
  }
  std::string out;
  for (const GnssSatellite& s : sky.Merged())
    out += (out.empty() ? "" : ", ") + (SystemLetter(s.System) + std::to_string(s.Prn)) + " " +
           std::to_string(s.Snr) + " " + std::to_string(s.Elevation) + "/" + std::to_string(s.Azimuth) +
           (s.Used ? " u" : "");
  return out;
}

const std::string kGpsL1a = "GPGSV,2,1,05,05,40,100,41,12,30,200,35,193,60,150,38,02,10,020,,1";
const std::string kGpsL1b = "GPGSV,2,2,05,40,20,240,30,1";
const std::string kGloL1 = "GLGSV,1,1,02,70,45,300,33,71,15,050,28,1";
const std::string kGpsL5 = "GPGSV,1,1,02,05,40,100,47,12,,,30,8";

TEST(GnssSatellites, Table) {
  struct Case {
    const char* name;
    std::vector<std::string> sentences;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"systems marked, sorted, QZSS by its PRN, no SNR kept as 0",
       {kGpsL1a, kGpsL1b, kGloL1},
       "G2 0 10/20, G5 41 40/100, G12 35 30/200, G40 30 20/240, R70 33 45/300, R71 28 15/50, J193 38 60/150"},
      {"a second signal keeps the first's satellites and shows the strongest",
       {kGpsL1a, kGpsL1b, kGpsL5},
       "G2 0 10/20, G5 47 40/100, G12 35 30/200, G40 30 20/240, J193 38 60/150"},
      {"an unfinished group is not shown; the one before stays",
       {kGloL1, "GLGSV,2,1,05,70,45,300,20,71,15,050,20,72,10,010,20,73,5,005,20,1"},
       "R70 33 45/300, R71 28 15/50"},
      {"a message out of turn spoils its group", {"GPGSV,2,2,05,40,20,240,30,1"}, ""},
      {"without a signal ID, Galileo and BeiDou by their talkers",
       {"GAGSV,1,1,01,11,50,090,40", "GBGSV,1,1,01,11,55,095,42"},
       "E11 40 50/90, C11 42 55/95"},
      {"used from each system's GSA, by its system ID",
       {kGpsL1a, kGpsL1b, kGloL1, "GAGSV,1,1,01,11,50,090,40,7", "GNGSA,A,3,05,193,,,,,,,,,,,1.8,1.0,1.4,1",
        "GNGSA,A,3,70,,,,,,,,,,,,1.8,1.0,1.4,2", "GNGSA,A,3,11,,,,,,,,,,,,1.8,1.0,1.4,3"},
       "G2 0 10/20, G5 41 40/100 u, G12 35 30/200, G40 30 20/240, R70 33 45/300 u, R71 28 15/50, E11 40 50/90 u, "
       "J193 38 60/150 u"},
      {"a GN GSA without its ID names its system by the PRNs; a later one of that system replaces it",
       {kGloL1, "GNGSA,A,3,70,71,,,,,,,,,,,1.8,1.0,1.4", "GNGSA,A,3,71,,,,,,,,,,,,1.8,1.0,1.4"},
       "R70 33 45/300, R71 28 15/50 u"},
      {"a GN GSV sorted into systems by the PRN ranges",
       {"GNGSV,1,1,03,07,30,100,40,68,20,200,30,305,10,300,20"},
       "G7 40 30/100, R68 30 20/200, E305 20 10/300"},
      {"a signal the receiver stopped sending goes after a round without it",
       {kGpsL1a, kGpsL1b, kGpsL5, kGpsL1a, kGpsL1b, kGpsL1a, kGpsL1b},
       "G2 0 10/20, G5 41 40/100, G12 35 30/200, G40 30 20/240, J193 38 60/150"},
      {"a system reported empty is emptied", {kGloL1, "GLGSV,1,1,00,1"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Listed(c.sentences), c.expected);
  }
}

}  // namespace
}  // namespace vantrel
