// vantrel-bench sensitivity: the window's sensitivity sequencer with a
// signal generator, K times, and the SNR-versus-level curve.
#include <algorithm>
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
    "the SNR the receiver reports for the satellite make the curve (iteration,\n"
    "phase, level_dbm, snr). The results in dBm at the receiver and their\n"
    "spread (max - min) are printed at the end. A tracking test needs the\n"
    "satellite tracked already. The defaults are the window's lists; --tick-ms\n"
    "ticks faster than the window, for a receiver with a faster fix rate.";

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

// The results of one phase over the iterations.
struct Figures {
  std::vector<int64_t> values;
  int missing = 0;
  int64_t Spread() const {
    if (values.empty()) return 0;
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    return *hi - *lo;
  }
};

const char* PhaseName(TestPhase p) { return p == TestPhase::Acquisition ? "acquisition" : "tracking"; }

class SensitivityCommand final : public BenchCommand {
 public:
  void Declare(CLI::App& sub) override {
    sub.footer(std::string(kSensitivityHelp) + "\n\n" + kExitStatusText);
    TestSettingTexts& t = o_.settings.texts;
    sub.add_option("--port", o_.port, "the receiver's port: a path, COMn or a name under /dev")
        ->required()
        ->type_name("P");
    sub.add_option("--generator", o_.generatorPort, "the signal generator's port")
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
    CLI::Option* all = sub.add_flag("--all", o_.all, "acquisition, then tracking");
    acq->excludes(track)->excludes(all);
    track->excludes(all);
    sub.add_option("--iterations", o_.settings.iterations, "times to run the test, 1 to 10000 (1)")
        ->check(Number(1, 10000, true))
        ->type_name("K");
    sub.add_option("--tick-ms", o_.settings.tickMs, "ms between ticks, 10 to 60000 (the window's 1000)")
        ->check(Number(10, 60000, true))
        ->type_name("M");
    DeclareOutputOptions(sub, o_, "the curve as CSV rows");
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
    const SensitivityOutcome out =
        RunSensitivity(*receiver.session, generator, pauses, settings, [&](const CurvePoint& p) {
          if (csv_.Get()) {
            std::fprintf(csv_.Get(), "%d,%s,%d,%d\n", p.iteration, PhaseName(p.phase),
                         static_cast<int>(p.levelDbm), static_cast<int>(p.snr));
            std::fflush(csv_.Get());
          }
          if (p.levelDbm != lastLevel)
            std::fprintf(stderr, "iteration %d %s: level %d dBm, SNR %d\n", p.iteration, PhaseName(p.phase),
                         static_cast<int>(p.levelDbm), static_cast<int>(p.snr));
          lastLevel = p.levelDbm;
        });
    const bool written = csv_.Close();
    const bool pass = Report(out, o_.csv == "-" ? stderr : stdout);
    if (!written) return SetupError("writing " + o_.csv + " failed");
    if (page_.Get())
      evaluation::WriteSensitivityPage(page_.Get(), SensitivityPageOf(o_.port, o_.generatorPort, settings, out, pass));
    if (!page_.Close()) return SetupError("writing " + o_.report + " failed");
    return static_cast<int>(pass ? Exit::Pass : Exit::Fail);
  }

  // Prints the results; true when the run passes.
  bool Report(const SensitivityOutcome& out, std::FILE* to) const {
    const SensitivitySettings& settings = o_.settings;
    Figures acq, track;
    const bool wantAcq = settings.start != TestEvent::TrackOnlyPressed;
    const bool wantTrack = settings.start != TestEvent::AcqOnlyPressed;
    for (const SensitivityIteration& it : out.iterations) {
      for (auto [want, text, figures] :
           {std::tuple{wantAcq, &it.acquisition, &acq}, std::tuple{wantTrack, &it.tracking, &track}}) {
        if (!want) continue;
        if (const auto v = ResultDbm(*text))
          figures->values.push_back(*v);
        else
          ++figures->missing;
      }
    }
    const int expected = settings.iterations;
    const bool pass =
        out.failure.empty() &&
        (!wantAcq || (acq.missing == 0 && static_cast<int>(acq.values.size()) == expected)) &&
        (!wantTrack || (track.missing == 0 && static_cast<int>(track.values.size()) == expected));
    if (o_.json) {
      evaluation::JsonWriter j(to);
      j.Open('{');
      j.StringEscaped("port", o_.port.c_str());
      j.StringEscaped("generator", o_.generatorPort.c_str());
      j.Int("iterations", expected);
      j.Bool("pass", pass);
      j.StringEscaped("failure", out.failure.c_str());
      for (auto [want, name, figures] :
           {std::tuple{wantAcq, "acquisition", &acq}, std::tuple{wantTrack, "tracking", &track}}) {
        if (!want) continue;
        j.Key(name);
        j.Open('{');
        j.Key("results_dbm");
        j.Open('[');
        for (size_t k = 0; k < figures->values.size(); ++k)
          std::fprintf(to, "%s%lld", k ? ", " : "", static_cast<long long>(figures->values[k]));
        j.Close(']');
        j.Int("missing", figures->missing);
        // No result, no spread: a 0 would be a figure nobody measured.
        if (figures->values.empty())
          j.Null("spread_db");
        else
          j.Int("spread_db", figures->Spread());
        j.Close('}');
      }
      j.Close('}');
      std::fputc('\n', to);
    } else {
      for (size_t i = 0; i < out.iterations.size(); ++i)
        std::fprintf(to, "iteration %zu: acquisition %s dBm, tracking %s dBm\n", i + 1,
                     out.iterations[i].acquisition.c_str(), out.iterations[i].tracking.c_str());
      for (auto [want, name, figures] :
           {std::tuple{wantAcq, "acquisition", &acq}, std::tuple{wantTrack, "tracking", &track}}) {
        if (!want) continue;
        if (figures->values.empty())
          std::fprintf(to, "%s spread: none (no result)\n", name);
        else
          std::fprintf(to, "%s spread: %lld dB\n", name, static_cast<long long>(figures->Spread()));
      }
      std::fprintf(to, "%s%s\n", pass ? "pass" : "FAIL",
                   out.failure.empty() ? "" : (" (" + out.failure + ")").c_str());
    }
    return pass;
  }

  SensitivityOptions o_;
  OutputFile csv_;
  OutputFile page_;
};

}  // namespace

std::unique_ptr<BenchCommand> MakeSensitivityCommand() { return std::make_unique<SensitivityCommand>(); }

}  // namespace vantrel::benchtool
