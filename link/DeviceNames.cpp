// Port names as the window shows them, and the devices behind them.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "link/PosixSerialPort.h"
#include "link/SerialPort.h"

namespace vantrel {

std::string DevicePath(const std::string& portName) {
  if (!portName.empty() && portName[0] == '/') return portName;
  // "COMn": the n-th serial port of the machine, counted from 1.
  if (portName.size() > 3 && std::tolower(static_cast<unsigned char>(portName[0])) == 'c' &&
      std::tolower(static_cast<unsigned char>(portName[1])) == 'o' &&
      std::tolower(static_cast<unsigned char>(portName[2])) == 'm') {
    const std::string digits = portName.substr(3);
    bool allDigits = digits.size() <= 6 && std::all_of(digits.begin(), digits.end(), [](char c) {
                       return std::isdigit(static_cast<unsigned char>(c)) != 0;
                     });
    if (allDigits) {
      long n = std::stol(digits);
      if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
    }
  }
  return "/dev/" + portName;
}

std::vector<std::string> PresentSerialDevices(const std::string& simDir) {
  namespace fs = std::filesystem;
  std::vector<std::string> found;
  // Keeps the character devices of `dir` whose name `wanted` accepts; a
  // directory that is missing or vanishes while it is read adds nothing.
  auto scan = [&found](const fs::path& dir, auto wanted) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      std::error_code typeError;
      if (wanted(it->path().filename().string()) && fs::is_character_file(it->path(), typeError)) {
        found.push_back(it->path().string());
      }
    }
  };
  scan("/dev", [](const std::string& name) { return name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0; });
  scan("/dev/serial/by-id", [](const std::string&) { return true; });
  // The simulator's links point at pseudo-terminals, which no port list of
  // the system shows.
  scan(simDir, [](const std::string&) { return true; });
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

namespace {
class PosixSerialPortFactory final : public SerialPortFactory {
 public:
  std::unique_ptr<SerialPort> Create() override { return std::make_unique<PosixSerialPort>(); }
};
}  // namespace

std::unique_ptr<SerialPortFactory> MakePosixSerialPortFactory() {
  return std::make_unique<PosixSerialPortFactory>();
}

}  // namespace vantrel
