// vantrel-bench station: the production test of one unit per port, as a
// line runs it, with a verdict an operator reads at a glance and the whole
// record in the results database.
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "evaluation/Json.h"
#include "link/SerialPort.h"
#include "session/SideBySide.h"
#include "testbench/GeneratorLink.h"
#include "tools/BenchCommands.h"
#include "tools/BenchOptions.h"
#include "tools/BenchRecording.h"
#include "tools/SensitivityRun.h"
#include "tools/StationLimits.h"
#include "tools/TtffCampaign.h"

namespace vantrel::benchtool {
namespace {

constexpr const char kStationHelp[] =
    "The production test of one unit on each --port, all at once: the unit is\n"
    "opened at the limits file's baud rate, hot started and timed to its first\n"
    "fix, then the C/N0 it reports for the generator's satellite, with the\n"
    "generator held at the file's level, is averaged; with a [cold_start]\n"
    "table a cold start is timed as well. Each unit gets one line: PASS, or\n"
    "FAIL with every reason. Its whole record (each figure or why there is\n"
    "none, the limits file's text) goes to the results database.\n"
    "\n"
    "The limits file is TOML:\n"
    "  baud = 38400\n"
    "  [hot_start]\n"
    "  limit_s = 5          # timeout_s = twice the limit\n"
    "  [cnr]\n"
    "  sv = 14\n"
    "  generator_dbm = -95  # generator_baud = 19200\n"
    "  min_db_hz = 35       # settle_s = 3, read_s = 2\n"
    "  [cold_start]         # optional\n"
    "  limit_s = 60\n"
    "A file with a mistake is refused with the line that is wrong.\n"
    "\n"
    "Exit status: 0 every unit passes, 1 a unit fails, 2 a wrong command line\n"
    "or limits file, a generator or results database that cannot be used\n"
    "(nothing was tested), 3 a result that could not be stored (named).";

class SleepPauses final : public IPauses {
 public:
  void Sleep(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

// One unit's test.
struct Unit {
  std::string port, serial;
  StationMeasurements measured;
  StationVerdict verdict;
};

Measured StartOf(const ReceiverOutcome& out) {
  if (!out.runs.empty() && out.runs[0].ttffMs) return {static_cast<double>(*out.runs[0].ttffMs), ""};
  if (!out.runs.empty() && !out.runs[0].failure.empty()) return {std::nullopt, out.runs[0].failure};
  return {std::nullopt, out.failure.empty() ? (out.interrupted ? kInterruptedText : "not run") : out.failure};
}

std::string Text(const char* format, double v) {
  char text[48];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

// The unit's figures as a JSON object, for the record's detail.
std::string DetailJson(const Unit& u, const StationLimits& l) {
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  if (!out) return "{}";
  {
    evaluation::JsonWriter j(out);
    j.Open('{');
    const auto figure = [&](const char* name, const char* why, const Measured& m) {
      if (m.value)
        j.Fixed(name, *m.value, 1);
      else
        j.Null(name);
      j.StringEscaped(why, m.reason.c_str());
    };
    figure("hot_ms", "hot_reason", u.measured.hotMs);
    figure("cnr_db_hz", "cnr_reason", u.measured.cnrDbHz);
    if (u.measured.coldMs) figure("cold_ms", "cold_reason", *u.measured.coldMs);
    j.Int("sv", l.sv);
    j.Int("generator_dbm", l.generatorDbm);
    j.Close('}');
  }
  std::fclose(out);
  std::string text(buffer, size);
  std::free(buffer);
  return text;
}

class StationCommand final : public BenchCommand {
 public:
  void Declare(CLI::App& sub) override {
    sub.footer(kStationHelp);
    sub.add_option("--limits", limitsFile_, "the limits file (TOML)")->required()->type_name("FILE");
    sub.add_option("--port", ports_, "a unit's port; repeat it to test several units at once")
        ->transform(PortArgument)
        ->required()
        ->allow_extra_args(false)
        ->type_name("P");
    sub.add_option("--serial", db_.serials, "the unit's serial number; one for each --port, in order")
        ->required()
        ->allow_extra_args(false)
        ->type_name("SN");
    sub.add_option("--generator", generators_, "the signal generator's port: one for all units, or one a --port")
        ->transform(PortArgument)
        ->required()
        ->allow_extra_args(false)
        ->type_name("G");
    DeclareDatabaseOptions(sub, db_, false);
  }

  int Run() override {
    if (db_.serials.size() != ports_.size()) return SetupError("give one --serial for each --port");
    if (generators_.size() != 1 && generators_.size() != ports_.size())
      return SetupError("give one --generator for all units, or one for each --port");
    std::ifstream file(limitsFile_, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    if (!file) return SetupError("cannot read the limits file " + limitsFile_);
    limitsText_ = text.str();
    auto parsed = ParseStationLimits(limitsText_, limitsFile_);
    if (const std::string* why = std::get_if<std::string>(&parsed)) return SetupError(*why);
    limits_ = std::get<StationLimits>(parsed);

    recorder_ = OpenRecorder(db_);
    if (!recorder_) return static_cast<int>(Exit::Usage);
    if (const int status = SetGenerators(); status != 0) return status;

    const std::atomic<bool>* stop = CatchInterrupt();
    std::vector<Unit> units(ports_.size());
    RunSideBySide(ports_.size(), [&](size_t i) { Test(units[i], ports_[i], db_.serials[i], stop); });

    bool pass = true;
    for (const Unit& u : units) pass = pass && u.verdict.pass;
    if (!FinishRecorder(*recorder_, db_)) return static_cast<int>(Exit::NotStored);
    return static_cast<int>(pass ? Exit::Pass : Exit::Fail);
  }

 private:
  // Every generator at the test's level before the first unit starts; one
  // that will not take it is the station's fault, not a unit's.
  int SetGenerators() {
    auto factory = MakePosixSerialPortFactory();
    const std::string baud = std::to_string(limits_.generatorBaud);
    for (const std::string& port : generators_) {
      if (links_.count(port)) continue;
      auto link = std::make_unique<GeneratorLink>(pauses_);
      switch (link->Open(*factory, port, baud)) {
        case GeneratorLink::OpenOutcome::CannotOpen:
          return SetupError("the generator is missing: cannot open " + port);
        case GeneratorLink::OpenOutcome::SettingsRefused:
          return SetupError("the generator's port " + port + " refuses " + baud + " baud");
        case GeneratorLink::OpenOutcome::Opened:
          break;
      }
      link->SendStartLines(std::to_string(limits_.sv));
      if (!link->SendRFLevel(limits_.generatorDbm)) return SetupError(link->Failure());
      links_[port] = std::move(link);
    }
    return 0;
  }

  void Test(Unit& u, const std::string& port, const std::string& serial, const std::atomic<bool>* stop) {
    u.port = port;
    u.serial = serial;
    const OpenedReceiver receiver = OpenReceiver(port, limits_.baud);
    if (!receiver.session) {
      u.measured.hotMs = {std::nullopt, receiver.error};
      u.measured.cnrDbHz = {std::nullopt, "not measured"};
      if (limits_.cold) u.measured.coldMs = Measured{std::nullopt, "not run"};
    } else {
      u.measured.hotMs = Start(u, *receiver.session, Restart::Hot, limits_.hot, stop);
      const SnrReading snr = ReadSatelliteSnr(*receiver.session, limits_.sv, static_cast<int>(limits_.settleS * 1000),
                                              static_cast<int>(limits_.readS * 1000));
      u.measured.cnrDbHz = {snr.mean, snr.reason};
      if (limits_.cold) u.measured.coldMs = Start(u, *receiver.session, Restart::Cold, *limits_.cold, stop);
    }
    u.verdict = Judge(limits_, u.measured);
    Report(u);
  }

  Measured Start(const Unit& u, ReceiverSession& session, Restart kind, const StartLimits& l,
                 const std::atomic<bool>* stop) {
    CampaignSettings settings;
    settings.kind = kind;
    settings.runs = 1;
    settings.timeoutMs = static_cast<int64_t>(l.timeoutS * 1000);
    settings.stop = stop;
    const ReceiverOutcome out = RunTtffCampaign(u.port, session, settings, nullptr);
    if (!out.runs.empty())
      recorder_->Record(TtffRecord(kind == Restart::Hot ? "hot" : "cold", u.port, u.serial, out.runs[0],
                                   static_cast<int64_t>(l.limitS * 1000 + 0.5)));
    return StartOf(out);
  }

  void Report(const Unit& u) {
    results::RunRecord r;
    r.time = UtcText(std::chrono::system_clock::now());
    r.kind = "station";
    r.port = u.port;
    r.serial = u.serial;
    r.seq = 1;
    r.pass = u.verdict.pass;
    for (const std::string& why : u.verdict.reasons) r.reason += (r.reason.empty() ? "" : "; ") + why;
    r.detail = DetailJson(u, limits_);
    r.limits = limitsText_;
    recorder_->Record(r);

    std::string figures = u.measured.hotMs.value ? "hot " + Text("%.3f", *u.measured.hotMs.value / 1000) + " s"
                                                 : "hot -";
    figures += u.measured.cnrDbHz.value ? ", C/N0 " + Text("%.1f", *u.measured.cnrDbHz.value) + " dB-Hz"
                                        : ", C/N0 -";
    if (u.measured.coldMs)
      figures += u.measured.coldMs->value ? ", cold " + Text("%.3f", *u.measured.coldMs->value / 1000) + " s"
                                          : ", cold -";
    std::lock_guard lock(outputMutex_);
    std::printf("%s %s %s: %s%s%s\n", u.verdict.pass ? "PASS" : "FAIL", u.serial.c_str(), u.port.c_str(),
                figures.c_str(), u.verdict.pass ? "" : ": ", r.reason.c_str());
    std::fflush(stdout);
  }

  std::string limitsFile_, limitsText_;
  std::vector<std::string> ports_, generators_;
  StationLimits limits_;
  DatabaseOptions db_;
  std::unique_ptr<results::Recorder> recorder_;
  SleepPauses pauses_;
  std::map<std::string, std::unique_ptr<GeneratorLink>> links_;
  std::mutex outputMutex_;
};

}  // namespace

std::unique_ptr<BenchCommand> MakeStationCommand() { return std::make_unique<StationCommand>(); }

}  // namespace vantrel::benchtool
