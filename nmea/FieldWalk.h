#pragma once
// Field walk shared by the decoders: field 1 begins after the first ",",
// every later field after the next one; a missing "," ends the walk. It
// follows the rules of NextField and AfterNextComma but finds each ","
// once, since every decoder reads almost every field.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "nmea/Fields.h"

namespace vantrel::detail {

class FieldWalk {
 public:
  FieldWalk(const char* s, size_t len) : pos_(s), end_(s + len), comma_(FindComma(s)) {}

  // Moves to the next field; false when no "," follows.
  bool Next() {
    if (comma_ == nullptr) return false;
    pos_ = comma_ + 1;
    comma_ = FindComma(pos_);
    return true;
  }
  // Reads the current field into text(): up to the next ",", or up to the
  // first "*" when no "," follows; cut to kFieldMax characters. False, with
  // text() empty, when the field is empty or has no terminator.
  bool Read() {
    const char* stop = comma_;
    if (stop == nullptr) {
      stop = pos_;
      while (stop < end_ && *stop != '*') ++stop;
      if (stop == end_) stop = nullptr;
    }
    if (stop == nullptr || stop == pos_) {
      text_[0] = '\0';
      length_ = 0;
      return false;
    }
    size_t n = static_cast<size_t>(stop - pos_);
    if (n > static_cast<size_t>(kFieldMax)) n = kFieldMax;
    // Short: a call to memcpy costs more. A zero byte ends the text as it
    // would end the C string the field is copied into.
    size_t i = 0;
    for (; i < n && pos_[i] != '\0'; ++i) text_[i] = pos_[i];
    text_[i] = '\0';
    length_ = i;
    return true;
  }
  const char* text() const { return text_; }
  // The field read as atol would read it; plain digits take the short way.
  long Whole() const {
    long v = 0;
    size_t i = 0;
    for (; i < length_ && i < 9 && text_[i] >= '0' && text_[i] <= '9'; ++i) v = v * 10 + (text_[i] - '0');
    if (i > 0 && (i == length_ || ((text_[i] < '0' || text_[i] > '9') && i < 9))) return v;
    return ReadWhole(text_);
  }
  size_t length() const { return length_; }
  // The character at `offset` from the current field, or 0 past the end.
  char At(size_t offset) const { return offset < static_cast<size_t>(end_ - pos_) ? pos_[offset] : '\0'; }

 private:
  const char* FindComma(const char* from) const {
    for (const char* p = from; p < end_; ++p)
      if (*p == ',') return p;
    return nullptr;
  }

  const char* pos_;
  const char* end_;
  const char* comma_;  // the next "," at or after pos_, or nullptr
  size_t length_ = 0;
  char text_[kFieldMax + 1] = {};
};

// atol of `count` characters of `text` starting at `from` (fewer when the
// text ends first).
inline long WholeOf(const char* text, size_t length, size_t from, size_t count) {
  char part[kFieldMax + 1];
  size_t n = 0;
  for (size_t i = from; i < length && n < count && n < static_cast<size_t>(kFieldMax); ++i) part[n++] = text[i];
  part[n] = '\0';
  return ReadWhole(part);
}

// Whole numbers land in 32-bit fields as the receiver's 32-bit atol would
// give them: saturated, not wrapped.
inline int32_t ToInt32(long v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

}  // namespace vantrel::detail
