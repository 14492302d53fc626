#pragma once
// Sentence checksum test, field extraction and number reading shared by all
// decoders. A sentence is handled as (pointer, length) without its line
// ending; it need not be zero-terminated.
#include <cstddef>

namespace vantrel {

// Fields are copied into working buffers of this many characters; longer
// fields are cut.
constexpr int kFieldMax = 20;

// True when the XOR of the characters between "$" and "*" equals the two
// upper-case hexadecimal digits after "*" (lowercase digits do not match).
bool SentenceChecksumOk(const char* s, size_t len);

// Copies the field that starts at `pos` (inside s[0, len)) into `out`,
// zero-terminated and cut to kFieldMax characters. The field ends at the next
// ","; when no "," follows, at the first "*". Returns false, with `out` empty,
// for an empty field or one without a terminator; a null `pos` returns false
// and leaves `out` unchanged.
bool NextField(const char* s, size_t len, const char* pos, char (&out)[kFieldMax + 1]);

// Position just after the next "," at or after `pos`, or nullptr when there
// is none before s + len.
const char* AfterNextComma(const char* s, size_t len, const char* pos);

// atol and atof in the C locale, whatever the process locale is: leading
// blanks, optional sign, the longest valid prefix, 0 when there is none.
long ReadWhole(const char* text);
double ReadDecimal(const char* text);

}  // namespace vantrel
