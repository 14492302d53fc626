#pragma once
// The figures of a time-to-first-fix campaign: what a qualification report
// quotes for each receiver. Plain C++, no I/O.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::benchtool {

// One restart: the time to first fix in milliseconds, or why there was none.
struct TtffRun {
  int index = 0;                  // 1-based within its receiver
  std::optional<int64_t> ttffMs;  // nothing when the run failed
  std::string failure;            // "timeout", "receiver gone", ...; empty when timed
  // The wall-clock time of the restart command's write; nothing for a run
  // that was never made.
  std::optional<std::chrono::system_clock::time_point> startedAt;
};

struct TtffSummary {
  int runs = 0;
  int failures = 0;
  // Of the timed runs only; zero when there is none.
  int64_t minMs = 0;
  int64_t medianMs = 0;  // the mean of the middle two for an even count
  int64_t p95Ms = 0;     // nearest rank: the ceil(0.95 n)-th smallest
  int64_t maxMs = 0;
  // Passes when every run was timed and, with a limit, none took longer.
  bool pass = false;
};

TtffSummary Summarise(const std::vector<TtffRun>& runs, std::optional<int64_t> limitMs);

}  // namespace vantrel::benchtool
