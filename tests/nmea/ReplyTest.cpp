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

struct Decoded {
  ReplyResult result;
  ReceiverRecord record;
  int32_t acked = 0;
  int32_t failed = 0;
};

Decoded Decode(const std::string& sentence, ReceiverRecord record = {}) {
  AckSlots acks;
  Decoded d;
  d.result = DecodeReply(record, sentence.data(), sentence.size(), acks);
  d.record = record;
  d.acked = acks.AckedCommand.load();
  d.failed = acks.FailedCommand.load();
  return d;
}

TEST(DecodeReply, AcknowledgementsGoToTheirSlotByFlag) {
  struct Case {
    const char* body;
    int32_t acked, failed;
  } cases[] = {
      {"$PQOL001,314,3", 314, 0},
      {"$PQOL001,314,2", 0, 314},
      {"$PQOL001,314,1", 0, 0},
      {"$PQOL001,314,0", 0, 0},
      {"$PQOL001,-1,3", -1, 0},  // receiver fault
      {"$PQOL001,101,3", 101, 0},
      {"$PQOL001,101,2", 0, 101},
      {"$PQOL001,,3", 0, 0},       // empty command field reads 0
      {"$PQOL001,314", 0, 0},      // no flag field: ignored
      {"$PQOL001", 0, 0},          // no fields at all
      {"$PQOL001,251,2,9", 0, 251},
  };
  for (const Case& c : cases) {
    const Decoded d = Decode(Signed(c.body));
    EXPECT_EQ(d.acked, c.acked) << c.body;
    EXPECT_EQ(d.failed, c.failed) << c.body;
    EXPECT_EQ(d.result, ReplyResult{}) << c.body;
    EXPECT_EQ(d.record, ReceiverRecord{}) << c.body;
  }
}

TEST(DecodeReply, LaterAcknowledgementReplacesAnEarlierOne) {
  ReceiverRecord record;
  AckSlots acks;
  for (const char* body : {"$PQOL001,220,3", "$PQOL001,330,3", "$PQOL001,390,2", "$PQOL001,251,2"}) {
    const std::string s = Signed(body);
    DecodeReply(record, s.data(), s.size(), acks);
  }
  EXPECT_EQ(acks.AckedCommand.load(), 330);
  EXPECT_EQ(acks.FailedCommand.load(), 251);
}

TEST(DecodeReply, WrongOrLowercaseChecksumChangesNothing) {
  // "$PQOL590,8*2A" is right; its checksum in lowercase is not.
  ASSERT_EQ(Signed("$PQOL590,8"), "$PQOL590,8*2A");
  for (const char* s : {"$PQOL001,314,3*00", "$PQOL590,8*2a", "$PQOL590,3", "$PQOL590,3*"}) {
    const Decoded d = Decode(s);
    EXPECT_EQ(d.acked, 0) << s;
    EXPECT_EQ(d.result, ReplyResult{}) << s;
    EXPECT_EQ(d.record, ReceiverRecord{}) << s;
  }
}

TEST(DecodeReply, QueryRepliesStoreAndAskForTheirUpdate) {
  struct Case {
    const char* body;
    ReplyResult result;
    void (*expect)(ReceiverRecord&);
  } cases[] = {
      {"$PQOL500,200", {ReplyUpdate::FixRate, 0}, [](ReceiverRecord& r) { r.FixRateHz = 5; }},
      {"$PQOL500,1000", {ReplyUpdate::FixRate, 0}, [](ReceiverRecord& r) { r.FixRateHz = 1; }},
      {"$PQOL500,333", {ReplyUpdate::FixRate, 0}, [](ReceiverRecord& r) { r.FixRateHz = 3; }},
      // 1000 Hz does not fit 8 bits: kept as the low byte.
      {"$PQOL500,1", {ReplyUpdate::FixRate, 0}, [](ReceiverRecord& r) { r.FixRateHz = 232; }},
      {"$PQOL500,2000", {ReplyUpdate::FixRate, 0}, [](ReceiverRecord&) {}},
      {"$PQOL519,0", {ReplyUpdate::SbasMode, 0}, [](ReceiverRecord&) {}},
      {"$PQOL519,1", {ReplyUpdate::SbasMode, 1}, [](ReceiverRecord&) {}},
      {"$PQOL530,222", {ReplyUpdate::Datum, 0}, [](ReceiverRecord& r) { r.DatumIndex = 222; }},
      {"$PQOL530,300", {ReplyUpdate::Datum, 0}, [](ReceiverRecord& r) { r.DatumIndex = 44; }},
      {"$PQOL556,0,0.0000005", {ReplyUpdate::Tcxo, 0}, [](ReceiverRecord& r) { r.TcxoPpm = 0.5f; }},
      {"$PQOL556,9,-0.0000021", {ReplyUpdate::Tcxo, 0}, [](ReceiverRecord& r) { r.TcxoPpm = -2.1f; }},
      {"$PQOL590,3", {ReplyUpdate::FlashWrites, 0}, [](ReceiverRecord& r) { r.FlashWritesLeft = 3; }},
      {"$PQOL590,", {ReplyUpdate::FlashWrites, 0}, [](ReceiverRecord& r) { r.FlashWritesLeft = 0; }},
      {"$PQOL702,1,0,4800", {ReplyUpdate::RtcmBaud, 0}, [](ReceiverRecord& r) { r.RtcmBaud = 4800; }},
      {"$PQOL702,1,0,115200", {ReplyUpdate::RtcmBaud, 0}, [](ReceiverRecord& r) { r.RtcmBaud = 115200; }},
      {"$PQOL705,QOL-1.04,2026-05-11", {ReplyUpdate::FirmwareVersion, 0},
       [](ReceiverRecord& r) {
         std::strcpy(r.VersionText1, "QOL-1.04");
         std::strcpy(r.VersionText2, "2026-05-11");
       }},
      {"$PQOL705,,B", {ReplyUpdate::FirmwareVersion, 0},
       [](ReceiverRecord& r) { std::strcpy(r.VersionText2, "B"); }},
  };
  for (const Case& c : cases) {
    ReceiverRecord expected;
    expected.FixRateHz = 0;
    c.expect(expected);
    const Decoded d = Decode(Signed(c.body));
    EXPECT_EQ(d.result, c.result) << c.body;
    EXPECT_EQ(d.record, expected) << c.body;
    EXPECT_EQ(d.acked, 0) << c.body;
  }
}

