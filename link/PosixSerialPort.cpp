#include "link/PosixSerialPort.h"

#include <fcntl.h>        // open, O_* flags
#include <poll.h>         // ppoll
#include <sys/eventfd.h>  // eventfd: wakes a reader blocked in poll
#include <sys/file.h>     // flock: TIOCEXCL alone does not keep root out
#include <sys/ioctl.h>    // TIOCEXCL, TIOCNXCL, TIOCMBIS, TIOCMBIC
#include <termios.h>      // tcgetattr, cfmakeraw, tcsetattr, tcflush
#include <unistd.h>       // read, write, close

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>

namespace vantrel {
namespace {

long long NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

timespec Remaining(long long deadlineNs) {
  long long left = deadlineNs - NowNs();
  if (left < 0) left = 0;
  return timespec{static_cast<time_t>(left / 1000000000LL), static_cast<long>(left % 1000000000LL)};
}

struct StandardSpeed {
  long baud;
  speed_t code;
};
constexpr StandardSpeed kStandardSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

const StandardSpeed* FindStandard(long baud) {
  for (const auto& speed : kStandardSpeeds) {
    if (speed.baud == baud) return &speed;
  }
  return nullptr;
}

}  // namespace

PosixSerialPort::~PosixSerialPort() { Close(); }

bool PosixSerialPort::Open(const std::string& path) {
  Close();
  interrupted_.store(false);
  released_.store(false);
  gone_.store(false);
  byteNs_.store(0, std::memory_order_relaxed);
  {
    std::lock_guard lock(settingsMutex_);
    foundValid_ = foundModemValid_ = restored_ = false;
  }
  // Non-blocking: a plain open of a modem line waits for carrier and would
  // hang the window. No O_CREAT: existing devices only.
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    Fail(errno);
    return false;
  }
  // Exclusive use, like a serial port that cannot be shared. Only terminals
  // are locked: anything else fails its configuration next anyway.
  if (isatty(fd)) {
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      Fail(errno == EWOULDBLOCK ? EBUSY : errno);
      ::close(fd);
      return false;
    }
    ioctl(fd, TIOCEXCL);  // refused by some pseudo-terminals; the lock holds
    exclusive_ = true;
    // The port gives back what it took: these come back at close.
    std::lock_guard lock(settingsMutex_);
    foundValid_ = tcgetattr(fd, &found_) == 0;
    foundModemValid_ = ioctl(fd, TIOCMGET, &foundModem_) == 0;
    restored_ = false;
  }
  int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake < 0) {
    Fail(errno);
    ::close(fd);
    exclusive_ = false;
    return false;
  }
  fd_ = fd;
  wakeFd_ = wake;
  Fail(0);
  return true;
}

bool PosixSerialPort::Configure(long baud) {
  if (fd_ < 0) {
    Fail(EBADF);
    return false;
  }
  if (baud <= 0) {
    Fail(EINVAL);
    return false;
  }
  termios settings{};
  if (tcgetattr(fd_, &settings) != 0) {
    Fail(errno);
    return false;
  }
  cfmakeraw(&settings);  // binary: no echo, no line editing, no CR/LF changes
  settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  settings.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | ISTRIP | IGNPAR | PARMRK);
  settings.c_iflag |= IGNBRK;
  // Reads never block in the driver; Read() waits in poll, where a close
  // can wake it.
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  const StandardSpeed* standard = FindStandard(baud);
  if (standard != nullptr) {
    cfsetispeed(&settings, standard->code);
    cfsetospeed(&settings, standard->code);
  }
  std::unique_lock lock(settingsMutex_);
  if (tcsetattr(fd_, TCSANOW, &settings) != 0) {
    Fail(errno);
    return false;
  }
  wakeAt_.store(0, std::memory_order_relaxed);
  byteNs_.store(0, std::memory_order_relaxed);
  if (standard == nullptr && !SetCustomSpeed(fd_, baud)) {
    Fail(errno);
    return false;
  }
  // A driver may accept the call and keep another speed: read it back.
  termios applied{};
  if (tcgetattr(fd_, &applied) != 0) {
    Fail(errno);
    return false;
  }
  bool speedOk = standard != nullptr ? cfgetospeed(&applied) == standard->code
                                     : ReadCustomSpeed(fd_) == baud;
  if (!speedOk || (applied.c_cflag & CSIZE) != CS8 || (applied.c_cflag & PARENB) != 0) {
    Fail(EINVAL);
    return false;
  }
  // DTR up, RTS down, as far as the device has modem lines (a
  // pseudo-terminal answers ENOTTY).
  int dtr = TIOCM_DTR;
  int rts = TIOCM_RTS;
  ioctl(fd_, TIOCMBIS, &dtr);
  ioctl(fd_, TIOCMBIC, &rts);
  // Start, eight data and stop bit: ten bit times a byte.
  byteNs_.store(10000000000LL / baud, std::memory_order_relaxed);
  Fail(0);
  return true;
}

