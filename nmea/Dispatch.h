#pragma once
// Dispatch of a cycle's text: cuts it into pieces at line ends and hands each
// to DecodeSentence, "$PQOL" replies to the handler. Plain C++, no I/O, no
// allocation.
#include <cstddef>
#include <cstdint>

#include "nmea/Decoders.h"
#include "nmea/Record.h"

namespace vantrel {

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

// Splits text[0, len) at runs of CR and LF and hands each piece, in order, to
// DecodeSentence (with the accepted `talkers`) and then the handler. The split writes a zero byte after
// every piece, as strtok would. `offset` is the stream offset of text[0];
// text[len] must be writable (the terminator of a C string is).
void DispatchSentences(char* text, size_t len, uint64_t offset, ReceiverRecord& record, IDispatchHandler& handler,
                       TalkerSet talkers = TalkerSet::Gps());

}  // namespace vantrel
