#pragma once
// Field walk shared by the decoders: field 1 begins after the first ",",
// every later field after the next one; a missing "," ends the walk.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "nmea/Fields.h"

namespace vantrel::detail {

class FieldWalk {
 public:
  FieldWalk(const char* s, size_t len) : s_(s), len_(len), pos_(s) {}

  // Moves to the next field; false when no "," follows.
  bool Next() {
    pos_ = AfterNextComma(s_, len_, pos_);
    return pos_ != nullptr;
  }
  // Reads the current field into text(); false when it is empty.
  bool Read() {
    present_ = NextField(s_, len_, pos_, text_);
    return present_;
  }
  const char* text() const { return text_; }
  size_t length() const { return std::strlen(text_); }
  const char* position() const { return pos_; }
  // The character at `offset` from the current field, or 0 past the end.
  char At(size_t offset) const {
    const size_t i = static_cast<size_t>(pos_ - s_) + offset;
    return i < len_ ? s_[i] : '\0';
  }

 private:
  const char* s_;
  size_t len_;
  const char* pos_;
  bool present_ = false;
  char text_[kFieldMax + 1] = {};
};

// atol of `count` characters of `text` starting at `from` (fewer when the
// text ends first).
inline long WholeOf(const char* text, size_t from, size_t count) {
  char part[kFieldMax + 1];
  size_t n = 0;
  const size_t length = std::strlen(text);
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
