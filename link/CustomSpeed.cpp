// Speeds without a B constant, through the Linux termios2 interface.
#include <asm/termbits.h>  // struct termios2, BOTHER, TCGETS2, TCSETS2
#include <sys/ioctl.h>     // ioctl

namespace vantrel {

bool SetCustomSpeed(int fd, long baud) {
  struct termios2 settings {};
  if (ioctl(fd, TCGETS2, &settings) != 0) return false;
  settings.c_cflag &= ~CBAUD;
  settings.c_cflag |= BOTHER;
  settings.c_cflag &= ~(CBAUD << IBSHIFT);
  settings.c_cflag |= BOTHER << IBSHIFT;
  settings.c_ispeed = static_cast<speed_t>(baud);
  settings.c_ospeed = static_cast<speed_t>(baud);
  return ioctl(fd, TCSETS2, &settings) == 0;
}

long ReadCustomSpeed(int fd) {
  struct termios2 settings {};
  if (ioctl(fd, TCGETS2, &settings) != 0) return -1;
  return static_cast<long>(settings.c_ospeed);
}

}  // namespace vantrel
