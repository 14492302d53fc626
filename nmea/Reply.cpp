#include "nmea/Reply.h"

#include <cstring>  // memcmp, memchr, memcpy, memset

#include "nmea/Fields.h"

namespace vantrel {
namespace {

// Reads the replies' fields in order. A reply that lacks a field it needs is
// ignored whole: Field() then reports false and the decoder returns before it
// changes anything.
class ReplyFields {
 public:
  ReplyFields(const char* s, size_t len) : s_(s), len_(len), pos_(s) {}

  // Moves to the next field; false when no "," follows.
  bool Next() {
    pos_ = AfterNextComma(s_, len_, pos_);
    return pos_ != nullptr;
  }
  // An empty field reads as 0, like atol of an empty text.
  long Whole() {
    char text[kFieldMax + 1] = {};
    NextField(s_, len_, pos_, text);
    return ReadWhole(text);
  }
  double Decimal() {
    char text[kFieldMax + 1] = {};
    NextField(s_, len_, pos_, text);
    return ReadDecimal(text);
  }
  // Copies the field (up to the next "," or, for the last one, the "*") into
  // `out`, cut to fit; the rest of `out` is zeroed, so no earlier text stays
  // behind the terminator.
  void Text(char* out, size_t size) {
    const size_t rest = static_cast<size_t>(s_ + len_ - pos_);
    const char* end = static_cast<const char*>(std::memchr(pos_, ',', rest));
    if (end == nullptr) end = static_cast<const char*>(std::memchr(pos_, '*', rest));
    if (end == nullptr) end = s_ + len_;
    size_t n = static_cast<size_t>(end - pos_);
    if (n > size - 1) n = size - 1;
    std::memset(out, 0, size);
    std::memcpy(out, pos_, n);
  }
  const char* position() const { return pos_; }

 private:
  const char* s_;
  size_t len_;
  const char* pos_;
};

bool Named(const char* s, size_t len, const char* name) {
  return len >= 8 && std::memcmp(s, name, 8) == 0;
}

// Saturated, as the receiver's own 32-bit numbers would be.
int32_t ToInt32(long v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// The output-rate payload must hold the 19 fields the window walks.
bool HasFields(const char* from, const char* end, int count) {
  int commas = 0;
  for (const char* p = from; p < end && *p != '*'; ++p) commas += *p == ',';
  return commas >= count - 1;
}

constexpr ReplyResult kNone{};

}  // namespace

ReplyResult DecodeReply(ReceiverRecord& record, const char* s, size_t len, AckSlots& acks) {
  if (s == nullptr || !SentenceChecksumOk(s, len)) return kNone;
  ReplyFields f(s, len);

  if (Named(s, len, "$PQOL001")) {
    // $PQOL001,314,3*XX
    if (!f.Next()) return kNone;
    const int32_t command = ToInt32(f.Whole());
    if (!f.Next()) return kNone;
    const long flag = f.Whole();
    if (flag == 3) acks.AckedCommand.store(command, std::memory_order_release);
    if (flag == 2) acks.FailedCommand.store(command, std::memory_order_release);
    return kNone;
  }
  if (Named(s, len, "$PQOL500")) {
    // $PQOL500,1000*XX
    if (!f.Next()) return kNone;
    const long interval = f.Whole();
    if (interval == 0) return kNone;  // nothing to divide by: not a rate
    if (interval <= 1000) record.FixRateHz = static_cast<uint8_t>(1000 / interval);
    return {ReplyUpdate::FixRate, 0};
  }
  if (Named(s, len, "$PQOL501")) {
    // $PQOL501,2*XX; RTCM counts only while the last baud reply said it is on.
    if (!f.Next()) return kNone;
    const long mode = f.Whole();
    int radio = kRadioBothDisable;
    if (mode == 2) {
      radio = kRadioWAASEnable;
    } else if (mode == 1 && record.RtcmBaud != 0) {
      radio = kRadioRTCMEnable;
    }
    return {ReplyUpdate::DgpsMode, radio};
  }
  if (Named(s, len, "$PQOL514")) {
    // $PQOL514,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0*XX: kept as text, with
    // its "*" and checksum, for the window to walk.
    if (!f.Next() || !HasFields(f.position(), s + len, 19)) return kNone;
    const size_t n = static_cast<size_t>(s + len - f.position());
    const size_t kept = n < sizeof record.OutputRatesText - 1 ? n : sizeof record.OutputRatesText - 1;
    std::memset(record.OutputRatesText, 0, sizeof record.OutputRatesText);
    std::memcpy(record.OutputRatesText, f.position(), kept);
    return {ReplyUpdate::OutputRates, 0};
  }
  if (Named(s, len, "$PQOL519")) {
    // $PQOL519,1*XX
    if (!f.Next()) return kNone;
    return {ReplyUpdate::SbasMode, static_cast<int>(ToInt32(f.Whole()))};
  }
  if (Named(s, len, "$PQOL530")) {
    // $PQOL530,222*XX
    if (!f.Next()) return kNone;
    record.DatumIndex = static_cast<uint8_t>(f.Whole());
    return {ReplyUpdate::Datum, 0};
  }
  if (Named(s, len, "$PQOL556")) {
    // $PQOL556,0,0.0000005*XX: field 2 is the offset as a fraction.
    if (!f.Next() || !f.Next()) return kNone;
    record.TcxoPpm = static_cast<float>(f.Decimal() * 1000000.0);
    return {ReplyUpdate::Tcxo, 0};
  }
  if (Named(s, len, "$PQOL590")) {
    // $PQOL590,3*XX
    if (!f.Next()) return kNone;
    record.FlashWritesLeft = ToInt32(f.Whole());
    return {ReplyUpdate::FlashWrites, 0};
  }
  if (Named(s, len, "$PQOL702")) {
    // $PQOL702,1,0,9600*XX; any other start means RTCM input is off.
    if (len < 13 || std::memcmp(s, "$PQOL702,1,0,", 13) != 0) {
      record.RtcmBaud = 0;
      return kNone;
    }
    f.Next();
    f.Next();
    f.Next();
    record.RtcmBaud = ToInt32(f.Whole());
    return {ReplyUpdate::RtcmBaud, 0};
  }
  if (Named(s, len, "$PQOL705")) {
    // $PQOL705,QOL-1.04,2026-05-11*XX
    if (!f.Next()) return kNone;
    char first[kVersionTextSize];
    f.Text(first, sizeof first);
    if (!f.Next()) return kNone;
    std::memcpy(record.VersionText1, first, sizeof first);
    f.Text(record.VersionText2, sizeof record.VersionText2);
    return {ReplyUpdate::FirmwareVersion, 0};
  }
  return kNone;
}

}  // namespace vantrel
