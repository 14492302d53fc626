// vantrel-bench: lab automation on the command line. "ttff" runs restarts on
// several receivers side by side, one thread each, with the window's command
// bytes and pauses, and reports the times to first fix; "sensitivity" runs
// the window's sensitivity sequencer with a signal generator.
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <variant>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "link/SerialPort.h"
#include "testbench/GeneratorLink.h"
#include "evaluation/Json.h"
#include "tools/SensitivityRun.h"
#include "tools/TtffCampaign.h"
#include "tools/TtffStats.h"

namespace {

using namespace vantrel::benchtool;

// Exit status: what a CI job or a production-line script acts on.
enum class Exit : int { Pass = 0, Fail = 1, Usage = 2 };

constexpr const char* kUsage =
    "usage: vantrel-bench ttff --port P [--port P2 ...] [--baud B] --kind hot|warm|cold\n"
    "                          --runs N [--timeout S] [--limit S] [--csv FILE] [--json]\n"
    "\n"
    "ttff  restarts each receiver N times with the same command bytes and pauses\n"
    "      as the window and times each restart on a monotonic clock, from the\n"
    "      write of the restart command to the arrival of the first sentence that\n"
    "      reports a fix (a GGA or GNS quality above 0, a GSA mode 2D or 3D, an\n"
    "      RMC status A, of any talker), to the millisecond. The ports run in\n"
    "      parallel, one reader per receiver. Prints the minimum, median, 95th\n"
    "      percentile (nearest rank), maximum and failures of each receiver and\n"
    "      whether it passes: every run timed and, with --limit, none longer\n"
    "      than S seconds. Progress goes to standard error.\n"
    "\n"
    "       vantrel-bench sensitivity --port P --generator G [--baud B]\n"
    "                          [--generator-baud B] [--sv N] [--degrade DB]\n"
    "                          [--acq-cnr N] [--acq-timeout S] [--track-cnr N]\n"
    "                          [--track-duration S] --acq|--track|--all\n"
    "                          [--iterations K] [--tick-ms M] [--csv FILE] [--json]\n"
    "\n"
    "sensitivity  runs the window's sensitivity test (the same sequencer, one\n"
    "      tick a second) K times with the signal generator on port G: each\n"
    "      level step and the SNR the receiver reports for the generator's\n"
    "      satellite at it go to the curve CSV (iteration, phase, level_dbm,\n"
    "      snr; default vantrel-bench-curve.csv), the results in dBm at the\n"
    "      receiver and their spread (max - min) to the summary. Defaults as the\n"
    "      window's lists: --sv 14, --degrade 40, --acq-cnr 20, --acq-timeout\n"
    "      60, --track-cnr 15, --track-duration 30, --generator-baud 19200.\n"
    "      A tracking test needs the satellite tracked already. --tick-ms M\n"
    "      ticks every M ms instead of the window's 1000 (quicker runs on a\n"
    "      receiver with a faster fix rate).\n"
    "\n"
    "ttff options:\n"
    "  --port P     the receiver's port: a path, COMn or a name under /dev\n"
    "  --baud B     the receivers' baud rate (38400)\n"
    "  --kind K     hot, warm or cold\n"
    "  --runs N     restarts per receiver\n"
    "  --timeout S  seconds to wait for a fix before the run counts as failed (1000)\n"
    "  --limit S    the longest time to first fix that passes, in seconds\n"
    "  --csv FILE   every run as a CSV row: port, run, ttff_ms, failure\n"
    "               (default vantrel-bench-ttff.csv; \"-\" for none)\n"
    "  --json       the summary as one JSON object on standard output\n"
    "\n"
    "Exit status: 0 every receiver passes (sensitivity: every iteration gave a\n"
    "result), 1 a receiver fails (a run without a fix, a receiver gone, a time\n"
    "over the limit, a sensitivity test without a result), 2 a wrong command\n"
    "line or a set-up error (a port that will not open, a receiver that never\n"
    "answers, a generator that is missing).\n"
    "\n"
    "Ctrl-C (or SIGTERM) ends a campaign with the summary of the runs made so\n"
    "far, marked \"interrupted\", and exit status 1; a second Ctrl-C ends it at\n"
    "once.\n";

struct Options {
  std::vector<std::string> ports;
  long baud = 38400;
  vantrel::Restart kind = vantrel::Restart::None;
  int runs = 0;
  double timeoutS = 1000;
  std::optional<double> limitS;
  std::string csv = "vantrel-bench-ttff.csv";
  bool json = false;
};

int UsageError(const std::string& why) {
  std::fprintf(stderr, "vantrel-bench: %s\n(\"vantrel-bench --help\" shows the usage)\n", why.c_str());
  return static_cast<int>(Exit::Usage);
}

bool ParseNumber(std::string_view text, double& out) {
  const std::string s(text);
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return !s.empty() && end && *end == '\0' && out >= 0;
}

// An error message when the command line is wrong, empty when `o` is filled.
std::string ParseTtff(int argc, char** argv, Options& o) {
  for (int i = 2; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--json") {
      o.json = true;
      continue;
    }
    if (i + 1 >= argc) return "option " + std::string(a) + " needs a value";
    const std::string_view v = argv[++i];
    double d = 0;
    if (a == "--port") o.ports.emplace_back(v);
    else if (a == "--baud" && ParseNumber(v, d) && d >= 1) o.baud = static_cast<long>(d);
    else if (a == "--kind" && v == "hot") o.kind = vantrel::Restart::Hot;
    else if (a == "--kind" && v == "warm") o.kind = vantrel::Restart::Warm;
    else if (a == "--kind" && v == "cold") o.kind = vantrel::Restart::Cold;
    else if (a == "--runs" && ParseNumber(v, d) && d >= 1 && d == static_cast<int>(d)) o.runs = static_cast<int>(d);
    else if (a == "--timeout" && ParseNumber(v, d) && d > 0) o.timeoutS = d;
    else if (a == "--limit" && ParseNumber(v, d)) o.limitS = d;
    else if (a == "--csv") o.csv = v;
    else return "bad option or value: " + std::string(a) + " " + std::string(v);
  }
  if (o.ports.empty()) return "ttff needs at least one --port";
  if (o.kind == vantrel::Restart::None) return "ttff needs --kind hot, warm or cold";
  if (o.runs < 1) return "ttff needs --runs N (1 or more)";
  return "";
}

