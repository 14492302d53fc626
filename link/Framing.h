#pragma once
// Framing of the receiver's byte stream into sentences. Plain C++, no Qt, no
// I/O, no allocation: StreamDecoder feeds it chunks of at most kChunkMax
// bytes, for the reader thread and the log tool alike.
#include <cstddef>
#include <cstdint>

#include "nmea/Talkers.h"

namespace vantrel {

constexpr size_t kStreamTextSize = 5000;   // CarryText and WorkText, terminator included
constexpr size_t kCarryDropLength = 3750;  // a longer tail never became a sentence
constexpr size_t kChunkMax = 100;          // bytes taken per read cycle

// The two stream buffers and their byte counts. Zero bytes from the port are
// turned into line feeds on the way in, so both texts stay valid C strings
// and a zero byte separates sentences instead of hiding what follows it.
struct StreamFraming {
  // The unfinished tail: empty, or from the last sentence start (or the
  // beginning of one at the very end of the stream) to the end.
  char CarryText[kStreamTextSize] = {};
  size_t CarryLength = 0;
  // The text of the current cycle: complete sentences only. Valid after
  // AppendChunk until the dispatch cuts it apart with zero bytes.
  char WorkText[kStreamTextSize] = {};
  size_t WorkLength = 0;
  uint64_t CarryOffset = 0;   // stream offset of CarryText[0]
  uint64_t WorkOffset = 0;    // stream offset of WorkText[0]
  uint64_t StreamLength = 0;  // bytes taken so far

  // Back to the empty state of a fresh reader.
  void Clear();

  // Appends up to kChunkMax bytes of `chunk` and cuts WorkText before the
  // last sentence start: "$PQOL" or "$G" and the letter of a talker in
  // `talkers`. Returns the number of bytes taken (min(count, kChunkMax)); a
  // caller with more bytes runs another cycle for the rest.
  size_t AppendChunk(const char* chunk, size_t count, TalkerSet talkers = TalkerSet::Gps());

  // End of input: WorkText becomes the waiting tail, CarryText empty.
  void FlushCarry();
  // End of a recording: a waiting tail that has no line end and whose
  // checksum is not right is a sentence the end of the file cut off, not a
  // sentence with a wrong checksum. It is dropped; true if there was one.
  bool DropCutTail();
  // A tail about to be dropped for its length whose sentence did end in a
  // line end (the receiver's last words before it changed rate, followed by
  // noise): WorkText becomes that sentence, the rest of the tail is dropped.
  // False, and nothing changed, for any other tail.
  bool ReleaseEndedHead();
};

}  // namespace vantrel
