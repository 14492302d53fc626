#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/Framing.h"
#include "tests/link/StreamReader.h"

namespace vantrel {
namespace {

using namespace test;  // the reader, its recorder and the sentences
using Reader = StreamReader;

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

// The receiver's last sentence before it changed rate, then only noise: the
// sentence had ended, so it is decoded when the noise is dropped.
TEST(Framing, EndedSentenceBeforeLongNoiseIsDecodedAndTheNoiseDropped) {
  Reader reader;
  const std::string noise(3800, '\xA7');
  reader.Feed(kZDA + "\r\n" + noise, kChunkMax);
  const auto sentences = [&] {
    std::vector<Piece> kept;
    for (const Piece& p : reader.seen.pieces)
      if (p.kind != PieceKind::Ignored) kept.push_back(p);
    return kept;
  };
  ASSERT_EQ(sentences().size(), 1u);
  EXPECT_EQ(sentences()[0].kind, PieceKind::ZDA);
  EXPECT_EQ(sentences()[0].offset, 0u);
  EXPECT_EQ(reader.record.UtcYear, 2011);
  EXPECT_EQ(reader.seen.cycleText.find(kZDA), std::string::npos) << "the noise's cycle repeats the sentence";
  // The stream goes on at the right offsets after the drop.
  reader.Cycle("\r\n" + kGGA + "\r\n");
  reader.Finish();
  ASSERT_EQ(sentences().size(), 2u);
  EXPECT_EQ(sentences()[1].kind, PieceKind::GGA);
  EXPECT_EQ(sentences()[1].offset, kZDA.size() + 2 + noise.size() + 2);
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

// A multi-constellation receiver: every talker starts a sentence when the
// reader accepts them all; the window's reader still frames and decodes
// "$GP" only.
TEST(Framing, EveryAcceptedTalkerStartsASentence) {
  using test::WithChecksum;
  const std::vector<std::string> sentences = {
      WithChecksum("GNGGA,101010.00,4807.0380,N,01131.0000,E,1,12,0.9,545.4,M,46.9,M,,"),
      WithChecksum("GNGSA,A,3,04,05,09,12,,,,,,,,,1.8,0.9,1.5"),
      WithChecksum("GNGSA,A,3,65,66,,,,,,,,,,,1.8,0.9,1.5"),
      WithChecksum("GPGSV,1,1,04,04,40,083,46,05,32,141,45,09,25,200,44,12,70,300,47"),
      WithChecksum("GLGSV,1,1,02,65,50,100,41,66,30,200,40"),
      WithChecksum("GAGSV,1,1,01,11,45,250,39"),
      WithChecksum("GBGSV,1,1,01,21,33,120,37"),
      WithChecksum("GNRMC,101010.00,A,4807.0380,N,01131.0000,E,0.02,31.66,080426,,,A"),
  };
  std::string stream;
  for (const std::string& s : sentences) stream += s + "\r\n";

  for (size_t size : {1, 2, 3, 7, 31, 64, 100}) {
    SCOPED_TRACE(size);
    StreamReader all(TalkerSet::AllGnss());
    all.Feed(stream, size);
    all.Finish();
    ASSERT_EQ(all.seen.pieces.size(), sentences.size());
    for (size_t i = 0; i < sentences.size(); ++i) {
      EXPECT_EQ(all.seen.pieces[i].text, sentences[i]);
      EXPECT_TRUE(all.seen.pieces[i].checksumOk) << sentences[i];
      EXPECT_EQ(TalkerName(all.seen.talkers[i]), sentences[i].substr(1, 2));
    }
    EXPECT_EQ(all.record.Latitude, static_cast<float>(48 + 7.038 / 60));
    EXPECT_EQ(all.record.UtcYear, 2026);

    StreamReader gps;
    gps.Feed(stream, size);
    gps.Finish();
    for (size_t i = 0; i < gps.seen.pieces.size(); ++i) {
      const bool gpsSentence = gps.seen.pieces[i].text == sentences[3];
      EXPECT_EQ(gps.seen.pieces[i].kind, gpsSentence ? PieceKind::GSV : PieceKind::Ignored) << gps.seen.pieces[i];
    }
    EXPECT_EQ(gps.record.Latitude, 0.0f);
    EXPECT_EQ(gps.record.SatsInViewCount, 4);
  }
}

}  // namespace
}  // namespace vantrel
