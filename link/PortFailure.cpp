// What a user is told when a port will not open, beyond the window's first
// line: the system's reason in words, and what to do where there is a fix.
#include <grp.h>       // getgrgid_r
#include <sys/stat.h>  // stat
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "link/SerialPort.h"

namespace vantrel {
namespace {

// The group that owns `path`, or empty when it cannot be told.
std::string OwningGroup(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  group entry{};
  group* found = nullptr;
  std::vector<char> buffer(4096);
  if (getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return {};
  return found->gr_name;
}

}  // namespace

std::string PortFailureText(int error, const std::string& path, std::string_view device) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "No such device: " + path + ". Is the " + std::string(device) +
             " plugged in? Right after plugging it in, `dmesg` names its device.";
    case EACCES:
    case EPERM: {
      std::string group = OwningGroup(path);
      if (group.empty()) group = "dialout";
      return "Permission denied: " + path + " belongs to the group \"" + group +
             "\". Add yourself to it (sudo usermod -aG " + group + " $USER), then log out and in again.";
    }
    case EBUSY:
      return "Busy: " + path +
             " is held by another program (a terminal, gpsd, ModemManager, another Vantrel). Close it and try again.";
    case ENOTTY:
      return "Not a serial port: " + path + ".";
    case EINVAL:
      return "The device refused these line settings or this baud rate: " + path + ".";
    case EIO:
      return "Input/output error: " + path + " went away or does not answer.";
    default:
      break;
  }
  return std::string(std::strerror(error)) + ": " + path + ".";
}

}  // namespace vantrel
