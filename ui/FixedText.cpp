#include "ui/FixedText.h"

#include <QLocale>
#include <cmath>
#include <cstdio>
#include <string>

namespace vantrel {

QString FixedText(double value, int p, int d, QChar decimalPoint) {
  if (p < 1) p = 1;
  if (d < 0) d = 0;
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  char text[400];
  // Round to p significant digits first; %.*e does exactly that.
  std::snprintf(text, sizeof text, "%.*e", p - 1, value);
  const double rounded = std::strtod(text, nullptr);
  const int exponent = rounded == 0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(rounded))));
  std::string out;
  if (exponent >= p) {
    // The integer part needs more than p digits: scientific notation with p
    // significant digits ("1.234567E+008" style).
    std::snprintf(text, sizeof text, "%.*E", p - 1, rounded);
    out = text;
    const size_t e = out.find('E');
    std::string mantissa = out.substr(0, e);
    std::string exp = out.substr(e + 1);
    const char sign = exp[0];
    std::string digits = exp.substr(1);
    while (digits.size() < 3) digits.insert(0, "0");
    out = mantissa + "E" + sign + digits;
  } else {
    // Digits beyond the p significant ones are written as 0.
    const int keep = std::max(0, p - 1 - exponent);
    std::snprintf(text, sizeof text, "%.*f", std::min(keep, d), rounded);
    out = text;
    if (d > keep) {
      if (keep == 0) out += '.';
      out.append(static_cast<size_t>(d - keep), '0');
    }
  }
  if (out.size() > 1 && out[0] == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
  QString result = QString::fromLatin1(out.c_str());
  result.replace(QLatin1Char('.'), decimalPoint);
  return result;
}

QString FixedText(double value, int p, int d) {
  return FixedText(value, p, d, QLocale().decimalPoint().at(0));
}

}  // namespace vantrel
