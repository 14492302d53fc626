#pragma once
// Sentence helpers of the simulated module. Deliberately separate from
// Vantrel's own decoders: the simulator is the ground truth that Vantrel's
// end-to-end tests compare against, so it must not share their mistakes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::sim {

// 8-bit XOR of every character of `body` after its leading "$".
uint8_t Checksum(std::string_view body);

// body + "*" + two upper-case hexadecimal digits + CR LF.
std::string Finish(std::string_view body);

// A command line received from the PC, split into its name ("$PQOL314") and
// its fields. Valid only when the checksum matched.
struct ParsedLine {
  std::string name;
  std::vector<std::string> fields;
};

// Parses one line without its line ending. Returns false (and the module stays
// silent) when the line lacks "*", the two digits after it are not upper-case
// hexadecimal, or they do not match the XOR of the body.
bool ParseLine(std::string_view line, ParsedLine& out);

// snprintf into a std::string, for sentence bodies and short texts (up to
// 159 characters; longer output is cut).
std::string Format(const char* fmt, auto... args) {
  char buf[160];
  const int n = std::snprintf(buf, sizeof buf, fmt, args...);
  return std::string(buf, n < 0 ? 0 : std::min<size_t>(n, sizeof buf - 1));
}

// Strict whole number: optional "-", then only decimal digits, at least one.
// Returns false for anything else ("", "12a", "+3", "1.0").
bool ParseInt(std::string_view text, long& out);

}  // namespace vantrel::sim
