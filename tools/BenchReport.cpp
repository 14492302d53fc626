#include "tools/BenchReport.h"

#include <chrono>
#include <variant>

#include "Version.h"
#include "tools/BenchOptions.h"

namespace vantrel::benchtool {

evaluation::TtffPage TtffPageOf(const std::string& kind, int runsAsked, std::optional<int64_t> limitMs,
                                const std::vector<ReceiverOutcome>& outcomes,
                                const std::vector<TtffSummary>& summaries, bool pass) {
  evaluation::TtffPage page;
  page.kind = kind;
  page.runsAsked = runsAsked;
  if (limitMs) page.limitS = static_cast<double>(*limitMs) / 1000.0;
  page.pass = pass;
  page.tool = std::string("vantrel-bench ") + kVersion;
  page.written = UtcText(std::chrono::system_clock::now());
  for (size_t i = 0; i < outcomes.size(); ++i) {
    const ReceiverOutcome& o = outcomes[i];
    evaluation::TtffPageReceiver r;
    r.port = o.port;
    r.failure = !o.failure.empty() ? o.failure : o.interrupted ? "interrupted" : "";
    for (const TtffRun& run : o.runs) {
      evaluation::TtffPageRun p{run.index, std::nullopt, run.failure};
      if (run.ttffMs)
        p.seconds = static_cast<double>(*run.ttffMs) / 1000.0;
      else if (p.failure.empty())
        p.failure = "no fix";
      r.runs.push_back(p);
    }
    while (!o.interrupted && static_cast<int>(r.runs.size()) < runsAsked)
      r.runs.push_back({static_cast<int>(r.runs.size()) + 1, std::nullopt, "not run: " + o.failure});
    if (i < summaries.size()) {
      const TtffSummary& s = summaries[i];
      r.pass = s.pass;
      r.minS = static_cast<double>(s.minMs) / 1000.0;
      r.medianS = static_cast<double>(s.medianMs) / 1000.0;
      r.p95S = static_cast<double>(s.p95Ms) / 1000.0;
      r.maxS = static_cast<double>(s.maxMs) / 1000.0;
    }
    page.receivers.push_back(std::move(r));
  }
  return page;
}

evaluation::SensitivityPage SensitivityPageOf(const std::string& port, const std::string& generator,
                                              const SensitivitySettings& settings,
                                              const SensitivityOutcome& out, bool pass) {
  evaluation::SensitivityPage page;
  page.port = port;
  page.generator = generator;
  const auto settingsRead = ParseTestSettings(settings.texts);
  if (const auto* parsed = std::get_if<TestSettings>(&settingsRead)) {
    page.sv = parsed->SvId;
    page.degradeDb = parsed->Degrade;
    page.acqCnr = parsed->AcqCnr;
    page.trackCnr = parsed->TrackCnr;
  }
  page.acquisition = settings.start != TestEvent::TrackOnlyPressed;
  page.tracking = settings.start != TestEvent::AcqOnlyPressed;
  page.iterations = settings.iterations;
  page.failure = out.failure;
  page.pass = pass;
  page.tool = std::string("vantrel-bench ") + kVersion;
  page.written = UtcText(std::chrono::system_clock::now());
  for (const CurvePoint& p : out.curve)
    page.curve.push_back({p.iteration, p.phase == TestPhase::Tracking, static_cast<int>(p.levelDbm),
                          p.snr > 0 ? std::optional<int>(p.snr) : std::nullopt});
  for (int i = 0; i < settings.iterations; ++i) {
    const SensitivityIteration* it =
        i < static_cast<int>(out.iterations.size()) ? &out.iterations[i] : nullptr;
    for (bool tracking : {false, true}) {
      if (tracking ? !page.tracking : !page.acquisition) continue;
      evaluation::SensitivityPageResult r{i + 1, tracking, std::nullopt, ""};
      if (it == nullptr) {
        r.failure = "not run" + (out.failure.empty() ? "" : ": " + out.failure);
      } else if ((r.dbm = ResultDbm(tracking ? it->tracking : it->acquisition))) {
      } else {
        // The reason is what the window would have shown, else the run's.
        for (const std::string& m : it->messages) r.failure += (r.failure.empty() ? "" : "; ") + m;
        if (r.failure.empty())
          r.failure = out.failure.empty() ? "the test ended without a level" : out.failure;
      }
      page.results.push_back(r);
    }
  }
  return page;
}

}  // namespace vantrel::benchtool
