#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nmea/Dispatch.h"
#include "tests/nmea/PieceRecorder.h"
#include "tests/nmea/SentenceText.h"

namespace vantrel {
namespace {

using test::WithChecksum;

using Piece = test::Piece;

struct Dispatched {
  test::PieceRecorder<> seen;
  ReceiverRecord record;
  std::string text;  // the text after the dispatch wrote its zero bytes
};

Dispatched Dispatch(std::string text, uint64_t offset = 0) {
  Dispatched d;
  DispatchSentences(text.data(), text.size(), offset, d.record, d.seen);
  d.text = text;
  return d;
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
    const Dispatched d = Dispatch("\r\n\r\n" + c.piece + "\r\n\n\r");
    ASSERT_EQ(d.seen.pieces.size(), 1u) << c.piece;
    EXPECT_EQ(d.seen.pieces[0], (Piece{c.kind, c.checksumOk, 4, c.piece}));
    EXPECT_EQ(d.seen.replies.size(), c.kind == PieceKind::Reply ? 1u : 0u) << c.piece;
  }
}

TEST(Dispatch, ChannelStatusIsDecodedHere) {
  const Dispatched d = Dispatch(WithChecksum("PQOLCHN,10451,07432") + "\r\n");
  EXPECT_EQ(d.record.ChannelsUpdated, 1);
  EXPECT_EQ(d.record.Channels[1], (Channel{7, 43, 2}));
  EXPECT_TRUE(d.seen.replies.empty());
}

TEST(Dispatch, SplitsAtRunsOfLineEndsLikeStrtok) {
  const std::string zda = WithChecksum("GPZDA,010203,04,05,2006,,");
  const std::string reply = WithChecksum("PQOL590,3");
  const Dispatched d = Dispatch("\n" + zda + "\r\r\n\n" + reply + "\rtail", 1000);
  const std::vector<Piece> expected = {
      {PieceKind::ZDA, true, 1001, zda},
      {PieceKind::Reply, true, 1001 + zda.size() + 4, reply},
      {PieceKind::Ignored, false, 1001 + zda.size() + 4 + reply.size() + 1, "tail"},
  };
  EXPECT_EQ(d.seen.pieces, expected);
  EXPECT_EQ(d.seen.replies, std::vector<std::string>{reply});
  EXPECT_EQ(d.record.UtcYear, 2006);
  // The first separator after each piece became a zero byte, the rest stay.
  EXPECT_EQ(d.text, "\n" + zda + '\0' + "\r\n\n" + reply + '\0' + "tail");
}

TEST(Dispatch, NothingButLineEndsGivesNoPiece) {
  for (const char* text : {"", "\r", "\n\r\n\r"}) {
    const Dispatched d = Dispatch(text);
    EXPECT_TRUE(d.seen.pieces.empty()) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace vantrel