// Ctrl-C or a kill ends a long campaign with the summary of what it did; a
// second Ctrl-C ends it at once.
std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int) { gInterrupted.store(true, std::memory_order_relaxed); }

void CatchInterrupt() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

std::string FailureText(const vantrel::benchtool::ReceiverOutcome& out) {
  if (!out.failure.empty()) return out.failure;
  return out.interrupted ? "interrupted" : "";
}

std::string Seconds(int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(ms) / 1000.0);
  return text;
}

int RunTtff(int argc, char** argv) {
  Options o;
  if (const std::string why = ParseTtff(argc, argv, o); !why.empty()) return UsageError(why);

  std::FILE* csv = nullptr;
  if (o.csv != "-") {
    csv = std::fopen(o.csv.c_str(), "w");
    if (!csv) return UsageError("cannot write " + o.csv);
    std::fputs("port,run,ttff_ms,failure\n", csv);
  }

  // Every port is opened and heard from before the first restart: a set-up
  // error stops the campaign before it has started anywhere.
  std::vector<OpenedReceiver> receivers(o.ports.size());
  {
    std::vector<std::thread> openers;
    for (size_t i = 0; i < o.ports.size(); ++i)
      openers.emplace_back([&, i] { receivers[i] = OpenReceiver(o.ports[i], o.baud); });
    for (std::thread& t : openers) t.join();
  }
  bool setupFailed = false;
  for (const OpenedReceiver& r : receivers) {
    if (!r.link) {
      std::fprintf(stderr, "vantrel-bench: %s\n", r.error.c_str());
      setupFailed = true;
    }
  }
  if (setupFailed) {
    if (csv) std::fclose(csv);
    return static_cast<int>(Exit::Usage);
  }

  CampaignSettings settings;
  settings.kind = o.kind;
  settings.runs = o.runs;
  settings.timeoutMs = static_cast<int64_t>(o.timeoutS * 1000);
  settings.stop = &gInterrupted;
  CatchInterrupt();
  std::mutex outputMutex;
  int finishedRuns = 0;
  const int totalRuns = o.runs * static_cast<int>(o.ports.size());
  const RunDone progress = [&](const std::string& port, const TtffRun& run) {
    std::lock_guard lock(outputMutex);
    ++finishedRuns;
    if (csv) {
      std::fprintf(csv, "%s,%d,%s,%s\n", port.c_str(), run.index,
                   run.ttffMs ? std::to_string(*run.ttffMs).c_str() : "", run.failure.c_str());
      std::fflush(csv);
    }
    std::fprintf(stderr, "[%d/%d] %s run %d: %s\n", finishedRuns, totalRuns, port.c_str(), run.index,
                 run.ttffMs ? (Seconds(*run.ttffMs) + " s").c_str() : run.failure.c_str());
  };

  std::vector<ReceiverOutcome> outcomes(o.ports.size());
  {
    std::vector<std::thread> campaigns;
    for (size_t i = 0; i < o.ports.size(); ++i)
      campaigns.emplace_back(
          [&, i] { outcomes[i] = RunTtffCampaign(o.ports[i], *receivers[i].link, settings, progress); });
    for (std::thread& t : campaigns) t.join();
  }
  if (csv) std::fclose(csv);

  std::optional<int64_t> limitMs;
  if (o.limitS) limitMs = static_cast<int64_t>(*o.limitS * 1000 + 0.5);
  bool allPass = true;
  std::vector<TtffSummary> summaries;
  for (const ReceiverOutcome& out : outcomes) {
    // A receiver that dropped out missed its remaining runs: they count as
    // failed. An interrupted campaign is summed up over the runs it made,
    // and does not pass.
    std::vector<TtffRun> runs = out.runs;
    while (!out.interrupted && static_cast<int>(runs.size()) < o.runs)
      runs.push_back({static_cast<int>(runs.size()) + 1, std::nullopt, out.failure});
    summaries.push_back(Summarise(runs, limitMs));
    if (out.interrupted) summaries.back().pass = false;
    allPass = allPass && summaries.back().pass;
  }

  if (o.json) {
    vantrel::evaluation::JsonWriter j(stdout);
    j.Open('{');
    j.String("kind", o.kind == vantrel::Restart::Hot ? "hot" : o.kind == vantrel::Restart::Warm ? "warm" : "cold");
    j.Int("runs", o.runs);
    if (limitMs) j.Int("limit_ms", *limitMs);
    else j.Null("limit_ms");
    j.Bool("pass", allPass);
    j.Key("receivers");
    j.Open('[');
    for (size_t i = 0; i < outcomes.size(); ++i) {
      const TtffSummary& s = summaries[i];
      j.Open('{');
      j.StringEscaped("port", outcomes[i].port.c_str());
      j.Int("runs", s.runs);
      j.Int("failures", s.failures);
      j.Int("min_ms", s.minMs);
      j.Int("median_ms", s.medianMs);
      j.Int("p95_ms", s.p95Ms);
      j.Int("max_ms", s.maxMs);
      j.Bool("pass", s.pass);
      j.StringEscaped("failure", FailureText(outcomes[i]).c_str());
      j.Close('}');
    }
    j.Close(']');
    j.Close('}');
    std::fputc('\n', stdout);
  } else {
    std::printf("%-28s %5s %5s %9s %9s %9s %9s  %s\n", "port", "runs", "fail", "min s", "median s", "p95 s",
                "max s", "result");
    for (size_t i = 0; i < outcomes.size(); ++i) {
      const TtffSummary& s = summaries[i];
      std::string result = s.pass ? "pass" : "FAIL";
      if (const std::string why = FailureText(outcomes[i]); !why.empty()) result += " (" + why + ")";
      std::printf("%-28s %5d %5d %9s %9s %9s %9s  %s\n", outcomes[i].port.c_str(), s.runs, s.failures,
                  Seconds(s.minMs).c_str(), Seconds(s.medianMs).c_str(), Seconds(s.p95Ms).c_str(),
                  Seconds(s.maxMs).c_str(), result.c_str());
    }
  }
  return static_cast<int>(allPass ? Exit::Pass : Exit::Fail);
}


