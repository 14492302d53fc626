#pragma once
// Decoding of the receiver's proprietary "$PQOL" replies and acknowledgements.
// DecodeReply says what a sentence reports and nothing more; StoreReply keeps
// in the reader's record what the record holds of it. Who is told of an
// acknowledgement, and which control a reply moves, is for the reader and the
// window to decide.
#include <cstddef>
#include <cstdint>

#include "nmea/Record.h"

namespace vantrel {

// The receiver's differential-correction source, as its replies and the
// DGPS commands number it.
enum class DgpsMode : uint8_t { None = 0, Rtcm = 1, Sbas = 2 };

// The flags of an acknowledgement that mean something; others are ignored.
constexpr int32_t kAckCarriedOut = 3;
constexpr int32_t kAckFailed = 2;

enum class ReplyKind : uint8_t {
  None,             // not a reply this program reads, or one that lacks a field it needs
  Ack,              // "$PQOL001": command, flag
  FixRate,          // "$PQOL500": fix interval in ms (number)
  DgpsMode,         // "$PQOL501": mode (number)
  OutputRates,      // "$PQOL514": rates, payload
  SbasMode,         // "$PQOL519": mode (number), 0 test
  Datum,            // "$PQOL530": datum number (number)
  Tcxo,             // "$PQOL556": oscillator offset as a fraction
  FlashWrites,      // "$PQOL590": writes left (number)
  RtcmBaud,         // "$PQOL702,1,0,": RTCM input on at this baud (number)
  RtcmOff,          // any other "$PQOL702": RTCM input off
  FirmwareVersion,  // "$PQOL705": text1, text2
};

// Fields of the output-rate reply: 1 GLL, 2 RMC, 3 VTG, 4 GGA, 5 GSA, 6 GSV,
// 7 to 17 not used, 18 ZDA, 19 channel status.
constexpr int kOutputRateFields = 19;

struct Reply {
  ReplyKind kind = ReplyKind::None;
  int32_t command = 0;  // Ack: the command acknowledged, saturated to 32 bits
  int32_t flag = 0;     // Ack
  long number = 0;      // the one number of the replies that carry one
  double fraction = 0;  // Tcxo
  long rates[kOutputRateFields] = {};
  // OutputRates: everything after the first ",", "*" and checksum included,
  // cut to the record's field.
  char payload[kOutputRatesTextSize] = {};
  char text1[kVersionTextSize] = {};  // FirmwareVersion, each cut to fit
  char text2[kVersionTextSize] = {};
  bool operator==(const Reply&) const = default;
};

// A "$PQOL" piece other than "$PQOLCHN", without its line ending. A wrong
// checksum, an unknown reply number or a missing field gives ReplyKind::None.
Reply DecodeReply(const char* s, size_t len);

// Stores what the record keeps of `reply`. True when the window has an update
// to show for it: not for acknowledgements, RTCM input off, a zero fix
// interval, or None.
bool StoreReply(ReceiverRecord& record, const Reply& reply);

// The DGPS mode a "$PQOL501" reply shows: RTCM counts only while the last
// RTCM-baud reply said its input is on.
DgpsMode ShownDgpsMode(long reportedMode, int32_t rtcmBaud);

}  // namespace vantrel
