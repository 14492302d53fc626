// What the live display costs: builds the main window, opens a receiver
// port through its controls as a user would, lets the event loop run and
// reports the process's CPU time and resident memory from /proc/self.
//
// With --sim-dir it also counts sentences against the simulator: the module
// is silenced, its counters zeroed, the stream resumed for the measured
// span and silenced again, so every sentence it sent complete must have been
// decoded by the reader.
//
//   live_cost --port /tmp/vantrel-sim/receiver --baud 115200 --seconds 600
//             --sim-dir /tmp/vantrel-sim [--samples 60,300,600] [--page status]
//
// Run by scripts/measure-live.sh; not a test.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "ui/Form.h"

namespace {

struct Options {
  std::string port = "/tmp/vantrel-sim/receiver";
  std::string baud = "115200";
  std::string simDir;
  std::string page = "status";
  double seconds = 60;
  std::vector<double> samples;
};

[[noreturn]] void Usage(const char* why) {
  std::fprintf(stderr,
               "live_cost: %s\n"
               "usage: live_cost [--port PATH] [--baud N] [--seconds S] [--sim-dir DIR]\n"
               "                 [--samples S1,S2,...] [--page status|setup|channel]\n",
               why);
  std::exit(2);
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Usage(("missing value after " + a).c_str());
      return argv[++i];
    };
    if (a == "--port") {
      o.port = value();
    } else if (a == "--baud") {
      o.baud = value();
    } else if (a == "--seconds") {
      o.seconds = std::atof(value().c_str());
    } else if (a == "--sim-dir") {
      o.simDir = value();
    } else if (a == "--page") {
      o.page = value();
    } else if (a == "--samples") {
      std::stringstream list(value());
      for (std::string item; std::getline(list, item, ',');) o.samples.push_back(std::atof(item.c_str()));
    } else {
      Usage(("unknown option " + a).c_str());
    }
  }
  if (o.seconds <= 0) Usage("--seconds must be positive");
  return o;
}

struct CpuTimes {
  double user = 0;
  double system = 0;
  double Total() const { return user + system; }
};

