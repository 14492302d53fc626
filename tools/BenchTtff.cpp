// vantrel-bench ttff: restarts on several receivers side by side, one thread
// each, with the window's command bytes and pauses.
#include <algorithm>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tools/BenchCommands.h"
#include "tools/BenchOptions.h"
#include "tools/BenchRecording.h"
#include "evaluation/Json.h"
#include "tools/BenchReport.h"
#include "tools/TtffCampaign.h"
#include "tools/TtffStats.h"
#include "session/SideBySide.h"

namespace vantrel::benchtool {
namespace {

constexpr const char kTtffHelp[] =
    "Restarts each receiver N times with the same command bytes and pauses as\n"
    "the window and times each restart on a monotonic clock, from the write of\n"
    "the restart command to the arrival of the first sentence that reports a\n"
    "fix (a GGA or GNS quality above 0, a GSA mode 2D or 3D, an RMC status A,\n"
    "of any talker), to the millisecond. The ports run in parallel, one reader\n"
    "per receiver. Prints the minimum, median, 95th percentile (nearest rank),\n"
    "maximum and failures of each receiver and whether it passes: every run\n"
    "timed and, with --limit, none longer than S seconds. A run without a fix\n"
    "has no time, only its reason: \"no fix within the time-out\", \"no answer\n"
    "in 5 s\" (the receiver sent nothing for 5 s and is dropped), \"receiver\n"
    "gone\", \"restart refused by the receiver\" (a failed acknowledgement of\n"
    "the restart: a fix after it would time no restart); a receiver without one timed run shows that reason instead of\n"
    "figures (JSON: null). Progress goes to standard error.";

struct TtffOptions : OutputOptions {
  std::vector<std::string> ports;
  long baud = 38400;
  std::string kind;
  int runs = 0;
  double timeoutS = 1000;
  double limitS = 0;
  bool limited = false;
};

// What a campaign gives its report.
struct TtffResult {
  std::vector<ReceiverOutcome> outcomes;
  std::vector<std::vector<TtffRun>> runs;  // each receiver's, with a row for each run it could not make
  std::vector<TtffSummary> summaries;
  std::optional<int64_t> limitMs;
  bool pass = true;
};

// Why a receiver fails: why it dropped out, else the reasons of its runs.
std::string FailureText(const ReceiverOutcome& out, const TtffSummary& summary) {
  if (!out.failure.empty()) return out.failure;
  if (out.interrupted) return summary.reasons.empty() ? kInterruptedText : kInterruptedText + ("; " + summary.reasons);
  if (summary.reasons.empty() && !summary.pass) return "over the limit";
  return summary.reasons;
}

void JsonText(evaluation::JsonWriter& j, const char* name, const std::string& text) {
  if (text.empty())
    j.Null(name);
  else
    j.StringEscaped(name, text.c_str());
}

std::string Seconds(int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(ms) / 1000.0);
  return text;
}

Restart KindOf(const std::string& kind) {
  return kind == "hot" ? Restart::Hot : kind == "warm" ? Restart::Warm : Restart::Cold;
}

class TtffCommand final : public BenchCommand {
 public:
  void Declare(CLI::App& sub) override {
    sub.footer(std::string(kTtffHelp) + "\n\n" + kExitStatusText);
    sub.add_option("--port", o_.ports,
                   "a receiver's port: a path, COMn or a name under /dev;\nrepeat it for more receivers")
        ->transform(PortArgument)
        ->required()
        ->allow_extra_args(false)
        ->type_name("P");
    sub.add_option("--baud", o_.baud, "the receivers' baud rate, 300 to 4000000 (38400)")
        ->check(Number(300, 4000000, true))
        ->type_name("B");
    sub.add_option("--kind", o_.kind, "the restart: hot, warm or cold")
        ->required()
        ->check(CLI::IsMember({"hot", "warm", "cold"}))
        ->type_name("K");
    sub.add_option("--runs", o_.runs, "restarts per receiver, 1 to 100000")
        ->required()
        ->check(Number(1, 100000, true))
        ->type_name("N");
    sub.add_option("--timeout", o_.timeoutS,
                   "seconds to wait for a fix before the run fails, 1 to 86400 (1000)")
        ->check(Number(1, 86400, false))
        ->type_name("S");
    limit_ =
        sub.add_option("--limit", o_.limitS, "the longest time to first fix that passes, 0 to 86400 seconds")
            ->check(Number(0, 86400, false))
            ->type_name("S");
    DeclareOutputOptions(sub, o_, "every run as a CSV row");
    DeclareDatabaseOptions(sub, db_, true);
  }

