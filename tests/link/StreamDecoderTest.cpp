#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "link/StreamDecoder.h"
#include "tests/link/StreamReader.h"

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

using namespace test;  // the reader, its recorder and the sentences
using Reader = StreamReader;

TEST(StreamDecoder, ReadLoopDoesNotAllocate) {
  std::string stream;
  for (int i = 0; i < 20; ++i) stream += kGGA + "\r\n" + kRMC + "\r\n" + kGSA + "\r\n" + kZDA + "\r\n";
  stream += WithChecksum("PQOLCHN,10451") + "\r\n" + WithChecksum("PQOL001,314,3") + "\r\n$GP";
  struct : IStreamHandler {
    void OnReply(const char*, size_t) override {}
  } quiet;
  auto framing = std::make_unique<StreamFraming>();
  ReceiverRecord record;
  StreamDecoder decoder(*framing, record, quiet);
  gAllocations = 0;
  gCountAllocations = true;
  for (size_t at = 0; at < stream.size(); at += 37) decoder.Feed(stream.data() + at, std::min<size_t>(37, stream.size() - at));
  decoder.Finish();
  gCountAllocations = false;
  EXPECT_EQ(gAllocations, 0);
  EXPECT_EQ(record.UtcYear, 2011);
}

TEST(StreamDecoder, TakesOneChunkPerFeed) {
  auto reader = std::make_unique<Reader>();
  std::string stream;
  for (int i = 0; i < 5; ++i) stream += kZDA + "\r\n";
  size_t at = 0;
  int feeds = 0;
  while (at < stream.size()) {
    const size_t taken = reader->decoder.Feed(stream.data() + at, stream.size() - at);
    EXPECT_EQ(taken, std::min(kChunkMax, stream.size() - at));
    at += taken;
    ++feeds;
  }
  EXPECT_EQ(feeds, static_cast<int>((stream.size() + kChunkMax - 1) / kChunkMax));
  EXPECT_EQ(reader->seen.cycles, feeds);
  reader->Finish();
  EXPECT_EQ(reader->seen.pieces.size(), 5u);
}

TEST(StreamDecoder, ReportsEveryCycleTextAndFinishesWithTheWaitingSentence) {
  auto reader = std::make_unique<Reader>();
  EXPECT_EQ(reader->Cycle(kZDA.substr(0, 10)), "");  // an empty text is reported too
  EXPECT_EQ(reader->seen.cycles, 1);
  EXPECT_EQ(reader->Cycle(kZDA.substr(10) + "\r\n" + kGGA), kZDA + "\r\n");
  EXPECT_EQ(reader->record.UtcYear, 2011);
  EXPECT_EQ(reader->record.FixQuality, 0);  // the GGA waits for a successor
  reader->Finish();
  EXPECT_EQ(reader->seen.cycleText, kGGA);
  EXPECT_EQ(reader->seen.cycles, 3);
  EXPECT_EQ(reader->record.FixQuality, 1);
  EXPECT_EQ(reader->Carry(), "");
}

// A recording stopped while the module talked ends inside a sentence: that
// head is dropped, not decoded as a checksum failure. A last sentence that
// lacks only its line end, or has one, is read as always.
TEST(StreamDecoder, FinishRecordingDropsOnlyASentenceTheEndCutOff) {
  const std::string wrongSum = kGGA.substr(0, kGGA.size() - 2) + "00";
  const struct {
    std::string tail;
    bool cut;
    size_t pieces;  // after the complete ZDA before it
  } cases[] = {
      {kGGA.substr(0, 30), true, 0},
      {kGGA.substr(0, kGGA.size() - 1), true, 0},  // one checksum digit short
      {kGGA, false, 1},  // everything but the line end
      {kGGA + "\r", false, 1},
      {wrongSum, true, 0},  // no line end: as likely cut as corrupt
      {wrongSum + "\r\n", false, 1},  // a real checksum failure
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tail);
    auto reader = std::make_unique<Reader>();
    reader->Feed(kZDA + "\r\n" + c.tail, 37);
    EXPECT_EQ(reader->decoder.FinishRecording(), c.cut);
    ASSERT_EQ(reader->seen.pieces.size(), 1 + c.pieces);
    EXPECT_EQ(reader->Carry(), "");
  }
}

TEST(StreamDecoder, MarksTheUsedSatellitesAfterEveryCycle) {
  auto reader = std::make_unique<Reader>();
  const std::string gsv = WithChecksum("GPGSV,1,1,03,07,61,098,15,05,59,290,20,30,10,100,");
  reader->Cycle(gsv + "\r\n$GP");
  EXPECT_EQ(reader->record.SatsInView[0].Used, 0);
  reader->Cycle(kGSA.substr(3) + "\r\n$GP");
  EXPECT_EQ(reader->record.SatsInView[0].Used, 1);  // 7 is in the GSA
  EXPECT_EQ(reader->record.SatsInView[1].Used, 1);  // 5 too
  EXPECT_EQ(reader->record.SatsInView[2].Used, 0);  // 30 is not
  reader->Cycle(WithChecksum("GPGSA,A,1,,,,,,,,,,,,,,,").substr(3) + "\r\n$GP");  // "$GP" came last time
  EXPECT_EQ(reader->record.SatsInView[0].Used, 0);
  EXPECT_EQ(reader->record.SatsInView[1].Used, 0);
}

}  // namespace
}  // namespace vantrel
