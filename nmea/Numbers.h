#pragma once
// The one reader of numbers in sentences. Numbers are read in the C locale,
// whatever the process locale is: the receiver writes "4916.45" whether the
// user's decimal separator is a point or a comma.
#include <concepts>
#include <cstdint>
#include <utility>  // cmp_greater, cmp_less

namespace vantrel {

namespace detail {
long ReadWholeInFull(const char* text);
}

// atol and atof in the C locale: leading blanks, optional sign, the longest
// valid prefix, 0 when there is none. Both saturate as strtol and strtod do.
//
// Most fields are a few plain digits, and nine digits cannot overflow: those
// are read here, inline, which the decoders' instruction count needs.
inline long ReadWhole(const char* text) {
  unsigned digit = static_cast<unsigned char>(text[0]) - '0';
  if (digit < 10) {
    long value = digit;
    for (int i = 1; i < 9; ++i) {
      digit = static_cast<unsigned char>(text[i]) - '0';
      if (digit >= 10) return value;
      value = value * 10 + digit;
    }
  }
  return detail::ReadWholeInFull(text);
}
double ReadDecimal(const char* text);

// Whole numbers land in 32-bit fields as the receiver's 32-bit atol would
// give them: saturated, not wrapped.
template <std::integral T>
constexpr int32_t ToInt32(T v) {
  if (std::cmp_greater(v, INT32_MAX)) return INT32_MAX;
  if (std::cmp_less(v, INT32_MIN)) return INT32_MIN;
  return static_cast<int32_t>(v);
}

}  // namespace vantrel
