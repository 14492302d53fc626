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

}  // namespace vantrel
