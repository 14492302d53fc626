#include "link/PortLink.h"

#include <utility>

namespace vantrel {

PortLink::PortLink(std::unique_ptr<SerialPort> port) : port_(std::move(port)) {}

PortLink::~PortLink() {
  // The last holder, window or reader, closes the descriptor: nobody can be
  // reading from it any more.
  if (port_) port_->Close();
}

size_t PortLink::Read(char* buffer, size_t n) {
  if (IsClosed()) return 0;
  return port_->Read(buffer, n, kReadTimeoutMs);
}

size_t PortLink::Write(const void* data, size_t n) {
  if (IsClosed()) return 0;
  return port_->Write(data, n, kWriteTimeoutMs);
}

size_t PortLink::ReadWaiting(char* buffer, size_t n) {
  if (IsClosed()) return 0;
  return port_->Read(buffer, n, 0);
}

void PortLink::DiscardInput() {
  if (!IsClosed()) port_->DiscardInput();
}

void PortLink::Close() {
  if (closed_.exchange(true, std::memory_order_acq_rel)) return;
  port_->Interrupt();
}

}  // namespace vantrel
