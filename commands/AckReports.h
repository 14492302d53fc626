#pragma once
// What Timer1 makes of the receiver's acknowledgements: the message, or the
// other effect, of each command number carried out or failed.
#include <cstdint>
#include <string>

#include "commands/CommandNumbers.h"
#include "nmea/Reply.h"  // DgpsMode

namespace vantrel {

// What a success acknowledgement read by the tick leads to.
enum class AckEffect : uint8_t {
  NotReported,          // 0 or a command without a report: the value stays
  Silent,               // cleared without a message (wake-up)
  Message,              // cleared, then the message box
  CurrentTestAccepted,  // cleared; LabelCurrent reads "Enable"
  ReceiverFault,        // cleared; status-bar fault text, restart buttons disabled
};
struct SuccessReport {
  AckEffect effect = AckEffect::NotReported;
  std::string message;
  bool operator==(const SuccessReport&) const = default;
};
// checkedMode: the DGPS radio button checked at the time of the tick;
// integrityChecked: RadioIntegrity is checked.
SuccessReport ReportSuccess(int32_t ackedCommand, DgpsMode checkedMode, bool integrityChecked);

struct FailureReport {
  std::string message;
  bool cancelReopen = false;
  bool operator==(const FailureReport&) const = default;
};
// For a non-zero FailedCommand.
FailureReport ReportFailure(int32_t failedCommand);

constexpr const char* kFaultText0 = "Problem   IC";
constexpr const char* kFaultText1 = "Please   Contact   QOL";
// The fault text blinks: blank on ticks whose count (after the monitor step)
// modulo 3 is 1.
bool FaultPanelsBlank(int32_t clearTickCount);

}  // namespace vantrel
