// The reader's pipeline on arbitrary bytes cut at arbitrary chunk
// boundaries: framing, dispatch, every decoder, used marking. Besides the
// sanitizers it checks what the framing promises: buffers stay in bounds,
// the tail waits from a sentence start, and every piece is the stream's own
// bytes at the offset reported for it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "link/StreamDecoder.h"

namespace {

using namespace vantrel;

void Check(bool ok, const char* what) {
  if (!ok) {
    __builtin_printf("broken: %s\n", what);
    std::abort();
  }
}

struct Checker : IStreamHandler {
  const uint8_t* stream = nullptr;
  size_t streamLength = 0;
  uint64_t lastOffset = 0;
  bool any = false;

  size_t cycleLength = 0;

  void OnCycleText(const char* text, size_t len) override {
    Check(std::strlen(text) == len, "the cycle's text is one C string");
    cycleLength = len;
  }
  void OnReply(const char* s, size_t len) override {
    Check(len >= 5 && std::memcmp(s, "$PQOL", 5) == 0, "reply piece starts with $PQOL");
  }
  void OnPiece(const PieceInfo& info, const char* s, size_t len) override {
    Check(s[len] == '\0', "piece is zero-terminated");
    Check(len > 0, "no empty pieces");
    Check(!any || info.offset > lastOffset, "pieces in stream order");
    Check(info.offset + len <= streamLength, "piece inside the stream");
    for (size_t i = 0; i < len; ++i) {
      const char original = static_cast<char>(stream[info.offset + i]);
      Check(s[i] == original && s[i] != '\r' && s[i] != '\n', "piece holds the stream's bytes");
    }
    lastOffset = info.offset;
    any = true;
  }
};

bool IsStartPrefix(const char* text, size_t len) {
  if (len >= 3 && std::memcmp(text, "$GP", 3) == 0) return true;
  if (len >= 5 && std::memcmp(text, "$PQOL", 5) == 0) return true;
  // A start split by the read waits whole: "$", "$G", "$P", "$PQ", "$PQO".
  return len <= 4 && (std::memcmp(text, "$PQOL", len) == 0 || (len <= 2 && std::memcmp(text, "$GP", len) == 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte seeds the chunk sizes; the rest is the stream.
  uint32_t seed = data[0] * 2654435761u + 1;
  const uint8_t* stream = data + 1;
  const size_t length = size - 1;

  static StreamFraming framing;
  framing.Clear();
  ReceiverRecord record;
  Checker checker;
  checker.stream = stream;
  checker.streamLength = length;
  StreamDecoder decoder(framing, record, checker);

  size_t at = 0;
  while (at < length) {
    seed = seed * 1103515245u + 12345u;
    const size_t want = 1 + (seed >> 16) % kChunkMax;
    const size_t n = want < length - at ? want : length - at;
    Check(decoder.Feed(reinterpret_cast<const char*>(stream + at), n) == n, "chunk taken whole");
    at += n;
    Check(checker.cycleLength + framing.CarryLength < kStreamTextSize, "texts fit their buffers");
    Check(framing.CarryLength <= kCarryDropLength + kChunkMax, "tail bounded");
    Check(framing.CarryLength == 0 || IsStartPrefix(framing.CarryText, framing.CarryLength), "tail starts a sentence");
    Check(framing.CarryOffset + framing.CarryLength == framing.StreamLength, "tail ends the stream");
  }
  decoder.Finish();
  return 0;
}
