#pragma once
// A pseudo-terminal pair made by the test: the test plays the receiver on
// the master side, the code under test opens the slave by its path.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>  // posix_openpt, grantpt, unlockpt, ptsname_r
#include <unistd.h>

#include <chrono>
#include <string>

namespace vantrel::test {

class PtyPair {
 public:
  PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    char name[128] = {};
    if (ptsname_r(master_, name, sizeof name) != 0) return;
    slavePath_ = name;
    // Keep a slave descriptor of our own open, as a device's driver would:
    // the line is not hung up while the code under test closes and reopens.
    keeper_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  }
  ~PtyPair() {
    CloseMaster();
    if (keeper_ >= 0) close(keeper_);
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool Ok() const { return master_ >= 0 && !slavePath_.empty(); }
  const std::string& SlavePath() const { return slavePath_; }
  int Master() const { return master_; }

  void Send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t w = write(master_, bytes.data() + done, bytes.size() - done);
      if (w > 0) done += static_cast<size_t>(w);
      else if (w < 0 && errno != EINTR && errno != EAGAIN) return;
    }
  }

  // What the code under test wrote, collected until `count` bytes have come
  // or `timeoutMs` has passed.
  std::string Receive(size_t count, int timeoutMs = 2000) {
    std::string got;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char buffer[256];
      ssize_t r = read(master_, buffer, sizeof buffer);
      if (r <= 0) break;
      got.append(buffer, static_cast<size_t>(r));
    }
    return got;
  }

  // Hangs the line up, as a receiver unplugged from a USB adapter.
  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }
  void CloseKeeper() {
    if (keeper_ >= 0) close(keeper_);
    keeper_ = -1;
  }

 private:
  int master_ = -1;
  int keeper_ = -1;
  std::string slavePath_;
};

}  // namespace vantrel::test
