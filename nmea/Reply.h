#pragma once
// Decoding of the receiver's proprietary "$PQOL" sentences: acknowledgements,
// replies to queries and the channel status sentence.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "nmea/Record.h"

namespace vantrel {

// Acknowledgement slots held by the window and written by the reader thread;
// Timer1 reads and clears them on the UI thread.
struct AckSlots {
  std::atomic<int32_t> AckedCommand{0};
  std::atomic<int32_t> FailedCommand{0};
};

// The window update a reply asks for; the reader thread hands it to the UI
// thread in stream order.
enum class ReplyUpdate : uint8_t {
  None,
  FixRate,          // ShowFixRate
  DgpsMode,         // ShowDgpsMode, radio in ReplyResult::value
  OutputRates,      // ShowOutputRates
  SbasMode,         // ShowSbasMode, mode in ReplyResult::value
  Datum,            // ShowDatum
  Tcxo,             // ShowTcxo
  FlashWrites,      // ShowFlashWrites
  RtcmBaud,         // ShowRtcmBaud
  FirmwareVersion,  // ShowFirmwareVersion
};

// Radio button that a DGPS-mode reply checks.
enum DgpsRadio : int { kRadioBothDisable = 0, kRadioRTCMEnable = 1, kRadioWAASEnable = 2 };

struct ReplyResult {
  ReplyUpdate update = ReplyUpdate::None;
  int value = 0;  // DgpsRadio for DgpsMode, the reported mode for SbasMode
  bool operator==(const ReplyResult&) const = default;
};

// A "$PQOL" piece (not "$PQOLCHN"), without its line ending.
ReplyResult DecodeReply(ReceiverRecord& record, const char* s, size_t len, AckSlots& acks);

// A "$PQOLCHN" piece, without its line ending.
void DecodeChannelStatus(ReceiverRecord& record, const char* s, size_t len);

}  // namespace vantrel
