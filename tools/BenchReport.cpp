#include "tools/BenchReport.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <map>
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
      if (s.figures) {
        r.minS = static_cast<double>(s.figures->minMs) / 1000.0;
        r.medianS = static_cast<double>(s.figures->medianMs) / 1000.0;
        r.p95S = static_cast<double>(s.figures->p95Ms) / 1000.0;
        r.maxS = static_cast<double>(s.figures->maxMs) / 1000.0;
      }
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
                          p.snr ? std::optional<int>(*p.snr) : std::nullopt});
  for (int i = 0; i < settings.iterations; ++i) {
    const SensitivityIteration* it =
        i < static_cast<int>(out.iterations.size()) ? &out.iterations[i] : nullptr;
    for (bool tracking : {false, true}) {
      if (tracking ? !page.tracking : !page.acquisition) continue;
      evaluation::SensitivityPageResult r{i + 1, tracking, std::nullopt, "", std::nullopt};
      const std::optional<PhaseResult>* result = it ? &(tracking ? it->tracking : it->acquisition) : nullptr;
      if (result && *result) {
        r.dbm = (*result)->lostDbm;
        r.heldDbm = (*result)->heldDbm;
        r.failure = (*result)->failure;
      } else {
        r.failure = "not run" + (out.failure.empty() ? "" : ": " + out.failure);
      }
      page.results.push_back(r);
    }
  }
  return page;
}

namespace {

// A number of a run's detail, the JSON object the bench wrote with it;
// nothing when it is absent or null.
std::optional<double> DetailNumber(const std::string& detail, const std::string& key) {
  const size_t at = detail.find("\"" + key + "\":");
  if (at == std::string::npos) return std::nullopt;
  const char* text = detail.c_str() + at + key.size() + 3;
  const char* const end = detail.c_str() + detail.size();
  while (text < end && *text == ' ') ++text;
  double v = 0;
  return std::from_chars(text, end, v).ec == std::errc() ? std::optional<double>(v) : std::nullopt;
}

}  // namespace

evaluation::RunVerdict VerdictOf(const results::RunRecord& run) {
  if (!run.value && run.kind != "station") return evaluation::RunVerdict::NoResult;
  if (!run.pass) return evaluation::RunVerdict::NoVerdict;
  return *run.pass ? evaluation::RunVerdict::Pass : evaluation::RunVerdict::Fail;
}

evaluation::ResultsPage ResultsPageOf(const std::vector<results::RunRecord>& runs,
                                      const std::string& selection) {
  evaluation::ResultsPage page;
  page.selection = selection;
  page.runs = runs.size();
  page.tool = std::string("vantrel-bench ") + kVersion;
  page.written = UtcText(std::chrono::system_clock::now());
  // Kinds in their own order, whatever order the runs came in.
  for (const char* kind : results::kKinds) page.counts.push_back({kind});
  for (const char* restart : {"hot", "warm", "cold"}) page.ttff.push_back({restart, std::nullopt, {}});
  std::map<std::string, std::optional<double>> limits;  // by restart: empty once two differ
  for (const results::RunRecord& r : runs) {
    const std::string unit = r.serial.empty() ? r.port : r.serial;
    const evaluation::RunVerdict verdict = VerdictOf(r);
    auto count =
        std::find_if(page.counts.begin(), page.counts.end(), [&](const auto& c) { return c.kind == r.kind; });
    if (count == page.counts.end())
      count = page.counts.insert(page.counts.end(), evaluation::ResultsPageCount{r.kind});
    ++(verdict == evaluation::RunVerdict::Pass       ? count->pass
       : verdict == evaluation::RunVerdict::Fail     ? count->fail
       : verdict == evaluation::RunVerdict::NoResult ? count->noResult
                                                     : count->noVerdict);
    if (verdict == evaluation::RunVerdict::NoResult)
      page.missing.push_back({r.time, r.kind, unit, r.seq, r.reason});

    if (r.kind.rfind("ttff-", 0) == 0) {
      const std::string restart = r.kind.substr(5);
      auto t = std::find_if(page.ttff.begin(), page.ttff.end(),
                            [&](const auto& x) { return x.restart == restart; });
      if (t == page.ttff.end())
        t = page.ttff.insert(page.ttff.end(), evaluation::ResultsPageTtff{restart, std::nullopt, {}});
      auto u = std::find_if(t->units.begin(), t->units.end(), [&](const auto& x) { return x.port == unit; });
      if (u == t->units.end()) {
        u = t->units.emplace(t->units.end());
        u->port = unit;
      }
      // Numbered within the unit: several campaigns of one unit repeat a port's numbers.
      u->runs.push_back({static_cast<int>(u->runs.size()) + 1,
                         r.value ? std::optional<double>(*r.value / 1000.0) : std::nullopt, r.reason});
      const std::optional<double> limitMs = DetailNumber(r.detail, "limit_ms");
      const auto [known, first] = limits.try_emplace(restart, limitMs);
      if (!first && known->second != limitMs) known->second.reset();
    } else if (r.kind == "sensitivity-acquisition" || r.kind == "sensitivity-tracking") {
      page.sensitivity.push_back(
          {unit, r.kind.substr(12), r.seq, r.value, DetailNumber(r.detail, "lost_dbm"), r.reason});
    } else if (r.kind == "station") {
      page.stations.push_back({r.time, unit, r.port, r.pass.value_or(false), r.reason});
    }
  }
  std::erase_if(page.counts, [](const auto& c) { return c.pass + c.fail + c.noResult + c.noVerdict == 0; });
  std::erase_if(page.ttff, [](const auto& t) { return t.units.empty(); });
  for (evaluation::ResultsPageTtff& t : page.ttff)
    if (const std::optional<double> ms = limits[t.restart]) t.limitS = *ms / 1000.0;
  std::stable_sort(page.sensitivity.begin(), page.sensitivity.end(),
                   [](const auto& a, const auto& b) { return a.unit < b.unit; });
  return page;
}

}  // namespace vantrel::benchtool
