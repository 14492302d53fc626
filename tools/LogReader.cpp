#include "tools/LogReader.h"

#include <cstring>
#include <memory>

#include "link/StreamDecoder.h"
#include "nmea/Fields.h"
#include "evaluation/Json.h"

namespace vantrel::logtool {

using evaluation::JsonWriter;

namespace {

// Bytes the line counter must still see: a piece starts at most one carry
// (kCarryDropLength) and one chunk before the end of what was read.
constexpr size_t kRingSize = 8192;
static_assert(kRingSize > kCarryDropLength + 2 * kChunkMax);

// Line numbers of stream offsets, counted from a window of the latest bytes.
class LineCounter {
 public:
  void Take(const char* chunk, size_t n) {
    for (size_t i = 0; i < n; ++i) ring_[(end_ + i) % kRingSize] = chunk[i];
    end_ += n;
  }
  // 1-based line of `offset`; offsets never go backwards.
  uint64_t LineOf(uint64_t offset) {
    for (; cursor_ < offset && cursor_ < end_; ++cursor_)
      if (ring_[cursor_ % kRingSize] == '\n') ++line_;
    return line_;
  }

 private:
  char ring_[kRingSize] = {};
  uint64_t end_ = 0;
  uint64_t cursor_ = 0;
  uint64_t line_ = 1;
};

// An NMEA sentence of any talker or type: one the dispatch named, or one
// of another talker or type whose checksum is right. What a file without a
// single one holds is not a recording.
bool IsSentence(const PieceInfo& info, const char* s, size_t len) {
  return info.kind != PieceKind::Ignored || (len > 0 && s[0] == '$' && SentenceChecksumOk(s, len));
}

class Reporter : public IStreamHandler {
 public:
  Reporter(std::FILE* out, const ReceiverRecord& record, LineCounter& lines, Counts& counts)
      : counts_(counts), out_(out), record_(record), lines_(lines) {}

  void OnReply(const char*, size_t) override {}  // replies are counted, not decoded
  void OnPiece(const PieceInfo& info, const char* s, size_t len) override {
    if (!anySentence) anySentence = IsSentence(info, s, len);
    ++counts_.byKind[static_cast<int>(info.kind)];
    if (info.kind == PieceKind::Ignored) return;
    if (!info.checksumOk) ++counts_.checksumFailures;
    if (info.kind < PieceKind::ChannelStatus)
      WriteJsonLine(out_, lines_.LineOf(info.offset), info.kind, info.checksumOk, record_);
  }

  bool anySentence = false;

 private:
  Counts& counts_;
  std::FILE* out_;
  const ReceiverRecord& record_;
  LineCounter& lines_;
};

// Hands every piece to the epoch model.
class EpochReporter : public IStreamHandler {
 public:
  explicit EpochReporter(evaluation::EpochModel& model) : model_(model) {}

  void OnReply(const char*, size_t) override {}
  void OnPiece(const PieceInfo& info, const char* s, size_t len) override {
    if (!anySentence) anySentence = IsSentence(info, s, len) || (len > 0 && s[0] == '$' && ReadChecksumCase(s, len) != ChecksumCase::Wrong);
    // The dispatch has tested the checksum of a sentence it knows.
    model_.Sentence(s, len, info.kind != PieceKind::Ignored && info.checksumOk);
  }

  bool anySentence = false;