// User and system time of every thread of this process, in seconds.
CpuTimes ProcessCpu() {
  std::ifstream in("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  CpuTimes t;
  // Fields after the command name, which may hold spaces, start after ')'.
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return t;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
  for (int n = 3; fields >> field; ++n) {
    if (n == 14) t.user = std::stod(field) / tick;
    if (n == 15) {
      t.system = std::stod(field) / tick;
      break;
    }
  }
  return t;
}

double CpuSeconds() { return ProcessCpu().Total(); }

long RssKiB() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// Lets the event loop run, as the real program's loop would.
void RunFor(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

// Runs the loop until the reader has decoded nothing new for half a second
// (what was on the line has arrived), at most `limit` seconds.
void RunUntilQuiet(const vantrel::TNMEAThread* reader, double limit) {
  QElapsedTimer waited;
  waited.start();
  uint64_t last = reader ? reader->DecodedSentences() : 0;
  int quiet = 0;
  while (quiet < 5 && waited.elapsed() < limit * 1000) {
    RunFor(0.1);
    const uint64_t now = reader ? reader->DecodedSentences() : 0;
    quiet = now == last ? quiet + 1 : 0;
    last = now;
  }
}

bool Control(const std::string& dir, const std::string& line) {
  // The FIFO has a reader as long as the simulator runs; never block on it.
  FILE* f = std::fopen((dir + "/control").c_str(), "w");
  if (!f) {
    std::fprintf(stderr, "live_cost: cannot write %s/control: %s\n", dir.c_str(), std::strerror(errno));
    return false;
  }
  std::fprintf(f, "%s\n", line.c_str());
  std::fclose(f);
  return true;
}

// A counter of the simulator's stats file, or -1.
long long SimStat(const std::string& dir, const std::string& name) {
  std::ifstream in(dir + "/stats");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(name + " ", 0) == 0) return std::atoll(line.c_str() + name.size() + 1);
  return -1;
}

// Answers every box on stderr instead of waiting for a click, so a port
// error ends the measurement instead of hanging it.
class PrintedBoxes : public vantrel::IMessageBoxes {
 public:
  void Show(QWidget*, const QString& text) override {
    std::fprintf(stderr, "live_cost: message box: %s\n", text.toLocal8Bit().constData());
    ++shown;
  }
  int shown = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const Options o = Parse(argc, argv);

  PrintedBoxes boxes;
  FormServices services;
  services.MessageBoxes = &boxes;
  TMainForm form(services);
  form.show();
  if (o.page == "setup")
    form.PageControl1->setCurrentWidget(form.TabSetup);
  else if (o.page == "channel")
    form.PageControl1->setCurrentWidget(form.TabChannel);
  else
    form.PageControl1->setCurrentWidget(form.TabStatus);
  RunFor(0.5);

  // The user types the port, picks the rate and presses Open.
  form.CmbCom->setEditText(QString::fromStdString(o.port));
  const int baudRow = form.CmbBaud->findText(QString::fromStdString(o.baud));
  if (baudRow < 0) Usage("the baud list has no such rate");
  form.CmbBaud->setCurrentIndex(baudRow);
  form.BtnOpen->click();
  if (!form.PortOpen()) {
    std::fprintf(stderr, "live_cost: the port did not open\n");
    return 1;
  }
  // The replies to the queries of the open arrive within a few seconds.
  RunFor(3);

  const bool counting = !o.simDir.empty();
  vantrel::TNMEAThread* reader = form.ReaderThread;
  uint64_t decodedBefore = 0;
  if (counting) {
    if (!Control(o.simDir, "silent on")) return 1;
    RunUntilQuiet(reader, 30);  // what was on the line arrives
    if (!Control(o.simDir, "reset-stats")) return 1;
    RunFor(0.3);
    decodedBefore = reader ? reader->DecodedSentences() : 0;
    if (!Control(o.simDir, "silent off")) return 1;
  }

  const long rssStart = RssKiB();
  const CpuTimes start = ProcessCpu();
  const double cpuStart = start.Total();
  QElapsedTimer wall;
  wall.start();
  std::printf("rss_kib at 0 s: %ld\n", rssStart);
  std::fflush(stdout);

  std::vector<double> marks = o.samples;
  marks.push_back(o.seconds);
  double done = 0;
  double lastCpu = cpuStart;
  double lastWall = 0;
  for (double mark : marks) {
    if (mark <= done || mark > o.seconds) continue;
    RunFor(mark - done);
    done = mark;
    const double now = wall.nsecsElapsed() / 1e9;
    const double cpu = CpuSeconds();
    std::printf("at %.0f s: rss_kib %ld, cpu %.2f %% of one core since start, %.2f %% since last sample\n", now,
                RssKiB(), 100.0 * (cpu - cpuStart) / now, 100.0 * (cpu - lastCpu) / (now - lastWall));
    std::fflush(stdout);
    lastCpu = cpu;
    lastWall = now;
  }
  const double elapsed = wall.nsecsElapsed() / 1e9;
  const CpuTimes end = ProcessCpu();
  const double cpu = end.Total() - cpuStart;

  int status = 0;
  std::printf("cpu_seconds %.2f (user %.2f, system %.2f) over %.1f s wall: %.2f %% of one core\n", cpu,
              end.user - start.user, end.system - start.system, elapsed, 100.0 * cpu / elapsed);
  std::printf("rss_kib start %ld end %ld\n", rssStart, RssKiB());
  if (counting) {
    if (!Control(o.simDir, "silent on")) return 1;
    RunUntilQuiet(reader, 30);
    const uint64_t decoded = (reader ? reader->DecodedSentences() : 0) - decodedBefore;
    if (!Control(o.simDir, "stats")) return 1;
    RunFor(0.5);
    const long long sent = SimStat(o.simDir, "sent_total");
    std::printf("sentences sent %lld decoded %llu (cut %lld, overrun %lld, bytes lost %lld)\n", sent,
                static_cast<unsigned long long>(decoded), SimStat(o.simDir, "cut_total"),
                SimStat(o.simDir, "overrun_total"), SimStat(o.simDir, "bytes_lost"));
    if (form.ReaderThread != reader) {
      std::printf("note: the reader was replaced during the run; the count covers the first one\n");
      status = 1;
    }
    // The framing holds the last sentence before a pause until the next
    // sentence start: the one held over the first pause is decoded inside
    // the span (one more), the one held over the last is not, and a sentence
    // the first pause cut short joins the next one. So between one more and
    // two fewer at the edges of the span, none lost inside it.
    const long long missing = sent - static_cast<long long>(decoded);
    if (sent < 0 || missing < -1 || missing > 2) {
      std::printf("sentence count: MISMATCH\n");
      status = 1;
    } else {
      std::printf("sentence count: none lost (%lld at the edges of the span)\n", missing);
    }
    Control(o.simDir, "silent off");
  }
  if (boxes.shown > 0) status = 1;
  form.BtnClose->click();
  return status;
}
