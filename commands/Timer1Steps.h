#pragma once
// The arithmetic of the window's housekeeping tick (Timer1), kept apart from
// the window so it is tested directly: monitor-clear and reopen pacing,
// restart timing and the texts of the acknowledgement reports.
#include <cstdint>
#include <string>

namespace vantrel {

constexpr int kTimer1IdleIntervalMs = 1000;
constexpr int kTimer1RestartIntervalMs = 100;  // 0.1 s resolution for the time to first fix
constexpr int kReopenGapMs = 500;              // between closing and reopening the port

// Counts the tick; true when the monitor is to be cleared now (the counter is
// then back at 0). Clears every 10th tick at 1000 ms, every 91st at 100 ms.
bool MonitorClearDue(int32_t& clearTickCount, int intervalMs);

// Counts the ticks since a baud-rate or flash command; true when the port is to
// be reopened now (both fields are then back at 0): the 4th tick at 1000 ms.
bool ReopenDue(int32_t& reopenTickCount, uint8_t& reopenPending, int intervalMs);

// "Hot Start", "Warm Start", "Cold Start"; empty for any other kind.
const char* RestartName(uint8_t restartKind);

enum class RestartTiming : uint8_t {
  Idle,      // no count runs
  FixSeen,   // the count ends; the elapsed-time panel keeps its text
  Counting,  // show the elapsed seconds
  TimedOut,  // show kRestartTimeoutText; the count ends
};
constexpr const char* kRestartTimeoutText = "TimeOut 1000 sec(s)";
constexpr int64_t kRestartTimeoutMs = 1000 * 1000;

// One tick of the time-to-first-fix count. elapsedMs comes from a monotonic
// clock, so changes of the wall clock do not disturb the count.
RestartTiming StepRestartTiming(uint8_t restartKind, bool hasFix, int64_t elapsedMs);

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
// dgpsRadio: the checked DGPS radio button at the time of the tick (2 SBAS,
// 1 RTCM, 0 disable); integrityChecked: RadioIntegrity is checked.
SuccessReport ReportSuccess(int32_t ackedCommand, int dgpsRadio, bool integrityChecked);

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
