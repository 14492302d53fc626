#include "nmea/Fields.h"

#include <charconv>  // from_chars: reads numbers without looking at the locale
#include <cmath>     // HUGE_VAL
#include <cstring>   // memchr
#include <limits>

namespace vantrel {

namespace {

int HexDigitValue(char c) {
  // Letters at or above "A" count as their code minus 55, so "a" to "f" give
  // values above 15 and never match: the receiver writes upper case only.
  return static_cast<unsigned char>(c) >= 'A' ? c - 55 : c - 48;
}

bool IsCBlank(char c) {
  // isspace() in the C locale.
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

const char* TextEnd(const char* text) { return text + std::strlen(text); }

// from_chars reports a range error without a value; strtod gives HUGE_VAL
// for overflow and 0 for underflow. Tell them apart by the power of the
// first non-zero digit plus the written exponent. `digitBits` is 0 for
// decimal text (powers of ten) and 4 for hexadecimal (powers of two).
bool RangeErrorIsOverflow(const char* begin, const char* end, int digitBits) {
  const char expLetter = digitBits ? 'p' : 'e';
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
    const int step = digitBits ? digitBits : 1;
    if (!seenNonZero && c != '0') seenNonZero = true;
    if (seenNonZero && !seenPoint) power += step;
    if (!seenNonZero && seenPoint) power -= step;
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

bool SentenceChecksumOk(const char* s, size_t len) {
  if (s == nullptr || len < 5) return false;
  unsigned value = static_cast<unsigned char>(s[1]);
  size_t i = 2;
  for (; i < len - 2; ++i) {
    if (s[i] == '*') break;
    value ^= static_cast<unsigned char>(s[i]);
  }
  if (i >= len - 2) return false;  // no "*" followed by two characters
  const unsigned expected =
      static_cast<unsigned>(16 * HexDigitValue(s[i + 1]) + HexDigitValue(s[i + 2])) & 0xFFu;
  return (value & 0xFFu) == expected;
}

const char* AfterNextComma(const char* s, size_t len, const char* pos) {
  if (pos == nullptr || pos < s || pos >= s + len) return nullptr;
  const void* comma = std::memchr(pos, ',', static_cast<size_t>(s + len - pos));
  return comma ? static_cast<const char*>(comma) + 1 : nullptr;
}

bool NextField(const char* s, size_t len, const char* pos, char (&out)[kFieldMax + 1]) {
  if (pos == nullptr) return false;
  out[0] = '\0';
  if (pos < s || pos >= s + len) return false;
  const size_t rest = static_cast<size_t>(s + len - pos);
  const char* end = static_cast<const char*>(std::memchr(pos, ',', rest));
  if (end == nullptr) end = static_cast<const char*>(std::memchr(pos, '*', rest));
  if (end == nullptr || end == pos) return false;
  size_t n = static_cast<size_t>(end - pos);
  if (n > static_cast<size_t>(kFieldMax)) n = kFieldMax;
  std::memcpy(out, pos, n);
  out[n] = '\0';
  return true;
}

long ReadWhole(const char* text) {
  const char* p = text;
  while (IsCBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  // Accumulate the magnitude unsigned and saturate as strtol does.
  const unsigned long limit = negative ? static_cast<unsigned long>(std::numeric_limits<long>::max()) + 1
                                       : static_cast<unsigned long>(std::numeric_limits<long>::max());
  unsigned long magnitude = 0;
  bool overflow = false;
  for (; IsDigit(*p); ++p) {
    const unsigned digit = static_cast<unsigned>(*p - '0');
    if (overflow || magnitude > (limit - digit) / 10) {
      overflow = true;
      continue;
    }
    magnitude = magnitude * 10 + digit;
  }
  if (overflow) return negative ? std::numeric_limits<long>::min() : std::numeric_limits<long>::max();
  return negative ? static_cast<long>(0 - magnitude) : static_cast<long>(magnitude);
}

double ReadDecimal(const char* text) {
  const char* p = text;
  while (IsCBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  const char* end = TextEnd(p);
  double value = 0;
  if (*p == '+' || *p == '-') return 0;  // one sign only; from_chars would take a second "-"

  // strtod also reads hexadecimal ("0x1.8p3"); from_chars wants it without
  // the prefix.
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
      (IsHexDigit(p[2]) || (p[2] == '.' && IsHexDigit(p[3])))) {
    const auto r = std::from_chars(p + 2, end, value, std::chars_format::hex);
    if (r.ec == std::errc::result_out_of_range)
      value = RangeErrorIsOverflow(p + 2, r.ptr, 4) ? HUGE_VAL : 0.0;
    else if (r.ec != std::errc())
      return 0;
  } else {
    const auto r = std::from_chars(p, end, value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range)
      value = RangeErrorIsOverflow(p, r.ptr, 0) ? HUGE_VAL : 0.0;
    else if (r.ec != std::errc())
      return 0;  // nothing read: an unsigned zero, whatever sign came first
  }
  return negative ? -value : value;
}

}  // namespace vantrel
