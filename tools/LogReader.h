#pragma once
// Reads a recorded receiver stream through the reader thread's framing,
// dispatch and decoders, fed in the same chunks, and reports what they made
// of it: one JSON line per standard sentence, or counts per type.
#include <cstdint>
#include <cstdio>

#include "nmea/Decoders.h"
#include "nmea/Record.h"

namespace vantrel::logtool {

enum class Mode { Json, Count };

struct Counts {
  uint64_t byKind[kPieceKinds] = {};
  uint64_t checksumFailures = 0;  // sentences of a known kind whose checksum is wrong
};

// Reads `in` to its end in chunks of kChunkMax bytes and writes the report
// to `out`. Returns false (with errno from the failed read) when reading
// failed; what was read until then is still reported.
bool ReadLog(std::FILE* in, std::FILE* out, Mode mode, Counts* counts = nullptr);

// Writes one JSON report line for a decoded sentence.
void WriteJsonLine(std::FILE* out, uint64_t line, PieceKind kind, bool checksumOk, const ReceiverRecord& r);

void WriteCounts(std::FILE* out, const Counts& counts);

}  // namespace vantrel::logtool
