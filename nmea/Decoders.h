#pragma once
// The one entry that decodes a sentence into the receiver record. It names
// the sentence by its prefix, tests the checksum once and runs the decoder of
// its kind: the seven standard sentences of the accepted talkers ("$GP"
// unless told otherwise) and the channel status "$PQOLCHN". Each decoder stores every field as soon as it has read it, so a
// sentence cut short updates its leading fields only.
#include <cstddef>
#include <cstdint>

#include "nmea/Record.h"
#include "nmea/Talkers.h"

namespace vantrel {

// What a piece of the stream is.
enum class PieceKind : uint8_t {
  GGA,
  RMC,
  VTG,
  GSA,
  GSV,
  GLL,
  ZDA,
  ChannelStatus,  // "$PQOLCHN"
  Reply,          // any other "$PQOL": named and checked here, decoded by DecodeReply
  Ignored,        // talkers not accepted, other types, short pieces, text between sentences
};
constexpr int kPieceKinds = 10;

// Name of a kind as it appears in sentences ("GGA", ..., "PQOLCHN", "PQOL")
// or "ignored".
const char* PieceKindName(PieceKind kind);

struct PieceInfo {
  PieceKind kind = PieceKind::Ignored;
  bool checksumOk = false;  // meaningful for every kind but Ignored
  uint64_t offset = 0;      // stream offset of the piece's first byte
  Talker talker = Talker::None;  // of the standard kinds; None for the others
};

// Decodes one piece, without its line ending, into `record` when its kind
// has a decoder here, its talker is in `talkers` and its checksum is right.
// Returns its kind, talker and checksum result; `offset` is left 0 for the
// caller to set.
PieceInfo DecodeSentence(ReceiverRecord& record, const char* s, size_t len, TalkerSet talkers = TalkerSet::Gps());

}  // namespace vantrel
