// vantrel-sim: a GPS receiver module and a signal generator on
// pseudo-terminals, for trying Vantrel without hardware and for its
// end-to-end tests.
#include <poll.h>    // poll
#include <signal.h>  // sigaction
#include <unistd.h>  // read

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "Version.h"
#include "sim/CommandLine.h"
#include "sim/Control.h"
#include "sim/Module.h"
#include "sim/RunDirectory.h"

using namespace vantrel::sim;

namespace {

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_stats = 0;

void OnStop(int) { g_stop = 1; }
void OnStats(int) { g_stats = 1; }

void InstallSignalHandlers() {
  struct sigaction sa {};
  sa.sa_handler = OnStop;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sa.sa_handler = OnStats;
  sigaction(SIGUSR1, &sa, nullptr);
  sa.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &sa, nullptr);
}

double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Splits a byte stream into lines for the control FIFO and the generator.
struct LineSplitter {
  std::string pending;
  template <typename F>
  void Feed(const char* p, size_t n, F&& onLine) {
    for (size_t i = 0; i < n; ++i) {
      if (p[i] == '\n' || p[i] == '\r') {
        if (!pending.empty()) onLine(pending);
        pending.clear();
      } else if (pending.size() < 256) {
        pending += p[i];
      }
    }
  }
  // The writer went away: what it left without a newline is its last line,
  // not the start of the next writer's.
  template <typename F>
  void Finish(F&& onLine) {
    if (!pending.empty()) onLine(pending);
    pending.clear();
  }
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "vantrel-sim: %s\n", message.c_str());
  return 2;
}

// Serves both pseudo-terminals and the control FIFO until a stop signal:
// bytes in, fixes and line time forward, every few milliseconds.
void Run(Module& module, RunDirectory& run, int generatorBaud) {
  const double start = Now();
  double now = 0;
  module.SetCommandLog(
      [&](std::string_view line, std::string_view answer) { run.LogCommand(now, line, answer); });
  module.SetTruthLog([&](const TruthLine& line) { run.LogTruth(line); });
  if (run.LogsSent())
    module.SetSentLog(
        [&](std::string_view sentence, const char* outcome) { run.LogSent(now, sentence, outcome); });
  Pty& receiver = run.Receiver();
  Pty& generator = run.Generator();
  LineSplitter controlLines, generatorLines;
  char buf[4096];
  double lastStats = -1;
  const auto write = [&](const char* p, size_t n) {
    const size_t taken = receiver.Write(p, n);
    run.LogSentBytes(p, taken);
    return taken;
  };

  while (!g_stop) {
    pollfd fds[3] = {
        {receiver.MasterFd(), POLLIN, 0}, {generator.MasterFd(), POLLIN, 0}, {run.ControlFd(), POLLIN, 0}};
    poll(fds, 3, 4);
    now = Now() - start;
    const int pcBaud = receiver.PcBaud();

    if (fds[0].revents & POLLIN) {
      const ssize_t n = receiver.Read(buf, sizeof buf);
      if (n > 0) {
        run.LogReceived(now, buf, static_cast<size_t>(n), pcBaud == 0 || pcBaud == module.Baud());
        module.Receive(std::string_view(buf, static_cast<size_t>(n)), now, pcBaud);
      }
    }
    if (fds[1].revents & POLLIN) {
      const ssize_t n = generator.Read(buf, sizeof buf);
      const int pcGeneratorBaud = generator.PcBaud();
      const bool readable = pcGeneratorBaud == 0 || pcGeneratorBaud == generatorBaud;
      if (n > 0) run.LogGenerator(now, buf, static_cast<size_t>(n), readable);
      if (n > 0 && !readable) generatorLines.pending.clear();
      if (n > 0 && readable) {
        generatorLines.Feed(buf, static_cast<size_t>(n), [&](const std::string& line) {
          const std::string why = ApplyGenerator(line, module);
          if (!why.empty()) std::fprintf(stderr, "vantrel-sim: %s\n", why.c_str());
        });
      }
    }
    if (fds[2].revents & (POLLIN | POLLHUP)) {
      const auto apply = [&](const std::string& line) {
        const std::string why = ApplyControl(line, module);
        if (why.empty() && line.find("stats") == 0) run.WriteStats(module.StatsText());
        run.LogControl(line, why);
      };
      const ssize_t n = read(run.ControlFd(), buf, sizeof buf);
      if (n > 0) {
        controlLines.Feed(buf, static_cast<size_t>(n), apply);
      } else if (n == 0) {
        // Every writer closed: end their line, and wait for the next one.
        controlLines.Finish(apply);
        run.ReopenControl();
      }
    }

    module.Tick(now);
    module.Pump(now, pcBaud, write);
    run.FlushSentLog();

    if (g_stats) {
      g_stats = 0;
      std::fputs(module.StatsText().c_str(), stderr);
      run.WriteStats(module.StatsText());
    }
    if (now - lastStats >= 1.0) {
      lastStats = now;
      run.WriteStats(module.StatsText());
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const ParsedCommandLine parsed = ParseCommandLine(argc, argv);
  if (parsed.help) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (parsed.version) {
    std::printf("vantrel-sim %s\n", vantrel::kVersion);
    return 0;
  }
  if (!parsed.error.empty()) return Fail(parsed.error);
  const ProgramOptions& opt = parsed.options;

  // Before the directory: a stop signal while it is made still cleans it up.
  InstallSignalHandlers();
  std::string error;
  std::unique_ptr<RunDirectory> run =
      RunDirectory::Create(opt.dir, opt.module.baud, opt.generatorBaud, opt.logSent, error);
  if (!run) return Fail(error);
  std::fprintf(stderr, "vantrel-sim: receiver %s/receiver (%s) at %d baud, generator %s/generator (%s)\n",
               opt.dir.c_str(), run->Receiver().SlavePath().c_str(), opt.module.baud, opt.dir.c_str(),
               run->Generator().SlavePath().c_str());

  Module module(opt.module, 0.0);
  std::FILE* recording = nullptr;
  if (!opt.replay.empty()) {
    recording = std::fopen(opt.replay.c_str(), "rb");
    if (recording == nullptr) return Fail("cannot open " + opt.replay + ": " + std::strerror(errno));
    module.StartReplay(std::make_unique<Replayer>(
                           [recording](char* buffer, size_t size) { return std::fread(buffer, 1, size, recording); },
                           [recording] { return std::fseek(recording, 0, SEEK_SET) == 0; }, opt.replaySpeed,
                           opt.replayLoop),
                       0.0);
    std::fprintf(stderr, "vantrel-sim: replaying %s%s\n", opt.replay.c_str(), opt.replayLoop ? " in a loop" : "");
  }
  for (Command c : opt.refused) module.SetRefused(c, true);
  module.SetSilent(opt.silent);
  module.SetFixBlocked(opt.noFix);

  Run(module, *run, opt.generatorBaud);

  if (recording != nullptr) std::fclose(recording);
  run->RemoveLinks();
  run->WriteStats(module.StatsText());
  std::fputs(module.StatsText().c_str(), stderr);
  return 0;
}
