#pragma once
// Framing of the receiver's byte stream into sentences, and the dispatch of
// each sentence to its decoder. Plain C++, no Qt, no I/O, no allocation: the
// reader thread and the log tool feed it the same chunks of at most
// kChunkMax bytes.
//
// One read cycle:
//   framing.AppendChunk(chunk, n);              // WorkText = complete sentences
//   ... show framing.WorkText in the monitor ...
//   DispatchWorkText(framing, record, handler); // decodes, cuts WorkText apart
//   MarkUsedSatellites(record);
#include <cstddef>
#include <cstdint>

#include "nmea/Record.h"

namespace vantrel {

constexpr size_t kStreamTextSize = 5000;   // CarryText and WorkText, terminator included
constexpr size_t kCarryDropLength = 3750;  // a longer tail never became a sentence
constexpr size_t kChunkMax = 100;          // bytes taken per read cycle

// What the dispatcher made of one piece of WorkText.
enum class PieceKind : uint8_t {
  GGA,
  RMC,
  VTG,
  GSA,
  GSV,
  GLL,
  ZDA,
  ChannelStatus,  // "$PQOLCHN", decoded by DecodeChannelStatus
  Reply,          // any other "$PQOL", handed to OnReply
  Ignored,        // other talkers and types, short pieces, text between sentences
};
constexpr int kPieceKinds = 10;

// Name of a kind as it appears in sentences ("GGA", ..., "PQOLCHN", "PQOL")
// or "ignored".
const char* PieceKindName(PieceKind kind);

struct PieceInfo {
  PieceKind kind = PieceKind::Ignored;
  bool checksumOk = false;  // meaningful for every kind but Ignored
  uint64_t offset = 0;      // stream offset of the piece's first byte
};

// Receives what the dispatcher does not decode itself. Pieces are passed
// without their line ending and are zero-terminated (s[len] == 0).
class IDispatchHandler {
 public:
  // A "$PQOL" piece other than "$PQOLCHN", checksum not yet tested.
  virtual void OnReply(const char* s, size_t len) = 0;
  // Every piece, after its decoder (if any) has run. Optional.
  virtual void OnPiece(const PieceInfo& info, const char* s, size_t len) {
    (void)info, (void)s, (void)len;
  }

 protected:
  ~IDispatchHandler() = default;
};

// The two stream buffers and their byte counts. Zero bytes from the port are
// turned into line feeds on the way in, so both texts stay valid C strings
// and a zero byte separates sentences instead of hiding what follows it.
struct StreamFraming {
  // The unfinished tail: empty, or from the last sentence start (or the
  // beginning of one at the very end of the stream) to the end.
  char CarryText[kStreamTextSize] = {};
  size_t CarryLength = 0;
  // The text of the current cycle: complete sentences only. Valid between
  // AppendChunk and DispatchWorkText, which writes zero bytes into it.
  char WorkText[kStreamTextSize] = {};
  size_t WorkLength = 0;
  uint64_t CarryOffset = 0;   // stream offset of CarryText[0]
  uint64_t WorkOffset = 0;    // stream offset of WorkText[0]
  uint64_t StreamLength = 0;  // bytes taken so far

  // Back to the empty state of a fresh reader.
  void Clear();

  // Appends up to kChunkMax bytes of `chunk` and cuts WorkText before the
  // last sentence start. Returns the number of bytes taken (min(count,
  // kChunkMax)); a caller with more bytes runs another cycle for the rest.
  size_t AppendChunk(const char* chunk, size_t count);

  // End of input: WorkText becomes the waiting tail, CarryText empty.
  void FlushCarry();
};

// Splits WorkText at runs of CR and LF and hands each piece, in order, to
// the seven standard decoders, DecodeChannelStatus or handler.OnReply.
void DispatchWorkText(StreamFraming& framing, ReceiverRecord& record, IDispatchHandler& handler);

// Recomputes SatsInView[].Used from UsedPrns, for the walked entries only.
void MarkUsedSatellites(ReceiverRecord& record);

}  // namespace vantrel
