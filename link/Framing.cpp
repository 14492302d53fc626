#include "link/Framing.h"

#include <string.h>  // memrchr (GNU)

#include <cstring>

#include "nmea/Fields.h"


namespace vantrel {

namespace {

bool StartsWith(const char* s, size_t len, const char* prefix, size_t prefixLen) {
  return len >= prefixLen && std::memcmp(s, prefix, prefixLen) == 0;
}

// Position of the last sentence start ("$GP" or another accepted talker,
// or "$PQOL") in text, or -1. (The last "$PQOL" after the last "$GP", else
// the last "$GP": together simply the last start of either kind.)
long LastSentenceStart(const char* text, size_t len, TalkerSet talkers) {
  for (size_t n = len; n > 0;) {
    const char* hit = static_cast<const char*>(memrchr(text, '$', n));
    if (hit == nullptr) break;
    const size_t i = static_cast<size_t>(hit - text);
    const size_t rest = len - i;
    if ((rest >= 3 && hit[1] == 'G' && talkers.HasLetter(hit[2])) || StartsWith(hit, rest, "$PQOL", 5))
      return static_cast<long>(i);
    n = i;
  }
  return -1;
}

// Length of the beginning of a sentence start ("$", "$G", "$P", "$PQ",
// "$PQO") that ends the text, or 0. Such a start was split by the read and
// must wait for its rest. "$G" begins every talker's start.
size_t SplitStartLength(const char* text, size_t len) {
  for (size_t k = 4; k >= 1; --k) {
    if (len < k) continue;
    const char* tail = text + len - k;
    if (std::memcmp(tail, "$PQOL", k) == 0 || (k < 3 && std::memcmp(tail, "$GP", k) == 0)) return k;
  }
  return 0;
}

}  // namespace

void StreamFraming::Clear() {
  std::memset(CarryText, 0, sizeof CarryText);
  std::memset(WorkText, 0, sizeof WorkText);
  CarryLength = WorkLength = 0;
  CarryOffset = WorkOffset = StreamLength = 0;
}

size_t StreamFraming::AppendChunk(const char* chunk, size_t count, TalkerSet talkers) {
  const size_t n = count < kChunkMax ? count : kChunkMax;
  if (CarryLength > kCarryDropLength) {
    // A tail this long never became a sentence: drop it.
    std::memset(CarryText, 0, CarryLength);
    CarryLength = 0;
    CarryOffset = StreamLength;
  }
  std::memcpy(WorkText, CarryText, CarryLength);
  WorkOffset = CarryOffset;
  char* out = WorkText + CarryLength;
  std::memcpy(out, chunk, n);
  // A zero byte from the port separates sentences like a line end.
  for (char* z = out; (z = static_cast<char*>(std::memchr(z, '\0', static_cast<size_t>(out + n - z)))) != nullptr;)
    *z++ = '\n';
  WorkLength = CarryLength + n;
  WorkText[WorkLength] = '\0';
  StreamLength += n;

  const long cut = LastSentenceStart(WorkText, WorkLength, talkers);
  const size_t keepFrom =
      cut >= 0 ? static_cast<size_t>(cut) : WorkLength - SplitStartLength(WorkText, WorkLength);
  CarryLength = WorkLength - keepFrom;
  std::memcpy(CarryText, WorkText + keepFrom, CarryLength);
  CarryText[CarryLength] = '\0';
  CarryOffset = WorkOffset + keepFrom;
  WorkLength = keepFrom;
  WorkText[WorkLength] = '\0';
  return n;
}

bool StreamFraming::ReleaseEndedHead() {
  if (CarryLength <= kCarryDropLength) return false;
  const size_t end = std::strcspn(CarryText, "\r\n");
  if (end == CarryLength) return false;
  const size_t head = end + std::strspn(CarryText + end, "\r\n");
  std::memcpy(WorkText, CarryText, head);
  WorkLength = head;
  WorkText[WorkLength] = '\0';
  WorkOffset = CarryOffset;
  // What followed the line end never became a sentence.
  std::memset(CarryText, 0, CarryLength);
  CarryLength = 0;
  CarryOffset = StreamLength;
  return true;
}

void StreamFraming::FlushCarry() {
  std::memcpy(WorkText, CarryText, CarryLength);
  WorkLength = CarryLength;
  WorkText[WorkLength] = '\0';
  WorkOffset = CarryOffset;
  CarryLength = 0;
  CarryText[0] = '\0';
  CarryOffset = StreamLength;
}

bool StreamFraming::DropCutTail() {
  if (CarryLength == 0 || CarryText[0] != '$') return false;
  if (std::memchr(CarryText, '\r', CarryLength) || std::memchr(CarryText, '\n', CarryLength)) return false;
  if (SentenceChecksumOk(CarryText, CarryLength)) return false;  // only its line end is missing
  CarryLength = 0;
  CarryText[0] = '\0';
  CarryOffset = StreamLength;
  return true;
}

}  // namespace vantrel
