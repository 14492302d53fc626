#include "commands/AckReports.h"

namespace vantrel {

SuccessReport ReportSuccess(int32_t ackedCommand, DgpsMode checkedMode, bool integrityChecked) {
  switch (static_cast<CommandNumber>(ackedCommand)) {
    case CommandNumber::CurrentTest:
      return {AckEffect::CurrentTestAccepted, ""};
    case CommandNumber::WakeUp:
      return {AckEffect::Silent, ""};
    case CommandNumber::FixRate:
      return {AckEffect::Message, "Fix Update Rate Change!!"};
    case CommandNumber::DgpsMode:
      // Follows the radio buttons as they are now, not the command that was sent.
      if (checkedMode == DgpsMode::Sbas) return {AckEffect::Message, "WAAS Enable!!"};
      if (checkedMode == DgpsMode::Rtcm) return {AckEffect::Message, "RTCM Enable!!"};
      return {AckEffect::Message, "Disable All DGPS Correction!!"};
    case CommandNumber::OutputRates:
      return {AckEffect::Message, "NMEA Setting OK!!"};
    case CommandNumber::SbasMode:
      return {AckEffect::Message,
              integrityChecked ? "WAAS Integrity Mode Enable!!" : "WAAS Test Mode Enable!!"};
    case CommandNumber::Datum:
      return {AckEffect::Message, "Datum Change!!"};
    case CommandNumber::FlashWrite:
      return {AckEffect::Message, "Write Settings into Flash OK!!"};
    case CommandNumber::ReceiverFault:
      return {AckEffect::ReceiverFault, ""};
    default:
      return {AckEffect::NotReported, ""};
  }
}

FailureReport ReportFailure(int32_t failedCommand) {
  switch (static_cast<CommandNumber>(failedCommand)) {
    case CommandNumber::FixRate:
      return {"Change Fix Update Rate Fail!!", false};
    case CommandNumber::BaudRate:
      return {"Change Baudrate Fail!!", true};
    case CommandNumber::OutputRates:
      return {"NMEA Setting Fail!!", false};
    case CommandNumber::FlashWrite:
      return {"Write Settings into Flash Fail!!", true};
    default:
      return {"Unknown Cmd!!", false};
  }
}

bool FaultPanelsBlank(int32_t clearTickCount) { return clearTickCount % 3 == 1; }

}  // namespace vantrel
