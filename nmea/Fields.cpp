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

// 0 .. 15 for a hexadecimal digit of either case, -1 for anything else.
int AnyCaseHexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

ChecksumCase ReadChecksumCase(const char* s, size_t len) {
  if (s == nullptr || len < 5) return ChecksumCase::Wrong;
  const char* star = static_cast<const char*>(std::memchr(s + 2, '*', len - 4));
  if (star == nullptr) return ChecksumCase::Wrong;
  const int high = AnyCaseHexDigit(star[1]), low = AnyCaseHexDigit(star[2]);
  if (high < 0 || low < 0) return ChecksumCase::Wrong;
  if (XorOfBytes(s + 1, static_cast<size_t>(star - s - 1)) != static_cast<unsigned>(16 * high + low))
    return ChecksumCase::Wrong;
  const bool lower = (star[1] >= 'a' && star[1] <= 'f') || (star[2] >= 'a' && star[2] <= 'f');
  return lower ? ChecksumCase::Lower : ChecksumCase::Upper;
}

bool SentenceChecksumOk(const char* s, size_t len) {
  if (s == nullptr || len < 5) return false;
  // The "*" must leave two characters after it: search indices 2 .. len-3.
  const char* star = static_cast<const char*>(std::memchr(s + 2, '*', len - 4));
  if (star == nullptr) return false;
  const unsigned expected = static_cast<unsigned>(16 * HexDigitValue(star[1]) + HexDigitValue(star[2])) & 0xFFu;
  return XorOfBytes(s + 1, static_cast<size_t>(star - s - 1)) == expected;
}

}  // namespace vantrel
