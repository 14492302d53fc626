#include "tools/LogReader.h"

#include <charconv>  // to_chars: shortest text that reads back as the same float
#include <cmath>     // isfinite
#include <cstring>
#include <memory>

#include "link/StreamDecoder.h"

namespace vantrel::logtool {

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

class Reporter : public IStreamHandler {
 public:
  Reporter(std::FILE* out, Mode mode, const ReceiverRecord& record, LineCounter& lines)
      : out_(out), mode_(mode), record_(record), lines_(lines) {}

  void OnReply(const char*, size_t) override {}  // replies are counted, not decoded
  void OnPiece(const PieceInfo& info, const char*, size_t) override {
    ++counts.byKind[static_cast<int>(info.kind)];
    if (info.kind == PieceKind::Ignored) return;
    if (!info.checksumOk) ++counts.checksumFailures;
    if (mode_ == Mode::Json && info.kind < PieceKind::ChannelStatus)
      WriteJsonLine(out_, lines_.LineOf(info.offset), info.kind, info.checksumOk, record_);
  }

  Counts counts;

 private:
  std::FILE* out_;
  Mode mode_;
  const ReceiverRecord& record_;
  LineCounter& lines_;
};

class JsonWriter {
 public:
  explicit JsonWriter(std::FILE* out) : out_(out) {}
  void Raw(const char* text) { std::fputs(text, out_); }
  void Key(const char* name) {
    Separate();
    std::fprintf(out_, "\"%s\": ", name);
    first_ = true;  // the value follows without a comma
  }
  void String(const char* name, const char* v) {  // v needs no escaping
    Key(name);
    std::fprintf(out_, "\"%s\"", v);
    first_ = false;
  }
  void Bool(const char* name, bool v) {
    Key(name);
    Raw(v ? "true" : "false");
    first_ = false;
  }
  void Int(const char* name, long long v) {
    Key(name);
    std::fprintf(out_, "%lld", v);
    first_ = false;
  }
  void Float(const char* name, float v) {
    Key(name);
    if (!std::isfinite(v)) {
      Raw("null");  // JSON has no NaN or infinity
    } else {
      char text[32];
      const auto r = std::to_chars(text, text + sizeof text - 1, v);
      *r.ptr = '\0';
      Raw(text);
    }
    first_ = false;
  }
  void Open(char bracket) {
    Separate();
    std::fputc(bracket, out_);
    first_ = true;
  }
  void Close(char bracket) {
    std::fputc(bracket, out_);
    first_ = false;
  }
  void Element() { Separate(); }

 private:
  void Separate() {
    if (!first_) std::fputs(", ", out_);
    first_ = false;
  }
  std::FILE* out_;
  bool first_ = true;
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

void WriteCounts(std::FILE* out, const Counts& c) {
  for (int k = 0; k < kPieceKinds; ++k) {
    const auto kind = static_cast<PieceKind>(k);
    if (kind == PieceKind::Ignored) continue;
    std::fprintf(out, "%-18s %llu\n", PieceKindName(kind), static_cast<unsigned long long>(c.byKind[k]));
  }
  std::fprintf(out, "%-18s %llu\n", "checksum failures", static_cast<unsigned long long>(c.checksumFailures));
  std::fprintf(out, "%-18s %llu\n", "ignored pieces",
               static_cast<unsigned long long>(c.byKind[static_cast<int>(PieceKind::Ignored)]));
}

bool ReadLog(std::FILE* in, std::FILE* out, Mode mode, Counts* counts) {
  // The large buffers are made once, before the loop; the loop allocates
  // nothing.
  struct State {
    StreamFraming framing;
    LineCounter lines;
    ReceiverRecord record;
  };
  const auto state = std::make_unique<State>();
  LineCounter& lines = state->lines;
  Reporter reporter(out, mode, state->record, lines);
  StreamDecoder decoder(state->framing, state->record, reporter);

  char chunk[kChunkMax];
  bool ok = true;
  for (;;) {
    const size_t n = std::fread(chunk, 1, sizeof chunk, in);
    if (n == 0) {
      ok = !std::ferror(in);
      break;
    }
    if (mode == Mode::Json) lines.Take(chunk, n);
    decoder.Feed(chunk, n);
    // Nothing before the tail can start a piece: count its lines now.
    if (mode == Mode::Json) lines.LineOf(decoder.framing().CarryOffset);
  }
  // The sentence still waiting for a successor is decoded too.
  decoder.Finish();

  if (mode == Mode::Count) WriteCounts(out, reporter.counts);
  if (counts) *counts = reporter.counts;
  return ok;
}

}  // namespace vantrel::logtool
