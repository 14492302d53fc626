#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "link/Framing.h"
#include "nmea/Decoders.h"
#include "tests/nmea/SentenceText.h"

// Counts allocations while a test asks for it: the read loop must not
// allocate.
static std::atomic<bool> gCountAllocations{false};
static std::atomic<int> gAllocations{0};

// g++ pairs the inlined malloc below with the sized delete and warns; the
// pair is right, as both sides go through malloc and free.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (gCountAllocations) ++gAllocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace vantrel {
namespace {

using test::WithChecksum;

struct Piece {
  PieceKind kind;
  bool checksumOk;
  uint64_t offset;
  std::string text;
  bool operator==(const Piece&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Piece& p) {
  return os << PieceKindName(p.kind) << (p.checksumOk ? " ok @" : " bad @") << p.offset << " \"" << p.text << '"';
}

class Recorder : public IDispatchHandler {
 public:
  void OnReply(const char* s, size_t len) override { replies.emplace_back(s, len); }
  void OnPiece(const PieceInfo& info, const char* s, size_t len) override {
    EXPECT_EQ(s[len], '\0');
    pieces.push_back({info.kind, info.checksumOk, info.offset, std::string(s, len)});
  }
  std::vector<std::string> replies;
  std::vector<Piece> pieces;
};

// One reader: the framing, its record and what the dispatcher reported.
struct Reader {
  StreamFraming framing;
  ReceiverRecord record;
  Recorder seen;

