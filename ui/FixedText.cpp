#include "ui/FixedText.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace vantrel {

namespace {

// A non-negative number as decimal digits d0 d1 d2 ... meaning
// d0.d1d2... x 10^exp10.
struct Decimal {
  std::string digits;
  int exp10 = 0;
  bool IsZero() const { return digits.find_first_not_of('0') == std::string::npos; }
};

Decimal ToDecimal(double magnitude) {
  Decimal d;
  if (magnitude == 0) {
    d.digits = "0";
    return d;
  }
  // 40 significant digits hold the binary value exactly enough to round it
  // half away from zero, the way the display has always rounded (1.25 -> 1.3).
  // to_chars gives the same exact digits as printf's "%.39e" at a fraction
  // of its cost; the status labels format several numbers per chunk read.
  char text[64];
  const std::to_chars_result written =
      std::to_chars(text, text + sizeof text - 1, magnitude, std::chars_format::scientific, 39);
  *written.ptr = '\0';
  const char* e = std::strchr(text, 'e');
  d.digits.push_back(text[0]);
  d.digits.append(text + 2, static_cast<size_t>(e - (text + 2)));
  d.exp10 = std::atoi(e + 1);
  return d;
}

// Keeps `n` significant digits, rounding half up on the decimal digits.
void RoundTo(Decimal& d, int n) {
  if (n >= static_cast<int>(d.digits.size())) return;
  if (n < 0) {
    d.digits = "0";
    d.exp10 = 0;
    return;
  }
  const bool up = d.digits[static_cast<size_t>(n)] >= '5';
  d.digits.resize(static_cast<size_t>(n));
  if (!up) {
    if (d.digits.empty()) d.digits = "0", d.exp10 = 0;
    return;
  }
  int i = n - 1;
  while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9') d.digits[static_cast<size_t>(i--)] = '0';
  if (i >= 0) {
    ++d.digits[static_cast<size_t>(i)];
  } else {
    d.digits.insert(d.digits.begin(), '1');
    ++d.exp10;
  }
}

}  // namespace

namespace {

QString ComputeFixedText(double value, int p, int d, QChar decimalPoint);

// The status refresh runs once per chunk read but its numbers change once per
// fix, so most calls ask for a text made moments before. A few recent texts
// per thread spare the exact decimal expansion; equal inputs (bit for bit)
// give equal texts, so a hit returns exactly what computing would.
struct RecentText {
  uint64_t bits = 0;
  int p = -1;
  int d = -1;
  char16_t point = 0;
  QString text;
};
constexpr size_t kRecentTexts = 32;
thread_local RecentText recentTexts[kRecentTexts];

}  // namespace

QString FixedText(double value, int p, int d, QChar decimalPoint) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  const uint64_t mixed = (bits ^ (bits >> 29) ^ static_cast<uint64_t>(p * 31 + d)) * 0x9E3779B97F4A7C15ull;
  RecentText& slot = recentTexts[mixed >> 59];  // the top 5 bits pick one of 32
  if (slot.bits == bits && slot.p == p && slot.d == d && slot.point == decimalPoint.unicode()) return slot.text;
  QString text = ComputeFixedText(value, p, d, decimalPoint);
  slot.bits = bits;
  slot.p = p;
  slot.d = d;
  slot.point = decimalPoint.unicode();
  slot.text = text;
  return text;
}

namespace {

QString ComputeFixedText(double value, int p, int d, QChar decimalPoint) {
  if (p < 1) p = 1;
  if (p > 18) p = 18;
  if (d < 0) d = 0;
  if (d > 18) d = 18;
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  const bool negative = std::signbit(value);
  Decimal n = ToDecimal(std::fabs(value));
  RoundTo(n, p);
  std::string out;
  if (!n.IsZero() && n.exp10 >= p) {
    // The integer part needs more than p digits: scientific notation.
    n.digits.resize(static_cast<size_t>(p), '0');
    out = n.digits.substr(0, 1);
    if (p > 1) out += "." + n.digits.substr(1);
    char exponent[16];
    std::snprintf(exponent, sizeof exponent, "E+%03d", n.exp10);
    out += exponent;
  } else {
    // Round to d decimals where that keeps fewer than p digits; the digit
    // positions past the significant ones are written as 0.
    if (n.exp10 + 1 + d < static_cast<int>(n.digits.size())) RoundTo(n, n.exp10 + 1 + d);
    auto digitAt = [&](int position) {  // position 0: the units digit of 10^exp10 ...
      const int index = n.exp10 - position;
      return index >= 0 && index < static_cast<int>(n.digits.size()) ? n.digits[static_cast<size_t>(index)]
                                                                      : '0';
    };
    if (n.IsZero() || n.exp10 < 0) {
      out = "0";
    } else {
      for (int pos = n.exp10; pos >= 0; --pos) out += digitAt(pos);
    }
    if (d > 0) {
      out += '.';
      for (int k = 1; k <= d; ++k) out += digitAt(-k);
    }
  }
  if (negative && out.find_first_not_of("0.") != std::string::npos) out.insert(out.begin(), '-');
  QString result = QString::fromLatin1(out.c_str());
  result.replace(QLatin1Char('.'), decimalPoint);
  return result;
}

}  // namespace

QChar LocaleDecimalPoint() {
  thread_local QLocale known(QLocale::c());
  thread_local QChar point(u'.');
  const QLocale current;
  if (current != known) {
    known = current;
    point = current.decimalPoint().at(0);
  }
  return point;
}

QString FixedText(double value, int p, int d) { return FixedText(value, p, d, LocaleDecimalPoint()); }

}  // namespace vantrel
