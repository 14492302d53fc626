#include "nmea/Fields.h"

#include <cstdint>
#include <cstring>  // memchr, memcpy

namespace vantrel {

namespace {

int HexDigitValue(char c) {
  // Letters at or above "A" count as their code minus 55, so "a" to "f" give
  // values above 15 and never match: the receiver writes upper case only.
  return static_cast<unsigned char>(c) >= 'A' ? c - 55 : c - 48;
}

// XOR of n bytes, eight at a time: XOR is bytewise, so the eight lanes can
// be folded together at the end.
unsigned XorOfBytes(const char* p, size_t n) {
  uint64_t wide = 0;
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    wide ^= word;
  }
  wide ^= wide >> 32;
  wide ^= wide >> 16;
  wide ^= wide >> 8;
  unsigned x = static_cast<unsigned>(wide & 0xFFu);
  for (; n > 0; --n) x ^= static_cast<unsigned char>(*p++);
  return x;
}

bool Inside(const char* s, size_t len, const char* pos) { return pos != nullptr && pos >= s && pos < s + len; }

}  // namespace

bool SentenceChecksumOk(const char* s, size_t len) {
  if (s == nullptr || len < 5) return false;
  // The "*" must leave two characters after it: search indices 2 .. len-3.
  const char* star = static_cast<const char*>(std::memchr(s + 2, '*', len - 4));
  if (star == nullptr) return false;
  const unsigned expected = static_cast<unsigned>(16 * HexDigitValue(star[1]) + HexDigitValue(star[2])) & 0xFFu;
  return XorOfBytes(s + 1, static_cast<size_t>(star - s - 1)) == expected;
}

bool NextField(const char* s, size_t len, const char* pos, char (&out)[kFieldMax + 1]) {
  if (pos == nullptr) return false;
  out[0] = '\0';
  if (!Inside(s, len, pos)) return false;
  FieldWalk walk(pos, static_cast<size_t>(s + len - pos));  // its field 0 starts at pos
  const bool present = walk.Read();
  std::memcpy(out, walk.text(), walk.length() + 1);
  return present;
}

const char* AfterNextComma(const char* s, size_t len, const char* pos) {
  if (!Inside(s, len, pos)) return nullptr;
  FieldWalk walk(pos, static_cast<size_t>(s + len - pos));
  return walk.Next() ? walk.position() : nullptr;
}

}  // namespace vantrel
