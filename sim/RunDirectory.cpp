#include "sim/RunDirectory.h"

#include <fcntl.h>     // open, O_* flags
#include <sys/stat.h>  // mkdir, mkfifo
#include <sys/file.h>  // flock
#include <unistd.h>    // close, unlink, getpid

#include <cerrno>
#include <cstring>

namespace vantrel::sim {

namespace {

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

// Created or truncated, never through a symbolic link: a link planted in
// the directory must not make the simulator write over someone's file.
FILE* OpenForWriting(const std::string& path, mode_t mode = 0600) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) return nullptr;
  FILE* f = fdopen(fd, "w");
  if (!f) close(fd);
  return f;
}

bool WriteFileAtomically(const std::string& path, const std::string& text) {
  const std::string tmp = path + ".tmp";
  FILE* f = OpenForWriting(tmp, 0644);
  if (!f) return false;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  return std::rename(tmp.c_str(), path.c_str()) == 0;
}

void LogChunk(FILE* log, double now, const char* bytes, size_t count, bool readable) {
  std::fprintf(log, "%.6f %zu %s %s\n", now, count, readable ? "ok" : "unreadable",
               Escape(bytes, count).c_str());
  std::fflush(log);
}

}  // namespace

std::string PrivateDirectoryProblem(const std::string& dir) {
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return "cannot create " + dir + ": " + std::strerror(errno);
  struct stat st {};
  if (lstat(dir.c_str(), &st) != 0) return "cannot use " + dir + ": " + std::strerror(errno);
  if (S_ISLNK(st.st_mode)) return "refusing " + dir + ": it is a symbolic link";
  if (!S_ISDIR(st.st_mode)) return "refusing " + dir + ": it is not a directory";
  if (st.st_uid != geteuid())
    return "refusing " + dir + ": it belongs to another user (uid " + std::to_string(st.st_uid) + ")";
  return {};
}

