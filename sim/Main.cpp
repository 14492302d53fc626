// vantrel-sim: a GPS receiver module and a signal generator on
// pseudo-terminals, for trying Vantrel without hardware and for its
// end-to-end tests.
#include <fcntl.h>     // open, O_* flags
#include <poll.h>      // poll
#include <signal.h>    // sigaction
#include <sys/stat.h>  // mkdir, mkfifo
#include <unistd.h>    // read, write, close, unlink, getpid

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sim/Control.h"
#include "sim/Module.h"
#include "sim/Pty.h"
#include "sim/Sentence.h"

using namespace vantrel::sim;

namespace {

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_stats = 0;

void OnStop(int) { g_stop = 1; }
void OnStats(int) { g_stats = 1; }

const char kHelp[] =
    "Usage: vantrel-sim [options]\n"
    "A simulated GPS receiver module and GPS-101 signal generator on pseudo-terminals.\n"
    "\n"
    "Files in the directory (default /tmp/vantrel-sim):\n"
    "  receiver       link to the receiver's serial port: open it in Vantrel\n"
    "  generator      link to the signal generator's serial port\n"
    "  control        FIFO for runtime control, one line per action (see below)\n"
    "  control.log    each control line once applied: \"ok LINE\" or \"error LINE: why\"\n"
    "  received.log   every chunk received from the PC: seconds since start, byte\n"
    "                 count, \"ok\" or \"unreadable\" (wrong baud rate), the bytes\n"
    "                 with \\r \\n \\0 \\\\ and \\xHH escapes\n"
    "  received.bin   the same bytes, raw\n"
    "  generator.log  the generator's received chunks, in the same format\n"
    "  commands.log   each line received from the PC and the module's answer\n"
    "  sent.log       with --log-sent: every sentence sent, when its last byte left,\n"
    "                 \"sent\", \"garbled\" (PC at another rate) or \"cut\" (line full)\n"
    "  stats          counters, rewritten every second, on SIGUSR1 and at exit\n"
    "  pid            the simulator's process id\n"
    "\n"
    "Options:\n"
    "  --dir DIR          directory of the links and files (created if missing)\n"
    "  --baud N           the module's baud rate at start (38400)\n"
    "  --fix-rate HZ      fixes per second, 1 to 5 (1)\n"
    "  --chn-rate N       channel status \"$PQOLCHN\" every N fixes, 0 = off (1)\n"
    "  --rate TYPE=N      output rate of GGA, GLL, GSA, GSV, RMC, VTG, ZDA or CHN\n"
    "  --all-rates N      every sentence type every N fixes\n"
    "  --ttff-hot S       seconds from a hot restart to the fix (1)\n"
    "  --ttff-warm S      seconds from a warm restart to the fix (30)\n"
    "  --ttff-cold S      seconds from a cold restart to the fix (35)\n"
    "  --flood            stream back to back at the full line rate (CPU measurements)\n"
    "  --refuse N         answer command N with flag 2 (repeatable)\n"
    "  --log-sent         write sent.log\n"
    "  --silent           send nothing at all\n"
    "  --asleep           no NMEA output until the wake-up command \"$PQOL188\"\n"
    "  --no-fix           never get a fix\n"
    "  --flash-writes N   flash writes the module allows (10)\n"
    "  --lat DEG --lon DEG  centre of the simulated drive (48.1173, 11.5167)\n"
    "  --sky-speed X      how much faster than real satellites move (30)\n"
    "  --gen-loss DB      attenuation from generator to receiver (40)\n"
    "  --gen-baud N       the signal generator's baud rate (19200)\n"
    "  --utc EPOCH        UTC of the first fix, in seconds since 1970 (now)\n"
    "  --help             this text\n"
    "\n"
    "Control lines (write them to the control FIFO, e.g. echo fault > DIR/control):\n"
    "  fault              report a receiver fault: \"$PQOL001,-1,3\"\n"
    "  refuse N / accept N   answer command N with flag 2 / normally again\n"
    "  ignore N / heed N     give command N no answer at all; N = all for every command\n"
    "  silent on|off      stop / resume all output\n"
    "  nofix on|off       lose / regain the fix\n"
    "  baud N             switch the module's rate without telling the PC\n"
    "  reset-stats        zero the counters\n"
    "  stats              write the stats file now\n"
    "\n"
    "Generator lines: \"MAIN:TEST 1\", \"MAIN:SV n\", \"MAIN:RFLVL x\" (dBm); the level sets\n"
    "the SNR of satellite n: level - loss + 174 - 3 dB, lost below 12, acquired at 20.\n"
    "\n"
    "SIGINT and SIGTERM stop the simulator and remove its links; SIGUSR1 prints the\n"
    "counters.\n";

double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string Escape(const char* p, size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(p[i]);
    if (c == '\r') {
      s += "\\r";
    } else if (c == '\n') {
      s += "\\n";
    } else if (c == 0) {
      s += "\\0";
    } else if (c == '\\') {
      s += "\\\\";
    } else if (c < 32 || c >= 127) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      s += hex;
    } else {
      s += static_cast<char>(c);
    }
  }
  return s;
}

