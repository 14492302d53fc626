#include "nmea/Numbers.h"

#include <charconv>  // from_chars: reads numbers without looking at the locale
#include <cmath>     // HUGE_VAL
#include <cstdint>
#include <cstring>   // strlen
#include <limits>

#include <locale.h>  // newlocale, locale_t
#include <stdlib.h>  // strtod_l

namespace vantrel {

namespace {

bool IsCBlank(char c) {
  // isspace() in the C locale.
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* TextEnd(const char* text) { return text + std::strlen(text); }

// Exact powers of ten as doubles (all up to 10^22 are representable).
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common "ddd.ddd" with at most 15 digits and no exponent: the digits
// and the power of ten are both exact doubles, so one division rounds
// exactly as strtod does. False for anything else.
bool ReadPlainDecimal(const char* p, double& value) {
  uint64_t mantissa = 0;
  int digits = 0, fraction = 0;
  for (; IsDigit(*p); ++p, ++digits) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
  if (*p == '.') {
    for (++p; IsDigit(*p); ++p, ++digits, ++fraction) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
  }
  if (digits == 0 || digits > 15 || *p == 'e' || *p == 'E' || *p == 'x' || *p == 'X') return false;
  value = static_cast<double>(mantissa) / kPowersOfTen[fraction];
  return true;
}

// from_chars reports a range error without a value; strtod gives HUGE_VAL
// for overflow and 0 for underflow. Tell them apart by the power of ten of
// the first non-zero digit plus the written exponent.
bool RangeErrorIsOverflow(const char* begin, const char* end) {
  const char expLetter = 'e';
  long long power = 0;
  bool seenNonZero = false, seenPoint = false;
  const char* p = begin;
  for (; p < end; ++p) {
    const char c = *p;
    if (c == '.') {
      seenPoint = true;
      continue;
    }
    if ((c | 0x20) == expLetter) break;
    if (!seenNonZero && c != '0') seenNonZero = true;
    if (seenNonZero && !seenPoint) ++power;
    if (!seenNonZero && seenPoint) --power;
  }
  long long exponent = 0;
  if (p < end) {
    ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    for (; p < end && IsDigit(*p); ++p)
      if (exponent < 1'000'000'000) exponent = exponent * 10 + (*p - '0');
    if (negative) exponent = -exponent;
  }
  return power + exponent > 0;
}

}  // namespace

long detail::ReadWholeInFull(const char* text) {
  const char* p = text;
  while (IsCBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  while (*p == '0') ++p;
  const char* digits = p;
  while (IsDigit(*p)) ++p;
  // Saturate as strtol does. Nineteen digits still fit in 64 unsigned bits.
  const unsigned long long limit = negative ? static_cast<unsigned long long>(std::numeric_limits<long>::max()) + 1
                                            : static_cast<unsigned long long>(std::numeric_limits<long>::max());
  bool overflow = p - digits > 19;
  unsigned long long magnitude = 0;
  if (!overflow) {
    for (const char* d = digits; d < p; ++d) magnitude = magnitude * 10 + static_cast<unsigned>(*d - '0');
    overflow = magnitude > limit;
  }
  if (overflow) return negative ? std::numeric_limits<long>::min() : std::numeric_limits<long>::max();
  return negative ? static_cast<long>(0 - magnitude) : static_cast<long>(magnitude);
}

double ReadDecimal(const char* text) {
  const char* p = text;
  while (IsCBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (*p == '+' || *p == '-') return 0;  // one sign only; from_chars would take a second "-"
  double value = 0;
  if (ReadPlainDecimal(p, value)) return negative ? -value : value;
  const char* end = TextEnd(p);

  // strtod also reads hexadecimal ("0x1.8p3"); from_chars wants it without
  // the prefix.
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    // Hexadecimal ("0x1.8p3") never comes from a receiver; from_chars of
    // this library misreads long hexadecimal mantissas, so the C library
    // reads it, in a C locale of its own.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    const double hex = strtod_l(p, nullptr, cLocale);
    return negative ? -hex : hex;
  }
  const auto r = std::from_chars(p, end, value, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range)
    value = RangeErrorIsOverflow(p, r.ptr) ? HUGE_VAL : 0.0;
  else if (r.ec != std::errc())
    return 0;  // nothing read: an unsigned zero, whatever sign came first
  return negative ? -value : value;
}

}  // namespace vantrel