std::unique_ptr<RunDirectory> RunDirectory::Create(const std::string& dir, int receiverBaud,
                                                   int generatorBaud, bool logSent, std::string& error) {
  // Another user's directory could hand us links to their files, or read
  // and write our pseudo-terminals.
  error = PrivateDirectoryProblem(dir);
  if (!error.empty()) return nullptr;
  std::unique_ptr<RunDirectory> run(new RunDirectory);
  run->dir_ = dir;
  // A lock held until the process ends decides who owns the directory: a
  // pid file checked and then written leaves a gap two starts can both pass,
  // and a stale one may name a process that serves another directory.
  const std::string pidPath = dir + "/pid";
  run->lock_ = open((dir + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (run->lock_ < 0 || flock(run->lock_, LOCK_EX | LOCK_NB) != 0) {
    std::string other;
    if (FILE* f = std::fopen(pidPath.c_str(), "r")) {
      char text[32] = {};
      if (std::fgets(text, sizeof text, f)) other = text;
      std::fclose(f);
      while (!other.empty() && (other.back() == '\n' || other.back() == ' ')) other.pop_back();
    }
    error = "another simulator" + (other.empty() ? std::string() : " (pid " + other + ")") + " uses " + dir;
    return nullptr;
  }
  WriteFileAtomically(pidPath, std::to_string(getpid()) + "\n");
  run->pidPath_ = pidPath;

  const std::string controlPath = dir + "/control";
  unlink(controlPath.c_str());
  if (mkfifo(controlPath.c_str(), 0600) != 0) {
    error = "cannot create " + controlPath + ": " + std::strerror(errno);
    return nullptr;
  }
  run->controlPath_ = controlPath;
  // Read only: the end of file when the last writer closes ends a line
  // written without its newline.
  run->control_ = open(controlPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  run->controlLog_ = OpenForWriting(dir + "/control.log");
  run->received_ = OpenForWriting(dir + "/received.log");
  run->receivedBin_ = OpenForWriting(dir + "/received.bin");
  run->generatorLog_ = OpenForWriting(dir + "/generator.log");
  run->commandLog_ = OpenForWriting(dir + "/commands.log");
  if (logSent) {
    run->sentLog_ = OpenForWriting(dir + "/sent.log");
    run->sentBin_ = OpenForWriting(dir + "/sent.bin");
  }
  run->truth_ = OpenForWriting(dir + "/truth.csv");
  if (run->truth_) std::fputs(kTruthHeader, run->truth_);
  if (run->control_ < 0 || !run->controlLog_ || !run->received_ || !run->receivedBin_ ||
      !run->generatorLog_ || !run->commandLog_ || (logSent && (!run->sentLog_ || !run->sentBin_)) || !run->truth_) {
    error = "cannot create the files in " + dir + ": " + std::strerror(errno);
    return nullptr;
  }

  run->generator_ = Pty::Create(dir + "/generator", generatorBaud, error);
  if (!run->generator_) return nullptr;
  run->receiver_ = Pty::Create(dir + "/receiver", receiverBaud, error);
  if (!run->receiver_) return nullptr;
  return run;
}

RunDirectory::~RunDirectory() {
  // Only the owner of the directory tidies it: a refused second start must
  // not take the first one's links away.
  if (!pidPath_.empty()) {
    RemoveLinks();
    unlink(pidPath_.c_str());
  }
  FlushControlRepeats();
  for (FILE* f : {controlLog_, received_, receivedBin_, generatorLog_, commandLog_, sentLog_, sentBin_, truth_})
    if (f) std::fclose(f);
  if (control_ >= 0) close(control_);
  if (lock_ >= 0) close(lock_);  // the lock goes with it
}

void RunDirectory::ReopenControl() {
  const int fresh = open(controlPath_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (fresh < 0) return;
  close(control_);
  control_ = fresh;
}

void RunDirectory::RemoveLinks() {
  receiver_.reset();
  generator_.reset();
  if (!controlPath_.empty()) unlink(controlPath_.c_str());
  controlPath_.clear();
  if (control_ >= 0) close(control_);
  control_ = -1;
}

void RunDirectory::LogReceived(double now, const char* bytes, size_t count, bool readable) {
  LogChunk(received_, now, bytes, count, readable);
  std::fwrite(bytes, 1, count, receivedBin_);
  std::fflush(receivedBin_);
}

void RunDirectory::LogGenerator(double now, const char* bytes, size_t count, bool readable) {
  LogChunk(generatorLog_, now, bytes, count, readable);
}

void RunDirectory::LogControl(const std::string& line, const std::string& error) {
  std::string entry = error.empty() ? "ok " + line : "error " + line + ": " + error;
  // A flood of one refused line is written once and then counted, so the
  // log stays small and the loop keeps serving the line.
  if (!error.empty() && entry == lastControlEntry_) {
    ++controlRepeats_;
    return;
  }
  FlushControlRepeats();
  std::fprintf(controlLog_, "%s\n", entry.c_str());
  std::fflush(controlLog_);
  lastControlEntry_ = std::move(entry);
}

void RunDirectory::FlushControlRepeats() {
  if (controlRepeats_ == 0 || !controlLog_) return;
  std::fprintf(controlLog_, "(the line above %llu more times)\n", controlRepeats_);
  std::fflush(controlLog_);
  controlRepeats_ = 0;
}

void RunDirectory::LogCommand(double now, std::string_view line, std::string_view answer) {
  std::fprintf(commandLog_, "%.6f %.*s -> %.*s\n", now, static_cast<int>(line.size()), line.data(),
               static_cast<int>(answer.size()), answer.data());
  std::fflush(commandLog_);
}

void RunDirectory::LogSent(double now, std::string_view sentence, const char* outcome) {
  if (!sentLog_) return;
  // Without its line ending: one sentence per line of the log.
  const int len = static_cast<int>(sentence.size() >= 2 ? sentence.size() - 2 : sentence.size());
  std::fprintf(sentLog_, "%.6f %s %.*s\n", now, outcome, len, sentence.data());
}

void RunDirectory::LogSentBytes(const char* bytes, size_t count) {
  if (sentBin_ && count > 0) std::fwrite(bytes, 1, count, sentBin_);
}

void RunDirectory::FlushSentLog() {
  if (sentLog_) std::fflush(sentLog_);
  if (sentBin_) std::fflush(sentBin_);
  std::fflush(truth_);
}

void RunDirectory::LogTruth(const TruthLine& line) { std::fputs(TruthText(line).c_str(), truth_); }

void RunDirectory::WriteStats(const std::string& text) {
  FlushControlRepeats(); WriteFileAtomically(dir_ + "/stats", text); }

}  // namespace vantrel::sim
