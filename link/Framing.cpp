#include "link/Framing.h"

#include <string.h>  // memrchr (GNU)

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
  for (size_t n = len; n > 0;) {
    const char* hit = static_cast<const char*>(memrchr(text, '$', n));
    if (hit == nullptr) break;
    const size_t i = static_cast<size_t>(hit - text);
    const size_t rest = len - i;
    if (StartsWith(hit, rest, "$GP", 3) || StartsWith(hit, rest, "$PQOL", 5)) return static_cast<long>(i);
    n = i;
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
  std::memcpy(out, chunk, n);
  // A zero byte from the port separates sentences like a line end.
  for (char* z = out; (z = static_cast<char*>(std::memchr(z, '\0', static_cast<size_t>(out + n - z)))) != nullptr;)
    *z++ = '\n';
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
  char* const end = text + framing.WorkLength;
  // The next CR and the next LF, each found once with memchr.
  auto find = [end](char* from, char c) {
    char* hit = static_cast<char*>(std::memchr(from, c, static_cast<size_t>(end - from)));
    return hit ? hit : end;
  };
  char* cr = find(text, '\r');
  char* lf = find(text, '\n');
  char* p = text;
  while (p < end) {
    if (*p == '\r' || *p == '\n') {
      ++p;
      continue;
    }
    if (cr < p) cr = find(p, '\r');
    if (lf < p) lf = find(p, '\n');
    char* stop = cr < lf ? cr : lf;
    *stop = '\0';  // the split writes zero bytes, as strtok would
    DispatchPiece(p, static_cast<size_t>(stop - p), framing.WorkOffset + static_cast<uint64_t>(p - text), record,
                  handler);
    p = stop + 1;
  }
  framing.WorkLength = 0;
}

void MarkUsedSatellites(ReceiverRecord& record) {
  // PRNs 1..255 go through a bit set; any other value is looked up in the list.
  uint64_t usedBits[4] = {};
  int usedCount = 0;
  for (; usedCount < kUsedPrnsMax && record.UsedPrns[usedCount] > 0; ++usedCount) {
    const int32_t prn = record.UsedPrns[usedCount];
    if (prn < 256) usedBits[prn >> 6] |= uint64_t{1} << (prn & 63);
  }
  const int walked = record.WalkedSats();
  for (int i = 0; i < kSatsInViewMax; ++i) {
    SatInView& e = record.SatsInView[i];
    if (i >= walked) {
      e.Used = 0;
    } else if (e.Prn > 0 && e.Prn < 256) {
      e.Used = (usedBits[e.Prn >> 6] >> (e.Prn & 63)) & 1;
    } else {
      e.Used = 0;
      for (int k = 0; k < usedCount; ++k) {
        if (record.UsedPrns[k] == e.Prn) {
          e.Used = 1;
          break;
        }
      }
    }
  }
}

}  // namespace vantrel
