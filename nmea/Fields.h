#pragma once
// Sentence checksum and the one field walker every decoder reads with. A
// sentence is handled as (pointer, length) without its line ending; it need
// not be zero-terminated.
//
// The field rule: field 1 begins after the first ",", every later field after
// the next one, and a missing "," ends the walk. A field ends at the next
// ","; when no "," follows, at the first "*". A field with at least one
// character is present; an empty one, or one without a terminator, is absent.
#include <cstddef>
#include <cstring>

#include "nmea/Numbers.h"

namespace vantrel {

// Fields are read into a working buffer of this many characters; longer
// fields are cut.
constexpr int kFieldMax = 20;

// True when the XOR of the characters between "$" and "*" equals the two
// upper-case hexadecimal digits after "*" (lowercase digits do not match).
bool SentenceChecksumOk(const char* s, size_t len);

// How a sentence's checksum reads for a reader that also takes lowercase
// digits, as many receivers write them: right in upper case (the window's
// rule), right with a lowercase digit, or not right (or none at all).
enum class ChecksumCase : unsigned char { Wrong, Upper, Lower };
ChecksumCase ReadChecksumCase(const char* s, size_t len);

// Walks the fields of one sentence in order. Each "," is found once, since
// the decoders read almost every field. Starts on field 0, the sentence name.
class FieldWalk {
 public:
  FieldWalk(const char* s, size_t len) : pos_(s), end_(s + len), comma_(FindComma(s)) {}

  // Moves to the next field; false, staying put, when no "," follows.
  bool Next() {
    if (comma_ == nullptr) return false;
    pos_ = comma_ + 1;
    comma_ = FindComma(pos_);
    return true;
  }
  // Reads the current field into text(), cut to kFieldMax characters. False,
  // with text() empty, when the field is absent.
  bool Read() {
    const char* stop = FieldEnd();
    if (stop == nullptr || stop == pos_) {
      text_[0] = '\0';
      length_ = 0;
      return false;
    }
    size_t n = static_cast<size_t>(stop - pos_);
    if (n > static_cast<size_t>(kFieldMax)) n = kFieldMax;
    // Short: a call to memcpy costs more. A zero byte ends the text as it
    // ends the C string the field is read into.
    size_t i = 0;
    for (; i < n && pos_[i] != '\0'; ++i) text_[i] = pos_[i];
    text_[i] = '\0';
    length_ = i;
    return true;
  }
  // The field last read, zero-terminated; empty when it was absent.
  const char* text() const { return text_; }
  size_t length() const { return length_; }
  // The length of the current field as it stands in the sentence, before
  // Read() cuts it to kFieldMax; 0 when absent.
  size_t FullLength() const {
    const char* stop = FieldEnd();
    return stop == nullptr ? 0 : static_cast<size_t>(stop - pos_);
  }
  // The field last read as a number (0 when it was absent).
  long Whole() const { return ReadWhole(text_); }
  double Decimal() const { return ReadDecimal(text_); }
  // The whole number in `count` characters of the field last read, from
  // `from` on (fewer when the field ends first): "hhmmss" gives its hours as
  // WholeAt(0, 2).
  long WholeAt(size_t from, size_t count) const {
    char part[kFieldMax + 1];
    size_t n = 0;
    const size_t end = length_ < static_cast<size_t>(kFieldMax) ? length_ : kFieldMax;  // says so to the compiler
    for (size_t i = from; i < end && n < count; ++i) part[n++] = text_[i];
    part[n] = '\0';
    return ReadWhole(part);
  }
  // Copies the current field as it stands in the sentence, not cut to
  // kFieldMax, into `out` of `size` bytes: cut to size - 1 characters, the
  // rest of `out` zeroed so no earlier text stays behind the terminator. An
  // absent field leaves `out` all zero.
  void CopyText(char* out, size_t size) const {
    const char* stop = FieldEnd();
    size_t n = stop == nullptr ? 0 : static_cast<size_t>(stop - pos_);
    if (n > size - 1) n = size - 1;
    std::memset(out, 0, size);
    if (n > 0) std::memcpy(out, pos_, n);  // pos_ may be null in an empty sentence
  }
  // The character at `offset` from the start of the current field, or 0 past
  // the end of the sentence.
  char At(size_t offset) const { return offset < static_cast<size_t>(end_ - pos_) ? pos_[offset] : '\0'; }
  // Where the current field starts.
  const char* position() const { return pos_; }

 private:
  const char* FindComma(const char* from) const {
    for (const char* p = from; p < end_; ++p)
      if (*p == ',') return p;
    return nullptr;
  }
  // The current field's terminator: the next ",", else the first "*", else
  // none.
  const char* FieldEnd() const {
    if (comma_ != nullptr) return comma_;
    for (const char* p = pos_; p < end_; ++p)
      if (*p == '*') return p;
    return nullptr;
  }

  const char* pos_;
  const char* end_;
  const char* comma_;  // the next "," at or after pos_, or nullptr
  size_t length_ = 0;
  char text_[kFieldMax + 1] = {};
};

}  // namespace vantrel