void PosixSerialPort::RestoreTerminal() {
  std::lock_guard lock(settingsMutex_);
  if (restored_ || fd_ < 0) return;
  restored_ = true;
  if (foundValid_) tcsetattr(fd_, TCSANOW, &found_);
  if (foundModemValid_) ioctl(fd_, TIOCMSET, &foundModem_);
}

void PosixSerialPort::SleepUntil(long long deadlineNs) {
  // A hung-up device reports "readable" at once, again and again; waiting
  // out the read time keeps a reader on a dead line from spinning.
  while (!interrupted_.load(std::memory_order_acquire)) {
    timespec left = Remaining(deadlineNs);
    if (left.tv_sec == 0 && left.tv_nsec == 0) return;
    pollfd wake{wakeFd_, POLLIN, 0};
    int rc = ppoll(&wake, 1, &left, nullptr);
    if (rc > 0) return;
    if (rc == 0) return;
    if (errno != EINTR) return;
  }
}

void PosixSerialPort::WakeAtBytes(size_t count) {
  count = std::min<size_t>(count, 255);  // VMIN is one byte
  if (count == wakeAt_.load(std::memory_order_relaxed)) return;
  std::lock_guard lock(settingsMutex_);
  if (restored_) return;  // the terminal is the user's again
  termios settings{};
  if (tcgetattr(fd_, &settings) != 0) return;
  // With VTIME 0 a poll of a non-canonical terminal waits for VMIN bytes; the
  // descriptor is non-blocking, so read() itself still returns what is there.
  settings.c_cc[VMIN] = static_cast<cc_t>(count);
  settings.c_cc[VTIME] = 0;
  if (tcsetattr(fd_, TCSANOW, &settings) == 0) wakeAt_.store(count, std::memory_order_relaxed);
}

