#pragma once
// Starts vantrel-sim in a fresh temporary directory for one test and stops it
// again. Header-only and free of Qt so that every test target can use it:
// link `vantrel_sim_harness` (tests/sim/CMakeLists.txt), which supplies the
// include path, VANTREL_SIM_PATH and the build dependency on the simulator.
//
//   vantrel::test::SimHarness sim({"--ttff-hot", "2"});
//   ASSERT_TRUE(sim.Started()) << sim.Error();
//   open sim.ReceiverPath() as the receiver's port ...
//   sim.Refuse(314);                   // control actions wait until applied
//   EXPECT_TRUE(sim.WaitForReceived("$PQOL314,"));
//   auto stats = sim.Stats();          // "sent_GGA", "sent_total", ...
#include <fcntl.h>     // open
#include <signal.h>    // kill, SIGTERM
#include <stdlib.h>    // mkdtemp, getenv
#include <sys/stat.h>  // lstat
#include <sys/wait.h>  // waitpid
#include <unistd.h>    // fork, execv, dup2, close_range, write, close

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#ifndef VANTREL_SIM_PATH
#error "link vantrel_sim_harness: it defines VANTREL_SIM_PATH"
#endif

namespace vantrel::test {

class SimHarness {
 public:
  // Starts the simulator with `--dir <fresh dir>` and `args`, and waits up to
  // `timeoutMs` until its receiver link exists.
  explicit SimHarness(const std::vector<std::string>& args = {}, int timeoutMs = 5000) {
    char tmpl[] = "/tmp/vantrel-sim-test-XXXXXX";
    if (!mkdtemp(tmpl)) {
      error_ = "mkdtemp failed";
      return;
    }
    Start(tmpl, args, timeoutMs);
  }
  // The same in a directory the test prepared; it is removed at the end.
  struct InDir {
    std::string path;
  };
  // `args` has no default: a lone braced list stays a list of arguments.
  SimHarness(InDir dir, const std::vector<std::string>& args, int timeoutMs = 5000) {
    Start(std::move(dir.path), args, timeoutMs);
  }

  ~SimHarness() {
    Stop();
    if (!dir_.empty() && !std::getenv("VANTREL_SIM_KEEP")) {
      std::error_code ec;
      std::filesystem::remove_all(dir_, ec);
    }
  }

  SimHarness(const SimHarness&) = delete;
  SimHarness& operator=(const SimHarness&) = delete;

  bool Started() const { return error_.empty() && pid_ > 0; }
  const std::string& Error() const { return error_; }
  pid_t Pid() const { return pid_; }

  const std::string& Dir() const { return dir_; }
  std::string ReceiverPath() const { return dir_ + "/receiver"; }
  std::string GeneratorPath() const { return dir_ + "/generator"; }
  // One line per chunk received from the PC: seconds since start, byte count,
  // "ok" or "unreadable", the bytes escaped (\r \n \0 \\ \xHH).
  std::string ReceivedLogPath() const { return dir_ + "/received.log"; }
  // The received bytes themselves, raw.
  std::string ReceivedBinPath() const { return dir_ + "/received.bin"; }
  std::string GeneratorLogPath() const { return dir_ + "/generator.log"; }
  // One line per sentence received: seconds, the line, "->", the answer
  // sent (acknowledgement or reply) or why there was none.
  std::string CommandLogPath() const { return dir_ + "/commands.log"; }
  // Only with the option "--log-sent": each sentence the module sent, once
  // its last byte left: seconds, "sent", "garbled" or "cut", the sentence.
  std::string SentLogPath() const { return dir_ + "/sent.log"; }
  std::string StatsPath() const { return dir_ + "/stats"; }
  // The simulator's own messages (start-up line, counters on SIGUSR1 and exit).
  std::string StderrPath() const { return dir_ + "/sim.stderr"; }

  std::string ReceivedBytes() const { return ReadFile(ReceivedBinPath()); }

  // The sentences received so far, in order, each with the module's answer
  // ("$PQOL001,314,3*..", a reply, or why there was none in parentheses).
  struct Command {
    std::string line;
    std::string answer;
  };
  std::vector<Command> Commands() const {
    std::vector<Command> commands;
    std::istringstream in(ReadFile(CommandLogPath()));
    std::string l;
    while (std::getline(in, l)) {
      const size_t space = l.find(' ');
      const size_t arrow = l.find(" -> ");
      if (space == std::string::npos || arrow == std::string::npos) continue;
      commands.push_back({l.substr(space + 1, arrow - space - 1), l.substr(arrow + 4)});
    }
    return commands;
  }
  std::string GeneratorLog() const { return ReadFile(GeneratorLogPath()); }