bool WriteFileAtomically(const std::string& path, const std::string& text) {
  const std::string tmp = path + ".tmp";
  FILE* f = std::fopen(tmp.c_str(), "w");
  if (!f) return false;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  return std::rename(tmp.c_str(), path.c_str()) == 0;
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
};

bool ArgDouble(const char* text, double& out) {
  char* end = nullptr;
  errno = 0;
  out = std::strtod(text, &end);
  return errno == 0 && end != text && *end == '\0';
}

bool ArgInt(const char* text, long lo, long hi, int& out) {
  long v = 0;
  if (!ParseInt(text, v) || v < lo || v > hi) return false;
  out = static_cast<int>(v);
  return true;
}

bool SetRate(OutputRates& r, const std::string& type, int n) {
  int* slot = type == "GGA"   ? &r.gga
              : type == "GLL" ? &r.gll
              : type == "GSA" ? &r.gsa
              : type == "GSV" ? &r.gsv
              : type == "RMC" ? &r.rmc
              : type == "VTG" ? &r.vtg
              : type == "ZDA" ? &r.zda
              : type == "CHN" ? &r.chn
                              : nullptr;
  if (!slot) return false;
  *slot = n;
  return true;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "vantrel-sim: %s\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  ModuleOptions opt;
  std::string dir = "/tmp/vantrel-sim";
  std::vector<int> refused;
  bool silent = false, noFix = false;
  int generatorBaud = 19200;
  bool logSent = false;

  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) return nullptr;
      return argv[++i];
    };
    const char* v = nullptr;
    int n = 0;
    double d = 0;
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (a == "--flood") {
      opt.flood = true;
    } else if (a == "--log-sent") {
      logSent = true;
    } else if (a == "--asleep") {
      opt.asleep = true;
    } else if (a == "--silent") {
      silent = true;
    } else if (a == "--no-fix") {
      noFix = true;
    } else if (!(v = value())) {
      return Fail("missing value or unknown option " + a + " (see --help)");
    } else if (a == "--dir") {
      dir = v;
    } else if (a == "--baud" && ArgInt(v, 300, 4000000, n)) {
      opt.baud = n;
    } else if (a == "--gen-baud" && ArgInt(v, 300, 4000000, n)) {
      generatorBaud = n;
    } else if (a == "--fix-rate" && ArgInt(v, 1, 5, n)) {
      opt.fixPeriodMs = 1000 / n;
    } else if (a == "--chn-rate" && ArgInt(v, 0, 255, n)) {
      opt.rates.chn = n;
    } else if (a == "--rate" && std::strchr(v, '=') && ArgInt(std::strchr(v, '=') + 1, 0, 255, n) &&
               SetRate(opt.rates, std::string(v, std::strchr(v, '=')), n)) {
    } else if (a == "--all-rates" && ArgInt(v, 0, 255, n)) {
      opt.rates = OutputRates{n, n, n, n, n, n, n, n};
    } else if (a == "--ttff-hot" && ArgDouble(v, d) && d >= 0) {
      opt.ttffHot = d;
    } else if (a == "--ttff-warm" && ArgDouble(v, d) && d >= 0) {
      opt.ttffWarm = d;
    } else if (a == "--ttff-cold" && ArgDouble(v, d) && d >= 0) {
      opt.ttffCold = d;
    } else if (a == "--refuse" && ArgInt(v, -999, 999, n)) {
      refused.push_back(n);
    } else if (a == "--flash-writes" && ArgInt(v, 0, 1000000, n)) {
      opt.flashWrites = n;
    } else if (a == "--lat" && ArgDouble(v, d) && d > -89 && d < 89) {
      opt.latitude = d;
    } else if (a == "--lon" && ArgDouble(v, d) && d >= -180 && d <= 180) {
      opt.longitude = d;
    } else if (a == "--sky-speed" && ArgDouble(v, d) && d >= 0) {
      opt.skySpeed = d;
    } else if (a == "--gen-loss" && ArgDouble(v, d)) {
      opt.genLossDb = d;
    } else if (a == "--utc" && ArgDouble(v, d) && d > 0) {
      opt.utcStart = static_cast<std::time_t>(d);
    } else {
      return Fail("bad option " + a + " " + v + " (see --help)");
    }
  }

  if (mkdir(dir.c_str(), 0775) != 0 && errno != EEXIST) return Fail("cannot create " + dir + ": " + std::strerror(errno));
  const std::string pidPath = dir + "/pid";
  if (FILE* f = std::fopen(pidPath.c_str(), "r")) {
    long other = 0;
    const bool read = std::fscanf(f, "%ld", &other) == 1;
    std::fclose(f);
    // A stale file of a crashed run may name a process id that is in use
    // again by something else: only a live simulator counts.
    std::string comm;
    if (FILE* c = std::fopen(("/proc/" + std::to_string(other) + "/comm").c_str(), "r")) {
      char name[64] = {};
      if (std::fgets(name, sizeof name, c)) comm = name;
      std::fclose(c);
    }
    if (read && other > 0 && other != getpid() && comm.rfind("vantrel-sim", 0) == 0)
      return Fail("another simulator (pid " + std::to_string(other) + ") uses " + dir);
  }
  WriteFileAtomically(pidPath, std::to_string(getpid()) + "\n");

  struct sigaction sa {};
  sa.sa_handler = OnStop;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sa.sa_handler = OnStats;
  sigaction(SIGUSR1, &sa, nullptr);
  sa.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &sa, nullptr);

  const double start = Now();
  Module module(opt, 0.0);
  for (int c : refused) module.SetRefused(c, true);
  module.SetSilent(silent);
  module.SetFixBlocked(noFix);

  const std::string controlPath = dir + "/control";
  unlink(controlPath.c_str());
  if (mkfifo(controlPath.c_str(), 0660) != 0) return Fail("cannot create " + controlPath + ": " + std::strerror(errno));
  // Opened for writing too, so the FIFO never reports end of file between writers.
  const int control = open(controlPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  FILE* controlLog = std::fopen((dir + "/control.log").c_str(), "w");
  FILE* received = std::fopen((dir + "/received.log").c_str(), "w");
  FILE* receivedBin = std::fopen((dir + "/received.bin").c_str(), "wb");
  FILE* generatorLog = std::fopen((dir + "/generator.log").c_str(), "w");
  FILE* commandLog = std::fopen((dir + "/commands.log").c_str(), "w");
  FILE* sentLog = logSent ? std::fopen((dir + "/sent.log").c_str(), "w") : nullptr;
  if (control < 0 || !controlLog || !received || !receivedBin || !generatorLog || !commandLog ||
      (logSent && !sentLog))
    return Fail("cannot create the files in " + dir + ": " + std::strerror(errno));

  std::string error;
  std::unique_ptr<Pty> generator = Pty::Create(dir + "/generator", generatorBaud, error);
  if (!generator) return Fail(error);
  // The receiver link comes last: once it exists, everything else is ready.
  std::unique_ptr<Pty> receiver = Pty::Create(dir + "/receiver", opt.baud, error);
  if (!receiver) return Fail(error);
  std::fprintf(stderr, "vantrel-sim: receiver %s/receiver (%s) at %d baud, generator %s/generator (%s)\n",
               dir.c_str(), receiver->SlavePath().c_str(), opt.baud, dir.c_str(), generator->SlavePath().c_str());

  const std::string statsPath = dir + "/stats";
  double now = 0;
  module.SetCommandLog([&](std::string_view line, std::string_view answer) {
    std::fprintf(commandLog, "%.6f %.*s -> %.*s\n", now, static_cast<int>(line.size()), line.data(),
                 static_cast<int>(answer.size()), answer.data());
    std::fflush(commandLog);
  });
  if (sentLog) {
    module.SetSentLog([&](std::string_view sentence, const char* outcome) {
      // Without its line ending: one sentence per line of the log.
      const int len = static_cast<int>(sentence.size() >= 2 ? sentence.size() - 2 : sentence.size());
      std::fprintf(sentLog, "%.6f %s %.*s\n", now, outcome, len, sentence.data());
    });
  }
  LineSplitter controlLines, generatorLines;
  char buf[4096];
  double lastStats = -1;
  const auto write = [&](const char* p, size_t n) { return receiver->Write(p, n); };

  while (!g_stop) {
    pollfd fds[3] = {{receiver->MasterFd(), POLLIN, 0}, {generator->MasterFd(), POLLIN, 0}, {control, POLLIN, 0}};
    poll(fds, 3, 4);
    now = Now() - start;
    const int pcBaud = receiver->PcBaud();

    if (fds[0].revents & POLLIN) {
      const ssize_t n = receiver->Read(buf, sizeof buf);
      if (n > 0) {
        const bool readable = pcBaud == 0 || pcBaud == module.Baud();
        std::fprintf(received, "%.6f %zd %s %s\n", now, n, readable ? "ok" : "unreadable",
                     Escape(buf, static_cast<size_t>(n)).c_str());
        std::fflush(received);
        std::fwrite(buf, 1, static_cast<size_t>(n), receivedBin);
        std::fflush(receivedBin);
        module.Receive(std::string_view(buf, static_cast<size_t>(n)), now, pcBaud);
      }
    }
    if (fds[1].revents & POLLIN) {
      const ssize_t n = generator->Read(buf, sizeof buf);
      const int pcGeneratorBaud = generator->PcBaud();
      const bool readable = pcGeneratorBaud == 0 || pcGeneratorBaud == generatorBaud;
      if (n > 0) {
        std::fprintf(generatorLog, "%.6f %zd %s %s\n", now, n, readable ? "ok" : "unreadable",
                     Escape(buf, static_cast<size_t>(n)).c_str());
        std::fflush(generatorLog);
      }
      if (n > 0 && !readable) generatorLines.pending.clear();
      if (n > 0 && readable) {
        generatorLines.Feed(buf, static_cast<size_t>(n), [&](const std::string& line) {
          const std::string why = ApplyGenerator(line, module);
          if (!why.empty()) std::fprintf(stderr, "vantrel-sim: %s\n", why.c_str());
        });
      }
    }
    if (fds[2].revents & POLLIN) {
      const ssize_t n = read(control, buf, sizeof buf);
      if (n > 0) {
        controlLines.Feed(buf, static_cast<size_t>(n), [&](const std::string& line) {
          const std::string why = ApplyControl(line, module);
          if (why.empty() && line.find("stats") == 0) WriteFileAtomically(statsPath, module.StatsText());
          std::fprintf(controlLog, why.empty() ? "ok %s\n" : "error %s: %s\n", line.c_str(), why.c_str());
          std::fflush(controlLog);
        });
      }
    }

    module.Tick(now);
    module.Pump(now, pcBaud, write);
    if (sentLog) std::fflush(sentLog);

    if (g_stats) {
      g_stats = 0;
      std::fputs(module.StatsText().c_str(), stderr);
      WriteFileAtomically(statsPath, module.StatsText());
    }
    if (now - lastStats >= 1.0) {
      lastStats = now;
      WriteFileAtomically(statsPath, module.StatsText());
    }
  }

  receiver.reset();
  generator.reset();
  unlink(controlPath.c_str());
  close(control);
  WriteFileAtomically(statsPath, module.StatsText());
  std::fputs(module.StatsText().c_str(), stderr);
  std::fclose(controlLog);
  std::fclose(received);
  std::fclose(receivedBin);
  std::fclose(generatorLog);
  std::fclose(commandLog);
  if (sentLog) std::fclose(sentLog);
  unlink(pidPath.c_str());
  return 0;
}
