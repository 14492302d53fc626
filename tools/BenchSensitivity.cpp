// vantrel-bench sensitivity: the window's sensitivity sequencer with a
// signal generator, K times, and the SNR-versus-level curve.
#include <algorithm>
#include <optional>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <tuple>
#include <variant>
#include <vector>

#include "link/SerialPort.h"
#include "testbench/GeneratorLink.h"
#include "tools/BenchCommands.h"
#include "tools/BenchOptions.h"
#include "tools/BenchRecording.h"
#include "evaluation/Json.h"
#include "tools/BenchReport.h"
#include "tools/SensitivityRun.h"
#include "tools/TtffCampaign.h"

namespace vantrel::benchtool {
namespace {

constexpr const char kSensitivityHelp[] =
    "Runs the window's sensitivity test (the same sequencer, one tick a\n"
    "second) K times with the signal generator on port G: the generator's\n"
    "level falls step by step until the receiver loses the generator's\n"
    "satellite (acquisition: no longer acquires it within the time-out;\n"
    "tracking: no longer holds it above the threshold for the duration).\n"
    "Each level step goes to standard error; with --csv each tick's level and\n"
    "the SNR the receiver reports for the satellite (empty when not seen) make\n"
    "the curve (iteration, phase, level_dbm, snr).\n"
    "\n"
    "Each iteration gives, in dBm at the receiver (the generator's level less\n"
    "--degrade), the last level held: the lowest level at which the receiver\n"
    "held the satellite for the duration (tracking) or acquired it within the\n"
    "time-out (acquisition); and the first level lost: the level after it, at\n"
    "which it lost or did not acquire the satellite (the window's result; none\n"
    "when it held on down to the floor of -145 dBm at the generator). An\n"
    "iteration without a level held has no result, only its reason: \"satellite\n"
    "not tracked at the start level\", \"satellite not acquired at the start\n"
    "level\", \"receiver gone\", \"no answer in 5 s\" (the receiver sent nothing\n"
    "for 5 s), \"interrupted\" or the generator's failure (JSON: null). The\n"
    "spread (largest less smallest) of each level is printed at the end. A\n"
    "tracking test needs the satellite tracked already. The defaults are the\n"
    "window's lists; --tick-ms ticks faster than the window, for a receiver\n"
    "with a faster fix rate.";

class SleepPauses final : public IPauses {
 public:
  void Sleep(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

struct SensitivityOptions : OutputOptions {
  std::string port, generatorPort, generatorBaud = "19200";
  long baud = 38400;
  bool acq = false, track = false, all = false;
  SensitivitySettings settings;
};

// A phase's levels over the iterations.
struct Figures {
  std::vector<int64_t> held, lost;
  int failures = 0;  // iterations without a level held
  static std::optional<int64_t> Spread(const std::vector<int64_t>& values) {
    if (values.empty()) return std::nullopt;
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    return *hi - *lo;
  }
};

std::string DbmText(const std::optional<int64_t>& v, const char* none) {
  return v ? std::to_string(*v) + " dB" : none;
}

// Why a phase failed: the reasons of its iterations, each once.
std::string Reasons(const std::vector<const PhaseResult*>& results) {
  std::string text;
  std::vector<std::string> seen;
  for (const PhaseResult* r : results) {
    if (r->heldDbm || std::find(seen.begin(), seen.end(), r->failure) != seen.end()) continue;
    seen.push_back(r->failure);
    text += (text.empty() ? "" : "; ") + r->failure;
  }
  return text;
}

const char* PhaseName(TestPhase p) { return p == TestPhase::Acquisition ? "acquisition" : "tracking"; }

class SensitivityCommand final : public BenchCommand {
 public:
  void Declare(CLI::App& sub) override {
    sub.footer(std::string(kSensitivityHelp) + "\n\n" + kExitStatusText);
    TestSettingTexts& t = o_.settings.texts;
    sub.add_option("--port", o_.port, "the receiver's port: a path, COMn or a name under /dev")
        ->transform(PortArgument)
        ->required()
        ->type_name("P");
    sub.add_option("--generator", o_.generatorPort, "the signal generator's port")
        ->transform(PortArgument)
        ->required()
        ->type_name("G");
    sub.add_option("--baud", o_.baud, "the receiver's baud rate, 300 to 4000000 (38400)")
        ->check(Number(300, 4000000, true))
        ->type_name("B");
    sub.add_option("--generator-baud", o_.generatorBaud, "the generator's baud rate, 300 to 4000000 (19200)")
        ->check(Number(300, 4000000, true))
        ->type_name("B");
    // The sequencer takes its settings as the lists' texts; the ranges here
    // keep a typing error from running for hours.
    sub.add_option("--sv", t.SvId, "the satellite the generator simulates, 1 to 255 (14)")
        ->check(Number(1, 255, true))
        ->type_name("N");
    sub.add_option("--degrade", t.Degrade, "dB from the generator to the receiver, 0 to 200 (40)")
        ->check(Number(0, 200, true))
        ->type_name("DB");
    sub.add_option("--acq-cnr", t.AcqCnr, "acquisition threshold, 0 to 99 dB-Hz (20)")
        ->check(Number(0, 99, true))
        ->type_name("N");
    sub.add_option("--acq-timeout", t.AcqTimeout, "seconds to acquire at each level, 1 to 86400 (60)")
        ->check(Number(1, 86400, true))
        ->type_name("S");
    sub.add_option("--track-cnr", t.TrackCnr, "tracking threshold, 0 to 99 dB-Hz (15)")
        ->check(Number(0, 99, true))
        ->type_name("N");
    sub.add_option("--track-duration", t.TrackDuration, "seconds to hold at each level, 1 to 86400 (30)")
        ->check(Number(1, 86400, true))
        ->type_name("S");
    CLI::Option* acq = sub.add_flag("--acq", o_.acq, "the acquisition test only");
    CLI::Option* track = sub.add_flag("--track", o_.track, "the tracking test only");
    CLI::Option* all = sub.add_flag("--all", o_.all, "tracking, then acquisition (the window's Test All)");
    acq->excludes(track)->excludes(all);
    track->excludes(all);
    sub.add_option("--iterations", o_.settings.iterations, "times to run the test, 1 to 10000 (1)")
        ->check(Number(1, 10000, true))
        ->type_name("K");
    sub.add_option("--tick-ms", o_.settings.tickMs, "ms between ticks, 10 to 60000 (the window's 1000)")
        ->check(Number(10, 60000, true))
        ->type_name("M");
    DeclareOutputOptions(sub, o_, "the curve as CSV rows");
    DeclareDatabaseOptions(sub, db_, false);
    sub.add_option("--serial", serial_, "the unit's serial number")->type_name("SN");
  }

  int Run() override {
    SensitivitySettings& settings = o_.settings;
    if (!o_.acq && !o_.track && !o_.all) return Usage("sensitivity needs --acq, --track or --all");
    if (o_.json && o_.csv == "-") return Usage("--json and --csv - cannot both have standard output");
    settings.start = o_.acq     ? TestEvent::AcqOnlyPressed
                     : o_.track ? TestEvent::TrackOnlyPressed
                                : TestEvent::TestAllPressed;
    if (const auto parsed = ParseTestSettings(settings.texts);
        const std::string* why = std::get_if<std::string>(&parsed))
      return Usage(*why);
    if (!GeneratorSvLine(settings.texts.SvId).ok()) return Usage(SvTextTooLongMessage(settings.texts.SvId));

    if (!o_.csv.empty()) {
      if (const std::string why = csv_.Open(o_.csv, o_.force); !why.empty()) return SetupError(why);
    }
    if (!o_.report.empty()) {
      if (const std::string why = page_.Open(o_.report, o_.force); !why.empty()) return SetupError(why);
    }
    const int status = RunWithCsv();
    // A set-up error ran nothing: no file is left behind.
    if (status == static_cast<int>(Exit::Usage) && page_.Close() && !o_.report.empty())
      std::remove(o_.report.c_str());
    if (status == static_cast<int>(Exit::Usage) && csv_.Close() && !o_.csv.empty() && o_.csv != "-")
      std::remove(o_.csv.c_str());
    return status;
  }

 private:
  static int Usage(const std::string& why) {
    std::fprintf(stderr, "vantrel-bench: %s\n(\"vantrel-bench sensitivity --help\" shows the usage)\n",
                 why.c_str());
    return static_cast<int>(Exit::Usage);
  }

  int RunWithCsv() {
    SensitivitySettings& settings = o_.settings;
    recorder_ = OpenRecorder(db_);
    if (!recorder_) return static_cast<int>(Exit::Usage);
    OpenedReceiver receiver = OpenReceiver(o_.port, o_.baud);
    if (!receiver.session) return SetupError(receiver.error);
    SleepPauses pauses;
    GeneratorLink generator(pauses);
    auto ports = MakePosixSerialPortFactory();
    switch (generator.Open(*ports, o_.generatorPort, o_.generatorBaud)) {
      case GeneratorLink::OpenOutcome::CannotOpen:
        return SetupError("the generator is missing: cannot open " + o_.generatorPort);
      case GeneratorLink::OpenOutcome::SettingsRefused:
        return SetupError("the generator's port " + o_.generatorPort + " refuses " + o_.generatorBaud +
                          " baud");
      case GeneratorLink::OpenOutcome::Opened:
        break;
    }
    generator.SendStartLines(settings.texts.SvId);
    settings.stop = CatchInterrupt();

    if (csv_.Get()) std::fputs("iteration,phase,level_dbm,snr\n", csv_.Get());
    int32_t lastLevel = 1;
    int64_t steps = 0;
    const SensitivityOutcome out =
        RunSensitivity(*receiver.session, generator, pauses, settings, [&](const CurvePoint& p) {
          const std::string snr = p.snr ? std::to_string(*p.snr) : "";
          recorder_->Record(StepRecord(o_.port, serial_, ++steps, p));
          if (csv_.Get()) {
            std::fprintf(csv_.Get(), "%d,%s,%d,%s\n", p.iteration, PhaseName(p.phase),
                         static_cast<int>(p.levelDbm), snr.c_str());
            std::fflush(csv_.Get());
          }
          if (p.levelDbm != lastLevel)
            std::fprintf(stderr, "iteration %d %s: level %d dBm, %s\n", p.iteration, PhaseName(p.phase),
                         static_cast<int>(p.levelDbm), p.snr ? ("SNR " + snr).c_str() : "satellite not seen");
          lastLevel = p.levelDbm;
        });
    const bool written = csv_.Close();
    const bool pass = Report(out, o_.csv == "-" ? stderr : stdout);
    for (size_t i = 0; i < out.iterations.size(); ++i) {
      const int n = static_cast<int>(i + 1);
      if (const auto& acq = out.iterations[i].acquisition)
        recorder_->Record(SensitivityRecord(o_.port, serial_, TestPhase::Acquisition, n, *acq));
      if (const auto& track = out.iterations[i].tracking)
        recorder_->Record(SensitivityRecord(o_.port, serial_, TestPhase::Tracking, n, *track));
    }
    if (!FinishRecorder(*recorder_, db_)) return static_cast<int>(Exit::NotStored);
    if (!written) return SetupError("writing " + o_.csv + " failed");
    if (page_.Get())
      evaluation::WriteSensitivityPage(page_.Get(), SensitivityPageOf(o_.port, o_.generatorPort, settings, out, pass));
    if (!page_.Close()) return SetupError("writing " + o_.report + " failed");
    return static_cast<int>(pass ? Exit::Pass : Exit::Fail);
  }

  // Prints the results; true when the run passes: every iteration held a
  // level in every phase.
  bool Report(const SensitivityOutcome& out, std::FILE* to) const {
    const SensitivitySettings& settings = o_.settings;
    const int expected = settings.iterations;
    struct Phase {
      const char* name;
      std::optional<PhaseResult> SensitivityIteration::*field;
      std::vector<const PhaseResult*> results;  // one per iteration asked for
      Figures figures;
    };
    // The iterations a stopped run did not make have no result either.
    const PhaseResult notRun{std::nullopt, std::nullopt, "not run: " + out.failure};
    std::vector<Phase> phases;
    if (settings.start != TestEvent::AcqOnlyPressed) phases.push_back({"tracking", &SensitivityIteration::tracking, {}, {}});
    if (settings.start != TestEvent::TrackOnlyPressed)
      phases.push_back({"acquisition", &SensitivityIteration::acquisition, {}, {}});
    bool pass = out.failure.empty();
    for (Phase& phase : phases) {
      for (int i = 0; i < expected; ++i) {
        const std::optional<PhaseResult>* r =
            i < static_cast<int>(out.iterations.size()) ? &(out.iterations[i].*phase.field) : nullptr;
        phase.results.push_back(r && *r ? &**r : &notRun);
        const PhaseResult& result = *phase.results.back();
        if (result.heldDbm) phase.figures.held.push_back(*result.heldDbm);
        else ++phase.figures.failures;
        if (result.lostDbm) phase.figures.lost.push_back(*result.lostDbm);
      }
      pass = pass && phase.figures.failures == 0;
    }
    std::string failure = out.failure;
    for (const Phase& phase : phases)
      if (const std::string why = Reasons(phase.results); failure.empty() && !why.empty()) failure = why;

    if (o_.json) {
      evaluation::JsonWriter j(to);
      const auto dbm = [&](const char* name, const std::optional<int64_t>& v) {
        if (v) j.Int(name, *v);
        else j.Null(name);
      };
      const auto text = [&](const char* name, const std::string& v) {
        if (v.empty()) j.Null(name);
        else j.StringEscaped(name, v.c_str());
      };
      j.Open('{');
      j.StringEscaped("port", o_.port.c_str());
      j.StringEscaped("generator", o_.generatorPort.c_str());
      j.Int("iterations", expected);
      j.Bool("pass", pass);
      text("failure", failure);
      for (const Phase& phase : phases) {
        j.Key(phase.name);
        j.Open('{');
        j.Key("results");
        j.Open('[');
        for (const PhaseResult* r : phase.results) {
          j.Open('{');
          dbm("held_dbm", r->heldDbm);
          dbm("lost_dbm", r->lostDbm);
          text("failure", r->failure);
          j.Close('}');
        }
        j.Close(']');
        j.Int("failures", phase.figures.failures);
        // No result, no spread: a 0 would be a figure nobody measured.
        dbm("held_spread_db", Figures::Spread(phase.figures.held));
        dbm("lost_spread_db", Figures::Spread(phase.figures.lost));
        j.Close('}');
      }
      j.Close('}');
      std::fputc('\n', to);
      return pass;
    }
    for (const Phase& phase : phases) {
      for (size_t i = 0; i < phase.results.size(); ++i) {
        const PhaseResult& r = *phase.results[i];
        if (!r.heldDbm)
          std::fprintf(to, "iteration %zu %s: no result (%s)\n", i + 1, phase.name, r.failure.c_str());
        else if (!r.lostDbm)
          std::fprintf(to, "iteration %zu %s: held %lld dBm, not lost down to the floor\n", i + 1, phase.name,
                       static_cast<long long>(*r.heldDbm));
        else
          std::fprintf(to, "iteration %zu %s: held %lld dBm, lost %lld dBm\n", i + 1, phase.name,
                       static_cast<long long>(*r.heldDbm), static_cast<long long>(*r.lostDbm));
      }
    }
    for (const Phase& phase : phases) {
      if (phase.figures.held.empty())
        std::fprintf(to, "%s: no result in any iteration\n", phase.name);
      else
        std::fprintf(to, "%s spread: held %s, lost %s\n", phase.name,
                     DbmText(Figures::Spread(phase.figures.held), "none").c_str(),
                     DbmText(Figures::Spread(phase.figures.lost), "none").c_str());
    }
    std::fprintf(to, "%s%s\n", pass ? "pass" : "FAIL", failure.empty() ? "" : (" (" + failure + ")").c_str());
    return pass;
  }

  SensitivityOptions o_;
  DatabaseOptions db_;
  std::string serial_;
  std::unique_ptr<results::Recorder> recorder_;
  OutputFile csv_;
  OutputFile page_;
};

}  // namespace

std::unique_ptr<BenchCommand> MakeSensitivityCommand() { return std::make_unique<SensitivityCommand>(); }

}  // namespace vantrel::benchtool
