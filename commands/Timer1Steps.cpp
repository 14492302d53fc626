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

bool ReopenDue(int32_t& reopenTickCount, bool& reopenPending, int intervalMs) {
  if (!reopenPending) {
    reopenTickCount = 0;
    return false;
  }
  if (static_cast<int64_t>(intervalMs) * reopenTickCount < 3000) {
    ++reopenTickCount;
    return false;
  }
  reopenTickCount = 0;
  reopenPending = false;
  return true;
}

const char* RestartName(Restart kind) {
  switch (kind) {
    case Restart::Hot:
      return "Hot Start";
    case Restart::Warm:
      return "Warm Start";
    case Restart::Cold:
      return "Cold Start";
    case Restart::None:
      break;
  }
  return "";
}

RestartTiming StepRestartTiming(Restart kind, bool hasFix, int64_t elapsedMs) {
  if (kind == Restart::None) return RestartTiming::Idle;
  if (hasFix) return RestartTiming::FixSeen;
  if (elapsedMs >= kRestartTimeoutMs) return RestartTiming::TimedOut;
  return RestartTiming::Counting;
}

}  // namespace vantrel
