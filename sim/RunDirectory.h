#pragma once
// The simulator's directory: its pid file, the links to the receiver's and
// the generator's pseudo-terminals, the control FIFO and the log files that
// the help text describes. Everything the program and its users find there
// is made here, and removed again at the end of a run.
#include <cstdio>
#include <memory>
#include <string>

#include "sim/Pty.h"
#include "sim/Truth.h"

namespace vantrel::sim {

// Makes `dir` (0700) when missing. Empty when it may be used; else why not:
// a symbolic link, no directory, or another user's.
std::string PrivateDirectoryProblem(const std::string& dir);

class RunDirectory {
 public:
  // Creates `dir` if missing, refuses it when it is not this user's own
  // directory or while another live simulator uses it, writes the pid file, the control FIFO and the logs (sent.log and
  // sent.bin only with `logSent`) and links the pseudo-terminals; the receiver link comes
  // last, so once it exists everything else is ready. Null and `error` on
  // failure.
  static std::unique_ptr<RunDirectory> Create(const std::string& dir, int receiverBaud, int generatorBaud,
                                              bool logSent, std::string& error);
  // Closes the logs and removes the pid file; the links and the FIFO go too
  // unless RemoveLinks() took them already.
  ~RunDirectory();
  RunDirectory(const RunDirectory&) = delete;
  RunDirectory& operator=(const RunDirectory&) = delete;

  Pty& Receiver() { return *receiver_; }
  Pty& Generator() { return *generator_; }
  int ControlFd() const { return control_; }
  // After the last writer of the control FIFO closed: a fresh reader end, so
  // the next writer's end is told apart from this one's.
  void ReopenControl();
  const std::string& Dir() const { return dir_; }

  // One line per chunk received: seconds, byte count, "ok" or "unreadable"
  // and the bytes escaped; the receiver's chunks go to received.bin raw too.
  void LogReceived(double now, const char* bytes, size_t count, bool readable);
  void LogGenerator(double now, const char* bytes, size_t count, bool readable);
  // "ok LINE" or "error LINE: why"; the same refusal again is counted, and
  // the count written once a second (with the stats) and at the end.
  void LogControl(const std::string& line, const std::string& error);
  void LogCommand(double now, std::string_view line, std::string_view answer);
  // Nothing without --log-sent; flushed by FlushSentLog once per loop.
  void LogSent(double now, std::string_view sentence, const char* outcome);
  // With --log-sent: the bytes the pseudo-terminal took, raw, in order.
  void LogSentBytes(const char* bytes, size_t count);
  void FlushSentLog();
  // One line of truth.csv per epoch sent, flushed with the sent log.
  void LogTruth(const TruthLine& line);
  bool LogsSent() const { return sentLog_ != nullptr; }

  // Replaces the stats file whole, so a reader never sees half of it.
  void WriteStats(const std::string& text);

  // The pseudo-terminals and the control FIFO, at the end of a run.
  void RemoveLinks();

 private:
  RunDirectory() = default;
  void FlushControlRepeats();

  std::string dir_;
  std::string pidPath_;
  std::string controlPath_;
  int control_ = -1;
  int lock_ = -1;  // held for the whole run: one simulator per directory
  FILE* controlLog_ = nullptr;
  std::string lastControlEntry_;
  unsigned long long controlRepeats_ = 0;
  FILE* received_ = nullptr;
  FILE* receivedBin_ = nullptr;
  FILE* generatorLog_ = nullptr;
  FILE* commandLog_ = nullptr;
  FILE* sentLog_ = nullptr;
  FILE* sentBin_ = nullptr;
  FILE* truth_ = nullptr;
  std::unique_ptr<Pty> generator_;
  std::unique_ptr<Pty> receiver_;
};

}  // namespace vantrel::sim
