#include "nmea/Dispatch.h"

#include <cstring>

namespace vantrel {

void DispatchSentences(char* text, size_t len, uint64_t offset, ReceiverRecord& record, IDispatchHandler& handler,
                       TalkerSet talkers) {
  char* const end = text + len;
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
    *stop = '\0';
    const size_t pieceLength = static_cast<size_t>(stop - p);
    PieceInfo info = DecodeSentence(record, p, pieceLength, talkers);
    info.offset = offset + static_cast<uint64_t>(p - text);
    if (info.kind == PieceKind::Reply) handler.OnReply(p, pieceLength);
    handler.OnPiece(info, p, pieceLength);
    p = stop + 1;
  }
}

}  // namespace vantrel
