#pragma once
// The one rule for showing a real number on screen.
#include <QChar>
#include <QString>

namespace vantrel {

// `value` rounded to p significant digits, written with exactly d decimals;
// digit positions past the p significant ones are 0. A value whose integer
// part needs more than p digits is written in scientific notation. The
// decimal separator is the user's locale's unless one is given.
QString FixedText(double value, int p, int d);
QString FixedText(double value, int p, int d, QChar decimalPoint);

// The decimal separator of the user's locale (the default QLocale), looked
// up again only when the default locale changes: asking a system locale
// costs more than formatting a number.
QChar LocaleDecimalPoint();

}  // namespace vantrel
