#pragma once
// Reads a recorded receiver stream through the reader thread's framing,
// dispatch and decoders, fed in the same chunks, and reports what they made
// of it: one JSON line per standard sentence or counts per type under the
// window's "$GP" rules, or the recording's epochs in the evaluation's model
// for the exports and the statistics.
#include <cstdint>
#include <cstdio>

#include "nmea/Decoders.h"
#include "nmea/Record.h"
#include "nmea/Talkers.h"
#include "evaluation/Epochs.h"
#include "tools/LogInput.h"

namespace vantrel::logtool {


struct Counts {
  uint64_t byKind[kPieceKinds] = {};
  uint64_t checksumFailures = 0;  // sentences of a known kind whose checksum is wrong
  uint64_t cutAtEnd = 0;          // 1: the last sentence was cut off by the end of the file
};

struct ReadResult {
  bool readOk = true;         // false: reading failed (the input's Error() says why)
  bool anySentence = false;   // the input held at least one NMEA sentence, of any talker or type
  bool cutAtEnd = false;      // the last sentence was cut off by the end of the input, and not read
};

// Reads `in` to its end in chunks of kChunkMax bytes under the window's
// rules, writes the JSON lines to `out` and fills `counts`.
ReadResult ReadLog(LogInput& in, std::FILE* out, Counts& counts);

// Reads `in` to its end through the same read cycle with every GNSS talker
// framed, into the evaluation's epoch model: hands each epoch to `sink` and
// fills `tally`; `reads` says what the sink uses.
ReadResult ReadEpochs(LogInput& in, evaluation::IEpochSink& sink, evaluation::SentenceTally& tally,
                      evaluation::Reads reads = {});

// Writes one JSON report line for a decoded sentence.
void WriteJsonLine(std::FILE* out, uint64_t line, PieceKind kind, bool checksumOk, const ReceiverRecord& r);

}  // namespace vantrel::logtool
