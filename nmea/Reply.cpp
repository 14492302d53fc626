#include "nmea/Reply.h"

#include <cstring>  // memcmp, memchr, memcpy, memset

#include "nmea/Fields.h"

namespace vantrel {
namespace {

// Moves to the next field and reads it; false when no "," follows. An
// absent field reads as 0, like atol of an empty text.
bool ReadNext(FieldWalk& f) {
  if (!f.Next()) return false;
  f.Read();
  return true;
}

bool Named(const char* s, size_t len, const char* name) {
  return len >= 8 && std::memcmp(s, name, 8) == 0;
}

// The output-rate payload must hold all its fields.
bool HasFields(const char* from, const char* end, int count) {
  int commas = 0;
  for (const char* p = from; p < end && *p != '*'; ++p) commas += *p == ',';
  return commas >= count - 1;
}

Reply Of(ReplyKind kind, long number = 0) {
  Reply r;
  r.kind = kind;
  r.number = number;
  return r;
}

const Reply kNone{};

struct OneNumber {
  const char* name;
  ReplyKind kind;
};
constexpr OneNumber kOneNumber[] = {
    {"$PQOL500", ReplyKind::FixRate},  // fix interval in ms
    {"$PQOL501", ReplyKind::DgpsMode},
    {"$PQOL519", ReplyKind::SbasMode},
    {"$PQOL530", ReplyKind::Datum},
    {"$PQOL590", ReplyKind::FlashWrites},
};

}  // namespace

Reply DecodeReply(const char* s, size_t len) {
  if (s == nullptr || !SentenceChecksumOk(s, len)) return kNone;
  FieldWalk f(s, len);

  if (Named(s, len, "$PQOL001")) {
    // $PQOL001,314,3*XX
    if (!ReadNext(f)) return kNone;
    Reply r = Of(ReplyKind::Ack);
    r.command = ToInt32(f.Whole());
    if (!ReadNext(f)) return kNone;
    r.flag = ToInt32(f.Whole());
    return r;
  }
  // The replies that carry one number in field 1: "$PQOL500,1000*XX" and the like.
  for (const OneNumber& reply : kOneNumber) {
    if (!Named(s, len, reply.name)) continue;
    if (!ReadNext(f)) return kNone;
    return Of(reply.kind, f.Whole());
  }
  if (Named(s, len, "$PQOL514")) {
    // $PQOL514,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0*XX
    if (!ReadNext(f) || !HasFields(f.position(), s + len, kOutputRateFields)) return kNone;
    Reply r = Of(ReplyKind::OutputRates);
    const size_t n = static_cast<size_t>(s + len - f.position());
    const size_t kept = n < sizeof r.payload - 1 ? n : sizeof r.payload - 1;
    std::memcpy(r.payload, f.position(), kept);
    for (int i = 0; i < kOutputRateFields; ++i) {
      if (i > 0) ReadNext(f);
      r.rates[i] = f.Whole();
    }
    return r;
  }
  if (Named(s, len, "$PQOL556")) {
    // $PQOL556,0,0.0000005*XX: field 2 is the offset as a fraction.
    if (!f.Next() || !ReadNext(f)) return kNone;
    Reply r = Of(ReplyKind::Tcxo);
    r.fraction = f.Decimal();
    return r;
  }
  if (Named(s, len, "$PQOL702")) {
    // $PQOL702,1,0,9600*XX; any other start means RTCM input is off.
    if (len < 13 || std::memcmp(s, "$PQOL702,1,0,", 13) != 0) return Of(ReplyKind::RtcmOff);
    f.Next();
    f.Next();
    ReadNext(f);
    return Of(ReplyKind::RtcmBaud, f.Whole());
  }
  if (Named(s, len, "$PQOL705")) {
    // $PQOL705,QOL-1.04,2026-05-11*XX
    if (!ReadNext(f)) return kNone;
    Reply r = Of(ReplyKind::FirmwareVersion);
    f.CopyText(r.text1, sizeof r.text1);
    if (!ReadNext(f)) return kNone;
    f.CopyText(r.text2, sizeof r.text2);
    return r;
  }
  return kNone;
}

bool StoreReply(ReceiverRecord& record, const Reply& reply) {
  switch (reply.kind) {
    case ReplyKind::None:
    case ReplyKind::Ack:
      return false;
    case ReplyKind::FixRate:
      if (reply.number == 0) return false;  // nothing to divide by: not a rate
      // Longer intervals than a second keep the rate but are still shown.
      if (reply.number <= 1000) record.FixRateHz = static_cast<uint8_t>(1000 / reply.number);
      return true;
    case ReplyKind::DgpsMode:
    case ReplyKind::SbasMode:
      return true;
    case ReplyKind::OutputRates:
      std::memcpy(record.OutputRatesText, reply.payload, sizeof record.OutputRatesText);
      return true;
    case ReplyKind::Datum:
      record.DatumIndex = static_cast<uint8_t>(reply.number);
      return true;
    case ReplyKind::Tcxo:
      record.TcxoPpm = static_cast<float>(reply.fraction * 1000000.0);
      return true;
    case ReplyKind::FlashWrites:
      record.FlashWritesLeft = ToInt32(reply.number);
      return true;
    case ReplyKind::RtcmBaud:
      record.RtcmBaud = ToInt32(reply.number);
      return true;
    case ReplyKind::RtcmOff:
      record.RtcmBaud = 0;
      return false;
    case ReplyKind::FirmwareVersion:
      std::memcpy(record.VersionText1, reply.text1, sizeof record.VersionText1);
      std::memcpy(record.VersionText2, reply.text2, sizeof record.VersionText2);
      return true;
  }
  return false;
}

DgpsMode ShownDgpsMode(long reportedMode, int32_t rtcmBaud) {
  if (reportedMode == 2) return DgpsMode::Sbas;
  if (reportedMode == 1 && rtcmBaud != 0) return DgpsMode::Rtcm;
  return DgpsMode::None;
}

}  // namespace vantrel
