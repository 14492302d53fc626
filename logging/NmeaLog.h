#pragma once
// The NMEA log: every byte the receiver sent, appended to a file chosen by
// the user, so that a recording can be replayed byte for byte and compared
// with what the receiver sent.
//
// The window opens and closes it on the UI thread; the reader thread appends
// each chunk it read, before it decodes it, through the window's LogHook
// (link/Thread.h). The hook's lock is the one guard between the two: Close()
// detaches from it first, which waits for an append in progress, and only
// then lets go of the file.
//
// Each chunk goes to the kernel with write() as soon as it is read, with no
// buffer of ours in between: a crash or a kill of the program loses nothing
// that was read. The bytes are written as they came: no line-end conversion,
// nothing dropped after a zero byte.
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "link/Thread.h"  // LogHook

namespace vantrel {

class NmeaLog {
 public:
  // Told, once, of the first write that failed. Runs on the thread that
  // appended (the reader's), under the hook's lock: it must only pass the
  // message on.
  using WriteErrorReport = std::function<void(const std::string& message)>;

  // Opens `path` for appending, creating it if it does not exist. Null when
  // it cannot be opened; then *error names the file and the reason.
  static std::unique_ptr<NmeaLog> Open(const std::string& path, std::string* error);

  // Detaches and closes.
  ~NmeaLog();
  NmeaLog(const NmeaLog&) = delete;
  NmeaLog& operator=(const NmeaLog&) = delete;

  // From now until Close(), the reader's chunks come here through `hook`.
  void Attach(LogHook& hook, WriteErrorReport onWriteError);

  // Writes all `len` bytes. After the first failure nothing more is written:
  // the file keeps an unbroken prefix of the stream, and the failure is
  // reported once.
  void Append(const char* data, size_t len);

  // Waits for an append in progress, then closes the file. Idempotent.
  void Close();

  const std::string& Path() const { return path_; }
  bool WriteFailed() const { return failed_.load(std::memory_order_acquire); }

 private:
  NmeaLog(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}

  std::string path_;
  int fd_ = -1;
  LogHook* hook_ = nullptr;
  WriteErrorReport onWriteError_;
  std::atomic<bool> failed_{false};
};

// "Can't open NMEA log file <path>: <reason>"
std::string LogOpenFailureMessage(const std::string& path, int error);
// "Can't write NMEA log file <path>: <reason>. Recording stopped; reading goes on."
std::string LogWriteFailureMessage(const std::string& path, int error);

}  // namespace vantrel
