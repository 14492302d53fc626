#include "link/Framing.h"

#include <cstring>

#include "nmea/Decoders.h"
#include "nmea/Fields.h"

namespace vantrel {

namespace {

bool StartsWith(const char* s, size_t len, const char* prefix, size_t prefixLen) {
  return len >= prefixLen && std::memcmp(s, prefix, prefixLen) == 0;
}

// Position of the last "$GP" or "$PQOL" in text, or -1. (The last "$PQOL"
// after the last "$GP", else the last "$GP": together simply the last start
// of either kind.)
long LastSentenceStart(const char* text, size_t len) {
  for (size_t i = len; i-- > 0;) {
    if (text[i] != '$') continue;
    const size_t rest = len - i;
    if (StartsWith(text + i, rest, "$GP", 3) || StartsWith(text + i, rest, "$PQOL", 5))
      return static_cast<long>(i);
  }
  return -1;
}

// Length of the beginning of a sentence start ("$", "$G", "$P", "$PQ",
// "$PQO") that ends the text, or 0. Such a start was split by the read and
// must wait for its rest.
size_t SplitStartLength(const char* text, size_t len) {
  for (size_t k = 4; k >= 1; --k) {
    if (len < k) continue;
    const char* tail = text + len - k;
    if (std::memcmp(tail, "$PQOL", k) == 0 || (k < 3 && std::memcmp(tail, "$GP", k) == 0)) return k;
  }
  return 0;
}

struct StandardType {
  char name[4];
  PieceKind kind;
  void (*decode)(ReceiverRecord&, const char*, size_t);
};

constexpr StandardType kStandardTypes[] = {
    {"GLL", PieceKind::GLL, checked::DecodeGLL}, {"RMC", PieceKind::RMC, checked::DecodeRMC},
    {"VTG", PieceKind::VTG, checked::DecodeVTG}, {"GSA", PieceKind::GSA, checked::DecodeGSA},
    {"GSV", PieceKind::GSV, checked::DecodeGSV}, {"GGA", PieceKind::GGA, checked::DecodeGGA},
    {"ZDA", PieceKind::ZDA, checked::DecodeZDA},
};

// Shortest "$GP" piece handed to a decoder is 11 characters.
constexpr size_t kStandardMinLength = 11;

void DispatchPiece(char* s, size_t len, uint64_t offset, ReceiverRecord& record,
                   IDispatchHandler& handler) {
  PieceInfo info;
  info.offset = offset;
  if (StartsWith(s, len, "$PQOLCHN", 8)) {
    info.kind = PieceKind::ChannelStatus;
    info.checksumOk = SentenceChecksumOk(s, len);
    if (info.checksumOk) checked::DecodeChannelStatus(record, s, len);
  } else if (StartsWith(s, len, "$PQOL", 5)) {
    info.kind = PieceKind::Reply;
    info.checksumOk = SentenceChecksumOk(s, len);
    handler.OnReply(s, len);
  } else if (len >= kStandardMinLength && StartsWith(s, len, "$GP", 3)) {
    for (const StandardType& t : kStandardTypes) {
      if (std::memcmp(s + 3, t.name, 3) != 0) continue;
      info.kind = t.kind;
      info.checksumOk = SentenceChecksumOk(s, len);
      if (info.checksumOk) t.decode(record, s, len);
      break;
    }
  }
  handler.OnPiece(info, s, len);
}

}  // namespace

const char* PieceKindName(PieceKind kind) {
  switch (kind) {
    case PieceKind::GGA: return "GGA";
    case PieceKind::RMC: return "RMC";
    case PieceKind::VTG: return "VTG";
    case PieceKind::GSA: return "GSA";
    case PieceKind::GSV: return "GSV";
    case PieceKind::GLL: return "GLL";
    case PieceKind::ZDA: return "ZDA";
    case PieceKind::ChannelStatus: return "PQOLCHN";
    case PieceKind::Reply: return "PQOL";
    case PieceKind::Ignored: break;
  }
  return "ignored";
}

void StreamFraming::Clear() {
  std::memset(CarryText, 0, sizeof CarryText);
  std::memset(WorkText, 0, sizeof WorkText);
  CarryLength = WorkLength = 0;
  CarryOffset = WorkOffset = StreamLength = 0;
}

size_t StreamFraming::AppendChunk(const char* chunk, size_t count) {
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
  for (size_t i = 0; i < n; ++i) out[i] = chunk[i] != '\0' ? chunk[i] : '\n';
  WorkLength = CarryLength + n;
  WorkText[WorkLength] = '\0';
  StreamLength += n;

  const long cut = LastSentenceStart(WorkText, WorkLength);
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

void StreamFraming::FlushCarry() {
  std::memcpy(WorkText, CarryText, CarryLength);
  WorkLength = CarryLength;
  WorkText[WorkLength] = '\0';
  WorkOffset = CarryOffset;
  CarryLength = 0;
  CarryText[0] = '\0';
  CarryOffset = StreamLength;
}

void DispatchWorkText(StreamFraming& framing, ReceiverRecord& record, IDispatchHandler& handler) {
  char* const text = framing.WorkText;
  const size_t len = framing.WorkLength;
  size_t i = 0;
  while (i < len) {
    if (text[i] == '\r' || text[i] == '\n') {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < len && text[end] != '\r' && text[end] != '\n') ++end;
    text[end] = '\0';  // the split writes zero bytes, as strtok would
    DispatchPiece(text + i, end - i, framing.WorkOffset + i, record, handler);
    i = end + 1;
  }
  framing.WorkLength = 0;
}

void MarkUsedSatellites(ReceiverRecord& record) {
  for (SatInView& e : record.SatsInView) e.Used = 0;
  const int walked = record.WalkedSats();
  for (int i = 0; i < walked; ++i) {
    SatInView& e = record.SatsInView[i];
    for (int k = 0; k < kUsedPrnsMax && record.UsedPrns[k] > 0; ++k) {
      if (record.UsedPrns[k] == e.Prn) {
        e.Used = 1;
        break;
      }
    }
  }
}

}  // namespace vantrel
