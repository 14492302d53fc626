#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "nmea/Numbers.h"

namespace vantrel {
namespace {

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

// Around the plain-digits path: nine digits are read there, more go the
// long way, and both must agree with strtol.
TEST(NumberReading, WholeNumbersAroundNineDigits) {
  const char* const texts[] = {"1",          "123456789",  "999999999", "1234567890", "9999999999",
                               "123456789x", "12345678x9", "000000000", "0000000001", "99999999999999999999",
                               "9\x80",      "5 6",        "7/",        "7:"};
  for (const char* text : texts) EXPECT_EQ(ReadWhole(text), std::strtol(text, nullptr, 10)) << '"' << text << '"';
}

TEST(ToInt32, SaturatesInsteadOfWrapping) {
  EXPECT_EQ(ToInt32(0L), 0);
  EXPECT_EQ(ToInt32(-5L), -5);
  EXPECT_EQ(ToInt32(2147483647L), INT32_MAX);
  EXPECT_EQ(ToInt32(2147483648L), INT32_MAX);
  EXPECT_EQ(ToInt32(4294967297L), INT32_MAX);  // not 1
  EXPECT_EQ(ToInt32(-2147483648L), INT32_MIN);
  EXPECT_EQ(ToInt32(-2147483649L), INT32_MIN);
  EXPECT_EQ(ToInt32(LONG_MAX), INT32_MAX);
  EXPECT_EQ(ToInt32(LONG_MIN), INT32_MIN);
  EXPECT_EQ(ToInt32(ULONG_MAX), INT32_MAX);  // unsigned values compare by value
  EXPECT_EQ(ToInt32(7u), 7);
}

}  // namespace
}  // namespace vantrel