TEST(DecodeReply, LongFixIntervalKeepsTheRateButStillUpdates) {
  ReceiverRecord before;
  before.FixRateHz = 4;
  const Decoded d = Decode(Signed("$PQOL500,2000"), before);
  EXPECT_EQ(d.result.update, ReplyUpdate::FixRate);
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
    EXPECT_EQ(d.result, ReplyResult{}) << body;
    EXPECT_EQ(d.record, before) << body;
  }
}

TEST(DecodeReply, DgpsModeFollowsTheLastRtcmBaudReply) {
  ReceiverRecord rtcmOn;
  rtcmOn.RtcmBaud = 9600;
  struct Case {
    const char* body;
    int32_t rtcmBaud;
    int radio;
  } cases[] = {
      {"$PQOL501,2", 0, kRadioWAASEnable}, {"$PQOL501,2", 9600, kRadioWAASEnable},
      {"$PQOL501,1", 9600, kRadioRTCMEnable}, {"$PQOL501,1", 0, kRadioBothDisable},
      {"$PQOL501,0", 9600, kRadioBothDisable}, {"$PQOL501,7", 9600, kRadioBothDisable},
  };
  for (const Case& c : cases) {
    ReceiverRecord record;
    record.RtcmBaud = c.rtcmBaud;
    const Decoded d = Decode(Signed(c.body), record);
    EXPECT_EQ(d.result, (ReplyResult{ReplyUpdate::DgpsMode, c.radio})) << c.body << " " << c.rtcmBaud;
  }

  // RTCM input off: the baud is forgotten, no update, and mode 1 then means none.
  ReceiverRecord record;
  record.RtcmBaud = 9600;
  AckSlots acks;
  const std::string off = Signed("$PQOL702,0,0,9600");
  EXPECT_EQ(DecodeReply(record, off.data(), off.size(), acks), ReplyResult{});
  EXPECT_EQ(record.RtcmBaud, 0);
  const std::string mode = Signed("$PQOL501,1");
  EXPECT_EQ(DecodeReply(record, mode.data(), mode.size(), acks),
            (ReplyResult{ReplyUpdate::DgpsMode, kRadioBothDisable}));
}

TEST(DecodeReply, OutputRatesKeepThePayloadWithItsChecksum) {
  const std::string s = Signed("$PQOL514,1,2,3,4,5,6,0,0,0,0,0,0,0,0,0,0,0,7,8");
  const Decoded d = Decode(s);
  EXPECT_EQ(d.result.update, ReplyUpdate::OutputRates);
  EXPECT_EQ(std::string(d.record.OutputRatesText), s.substr(9));
}

TEST(DecodeReply, OverlongTextsAreCutToTheirFields) {
  const std::string v1(40, 'A'), v2(35, 'b');
  const Decoded d = Decode(Signed("$PQOL705," + v1 + "," + v2));
  EXPECT_EQ(d.result.update, ReplyUpdate::FirmwareVersion);
  EXPECT_EQ(std::string(d.record.VersionText1), std::string(29, 'A'));
  EXPECT_EQ(std::string(d.record.VersionText2), std::string(29, 'b'));

  // A 25-character version is kept whole (longer than a numeric field).
  const std::string v25 = "QOL-ABCDEFGHIJKLMNOPQRS-1";
  EXPECT_EQ(std::string(Decode(Signed("$PQOL705," + v25 + ",x")).record.VersionText1), v25);

  // A shorter text after a longer one leaves nothing of the old one behind.
  ReceiverRecord record;
  AckSlots acks;
  const std::string first = Signed("$PQOL705," + v1 + "," + v2);
  const std::string second = Signed("$PQOL705,V2,D");
  DecodeReply(record, first.data(), first.size(), acks);
  DecodeReply(record, second.data(), second.size(), acks);
  ReceiverRecord expected;
  std::strcpy(expected.VersionText1, "V2");
  std::strcpy(expected.VersionText2, "D");
  EXPECT_EQ(record, expected);

  const std::string wide = "$PQOL514,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100";
  const Decoded rates = Decode(Signed(wide));
  EXPECT_EQ(rates.result.update, ReplyUpdate::OutputRates);
  EXPECT_EQ(std::strlen(rates.record.OutputRatesText), 74u);
  EXPECT_EQ(std::string(rates.record.OutputRatesText), Signed(wide).substr(9, 74));
}

}  // namespace
}  // namespace vantrel
