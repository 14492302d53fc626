#pragma once
// The pacing of the window's housekeeping tick (Timer1), kept apart from the
// window so it is tested directly: monitor clearing, the reopen after a baud
// or flash change, and the time-to-first-fix count of a restart.
#include <cstdint>

#include "commands/CommandNumbers.h"

namespace vantrel {

constexpr int kTimer1IdleIntervalMs = 1000;
constexpr int kTimer1RestartIntervalMs = 100;  // 0.1 s resolution for the time to first fix
constexpr int kReopenGapMs = 500;              // between closing and reopening the port

// Counts the tick; true when the monitor is to be cleared now (the counter is
// then back at 0). Clears every 10th tick at 1000 ms, every 91st at 100 ms.
bool MonitorClearDue(int32_t& clearTickCount, int intervalMs);

// Counts the ticks since a baud-rate or flash command; true when the port is to
// be reopened now (both fields are then back at 0): the 4th tick at 1000 ms.
bool ReopenDue(int32_t& reopenTickCount, bool& reopenPending, int intervalMs);

// "Hot Start", "Warm Start", "Cold Start"; empty for any other kind.
const char* RestartName(Restart kind);

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
RestartTiming StepRestartTiming(Restart kind, bool hasFix, int64_t elapsedMs);

}  // namespace vantrel
