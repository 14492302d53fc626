#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "nmea/Reply.h"

namespace vantrel {
namespace {

// "$PQOL001,314,3" -> "$PQOL001,314,3*XX" with the right checksum.
std::string Signed(const std::string& body) {
  unsigned char sum = 0;
  for (size_t i = 1; i < body.size(); ++i) sum ^= static_cast<unsigned char>(body[i]);
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", sum);
  return body + "*" + digits;
}

// A reply as the reader takes it: decoded, then stored in the record.
struct Decoded {
  Reply reply;
  bool shown = false;  // the window gets an update
  ReceiverRecord record;
};

Decoded Decode(const std::string& sentence, ReceiverRecord record = {}) {
  Decoded d;
  d.reply = DecodeReply(sentence.data(), sentence.size());
  d.shown = StoreReply(record, d.reply);
  d.record = record;
  return d;
}

Reply Number(ReplyKind kind, long number) {
  Reply r;
  r.kind = kind;
  r.number = number;
  return r;
}

TEST(DecodeReply, AcknowledgementsCarryCommandAndFlag) {
  struct Case {
    const char* body;
    ReplyKind kind;
    int32_t command, flag;
  } cases[] = {
      {"$PQOL001,314,3", ReplyKind::Ack, 314, 3},
      {"$PQOL001,314,2", ReplyKind::Ack, 314, 2},
      {"$PQOL001,314,0", ReplyKind::Ack, 314, 0},
      {"$PQOL001,-1,3", ReplyKind::Ack, -1, 3},  // receiver fault
      {"$PQOL001,,3", ReplyKind::Ack, 0, 3},     // empty command field reads 0
      {"$PQOL001,251,2,9", ReplyKind::Ack, 251, 2},
      {"$PQOL001,99999999999,3", ReplyKind::Ack, INT32_MAX, 3},  // saturated, not wrapped
      {"$PQOL001,314", ReplyKind::None, 0, 0},  // no flag field: ignored
      {"$PQOL001", ReplyKind::None, 0, 0},      // no fields at all
  };
  for (const Case& c : cases) {
    const Decoded d = Decode(Signed(c.body));
    EXPECT_EQ(d.reply.kind, c.kind) << c.body;
    EXPECT_EQ(d.reply.command, c.command) << c.body;
    EXPECT_EQ(d.reply.flag, c.flag) << c.body;
    EXPECT_FALSE(d.shown) << c.body;
    EXPECT_EQ(d.record, ReceiverRecord{}) << c.body;
  }
}

TEST(DecodeReply, WrongOrLowercaseChecksumChangesNothing) {
  // "$PQOL590,8*2A" is right; its checksum in lowercase is not.
  ASSERT_EQ(Signed("$PQOL590,8"), "$PQOL590,8*2A");
  for (const char* s : {"$PQOL001,314,3*00", "$PQOL590,8*2a", "$PQOL590,3", "$PQOL590,3*"}) {
    const Decoded d = Decode(s);
    EXPECT_EQ(d.reply, Reply{}) << s;
    EXPECT_EQ(d.record, ReceiverRecord{}) << s;
  }
}

TEST(DecodeReply, QueryRepliesStoreAndAskForTheirUpdate) {
  struct Case {
    const char* body;
    ReplyKind kind;
    void (*expect)(ReceiverRecord&);
  } cases[] = {
      {"$PQOL500,200", ReplyKind::FixRate, [](ReceiverRecord& r) { r.FixRateHz = 5; }},
      {"$PQOL500,1000", ReplyKind::FixRate, [](ReceiverRecord& r) { r.FixRateHz = 1; }},
      {"$PQOL500,333", ReplyKind::FixRate, [](ReceiverRecord& r) { r.FixRateHz = 3; }},
      // 1000 Hz does not fit 8 bits: kept as the low byte.
      {"$PQOL500,1", ReplyKind::FixRate, [](ReceiverRecord& r) { r.FixRateHz = 232; }},
      {"$PQOL500,2000", ReplyKind::FixRate, [](ReceiverRecord&) {}},
      {"$PQOL519,0", ReplyKind::SbasMode, [](ReceiverRecord&) {}},
      {"$PQOL519,1", ReplyKind::SbasMode, [](ReceiverRecord&) {}},
      {"$PQOL530,222", ReplyKind::Datum, [](ReceiverRecord& r) { r.DatumIndex = 222; }},
      {"$PQOL530,300", ReplyKind::Datum, [](ReceiverRecord& r) { r.DatumIndex = 44; }},
      {"$PQOL556,0,0.0000005", ReplyKind::Tcxo, [](ReceiverRecord& r) { r.TcxoPpm = 0.5f; }},
      {"$PQOL556,9,-0.0000021", ReplyKind::Tcxo, [](ReceiverRecord& r) { r.TcxoPpm = -2.1f; }},
      {"$PQOL590,3", ReplyKind::FlashWrites, [](ReceiverRecord& r) { r.FlashWritesLeft = 3; }},
      {"$PQOL590,", ReplyKind::FlashWrites, [](ReceiverRecord& r) { r.FlashWritesLeft = 0; }},
      {"$PQOL702,1,0,4800", ReplyKind::RtcmBaud, [](ReceiverRecord& r) { r.RtcmBaud = 4800; }},
      {"$PQOL702,1,0,115200", ReplyKind::RtcmBaud, [](ReceiverRecord& r) { r.RtcmBaud = 115200; }},
      {"$PQOL705,QOL-1.04,2026-05-11", ReplyKind::FirmwareVersion,
       [](ReceiverRecord& r) {
         std::strcpy(r.VersionText1, "QOL-1.04");
         std::strcpy(r.VersionText2, "2026-05-11");
       }},
      {"$PQOL705,,B", ReplyKind::FirmwareVersion,
       [](ReceiverRecord& r) { std::strcpy(r.VersionText2, "B"); }},
  };
  for (const Case& c : cases) {
    ReceiverRecord expected;
    expected.FixRateHz = 0;
    c.expect(expected);
    const Decoded d = Decode(Signed(c.body));
    EXPECT_EQ(d.reply.kind, c.kind) << c.body;
    EXPECT_TRUE(d.shown) << c.body;
    EXPECT_EQ(d.record, expected) << c.body;
  }
}

TEST(DecodeReply, LongFixIntervalKeepsTheRateButStillUpdates) {
  ReceiverRecord before;
  before.FixRateHz = 4;
  const Decoded d = Decode(Signed("$PQOL500,2000"), before);
  EXPECT_EQ(d.reply.kind, ReplyKind::FixRate);
  EXPECT_TRUE(d.shown);
  EXPECT_EQ(d.record.FixRateHz, 4);
}

TEST(DecodeReply, RepliesThatCannotBeReadAreIgnoredWhole) {
  ReceiverRecord before;
  before.FixRateHz = 2;
  before.DatumIndex = 7;
  before.FlashWritesLeft = 9;
  before.RtcmBaud = 9600;
  std::strcpy(before.VersionText1, "old1");
  std::strcpy(before.VersionText2, "old2");
  std::strcpy(before.OutputRatesText, "1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0*28");
  for (const char* body : {
           "$PQOL500,0",    // a zero interval is no rate
           "$PQOL500,",     // empty reads 0 as well
           "$PQOL500",      // no field
           "$PQOL501",      //
           "$PQOL519",      //
           "$PQOL530",      //
           "$PQOL556,5",    // field 2 missing
           "$PQOL590",      //
           "$PQOL705,V1",   // second text missing
           "$PQOL514,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0",  // 18 of 19 fields
           "$PQOL514",      //
           "$PQOL999,1",    // unknown reply
           "$PQOLCHN,0123", // channel status is not a reply
           "$PQOL5",        // shorter than a reply name
       }) {
    const Decoded d = Decode(Signed(body), before);
    EXPECT_FALSE(d.shown) << body;
    EXPECT_EQ(d.record, before) << body;
  }
}

TEST(DecodeReply, DgpsModeFollowsTheLastRtcmBaudReply) {
  struct Case {
    long reported;
    int32_t rtcmBaud;
    DgpsMode shown;
  } cases[] = {
      {2, 0, DgpsMode::Sbas}, {2, 9600, DgpsMode::Sbas}, {1, 9600, DgpsMode::Rtcm},
      {1, 0, DgpsMode::None}, {0, 9600, DgpsMode::None}, {7, 9600, DgpsMode::None},
  };
  for (const Case& c : cases) EXPECT_EQ(ShownDgpsMode(c.reported, c.rtcmBaud), c.shown) << c.reported;
  EXPECT_EQ(Decode(Signed("$PQOL501,1")).reply, Number(ReplyKind::DgpsMode, 1));

  // RTCM input off: the baud is forgotten, no update, and mode 1 then means none.
  ReceiverRecord record;
  record.RtcmBaud = 9600;
  const Decoded off = Decode(Signed("$PQOL702,0,0,9600"), record);
  EXPECT_EQ(off.reply.kind, ReplyKind::RtcmOff);
  EXPECT_FALSE(off.shown);
  EXPECT_EQ(off.record.RtcmBaud, 0);
  EXPECT_EQ(ShownDgpsMode(1, off.record.RtcmBaud), DgpsMode::None);
}

TEST(DecodeReply, OutputRatesKeepThePayloadWithItsChecksum) {
  const std::string s = Signed("$PQOL514,1,2,3,4,5,6,0,0,0,0,0,0,0,0,0,0,0,7,8");
  const Decoded d = Decode(s);
  EXPECT_EQ(d.reply.kind, ReplyKind::OutputRates);
  EXPECT_EQ(std::string(d.record.OutputRatesText), s.substr(9));
  const long expected[kOutputRateFields] = {1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 8};
  for (int i = 0; i < kOutputRateFields; ++i) EXPECT_EQ(d.reply.rates[i], expected[i]) << i;

  // Numbers are read whole, beyond 32 bits too: the window decides what is a row.
  const Decoded wide = Decode(Signed("$PQOL514,4294967297,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,"));
  EXPECT_EQ(wide.reply.rates[0], 4294967297L);
  EXPECT_EQ(wide.reply.rates[18], 0);
}

TEST(DecodeReply, OverlongTextsAreCutToTheirFields) {
  const std::string v1(40, 'A'), v2(35, 'b');
  const Decoded d = Decode(Signed("$PQOL705," + v1 + "," + v2));
  EXPECT_EQ(d.reply.kind, ReplyKind::FirmwareVersion);
  EXPECT_EQ(std::string(d.record.VersionText1), std::string(29, 'A'));
  EXPECT_EQ(std::string(d.record.VersionText2), std::string(29, 'b'));

  // A 25-character version is kept whole (longer than a numeric field).
  const std::string v25 = "QOL-ABCDEFGHIJKLMNOPQRS-1";
  EXPECT_EQ(std::string(Decode(Signed("$PQOL705," + v25 + ",x")).record.VersionText1), v25);

  // A shorter text after a longer one leaves nothing of the old one behind.
  const ReceiverRecord afterFirst = Decode(Signed("$PQOL705," + v1 + "," + v2)).record;
  ReceiverRecord expected;
  std::strcpy(expected.VersionText1, "V2");
  std::strcpy(expected.VersionText2, "D");
  EXPECT_EQ(Decode(Signed("$PQOL705,V2,D"), afterFirst).record, expected);

  const std::string wide = "$PQOL514,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100";
  const Decoded rates = Decode(Signed(wide));
  EXPECT_EQ(rates.reply.kind, ReplyKind::OutputRates);
  EXPECT_EQ(std::strlen(rates.record.OutputRatesText), 74u);
  EXPECT_EQ(std::string(rates.record.OutputRatesText), Signed(wide).substr(9, 74));
}

}  // namespace
}  // namespace vantrel
