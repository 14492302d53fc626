// Our locale-free number reading against the C library in the C locale.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "nmea/Numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Fields are at most 20 characters, but the readers take any C string.
  const std::string text(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
  const char* t = text.c_str();
  const long whole = vantrel::ReadWhole(t);
  const long wholeExpected = std::strtol(t, nullptr, 10);
  const double decimal = vantrel::ReadDecimal(t);
  const double decimalExpected = std::strtod(t, nullptr);
  const bool same = std::isnan(decimalExpected)
                        ? std::isnan(decimal)
                        : decimal == decimalExpected && std::signbit(decimal) == std::signbit(decimalExpected);
  if (whole != wholeExpected || !same) {
    std::fprintf(stderr, "\"%s\": ReadWhole %ld, strtol %ld; ReadDecimal %.17g, strtod %.17g\n", t, whole, wholeExpected,
                decimal, decimalExpected);
    std::abort();
  }
  return 0;
}
