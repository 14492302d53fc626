#include "sim/Pty.h"

// termios2 rather than <termios.h>: the PC may set rates such as 14400 that
// have no B-constant, and only termios2 reads those back exactly.
#include <asm/termbits.h>  // struct termios2, TCGETS2, TCSETS2, BOTHER
#include <fcntl.h>         // open, O_* flags
#include <sys/ioctl.h>     // ioctl
#include <unistd.h>        // read, write, close, symlink, unlink

#include <cerrno>
#include <cstdlib>  // posix_openpt, grantpt, unlockpt, ptsname_r
#include <cstring>

namespace vantrel::sim {

std::unique_ptr<Pty> Pty::Create(const std::string& linkPath, int baud, std::string& error) {
  std::unique_ptr<Pty> pty(new Pty);
  pty->master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  char name[128];
  if (pty->master_ < 0 || grantpt(pty->master_) != 0 || unlockpt(pty->master_) != 0 ||
      ptsname_r(pty->master_, name, sizeof name) != 0) {
    error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    return nullptr;
  }
  pty->slavePath_ = name;
  pty->slave_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (pty->slave_ < 0) {
    error = "cannot open " + pty->slavePath_ + ": " + std::strerror(errno);
    return nullptr;
  }
  struct termios2 t {};
  if (ioctl(pty->slave_, TCGETS2, &t) != 0) {
    error = std::string("cannot read the line settings: ") + std::strerror(errno);
    return nullptr;
  }
  t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
  t.c_oflag &= ~OPOST;
  t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~(CSIZE | PARENB | CBAUD | (CBAUD << IBSHIFT) | CRTSCTS);
  t.c_cflag |= CS8 | CLOCAL | CREAD | BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = t.c_ospeed = static_cast<speed_t>(baud);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  if (ioctl(pty->slave_, TCSETS2, &t) != 0) {
    error = std::string("cannot set the line raw: ") + std::strerror(errno);
    return nullptr;
  }
  unlink(linkPath.c_str());  // a stale link of an earlier run
  if (symlink(name, linkPath.c_str()) != 0) {
    error = "cannot create " + linkPath + ": " + std::strerror(errno);
    return nullptr;
  }
  pty->linkPath_ = linkPath;
  return pty;
}

Pty::~Pty() {
  if (!linkPath_.empty()) unlink(linkPath_.c_str());
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
}

size_t Pty::Write(const char* bytes, size_t count) {
  for (;;) {
    const ssize_t n = write(master_, bytes, count);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) return 0;  // EAGAIN: the line is full, the bytes are lost
  }
}

ssize_t Pty::Read(char* buffer, size_t size) {
  for (;;) {
    const ssize_t n = read(master_, buffer, size);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    return 0;  // EAGAIN; EIO cannot happen while we hold the slave open
  }
}

int Pty::PcBaud() const {
  struct termios2 t {};
  if (ioctl(slave_, TCGETS2, &t) != 0) return 0;
  return static_cast<int>(t.c_ospeed);
}

}  // namespace vantrel::sim
