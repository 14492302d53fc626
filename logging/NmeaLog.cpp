#include "logging/NmeaLog.h"

#include <fcntl.h>   // open, O_* flags
#include <unistd.h>  // write, close

#include <cerrno>
#include <system_error>
#include <utility>

namespace vantrel {
namespace {

std::string Reason(int error) { return std::error_code(error, std::generic_category()).message(); }

}  // namespace

std::string LogOpenFailureMessage(const std::string& path, int error) {
  return "Can't open NMEA log file " + path + ": " + Reason(error);
}

std::string LogWriteFailureMessage(const std::string& path, int error) {
  return "Can't write NMEA log file " + path + ": " + Reason(error) + ". Recording stopped; reading goes on.";
}

std::unique_ptr<NmeaLog> NmeaLog::Open(const std::string& path, std::string* error) {
  // Appended to, never truncated: a second recording into the same file
  // follows the first. Non-blocking, so that a FIFO nobody reads fails here
  // or at its first full write instead of stalling the reader and, through
  // the hook's lock, the window's close.
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) {
    if (error != nullptr) *error = LogOpenFailureMessage(path, errno);
    return nullptr;
  }
  return std::unique_ptr<NmeaLog>(new NmeaLog(path, fd));
}

NmeaLog::~NmeaLog() { Close(); }

void NmeaLog::Attach(LogHook& hook, WriteErrorReport onWriteError) {
  onWriteError_ = std::move(onWriteError);
  hook_ = &hook;
  hook.Set([this](const char* data, size_t len) { Append(data, len); });
}

void NmeaLog::Append(const char* data, size_t len) {
  if (fd_ < 0 || failed_.load(std::memory_order_relaxed)) return;
  size_t done = 0;
  while (done < len) {
    const ssize_t w = ::write(fd_, data + done, len - done);
    if (w > 0) {
      done += static_cast<size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    // A full disk (ENOSPC), a quota, a vanished device, or a pipe nobody
    // empties (EAGAIN). A write that took nothing without an error is
    // treated as full.
    const int error = w < 0 ? errno : ENOSPC;
    failed_.store(true, std::memory_order_release);
    if (onWriteError_) onWriteError_(LogWriteFailureMessage(path_, error));
    return;
  }
}

void NmeaLog::Close() {
  if (hook_ != nullptr) {
    hook_->Set({});  // waits for an append in progress
    hook_ = nullptr;
  }
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace vantrel
