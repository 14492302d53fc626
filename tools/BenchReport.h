#pragma once
// vantrel-bench's --report: the outcome of a campaign or a sensitivity run,
// or the runs kept in the results database, handed to the page writers as
// plain figures. A run without a result goes
// over as a failure with its reason.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "evaluation/BenchReports.h"
#include "results/Results.h"
#include "tools/SensitivityRun.h"
#include "tools/TtffCampaign.h"
#include "tools/TtffStats.h"

namespace vantrel::benchtool {

// `runsAsked` per receiver: the runs a receiver that dropped out missed are
// listed as not run, with its reason.
evaluation::TtffPage TtffPageOf(const std::string& kind, int runsAsked, std::optional<int64_t> limitMs,
                                const std::vector<ReceiverOutcome>& outcomes,
                                const std::vector<TtffSummary>& summaries, bool pass);

evaluation::SensitivityPage SensitivityPageOf(const std::string& port, const std::string& generator,
                                              const SensitivitySettings& settings,
                                              const SensitivityOutcome& out, bool pass);

// A kept run's verdict on the page: one without a value has no result
// (a station test's verdict stands on its own).
evaluation::RunVerdict VerdictOf(const results::RunRecord& run);

// The rows `results` selected; `selection` says which, for the page's title.
evaluation::ResultsPage ResultsPageOf(const std::vector<results::RunRecord>& runs,
                                      const std::string& selection);

}  // namespace vantrel::benchtool