 private:
  evaluation::EpochModel& model_;
};

// The reading loop: chunks of at most kChunkMax bytes into the decoder,
// each shown to `onChunk` first, and the waiting sentence decoded at the end
// unless the end of the input cut it off: a log stopped while the module
// talked ends in the middle of a sentence, which is no checksum failure.
template <typename OnChunk>
void FeedAll(LogInput& in, StreamDecoder& decoder, ReadResult& result, OnChunk onChunk) {
  char chunk[kChunkMax];
  for (;;) {
    const size_t n = in.Read(chunk, sizeof chunk);
    if (n == 0) break;
    onChunk(chunk, n);
    decoder.Feed(chunk, n);
  }
  result.cutAtEnd = decoder.FinishRecording();
  result.readOk = !in.Failed();
}

// The framing and the record are large: made once, before the loop, which
// then allocates nothing.
struct DecoderState {
  StreamFraming framing;
  ReceiverRecord record;
};

}  // namespace

void WriteJsonLine(std::FILE* out, uint64_t line, PieceKind kind, bool checksumOk, const ReceiverRecord& r) {
  JsonWriter j(out);
  j.Open('{');
  j.Int("line", static_cast<long long>(line));
  j.String("type", PieceKindName(kind));
  j.Bool("checksum_ok", checksumOk);
  j.Key("record");
  j.Open('{');
  j.Int("UtcYear", r.UtcYear);
  j.Int("UtcMonth", r.UtcMonth);
  j.Int("UtcDay", r.UtcDay);
  j.Int("UtcHour", r.UtcHour);
  j.Int("UtcMinute", r.UtcMinute);
  j.Float("UtcSecond", r.UtcSecond);
  j.Float("Latitude", r.Latitude);
  j.Float("Longitude", r.Longitude);
  j.Float("Altitude", r.Altitude);
  j.Int("FixQuality", r.FixQuality);
  j.Int("FixType", r.FixType);
  j.Float("SpeedKmh", r.SpeedKmh);
  j.Float("Course", r.Course);
  j.Float("Pdop", r.Pdop);
  j.Float("Hdop", r.Hdop);
  j.Float("Vdop", r.Vdop);
  j.Int("SatsInViewCount", r.SatsInViewCount);
  j.Key("UsedPrns");
  j.Open('[');
  for (int k = 0; k < kUsedPrnsMax && r.UsedPrns[k] != 0; ++k) {
    j.Element();
    std::fprintf(out, "%d", r.UsedPrns[k]);
  }
  j.Close(']');
  j.Key("SatsInView");
  j.Open('[');
  for (int i = 0; i < r.WalkedSats(); ++i) {
    const SatInView& e = r.SatsInView[i];
    j.Open('{');
    j.Int("Prn", e.Prn);
    j.Int("Snr", e.Snr);
    j.Int("Elevation", e.Elevation);
    j.Int("Azimuth", e.Azimuth);
    j.Int("Used", e.Used);
    j.Close('}');
  }
  j.Close(']');
  j.Close('}');
  j.Close('}');
  std::fputc('\n', out);
}

ReadResult ReadLog(LogInput& in, std::FILE* out, Counts& counts) {
  const auto state = std::make_unique<DecoderState>();
  const auto lines = std::make_unique<LineCounter>();
  Reporter reporter(out, state->record, *lines, counts);
  StreamDecoder decoder(state->framing, state->record, reporter);
  ReadResult result;
  FeedAll(in, decoder, result, [&](const char* chunk, size_t n) {
    // Nothing before the last cycle's tail can start a piece: count its
    // lines, then keep the new bytes for the pieces to come.
    lines->LineOf(decoder.framing().CarryOffset);
    lines->Take(chunk, n);
  });
  counts.cutAtEnd = result.cutAtEnd;
  result.anySentence = reporter.anySentence;
  return result;
}

ReadResult ReadEpochs(LogInput& in, evaluation::IEpochSink& sink, evaluation::SentenceTally& tally,
                      evaluation::Reads reads) {
  const auto state = std::make_unique<DecoderState>();
  evaluation::EpochModel model(sink, reads);
  EpochReporter reporter(model);
  StreamDecoder decoder(state->framing, state->record, reporter, TalkerSet::AllGnss());
  ReadResult result;
  FeedAll(in, decoder, result, [](const char*, size_t) {});
  model.Finish();
  tally = model.Tally();
  tally.cutAtEnd = result.cutAtEnd;
  result.anySentence = reporter.anySentence;
  return result;
}

}  // namespace vantrel::logtool