size_t PosixSerialPort::TakeWaiting(char* buffer, size_t n, bool* hungUp) {
  // A terminal read hands over at most 64 bytes at a time; keep reading
  // until the request is met or nothing more waits.
  size_t got = 0;
  while (got < n) {
    ssize_t r = ::read(fd_, buffer + got, n - got);
    if (r > 0) {
      got += static_cast<size_t>(r);
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    // End of file or EIO: the other end hung up.
    if (hungUp != nullptr && !(r < 0 && errno == EAGAIN)) *hungUp = true;
    break;
  }
  return got;
}

size_t PosixSerialPort::Waiting() const {
  int count = 0;
  if (ioctl(fd_, FIONREAD, &count) != 0 || count < 0) return 0;
  return static_cast<size_t>(count);
}

size_t PosixSerialPort::Read(char* buffer, size_t n, int timeoutMs) {
  if (fd_ < 0 || n == 0) return 0;
  // One deadline for the whole read: N bytes or the time, whichever first.
  const long long deadline = NowNs() + static_cast<long long>(timeoutMs) * 1000000LL;
  const long long byteNs = byteNs_.load(std::memory_order_relaxed);
  size_t got = 0;
  size_t seen = 0;  // bytes taken or waiting at the last look
  while (got < n) {
    if (interrupted_.load(std::memory_order_acquire)) return got;
    const size_t waiting = Waiting();
    if (waiting >= n - got) break;
    timespec left = Remaining(deadline);
    if (left.tv_sec == 0 && left.tv_nsec == 0) break;
    const bool arriving = got + waiting > seen;
    seen = got + waiting;
    if (arriving && byteNs > 0) {
      // The line is delivering: sleep for the time the missing bytes take on
      // the wire. Waiting on the port instead would wake this thread at every
      // piece the device hands over (a UART's FIFO, a USB packet), many
      // times a read.
      const long long needNs = static_cast<long long>(n - got - waiting) * byteNs + kClockSlackNs;
      const long long leftNs = static_cast<long long>(left.tv_sec) * 1000000000LL + left.tv_nsec;
      if (needNs < leftNs) left = timespec{static_cast<time_t>(needNs / 1000000000LL), static_cast<long>(needNs % 1000000000LL)};
      pollfd wake{wakeFd_, POLLIN, 0};
      if (ppoll(&wake, 1, &left, nullptr) > 0) break;  // the port is being closed: take what came
      continue;
    }
    // A quiet line: let the port wake us at the next byte. What waits is
    // taken first, so the wake-up threshold stays one byte and is set once.
    if (waiting > 0) {
      got += TakeWaiting(buffer + got, n - got, nullptr);
      seen = got;
    }
    WakeAtBytes(1);
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    int rc = ppoll(fds, 2, &left, nullptr);
    if (rc < 0) {
      if (errno == EINTR) continue;
      MarkGone();
      SleepUntil(deadline);
      return got;
    }
    // Time is up or the port is being closed: take what came, even if fewer
    // bytes than were asked for.
    if (rc == 0 || fds[1].revents != 0) break;
    if ((fds[0].revents & POLLIN) == 0) {
      // POLLHUP, POLLERR or POLLNVAL without data: the line is gone.
      MarkGone();
      SleepUntil(deadline);
      return got;
    }
    bool hungUp = false;
    got += TakeWaiting(buffer + got, n - got, &hungUp);
    if (hungUp) {
      MarkGone();
      SleepUntil(deadline);
      return got;
    }
  }
  return got + TakeWaiting(buffer + got, n - got, nullptr);
}

size_t PosixSerialPort::Write(const void* data, size_t n, int timeoutMs) {
  if (fd_ < 0) {
    Fail(EBADF);
    return 0;
  }
  const long long deadline = NowNs() + static_cast<long long>(timeoutMs) * 1000000LL;
  const auto* bytes = static_cast<const uint8_t*>(data);
  size_t done = 0;
  while (done < n) {
    ssize_t w = ::write(fd_, bytes + done, n - done);
    if (w > 0) {
      done += static_cast<size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN) {
      Fail(errno);
      break;
    }
    // Output queue full: wait for room until the write limit.
    timespec left = Remaining(deadline);
    if (left.tv_sec == 0 && left.tv_nsec == 0) {
      Fail(ETIMEDOUT);
      break;
    }
    pollfd out{fd_, POLLOUT, 0};
    int rc = ppoll(&out, 1, &left, nullptr);
    if (rc < 0 && errno != EINTR) {
      Fail(errno);
      break;
    }
    if (rc > 0 && (out.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 && (out.revents & POLLOUT) == 0) {
      Fail(EIO);
      break;
    }
  }
  return done;
}

bool PosixSerialPort::HungUp() const {
  if (Gone()) return true;
  if (fd_ < 0) return false;
  // No events asked for: poll still reports a hang-up or an error.
  pollfd line{fd_, 0, 0};
  return ::poll(&line, 1, 0) > 0 && (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void PosixSerialPort::DiscardInput() {
  if (fd_ >= 0) tcflush(fd_, TCIFLUSH);
}

void PosixSerialPort::ReleaseExclusive() {
  if (released_.exchange(true)) return;
  if (exclusive_) {
    ioctl(fd_, TIOCNXCL);
    flock(fd_, LOCK_UN);
  }
}

void PosixSerialPort::Interrupt() {
  if (fd_ < 0) return;
  interrupted_.store(true, std::memory_order_release);
  uint64_t one = 1;
  [[maybe_unused]] ssize_t w = ::write(wakeFd_, &one, sizeof one);
  // Give the device up now, not when the last reader lets go of the
  // descriptor, so it can be opened again at once, as it was found.
  RestoreTerminal();
  ReleaseExclusive();
}

void PosixSerialPort::Close() {
  if (fd_ >= 0) {
    RestoreTerminal();
    ReleaseExclusive();
    ::close(fd_);
    fd_ = -1;
  }
  if (wakeFd_ >= 0) {
    ::close(wakeFd_);
    wakeFd_ = -1;
  }
  exclusive_ = false;
}

}  // namespace vantrel