  // Waits until the simulator has received `needle` (raw bytes, zero bytes
  // allowed) from the PC.
  bool WaitForReceived(std::string_view needle, int timeoutMs = 5000) const {
    return WaitUntil([&] { return ReceivedBytes().find(needle) != std::string::npos; }, timeoutMs);
  }

  // Sends one control line and waits until the simulator has applied it.
  bool Control(const std::string& line, int timeoutMs = 3000) {
    const std::string log = dir_ + "/control.log";
    const size_t before = CountLines(ReadFile(log));
    const int fd = open((dir_ + "/control").c_str(), O_WRONLY | O_NONBLOCK);
    if (fd < 0) return false;
    const std::string text = line + "\n";
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    if (!written) return false;
    std::string last;
    if (!WaitUntil(
            [&] {
              const std::string content = ReadFile(log);
              if (CountLines(content) <= before) return false;
              last = LastLine(content);
              return true;
            },
            timeoutMs))
      return false;
    return last.rfind("ok ", 0) == 0;
  }

  bool Fault() { return Control("fault"); }                      // "$PQOL001,-1,3"
  bool Refuse(int command) { return Control("refuse " + std::to_string(command)); }
  bool Accept(int command) { return Control("accept " + std::to_string(command)); }
  bool Ignore(int command) { return Control("ignore " + std::to_string(command)); }
  bool IgnoreAll(bool on) { return Control(on ? "ignore all" : "heed all"); }
  bool Silent(bool on) { return Control(on ? "silent on" : "silent off"); }
  bool NoFix(bool on) { return Control(on ? "nofix on" : "nofix off"); }
  bool ForceBaud(int baud) { return Control("baud " + std::to_string(baud)); }
  bool ResetStats() { return Control("reset-stats"); }

  // Current counters: sent_<GGA|GLL|GSA|GSV|RMC|VTG|ZDA|CHN|reply|ack>,
  // sent_total, garbled_total, cut_total, overrun_total, bytes_written,
  // bytes_lost, epochs, commands, bad_checksums, unreadable_bytes, acks_done,
  // acks_refused, baud. Empty when the simulator does not answer.
  std::map<std::string, long long> Stats() {
    std::map<std::string, long long> stats;
    if (Running() && !Control("stats")) return stats;
    std::istringstream in(ReadFile(StatsPath()));
    std::string key;
    long long value = 0;
    while (in >> key >> value) stats[key] = value;
    return stats;
  }

  bool Running() const { return pid_ > 0 && !exited_; }

  // SIGTERM, then waits for the exit (SIGKILL after `timeoutMs`). True when
  // the simulator ended by itself with status 0.
  bool Stop(int timeoutMs = 5000) {
    if (pid_ <= 0 || exited_) return exitedCleanly_;
    kill(pid_, SIGTERM);
    int status = 0;
    const bool ended = WaitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, timeoutMs);
    if (!ended) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
    exited_ = true;
    exitedCleanly_ = ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return exitedCleanly_;
  }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  template <typename Pred>
  static bool WaitUntil(Pred pred, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      if (pred()) return true;
      if (std::chrono::steady_clock::now() >= end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

 private:
  void Start(std::string dir, const std::vector<std::string>& args, int timeoutMs) {
    dir_ = std::move(dir);
    std::vector<std::string> argv = {VANTREL_SIM_PATH, "--dir", dir_};
    argv.insert(argv.end(), args.begin(), args.end());
    // Everything the child needs is prepared before the fork: in a test with
    // threads running, the child may not allocate.
    std::vector<char*> cargv;
    for (std::string& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    const std::string errPath = StderrPath();
    pid_ = fork();
    if (pid_ == 0) {
      // Child: the simulator's own messages go to a file, not the test log.
      const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (err >= 0) dup2(err, 2);
      // Ports and pipes the test holds open are none of the simulator's business.
      close_range(3, ~0u, 0);
      execv(cargv[0], cargv.data());
      _exit(127);
    }
    if (pid_ < 0) {
      error_ = "fork failed";
      return;
    }
    if (!WaitUntil([&] { return Exists(ReceiverPath()); }, timeoutMs)) {
      error_ = "the simulator did not create " + ReceiverPath() + ": " + ReadFile(StderrPath());
      Stop();
    }
  }

  static bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
  }
  static size_t CountLines(const std::string& s) {
    size_t n = 0;
    for (char c : s) n += c == '\n';
    return n;
  }
  static std::string LastLine(std::string s) {
    if (!s.empty() && s.back() == '\n') s.pop_back();
    const size_t p = s.find_last_of('\n');
    return p == std::string::npos ? s : s.substr(p + 1);
  }

  std::string dir_;
  std::string error_;
  pid_t pid_ = -1;
  bool exited_ = false;
  bool exitedCleanly_ = false;
};

}  // namespace vantrel::test