  int Run() override {
    o_.limited = limit_->count() > 0;
    if (o_.json && o_.csv == "-") return SetupError("--json and --csv - cannot both have standard output");
    if (!db_.serials.empty() && db_.serials.size() != o_.ports.size())
      return SetupError("give one --serial for each --port, or none");
    recorder_ = OpenRecorder(db_);
    if (!recorder_) return static_cast<int>(Exit::Usage);
    if (!o_.csv.empty()) {
      if (const std::string why = csv_.Open(o_.csv, o_.force); !why.empty()) return SetupError(why);
      std::fputs("time_utc,port,kind,run,ttff_ms,failure\n", csv_.Get());
    }
    if (!o_.report.empty()) {
      if (const std::string why = page_.Open(o_.report, o_.force); !why.empty()) return SetupError(why);
    }
    std::optional<TtffResult> result = RunCampaign();
    if (!result) {
      // Nothing was run: no file is left behind.
      csv_.Close();
      page_.Close();
      if (!o_.csv.empty() && o_.csv != "-") std::remove(o_.csv.c_str());
      if (!o_.report.empty()) std::remove(o_.report.c_str());
      return static_cast<int>(Exit::Usage);
    }
    const bool written = csv_.Close();
    Report(*result, o_.csv == "-" ? stderr : stdout);
    if (!FinishRecorder(*recorder_, db_)) return static_cast<int>(Exit::NotStored);
    if (!written) return SetupError("writing " + o_.csv + " failed");
    if (page_.Get())
      evaluation::WriteTtffPage(page_.Get(), TtffPageOf(o_.kind, o_.runs, result->limitMs, result->outcomes,
                                                        result->summaries, result->pass));
    if (!page_.Close()) return SetupError("writing " + o_.report + " failed");
    return static_cast<int>(result->pass ? Exit::Pass : Exit::Fail);
  }

 private:
  void WriteRow(const std::string& port, const TtffRun& run) {
    Record(port, run);
    if (!csv_.Get()) return;
    std::fprintf(csv_.Get(), "%s,%s,%s,%d,%s,%s\n", run.startedAt ? UtcText(*run.startedAt).c_str() : "",
                 CsvField(port).c_str(), o_.kind.c_str(), run.index,
                 run.ttffMs ? std::to_string(*run.ttffMs).c_str() : "", CsvField(run.failure).c_str());
    std::fflush(csv_.Get());
  }

  // Nothing when a receiver could not be set up: nothing was run.
  std::optional<TtffResult> RunCampaign() {
    // Every port is opened and heard from before the first restart: a set-up
    // error stops the campaign before it has started anywhere.
    std::vector<OpenedReceiver> receivers(o_.ports.size());
    RunSideBySide(o_.ports.size(), [&](size_t i) { receivers[i] = OpenReceiver(o_.ports[i], o_.baud); });
    bool setupFailed = false;
    for (const OpenedReceiver& r : receivers) {
      if (r.session) continue;
      SetupError(r.error);
      setupFailed = true;
    }
    if (setupFailed) return std::nullopt;

    CampaignSettings settings;
    settings.kind = KindOf(o_.kind);
    settings.runs = o_.runs;
    settings.timeoutMs = static_cast<int64_t>(o_.timeoutS * 1000);
    settings.stop = CatchInterrupt();
    std::mutex outputMutex;
    int finishedRuns = 0;
    const int totalRuns = o_.runs * static_cast<int>(o_.ports.size());
    const RunDone progress = [&](const std::string& port, const TtffRun& run) {
      std::lock_guard lock(outputMutex);
      ++finishedRuns;
      WriteRow(port, run);
      std::fprintf(stderr, "[%d/%d] %s run %d: %s\n", finishedRuns, totalRuns, port.c_str(), run.index,
                   run.ttffMs ? (Seconds(*run.ttffMs) + " s").c_str() : run.failure.c_str());
    };

    TtffResult result;
    result.outcomes.resize(o_.ports.size());
    RunSideBySide(o_.ports.size(), [&](size_t i) {
      result.outcomes[i] = RunTtffCampaign(o_.ports[i], *receivers[i].session, settings, progress);
    });

    if (o_.limited) result.limitMs = static_cast<int64_t>(o_.limitS * 1000 + 0.5);
    for (const ReceiverOutcome& out : result.outcomes) {
      // A receiver that dropped out missed its remaining runs: they count as
      // failed, and the CSV has a row for each. An interrupted campaign is
      // summed up over the runs it made, and does not pass.
      std::vector<TtffRun> runs = out.runs;
      while (!out.interrupted && static_cast<int>(runs.size()) < o_.runs) {
        runs.push_back({static_cast<int>(runs.size()) + 1, std::nullopt, "not run: " + out.failure, std::nullopt});
        WriteRow(out.port, runs.back());
      }
      result.summaries.push_back(Summarise(runs, result.limitMs));
      result.runs.push_back(std::move(runs));
      if (out.interrupted) result.summaries.back().pass = false;
      result.pass = result.pass && result.summaries.back().pass;
    }
    return result;
  }

