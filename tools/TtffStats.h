#pragma once
// The figures of a time-to-first-fix campaign: what a qualification report
// quotes for each receiver. Plain C++, no I/O.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/RunReasons.h"

namespace vantrel::benchtool {

// One restart: the time to first fix in milliseconds, or why there was none.
struct TtffRun {
  int index = 0;                  // 1-based within its receiver
  std::optional<int64_t> ttffMs;  // nothing when the run failed
  std::string failure;            // kNoFixText, kGoneText, ...; empty when timed
  // The wall-clock time of the restart command's write; nothing for a run
  // that was never made.
  std::optional<std::chrono::system_clock::time_point> startedAt;
};

// Order statistics of the timed runs.
struct TtffFigures {
  int64_t minMs = 0;
  int64_t medianMs = 0;  // the mean of the middle two for an even count
  int64_t p95Ms = 0;     // nearest rank: the ceil(0.95 n)-th smallest
  int64_t maxMs = 0;
  bool operator==(const TtffFigures&) const = default;
};

struct TtffSummary {
  int runs = 0;
  int failures = 0;
  // Nothing when no run was timed: there is nothing to quote.
  std::optional<TtffFigures> figures;
  // The reasons of the failed runs, each once, in the order they came.
  std::string reasons;
  // Passes when every run was timed and, with a limit, none took longer.
  bool pass = false;
};

TtffSummary Summarise(const std::vector<TtffRun>& runs, std::optional<int64_t> limitMs);

}  // namespace vantrel::benchtool
