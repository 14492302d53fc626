#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "nmea/Fields.h"

namespace vantrel {
namespace {

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

TEST(NextField, Table) {
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
    char out[kFieldMax + 1] = "junk";
    const size_t len = std::strlen(c.piece);
    EXPECT_EQ(NextField(c.piece, len, c.piece + c.at, out), c.present) << c.piece << " @" << c.at;
    EXPECT_STREQ(out, c.text) << c.piece << " @" << c.at;
  }
  char out[kFieldMax + 1] = "kept";
  EXPECT_FALSE(NextField("$GP,1*00", 8, nullptr, out));
  EXPECT_STREQ(out, "kept");
}

TEST(NextField, StopsAtTheGivenLength) {
  // A piece is (pointer, length): the "," beyond the length is not seen.
  const char buffer[] = "$GPZDA,12,34*00";
  char out[kFieldMax + 1];
  EXPECT_FALSE(NextField(buffer, 9, buffer + 7, out));
  EXPECT_EQ(AfterNextComma(buffer, 9, buffer + 7), nullptr);
  EXPECT_EQ(AfterNextComma(buffer, sizeof buffer - 1, buffer + 7), buffer + 10);
}

// Texts whose reading must agree with strtol/strtod of the C locale.
const char* const kNumberTexts[] = {
    "", "0", "42", "-42", "+42", "  \t\n7", "007", "12abc", "abc", "-", "+", "--5", "+-5", "4916.45",
    "-121.5", ".5", "5.", "-.5e1", "1e5", "1e", "1e+", "1E-3x", "0x1A", "0x1.8p3", "0x", "0xg", "0x.8",
    "-0x10", "inf", "-Infinity", "nan", "nan(12)", "1e400", "-1e400", "1e-400", "4.9e-324", "1e-320",
    "99999999999999999999", "-9223372036854775808", "9223372036854775807", "9223372036854775808",
    "0.000000000000000000000000000001e330", "123456789012345678901234567890e-350", "0x1p-1080", "0x1p1100",
    " 1,5", "1 5", "\v-3", "0e0", "-0",
};

void ExpectAgreesWithCLibrary(const char* text) {
  errno = 0;
  EXPECT_EQ(ReadWhole(text), std::strtol(text, nullptr, 10)) << '"' << text << '"';
  const double expected = std::strtod(text, nullptr);
  const double got = ReadDecimal(text);
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(got)) << '"' << text << '"';
  } else {
    EXPECT_EQ(got, expected) << '"' << text << '"';
    EXPECT_EQ(std::signbit(got), std::signbit(expected)) << '"' << text << '"';
  }
}

TEST(NumberReading, AgreesWithTheCLibraryInTheCLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "C");
  for (const char* text : kNumberTexts) ExpectAgreesWithCLibrary(text);
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(NumberReading, AgreesWithTheCLibraryOnRandomTexts) {
  // Texts built from the characters that matter to number reading, so the
  // short paths and the fallbacks all get exercised.
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "C");
  const char alphabet[] = "0123456789000000....--++eExXpPaAfFiInN \t,*";
  std::mt19937 random(20070407);
  for (int i = 0; i < 20000; ++i) {
    std::string text(random() % 24, ' ');
    for (char& c : text) c = alphabet[random() % (sizeof alphabet - 1)];
    ExpectAgreesWithCLibrary(text.c_str());
    if (HasFailure()) break;
  }
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(NumberReading, IgnoresACommaDecimalLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
    GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (scripts/packages.sh adds it)";
  // The C library itself now reads "4916.45" as 4916; ours must not.
  const double libraryReading = std::strtod("4916.45", nullptr);
  EXPECT_DOUBLE_EQ(ReadDecimal("4916.45"), 4916.45);
  EXPECT_DOUBLE_EQ(ReadDecimal("1,5"), 1.0);
  EXPECT_EQ(ReadWhole("1.234"), 1);
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(libraryReading, 4916.0);
}

}  // namespace
}  // namespace vantrel
