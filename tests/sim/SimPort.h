#pragma once
// A bare serial client for the simulator's links, for tests that talk to the
// simulated module directly rather than through Vantrel.
#include <fcntl.h>    // open
#include <termios.h>  // tcgetattr, tcsetattr, cfmakeraw, B-constants
#include <unistd.h>   // read, write, close

#include <chrono>
#include <string>
#include <string_view>
#include <thread>

namespace vantrel::test {

class SimPort {
 public:
  SimPort(const std::string& path, int baud) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ >= 0 && !SetBaud(baud)) Close();
    if (fd_ >= 0) tcflush(fd_, TCIFLUSH);
  }
  ~SimPort() { Close(); }
  SimPort(const SimPort&) = delete;
  SimPort& operator=(const SimPort&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

  bool SetBaud(int baud) {
    speed_t speed;
    switch (baud) {
      case 4800: speed = B4800; break;
      case 9600: speed = B9600; break;
      case 19200: speed = B19200; break;
      case 38400: speed = B38400; break;
      case 57600: speed = B57600; break;
      case 115200: speed = B115200; break;
      default: return false;
    }
    termios t{};
    if (tcgetattr(fd_, &t) != 0) return false;
    cfmakeraw(&t);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    return tcsetattr(fd_, TCSANOW, &t) == 0;
  }

  bool Write(std::string_view bytes) {
    return write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

  // Everything that arrives within `ms` milliseconds.
  std::string ReadFor(int ms) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) Drain(got);
    return got;
  }

  // Reads until `needle` has arrived (true) or `ms` have passed (false). All
  // bytes read are appended to `got` when it is given.
  bool ReadUntil(std::string_view needle, int ms, std::string* got = nullptr) {
    std::string local;
    std::string& buf = got ? *got : local;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      Drain(buf);
      if (buf.find(needle) != std::string::npos) return true;
    }
    return false;
  }

 private:
  void Drain(std::string& got) {
    char buf[4096];
    const ssize_t n = read(fd_, buf, sizeof buf);
    if (n > 0)
      got.append(buf, static_cast<size_t>(n));
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }

  int fd_ = -1;
};

}  // namespace vantrel::test
