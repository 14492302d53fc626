#pragma once
// The open receiver port, shared by the window and every reader thread that
// reads it. The window closes it with Close(), which interrupts a read in
// progress; the descriptor itself is closed only when the last holder lets
// go, so a reader never reads from a closed descriptor or from one the next
// open has already reused.
#include <atomic>
#include <cstddef>
#include <memory>

#include "link/SerialPort.h"

namespace vantrel {

class PortLink {
 public:
  explicit PortLink(std::unique_ptr<SerialPort> port);
  ~PortLink();
  PortLink(const PortLink&) = delete;
  PortLink& operator=(const PortLink&) = delete;

  // Reader side: up to `n` bytes within the read limit; nothing once closed.
  size_t Read(char* buffer, size_t n);

  // UI side: one write with the write limit; the result is not looked at by
  // the program's commands, but tests may.
  size_t Write(const void* data, size_t n);
  void DiscardInput();
  // What waits in the input queue now, without waiting for more.
  size_t ReadWaiting(char* buffer, size_t n);

  // UI side: marks the link closed and wakes its reader. Idempotent.
  void Close();
  bool IsClosed() const { return closed_.load(std::memory_order_acquire); }
  // The device went away under the reader (see SerialPort::Gone).
  bool Gone() const { return port_->Gone(); }

  SerialPort& Port() { return *port_; }

 private:
  std::unique_ptr<SerialPort> port_;
  std::atomic<bool> closed_{false};
};

}  // namespace vantrel
