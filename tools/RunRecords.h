#pragma once
// Each kind of run vantrel-bench makes as a row of the results database:
// its value, or no value and why; its verdict where it has one of its own.
#include <cstdint>
#include <optional>
#include <string>

#include "results/Results.h"
#include "tools/SensitivityRun.h"
#include "tools/TtffStats.h"

namespace vantrel::benchtool {

results::RunRecord TtffRecord(const std::string& restart, const std::string& port, const std::string& serial,
                              const TtffRun& run, std::optional<int64_t> limitMs);
results::RunRecord StepRecord(const std::string& port, const std::string& serial, int64_t seq,
                              const CurvePoint& point);
results::RunRecord SensitivityRecord(const std::string& port, const std::string& serial, TestPhase phase,
                                     int iteration, const PhaseResult& result);

}  // namespace vantrel::benchtool
