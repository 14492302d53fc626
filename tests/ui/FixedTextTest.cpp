// Real numbers as the status labels show them.
#include <QLocale>
#include <gtest/gtest.h>

#include "tests/ui/FakeSeams.h"
#include "ui/FixedText.h"

namespace {

using vantrel::FixedText;

TEST(FixedText, SignificantDigitsThenPaddedDecimals) {
  struct Case {
    double value;
    int p, d;
    const char* text;
  };
  const Case cases[] = {
      {3.25, 7, 3, "3.250"},
      {121.5654321, 7, 5, "121.56540"},
      {25.0612345, 7, 5, "25.06123"},
      {0, 7, 5, "0.00000"},
      {0, 7, 1, "0.0"},
      {-12.34, 7, 1, "-12.3"},
      {0.04, 7, 1, "0.0"},
      {-0.04, 7, 1, "0.0"},
      {1234567.4, 7, 1, "1234567.0"},
      {999999.96, 7, 1, "1000000.0"},
      {0.000123456789, 7, 5, "0.00012"},
      {12345678.0, 7, 1, "1.234568E+007"},
      {-98765432.0, 7, 3, "-9.876543E+007"},
      {59.9999, 7, 3, "60.000"},
      {1.25, 7, 1, "1.3"},      // halves round away from zero
      {-2.5, 7, 0, "-3"},
      {0.05, 7, 1, "0.1"},
      {99.95, 7, 1, "100.0"},
      {9999999.5, 7, 1, "1.000000E+007"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FixedText(c.value, c.p, c.d, QChar('.')).toStdString(), c.text) << c.value;
}

// The labels ask for the same numbers over and over between fixes; a text
// made for one precision, separator or value must never answer another.
TEST(FixedText, RepeatedAndInterleavedRequestsKeepTheirOwnTexts) {
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(FixedText(1.25, 7, 1, QChar('.')), "1.3");
    EXPECT_EQ(FixedText(1.25, 7, 2, QChar('.')), "1.25");
    EXPECT_EQ(FixedText(1.25, 2, 3, QChar('.')), "1.300");
    EXPECT_EQ(FixedText(1.25, 7, 1, QChar(',')), "1,3");
    EXPECT_EQ(FixedText(-1.25, 7, 1, QChar('.')), "-1.3");
    EXPECT_EQ(FixedText(-0.0, 7, 1, QChar('.')), "0.0");
  }
  // More numbers than are kept, asked twice: eighths have exact short texts.
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < 1000; ++i)
      ASSERT_EQ(FixedText(i / 8.0, 7, 3, QChar('.')), QString::number(i / 8.0, 'f', 3)) << i;
}

TEST(FixedText, UsesTheLocaleDecimalSeparator) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(FixedText(3.25, 7, 3).toStdString(), "3,250");
  QLocale::setDefault(QLocale::c());
  EXPECT_EQ(FixedText(3.25, 7, 3).toStdString(), "3.250");
  QLocale::setDefault(saved);
}

}  // namespace