  // One read cycle per chunk; returns WorkText as the monitor would see it.
  std::string Cycle(const std::string& chunk) {
    EXPECT_EQ(framing.AppendChunk(chunk.data(), chunk.size()), chunk.size());
    std::string work(framing.WorkText, framing.WorkLength);
    DispatchWorkText(framing, record, seen);
    MarkUsedSatellites(record);
    return work;
  }
  void Feed(const std::string& stream, size_t chunkSize) {
    for (size_t at = 0; at < stream.size(); at += chunkSize) Cycle(stream.substr(at, chunkSize));
  }
  void Finish() {
    framing.FlushCarry();
    DispatchWorkText(framing, record, seen);
    MarkUsedSatellites(record);
  }
  std::string Carry() const { return std::string(framing.CarryText, framing.CarryLength); }
};

const std::string kGGA = WithChecksum("GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,55.2,M,,");
const std::string kRMC = WithChecksum("GPRMC,092751.000,A,5321.6802,N,00630.3372,W,0.02,31.66,280511,,,A");
const std::string kGSA = WithChecksum("GPGSA,A,3,10,07,05,02,29,04,08,13,,,,,1.72,1.03,1.38");
const std::string kZDA = WithChecksum("GPZDA,092752.000,28,05,2011,,");

TEST(Framing, WorkedExample) {
  Reader reader;
  EXPECT_EQ(reader.Cycle(kGGA + "\r\n$GPRM"), kGGA + "\r\n");
  EXPECT_EQ(reader.Carry(), "$GPRM");
  EXPECT_EQ(reader.record.UtcSecond, 50.0f);

  const std::string rest = kRMC.substr(5) + "\r\n" + kGSA.substr(0, 12);
  EXPECT_EQ(reader.Cycle(rest), kRMC + "\r\n");
  EXPECT_EQ(reader.Carry(), kGSA.substr(0, 12));
  EXPECT_EQ(reader.record.UtcSecond, 51.0f);
  EXPECT_EQ(reader.record.UtcYear, 2011);
  ASSERT_EQ(reader.seen.pieces.size(), 2u);
  EXPECT_EQ(reader.seen.pieces[1], (Piece{PieceKind::RMC, true, kGGA.size() + 2, kRMC}));
}

TEST(Framing, AnyChunkingGivesTheSamePiecesAndRecord) {
  std::string stream = "noise before the first sentence\r\n";
  for (int second = 0; second < 5; ++second)
    for (const std::string* s : {&kGGA, &kRMC, &kGSA, &kZDA}) stream += *s + "\r\n";
  stream += WithChecksum("PQOLCHN,10451,07432") + "\r\n" + WithChecksum("PQOL001,314,3") + "\r\n";

  Reader whole;
  whole.Feed(stream, kChunkMax);
  whole.Finish();
  ASSERT_EQ(whole.seen.pieces.size(), 23u);
  EXPECT_EQ(whole.seen.pieces.front(), (Piece{PieceKind::Ignored, false, 0, "noise before the first sentence"}));
  EXPECT_EQ(whole.seen.replies, std::vector<std::string>{WithChecksum("PQOL001,314,3")});
  // Offsets point at the sentences in the stream.
  for (const Piece& p : whole.seen.pieces) EXPECT_EQ(stream.compare(p.offset, p.text.size(), p.text), 0) << p;

  // Text outside sentences is handed on as it arrives, so only the
  // sentences are compared.
  auto sentences = [](const std::vector<Piece>& pieces) {
    std::vector<Piece> out;
    for (const Piece& p : pieces)
      if (p.kind != PieceKind::Ignored) out.push_back(p);
    return out;
  };
  for (size_t size : {1, 2, 3, 5, 7, 13, 64, 99}) {
    SCOPED_TRACE(size);
    Reader chunked;
    chunked.Feed(stream, size);
    chunked.Finish();
    EXPECT_EQ(sentences(chunked.seen.pieces), sentences(whole.seen.pieces));
    EXPECT_EQ(chunked.record, whole.record);
  }
}

TEST(Framing, LastSentenceWaitsForTheNextStart) {
  Reader reader;
  reader.Cycle(kGGA + "\r\n");
  EXPECT_TRUE(reader.seen.pieces.empty());
  EXPECT_EQ(reader.Carry(), kGGA + "\r\n");
  reader.Cycle(kZDA.substr(0, 3));
  ASSERT_EQ(reader.seen.pieces.size(), 1u);
  EXPECT_EQ(reader.seen.pieces[0].kind, PieceKind::GGA);
}

TEST(Framing, LongTailWithoutStartIsDropped) {
  Reader reader;
  const std::string junk(3800, 'x');
  reader.Feed("$GPGGA," + junk, kChunkMax);
  EXPECT_LE(reader.framing.CarryLength, kCarryDropLength + kChunkMax);
  reader.Cycle("tail\r\n" + kZDA + "\r\n");
  reader.Finish();
  ASSERT_GE(reader.seen.pieces.size(), 2u);
  const Piece& last = reader.seen.pieces.back();
  EXPECT_EQ(last.kind, PieceKind::ZDA);
  EXPECT_EQ(last.offset, 7 + junk.size() + 6);
  EXPECT_EQ(reader.record.UtcYear, 2011);
  for (const Piece& p : reader.seen.pieces) EXPECT_NE(p.text.substr(0, 7), "$GPGGA,") << "dropped tail came back";
}

TEST(Framing, ZeroByteSeparatesInsteadOfHidingTheRest) {
  Reader reader;
  const std::string first = WithChecksum("GPZDA,010203,01,02,2003,,");
  std::string chunk = first + '\0' + kZDA + "\r\n$GP";
  const std::string work = reader.Cycle(chunk);
  EXPECT_EQ(work, first + "\n" + kZDA + "\r\n");  // still one C string for the monitor
  ASSERT_EQ(reader.seen.pieces.size(), 2u);
  EXPECT_EQ(reader.seen.pieces[1], (Piece{PieceKind::ZDA, true, first.size() + 1, kZDA}));
  EXPECT_EQ(reader.record.UtcYear, 2011);
}

TEST(Framing, SentenceStartSplitAcrossReadsIsKept) {
  const std::string reply = WithChecksum("PQOL001,314,3");
  struct {
    const char* name;
    std::string first, second;
    PieceKind kind;
  } const cases[] = {
      {"$", "$", kZDA.substr(1), PieceKind::ZDA},
      {"$G", "$G", kZDA.substr(2), PieceKind::ZDA},
      {"$P", "$P", reply.substr(2), PieceKind::Reply},
      {"$PQ", "$PQ", reply.substr(3), PieceKind::Reply},
      {"$PQO", "$PQO", reply.substr(4), PieceKind::Reply},
      {"after noise", "noise\r\n$PQO", reply.substr(4), PieceKind::Reply},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reader reader;
    reader.Cycle(c.first);
    reader.Cycle(c.second + "\r\n");
    reader.Cycle("$GP");
    ASSERT_FALSE(reader.seen.pieces.empty());
    EXPECT_EQ(reader.seen.pieces.back().kind, c.kind);
    EXPECT_EQ(reader.seen.pieces.back().offset, c.first.find('$'));
  }
}

TEST(Framing, FalseSplitStartIsNotRepeated) {
  Reader reader;
  reader.Cycle("$G");
  reader.Cycle("arbage\r\n");
  reader.Cycle(kZDA + "\r\n");
  reader.Finish();
  ASSERT_EQ(reader.seen.pieces.size(), 2u);
  EXPECT_EQ(reader.seen.pieces[0], (Piece{PieceKind::Ignored, false, 0, "$Garbage"}));
  EXPECT_EQ(reader.seen.pieces[1], (Piece{PieceKind::ZDA, true, 10, kZDA}));
}

TEST(Framing, TakesOneChunkPerCycle) {
  StreamFraming framing;
  const std::string big(250, 'a');
  EXPECT_EQ(framing.AppendChunk(big.data(), big.size()), kChunkMax);
  EXPECT_EQ(framing.StreamLength, kChunkMax);
}

TEST(Framing, ReadLoopDoesNotAllocate) {
  std::string stream;
  for (int i = 0; i < 20; ++i) stream += kGGA + "\r\n" + kRMC + "\r\n" + kGSA + "\r\n" + kZDA + "\r\n";
  stream += WithChecksum("PQOLCHN,10451") + "\r\n" + WithChecksum("PQOL001,314,3") + "\r\n$GP";
  struct : IDispatchHandler {
    void OnReply(const char*, size_t) override {}
  } quiet;
  auto framing = std::make_unique<StreamFraming>();
  ReceiverRecord record;
  gAllocations = 0;
  gCountAllocations = true;
  for (size_t at = 0; at < stream.size(); at += 37) {
    framing->AppendChunk(stream.data() + at, std::min<size_t>(37, stream.size() - at));
    DispatchWorkText(*framing, record, quiet);
    MarkUsedSatellites(record);
  }
  gCountAllocations = false;
  EXPECT_EQ(gAllocations, 0);
  EXPECT_EQ(record.UtcYear, 2011);
}

TEST(Dispatch, ChoosesTheDecoderByPrefix) {
  struct {
    std::string piece;
    PieceKind kind;
    bool checksumOk;
  } const cases[] = {
      {WithChecksum("PQOLCHN,10451"), PieceKind::ChannelStatus, true},
      {WithChecksum("PQOL001,314,3"), PieceKind::Reply, true},
      {"$PQOL001,314,3*00", PieceKind::Reply, false},
      {WithChecksum("GPTXT,01,01,02,hello"), PieceKind::Ignored, false},
      {WithChecksum("GNGGA,,,,,,1,"), PieceKind::Ignored, false},
      {WithChecksum("GPGGA,"), PieceKind::Ignored, false},  // 10 characters: too short
      {WithChecksum("GPGGA,1"), PieceKind::GGA, true},      // 11 characters
      {"$GPGGA,,,,,,1,,,,,,,,*00", PieceKind::GGA, false},
      {"hello", PieceKind::Ignored, false},
  };
  for (const auto& c : cases) {
    Reader reader;
    reader.Cycle("\r\n\r\n" + c.piece + "\r\n\n\r$GP");
    ASSERT_EQ(reader.seen.pieces.size(), 1u) << c.piece;
    EXPECT_EQ(reader.seen.pieces[0], (Piece{c.kind, c.checksumOk, 4, c.piece}));
    EXPECT_EQ(reader.seen.replies.size(), c.kind == PieceKind::Reply ? 1u : 0u) << c.piece;
  }
}

TEST(Dispatch, ChannelStatusIsDecodedHere) {
  Reader reader;
  reader.Cycle(WithChecksum("PQOLCHN,10451,07432") + "\r\n$GP");
  EXPECT_EQ(reader.record.ChannelsUpdated, 1);
  EXPECT_EQ(reader.record.Channels[1], (Channel{7, 43, 2}));
  EXPECT_TRUE(reader.seen.replies.empty());
}

TEST(MarkUsedSatellites, Table) {
  struct {
    const char* name;
    int count;
    std::vector<int> used;
    std::vector<int> marked;  // indices of the entries marked
  } const cases[] = {
      {"plain", 4, {12, 3}, {2, 3}},
      {"zero ends the list", 4, {12, 0, 3}, {3}},
      {"negative ends the list", 4, {-1, 12}, {}},
      {"entries past the count are cleared", 2, {1, 2, 3, 12}, {0, 1}},
      {"count above the table stops at 20", 35, {1, 20}, {0, 19}},
      {"negative count marks nothing", -5, {1}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ReceiverRecord r;
    for (int i = 0; i < kSatsInViewMax; ++i) r.SatsInView[i] = {i + 1, 0, 0, 0, 1};
    r.SatsInView[3].Prn = 12;
    r.SatsInViewCount = c.count;
    for (size_t k = 0; k < c.used.size(); ++k) r.UsedPrns[k] = c.used[k];
    MarkUsedSatellites(r);
    std::vector<int> marked;
    for (int i = 0; i < kSatsInViewMax; ++i)
      if (r.SatsInView[i].Used) marked.push_back(i);
    EXPECT_EQ(marked, c.marked);
  }
}

}  // namespace
}  // namespace vantrel
