#pragma once
// The receiver port on a POSIX terminal device (termios).
#include <termios.h>

#include <atomic>
#include <mutex>

#include "link/SerialPort.h"

namespace vantrel {

class PosixSerialPort final : public SerialPort {
 public:
  PosixSerialPort() = default;
  ~PosixSerialPort() override;
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

  bool Open(const std::string& path) override;
  bool Configure(long baud) override;
  size_t Read(char* buffer, size_t n, int timeoutMs) override;
  size_t Write(const void* data, size_t n, int timeoutMs) override;
  void DiscardInput() override;
  bool HungUp() const override;
  void Interrupt() override;
  void Close() override;
  int LastError() const override { return lastError_.load(std::memory_order_relaxed); }
  bool Gone() const override { return gone_.load(std::memory_order_acquire); }

  int Descriptor() const { return fd_; }

 private:
  void Fail(int error) { lastError_.store(error, std::memory_order_relaxed); }
  void ReleaseExclusive();
  // Puts back the terminal settings and modem lines found at open, once.
  void RestoreTerminal();
  void MarkGone() { gone_.store(true, std::memory_order_release); }
  // Waits on the wake-up descriptor alone until `deadlineNs`.
  void SleepUntil(long long deadlineNs);
  // Asks the line discipline to report the port readable only once `count`
  // bytes wait (VMIN).
  void WakeAtBytes(size_t count);
  // Bytes the driver holds for reading.
  size_t Waiting() const;
  // Reads what is waiting, without waiting; up to `n` bytes. Sets *hungUp
  // when the line reports end of file or an error.
  size_t TakeWaiting(char* buffer, size_t n, bool* hungUp);

  int fd_ = -1;
  int wakeFd_ = -1;  // eventfd: Interrupt() makes it readable for good
  bool exclusive_ = false;
  // The VMIN last set. A reader being replaced may still be in its last read
  // while the next one starts on the same port, so both may set it.
  std::atomic<size_t> wakeAt_{0};
  // Time one byte takes on the line at the configured rate; 0 while unknown.
  std::atomic<long long> byteNs_{0};
  // Added to a wait by the clock: devices hand bytes over in pieces, not
  // one by one, so the last piece is often late.
  static constexpr long long kClockSlackNs = 2000000;
  std::atomic<bool> interrupted_{false};
  std::atomic<bool> released_{false};
  std::atomic<int> lastError_{0};
  std::atomic<bool> gone_{false};
  // What the terminal was before we touched it. Settings change under the
  // mutex, so a reader's last VMIN change cannot land after the restore.
  std::mutex settingsMutex_;
  termios found_{};
  bool foundValid_ = false;
  int foundModem_ = 0;
  bool foundModemValid_ = false;
  bool restored_ = false;
};

// Sets a speed that has no B constant (Linux termios2); false with errno set
// when the driver refuses it. In its own file: <asm/termbits.h> and
// <termios.h> cannot meet in one translation unit.
bool SetCustomSpeed(int fd, long baud);
// The output speed the driver reports through termios2, or -1.
long ReadCustomSpeed(int fd);

}  // namespace vantrel
