#pragma once
// Builds test sentences with a correct checksum: "$" + body + "*" + two
// upper-case hexadecimal digits.
#include <cstdio>
#include <string>
#include <string_view>

namespace vantrel::test {

inline std::string WithChecksum(std::string_view body) {
  unsigned x = 0;
  for (char c : body) x ^= static_cast<unsigned char>(c);
  char tail[4];
  std::snprintf(tail, sizeof tail, "*%02X", x & 0xFFu);
  return "$" + std::string(body) + tail;
}

}  // namespace vantrel::test
