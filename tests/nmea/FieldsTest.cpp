#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "nmea/Fields.h"

namespace vantrel {
namespace {

using namespace std::string_literals;

bool Checksum(const char* s) { return SentenceChecksumOk(s, std::strlen(s)); }

TEST(SentenceChecksumOk, Table) {
  struct {
    const char* sentence;
    bool ok;
  } const cases[] = {
      {"$PQOL101*32", true},
      {"$GPGGA,,,,,,1,,,,,,,,8*5F", true},
      {"$GPGGA,,,,,,1,,,,,,,,8*5f", false},      // lowercase digits are refused
      {"$GPGGA,,,,,,1,,,,,,,,8*5Fxy", true},     // characters after the digits are not looked at
      {"$GPGGA,,,,,,1,,,,,,,,8*5E", false},
      {"$GPGGA,,,,,,1,,,,,,,,8", false},         // no "*"
      {"$GPGGA,,,,,,1,,,,,,,,8*5", false},       // one digit only
      {"$A*41", true},                          // five characters: the shortest piece
      {"$*00", false},                          // fewer than five
      {"", false},
      {"$PQOL101*32*", true},
  };
  for (const auto& c : cases) EXPECT_EQ(Checksum(c.sentence), c.ok) << c.sentence;
}

struct FieldCase {
  const char* piece;
  size_t at;  // offset of the field in the piece
  bool present;
  const char* text;
};

// A walk may start at any field: its field 0 is the text at the start.
TEST(FieldWalk, FromAnyPosition) {
  const FieldCase cases[] = {
      {"$GPZDA,123,45*00", 7, true, "123"},
      {"$GPZDA,123,45*00", 11, true, "45"},      // last field ends at "*"
      {"$GPZDA,,45*00", 7, false, ""},           // empty field
      {"$GPZDA,123,*00", 11, false, ""},         // empty last field
      {"$GPZDA,123", 7, false, ""},              // no terminator at all
      {"$GPZDA,123*00,9", 7, true, "123*00"},    // a later "," wins over "*"
      {"$GPZDA,123456789012345678901234,1*00", 7, true, "12345678901234567890"},  // cut to 20
  };
  for (const FieldCase& c : cases) {
    const size_t len = std::strlen(c.piece);
    FieldWalk walk(c.piece + c.at, len - c.at);
    EXPECT_EQ(walk.Read(), c.present) << c.piece << " @" << c.at;
    EXPECT_STREQ(walk.text(), c.text) << c.piece << " @" << c.at;
  }
}

TEST(FieldWalk, StartedMidwayStopsAtTheGivenLength) {
  // A piece is (pointer, length): the "," beyond the length is not seen.
  const char buffer[] = "$GPZDA,12,34*00";
  FieldWalk cut(buffer + 7, 2);
  EXPECT_FALSE(cut.Read());
  EXPECT_FALSE(cut.Next());
  FieldWalk whole(buffer + 7, sizeof buffer - 8);
  EXPECT_TRUE(whole.Next());
  EXPECT_EQ(whole.position(), buffer + 10);
}

// One field of a walk: where Next() went, what Read() gave.
struct Step {
  bool present;
  std::string text;
  bool operator==(const Step&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Step& s) { return os << (s.present ? "" : "absent ") << '"' << s.text << '"'; }

// Reads field 0, then every field Next() reaches.
std::vector<Step> Walk(const std::string& sentence) {
  FieldWalk w(sentence.data(), sentence.size());
  std::vector<Step> steps;
  do {
    const bool present = w.Read();
    EXPECT_EQ(std::strlen(w.text()), w.length());
    steps.push_back({present, w.text()});
  } while (w.Next());
  return steps;
}

TEST(FieldWalk, FollowsTheFieldRule) {
  const struct {
    std::string sentence;
    std::vector<Step> steps;
  } cases[] = {
      {"$GPZDA,123,45*00", {{true, "$GPZDA"}, {true, "123"}, {true, "45"}}},
      {"$GPZDA,,45*00", {{true, "$GPZDA"}, {false, ""}, {true, "45"}}},
      {"$GPZDA,123,*00", {{true, "$GPZDA"}, {true, "123"}, {false, ""}}},
      {"$GPZDA,123", {{true, "$GPZDA"}, {false, ""}}},               // no terminator
      {"$GPZDA,123*00,9", {{true, "$GPZDA"}, {true, "123*00"}, {false, ""}}},  // a later "," wins over "*"
      {"$GPZDA,1*2*3", {{true, "$GPZDA"}, {true, "1"}}},              // the first "*"
      {"$GPZDA,123456789012345678901234,1*00", {{true, "$GPZDA"}, {true, "12345678901234567890"}, {true, "1"}}},
      {"$GP,1\0002,3*00"s, {{true, "$GP"}, {true, "1"}, {true, "3"}}},  // a zero byte ends the text
      {"$GP,\0,3*00"s, {{true, "$GP"}, {true, ""}, {true, "3"}}},   // present, but reads as empty
      {"no commas", {{false, ""}}},
      {"", {{false, ""}}},
  };
  for (const auto& c : cases) EXPECT_EQ(Walk(c.sentence), c.steps) << c.sentence;
}

TEST(FieldWalk, StopsAtTheGivenLength) {
  const char buffer[] = "$GPZDA,12,34*00";
  FieldWalk w(buffer, 9);  // "$GPZDA,12": the "," beyond is not seen
  ASSERT_TRUE(w.Next());
  EXPECT_FALSE(w.Read());
  EXPECT_FALSE(w.Next());
  EXPECT_EQ(w.At(1), '2');
  EXPECT_EQ(w.At(2), '\0');  // past the end
}

TEST(FieldWalk, NumbersOfTheFieldLastRead) {
  const std::string s = "$GPGGA,092750.500,-17.25,0007,x,,123456*00";
  FieldWalk w(s.data(), s.size());
  ASSERT_TRUE(w.Next() && w.Read());
  EXPECT_EQ(w.WholeAt(0, 2), 9);
  EXPECT_EQ(w.WholeAt(2, 2), 27);
  EXPECT_EQ(w.WholeAt(4, 20), 50);   // runs to the end of the field
  EXPECT_EQ(w.WholeAt(30, 2), 0);    // starts past it
  EXPECT_EQ(w.Whole(), 92750);
  EXPECT_DOUBLE_EQ(w.Decimal(), 92750.5);
  ASSERT_TRUE(w.Next() && w.Read());
  EXPECT_EQ(w.Whole(), -17);
  EXPECT_DOUBLE_EQ(w.Decimal(), -17.25);
  ASSERT_TRUE(w.Next() && w.Read());
  EXPECT_EQ(w.Whole(), 7);
  ASSERT_TRUE(w.Next() && w.Read());
  EXPECT_EQ(w.Whole(), 0);
  ASSERT_TRUE(w.Next());
  EXPECT_FALSE(w.Read());  // an absent field reads as 0
  EXPECT_EQ(w.Whole(), 0);
  EXPECT_EQ(w.Decimal(), 0.0);
  ASSERT_TRUE(w.Next() && w.Read());
  EXPECT_EQ(w.WholeAt(1, 3), 234);
}

TEST(FieldWalk, CopyTextKeepsTheWholeFieldCutToTheBuffer) {
  const std::string longText(25, 'v');
  const std::string s = "$PQOL705," + longText + ",2026-05-11*00";
  FieldWalk w(s.data(), s.size());
  char out[30];
  std::memset(out, 'x', sizeof out);
  ASSERT_TRUE(w.Next());
  w.CopyText(out, sizeof out);
  EXPECT_EQ(std::string(out), longText);  // longer than kFieldMax, not cut to it
  for (size_t i = longText.size(); i < sizeof out; ++i) EXPECT_EQ(out[i], '\0') << i;
  char small[5];
  w.CopyText(small, sizeof small);
  EXPECT_EQ(std::string(small), "vvvv");
  ASSERT_TRUE(w.Next());
  w.CopyText(out, sizeof out);
  EXPECT_EQ(std::string(out), "2026-05-11");  // the last field ends at "*"

  const std::string unterminated = "$PQOL705,V1";
  FieldWalk u(unterminated.data(), unterminated.size());
  ASSERT_TRUE(u.Next());
  u.CopyText(out, sizeof out);
  EXPECT_EQ(std::string(out), "");
}

}  // namespace
}  // namespace vantrel