  void Report(const TtffResult& r, std::FILE* out) const {
    if (o_.json) {
      vantrel::evaluation::JsonWriter j(out);
      j.Open('{');
      j.String("kind", o_.kind.c_str());
      j.Int("runs", o_.runs);
      if (r.limitMs)
        j.Int("limit_ms", *r.limitMs);
      else
        j.Null("limit_ms");
      j.Bool("pass", r.pass);
      j.Key("receivers");
      j.Open('[');
      for (size_t i = 0; i < r.outcomes.size(); ++i) {
        const TtffSummary& s = r.summaries[i];
        j.Open('{');
        j.StringEscaped("port", r.outcomes[i].port.c_str());
        j.Int("runs", s.runs);
        j.Int("failures", s.failures);
        const struct {
          const char* name;
          int64_t TtffFigures::*field;
        } figures[] = {{"min_ms", &TtffFigures::minMs},
                       {"median_ms", &TtffFigures::medianMs},
                       {"p95_ms", &TtffFigures::p95Ms},
                       {"max_ms", &TtffFigures::maxMs}};
        // No timed run, no figure: a 0 would be a time nobody measured.
        for (const auto& f : figures) {
          if (s.figures)
            j.Int(f.name, (*s.figures).*f.field);
          else
            j.Null(f.name);
        }
        j.Bool("pass", s.pass);
        JsonText(j, "failure", FailureText(r.outcomes[i], s));
        j.Key("results");
        j.Open('[');
        for (const TtffRun& run : r.runs[i]) {
          j.Open('{');
          j.Int("run", run.index);
          if (run.ttffMs)
            j.Int("ttff_ms", *run.ttffMs);
          else
            j.Null("ttff_ms");
          JsonText(j, "failure", run.failure);
          j.Close('}');
        }
        j.Close(']');
        j.Close('}');
      }
      j.Close(']');
      j.Close('}');
      std::fputc('\n', out);
      return;
    }
    std::fprintf(out, "%-28s %5s %5s %9s %9s %9s %9s  %s\n", "port", "runs", "fail", "min s", "median s",
                 "p95 s", "max s", "result");
    for (size_t i = 0; i < r.outcomes.size(); ++i) {
      const TtffSummary& s = r.summaries[i];
      std::string result = s.pass ? "pass" : "FAIL";
      if (const std::string why = FailureText(r.outcomes[i], s); !why.empty()) result += " (" + why + ")";
      if (s.figures)
        std::fprintf(out, "%-28s %5d %5d %9s %9s %9s %9s  %s\n", r.outcomes[i].port.c_str(), s.runs, s.failures,
                     Seconds(s.figures->minMs).c_str(), Seconds(s.figures->medianMs).c_str(),
                     Seconds(s.figures->p95Ms).c_str(), Seconds(s.figures->maxMs).c_str(), result.c_str());
      else
        std::fprintf(out, "%-28s %5d %5d %39s  %s\n", r.outcomes[i].port.c_str(), s.runs, s.failures,
                     "no run timed", result.c_str());
    }
  }

  void Record(const std::string& port, const TtffRun& run) {
    const size_t i = static_cast<size_t>(std::find(o_.ports.begin(), o_.ports.end(), port) - o_.ports.begin());
    std::optional<int64_t> limitMs;
    if (o_.limited) limitMs = static_cast<int64_t>(o_.limitS * 1000 + 0.5);
    recorder_->Record(TtffRecord(o_.kind, port, SerialOf(db_, i), run, limitMs));
  }

  TtffOptions o_;
  DatabaseOptions db_;
  std::unique_ptr<results::Recorder> recorder_;
  CLI::Option* limit_ = nullptr;
  OutputFile csv_;
  OutputFile page_;
};

}  // namespace

std::unique_ptr<BenchCommand> MakeTtffCommand() { return std::make_unique<TtffCommand>(); }

}  // namespace vantrel::benchtool
