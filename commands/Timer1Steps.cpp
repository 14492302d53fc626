#include "commands/Timer1Steps.h"

namespace vantrel {

bool MonitorClearDue(int32_t& clearTickCount, int intervalMs) {
  const int64_t n = clearTickCount;
  clearTickCount = static_cast<int32_t>(n + 1);
  if (static_cast<int64_t>(intervalMs) * n >= 9000) {
    clearTickCount = 0;
    return true;
  }
  return false;
}

bool ReopenDue(int32_t& reopenTickCount, uint8_t& reopenPending, int intervalMs) {
  if (reopenPending == 0) {
    reopenTickCount = 0;
    return false;
  }
  if (static_cast<int64_t>(intervalMs) * reopenTickCount < 3000) {
    ++reopenTickCount;
    return false;
  }
  reopenTickCount = 0;
  reopenPending = 0;
  return true;
}

const char* RestartName(uint8_t restartKind) {
  switch (restartKind) {
    case 1:
      return "Hot Start";
    case 2:
      return "Warm Start";
    case 3:
      return "Cold Start";
    default:
      return "";
  }
}

RestartTiming StepRestartTiming(uint8_t restartKind, bool hasFix, int64_t elapsedMs) {
  if (restartKind == 0) return RestartTiming::Idle;
  if (hasFix) return RestartTiming::FixSeen;
  if (elapsedMs >= kRestartTimeoutMs) return RestartTiming::TimedOut;
  return RestartTiming::Counting;
}

SuccessReport ReportSuccess(int32_t ackedCommand, int dgpsRadio, bool integrityChecked) {
  switch (ackedCommand) {
    case 160:
      return {AckEffect::CurrentTestAccepted, ""};
    case 188:
      return {AckEffect::Silent, ""};
    case 220:
      return {AckEffect::Message, "Fix Update Rate Change!!"};
    case 301:
      // Follows the radio buttons as they are now, not the command that was sent.
      if (dgpsRadio == 2) return {AckEffect::Message, "WAAS Enable!!"};
      if (dgpsRadio == 1) return {AckEffect::Message, "RTCM Enable!!"};
      return {AckEffect::Message, "Disable All DGPS Correction!!"};
    case 314:
      return {AckEffect::Message, "NMEA Setting OK!!"};
    case 319:
      return {AckEffect::Message,
              integrityChecked ? "WAAS Integrity Mode Enable!!" : "WAAS Test Mode Enable!!"};
    case 330:
      return {AckEffect::Message, "Datum Change!!"};
    case 390:
      return {AckEffect::Message, "Write Settings into Flash OK!!"};
    case -1:
      return {AckEffect::ReceiverFault, ""};
    default:
      return {AckEffect::NotReported, ""};
  }
}

FailureReport ReportFailure(int32_t failedCommand) {
  switch (failedCommand) {
    case 220:
      return {"Change Fix Update Rate Fail!!", false};
    case 251:
      return {"Change Baudrate Fail!!", true};
    case 314:
      return {"NMEA Setting Fail!!", false};
    case 390:
      return {"Write Settings into Flash Fail!!", true};
    default:
      return {"Unknown Cmd!!", false};
  }
}

bool FaultPanelsBlank(int32_t clearTickCount) { return clearTickCount % 3 == 1; }

}  // namespace vantrel