class SleepPauses final : public vantrel::IPauses {
 public:
  void Sleep(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

int RunSensitivityCommand(int argc, char** argv) {
  std::string port, generatorPort, csvPath = "vantrel-bench-curve.csv", generatorBaud = "19200";
  long baud = 38400;
  bool json = false;
  SensitivitySettings settings;
  bool startGiven = false;
  for (int i = 2; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--json") {
      json = true;
      continue;
    }
    if (a == "--acq" || a == "--track" || a == "--all") {
      settings.start = a == "--acq"     ? vantrel::TestEvent::AcqOnlyPressed
                       : a == "--track" ? vantrel::TestEvent::TrackOnlyPressed
                                        : vantrel::TestEvent::TestAllPressed;
      startGiven = true;
      continue;
    }
    if (i + 1 >= argc) return UsageError("option " + std::string(a) + " needs a value");
    const std::string v = argv[++i];
    double d = 0;
    // The sequencer reads its settings as the lists' texts and refuses
    // what is not a whole number itself.
    if (a == "--port") port = v;
    else if (a == "--generator") generatorPort = v;
    else if (a == "--baud" && ParseNumber(v, d) && d >= 1) baud = static_cast<long>(d);
    else if (a == "--generator-baud") generatorBaud = v;
    else if (a == "--sv") settings.texts.SvId = v;
    else if (a == "--degrade") settings.texts.Degrade = v;
    else if (a == "--acq-cnr") settings.texts.AcqCnr = v;
    else if (a == "--acq-timeout") settings.texts.AcqTimeout = v;
    else if (a == "--track-cnr") settings.texts.TrackCnr = v;
    else if (a == "--track-duration") settings.texts.TrackDuration = v;
    else if (a == "--iterations" && ParseNumber(v, d) && d >= 1 && d == static_cast<int>(d))
      settings.iterations = static_cast<int>(d);
    else if (a == "--tick-ms" && ParseNumber(v, d) && d >= 10) settings.tickMs = static_cast<int>(d);
    else if (a == "--csv") csvPath = v;
    else return UsageError("bad option or value: " + std::string(a) + " " + v);
  }
  if (port.empty()) return UsageError("sensitivity needs --port");
  if (generatorPort.empty()) return UsageError("sensitivity needs --generator");
  if (!startGiven) return UsageError("sensitivity needs --acq, --track or --all");
  if (const auto parsed = vantrel::ParseTestSettings(settings.texts);
      const std::string* why = std::get_if<std::string>(&parsed))
    return UsageError(*why);
  if (!vantrel::GeneratorSvLine(settings.texts.SvId).ok())
    return UsageError(vantrel::SvTextTooLongMessage(settings.texts.SvId));

  OpenedReceiver receiver = OpenReceiver(port, baud);
  if (!receiver.link) {
    std::fprintf(stderr, "vantrel-bench: %s\n", receiver.error.c_str());
    return static_cast<int>(Exit::Usage);
  }
  SleepPauses pauses;
  vantrel::GeneratorLink generator(pauses);
  auto ports = vantrel::MakePosixSerialPortFactory();
  switch (generator.Open(*ports, generatorPort, generatorBaud)) {
    case vantrel::GeneratorLink::OpenOutcome::CannotOpen:
      std::fprintf(stderr, "vantrel-bench: the generator is missing: cannot open %s\n", generatorPort.c_str());
      return static_cast<int>(Exit::Usage);
    case vantrel::GeneratorLink::OpenOutcome::SettingsRefused:
      std::fprintf(stderr, "vantrel-bench: the generator's port %s refuses %s baud\n", generatorPort.c_str(),
                   generatorBaud.c_str());
      return static_cast<int>(Exit::Usage);
    case vantrel::GeneratorLink::OpenOutcome::Opened:
      break;
  }
  generator.SendStartLines(settings.texts.SvId);
  settings.stop = &gInterrupted;
  CatchInterrupt();

  std::FILE* csv = nullptr;
  if (csvPath != "-") {
    csv = std::fopen(csvPath.c_str(), "w");
    if (!csv) return UsageError("cannot write " + csvPath);
    std::fputs("iteration,phase,level_dbm,snr\n", csv);
  }
  const auto phaseName = [](vantrel::TestPhase p) {
    return p == vantrel::TestPhase::Acquisition ? "acquisition" : "tracking";
  };
  int32_t lastLevel = 1;
  const SensitivityOutcome out = RunSensitivity(*receiver.link, generator, pauses, settings, [&](const CurvePoint& p) {
    if (csv) {
      std::fprintf(csv, "%d,%s,%d,%d\n", p.iteration, phaseName(p.phase), static_cast<int>(p.levelDbm),
                   static_cast<int>(p.snr));
      std::fflush(csv);
    }
    if (p.levelDbm != lastLevel)
      std::fprintf(stderr, "iteration %d %s: level %d dBm, SNR %d\n", p.iteration, phaseName(p.phase),
                   static_cast<int>(p.levelDbm), static_cast<int>(p.snr));
    lastLevel = p.levelDbm;
  });
  if (csv) std::fclose(csv);

  struct Figures {
    std::vector<int64_t> values;
    int missing = 0;
    int64_t Spread() const {
      if (values.empty()) return 0;
      const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
      return *hi - *lo;
    }
  } acq, track;
  const bool wantAcq = settings.start != vantrel::TestEvent::TrackOnlyPressed;
  const bool wantTrack = settings.start != vantrel::TestEvent::AcqOnlyPressed;
  for (const SensitivityIteration& it : out.iterations) {
    for (auto [want, text, figures] : {std::tuple{wantAcq, &it.acquisition, &acq},
                                       std::tuple{wantTrack, &it.tracking, &track}}) {
      if (!want) continue;
      if (const auto v = ResultDbm(*text)) figures->values.push_back(*v);
      else ++figures->missing;
    }
  }
  const int expected = settings.iterations;
  const bool pass = out.failure.empty() &&
                    (!wantAcq || (acq.missing == 0 && static_cast<int>(acq.values.size()) == expected)) &&
                    (!wantTrack || (track.missing == 0 && static_cast<int>(track.values.size()) == expected));
  if (json) {
    vantrel::evaluation::JsonWriter j(stdout);
    j.Open('{');
    j.StringEscaped("port", port.c_str());
    j.StringEscaped("generator", generatorPort.c_str());
    j.Int("iterations", expected);
    j.Bool("pass", pass);
    j.StringEscaped("failure", out.failure.c_str());
    for (auto [want, name, figures] : {std::tuple{wantAcq, "acquisition", &acq},
                                       std::tuple{wantTrack, "tracking", &track}}) {
      if (!want) continue;
      j.Key(name);
      j.Open('{');
      j.Key("results_dbm");
      j.Open('[');
      for (size_t k = 0; k < figures->values.size(); ++k)
        std::printf("%s%lld", k ? ", " : "", static_cast<long long>(figures->values[k]));
      j.Close(']');
      j.Int("missing", figures->missing);
      j.Int("spread_db", figures->Spread());
      j.Close('}');
    }
    j.Close('}');
    std::fputc('\n', stdout);
  } else {
    for (size_t i = 0; i < out.iterations.size(); ++i)
      std::printf("iteration %zu: acquisition %s dBm, tracking %s dBm\n", i + 1,
                  out.iterations[i].acquisition.c_str(), out.iterations[i].tracking.c_str());
    if (wantAcq) std::printf("acquisition spread: %lld dB\n", static_cast<long long>(acq.Spread()));
    if (wantTrack) std::printf("tracking spread: %lld dB\n", static_cast<long long>(track.Spread()));
    std::printf("%s%s\n", pass ? "pass" : "FAIL", out.failure.empty() ? "" : (" (" + out.failure + ")").c_str());
  }
  return static_cast<int>(pass ? Exit::Pass : Exit::Fail);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return UsageError("a subcommand is needed: ttff or sensitivity");
  const std::string_view sub = argv[1];
  if (sub == "--help" || sub == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (sub == "ttff" || sub == "sensitivity") {
    for (int i = 2; i < argc; ++i)
      if (std::string_view(argv[i]) == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
      }
    return sub == "ttff" ? RunTtff(argc, argv) : RunSensitivityCommand(argc, argv);
  }
  return UsageError("unknown subcommand: " + std::string(sub));
}
