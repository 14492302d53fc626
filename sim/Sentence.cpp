#include "sim/Sentence.h"

#include <cstdio>

namespace vantrel::sim {

uint8_t Checksum(std::string_view body) {
  uint8_t sum = 0;
  for (size_t i = 1; i < body.size(); ++i) sum ^= static_cast<uint8_t>(body[i]);
  return sum;
}

std::string Finish(std::string_view body) {
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", Checksum(body));
  std::string s(body);
  s += tail;
  return s;
}

namespace {
int UpperHexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

bool ParseLine(std::string_view line, ParsedLine& out) {
  if (line.size() < 4 || line[0] != '$') return false;
  const size_t star = line.find('*');
  if (star == std::string_view::npos || star + 3 != line.size()) return false;
  const int hi = UpperHexValue(line[star + 1]);
  const int lo = UpperHexValue(line[star + 2]);
  if (hi < 0 || lo < 0) return false;
  const std::string_view body = line.substr(0, star);
  if (Checksum(body) != hi * 16 + lo) return false;

  out.fields.clear();
  size_t comma = body.find(',');
  out.name = std::string(body.substr(0, comma));
  while (comma != std::string_view::npos) {
    const size_t next = body.find(',', comma + 1);
    out.fields.emplace_back(body.substr(comma + 1, next == std::string_view::npos ? next : next - comma - 1));
    comma = next;
  }
  return true;
}

bool ParseInt(std::string_view text, long& out) {
  size_t i = 0;
  bool negative = false;
  if (!text.empty() && text[0] == '-') {
    negative = true;
    i = 1;
  }
  if (i == text.size() || text.size() - i > 9) return false;
  long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  out = negative ? -v : v;
  return true;
}

}  // namespace vantrel::sim
