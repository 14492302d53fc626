// Port names as the window shows them, and the devices behind them.
#include <algorithm>
#include <cctype>
#include <cstdlib>  // getenv
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>  // geteuid

#include "link/PosixSerialPort.h"
#include "link/SerialPort.h"

namespace vantrel {

namespace {
constexpr const char* kPointsTo = " -> ";
}  // namespace

std::string DefaultSimulatorDir() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/vantrel-sim";
  return "/tmp/vantrel-sim-" + std::to_string(geteuid());
}

std::string DevicePath(const std::string& portName) {
  if (!portName.empty() && portName[0] == '/') {
    const size_t arrow = portName.find(kPointsTo);
    return arrow == std::string::npos ? portName : portName.substr(0, arrow);
  }
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

std::vector<std::string> PresentSerialDevices(const std::string& simDir, const std::string& devDir,
                                              const std::string& byIdDir) {
  namespace fs = std::filesystem;
  // The character devices of `dir` whose name `wanted` accepts; a directory
  // that is missing or vanishes while it is read gives nothing.
  auto scan = [](const fs::path& dir, auto wanted) {
    std::vector<fs::path> found;
    std::error_code ec;
    fs::directory_iterator it(dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      std::error_code typeError;
      if (wanted(it->path().filename().string()) && fs::is_character_file(it->path(), typeError))
        found.push_back(it->path());
    }
    return found;
  };
  auto canonical = [](const fs::path& p) {
    std::error_code ec;
    fs::path c = fs::canonical(p, ec);
    return ec ? p : c;
  };
  std::vector<std::string> rows;
  std::vector<fs::path> named;  // devices a stable name points to
  for (const fs::path& link : scan(byIdDir, [](const std::string&) { return true; })) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(link, ec);
    rows.push_back(ec ? link.string() : link.string() + kPointsTo + target.filename().string());
    named.push_back(canonical(link));
  }
  for (const fs::path& device : scan(devDir, [](const std::string& name) {
         return name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0;
       })) {
    if (std::find(named.begin(), named.end(), canonical(device)) == named.end()) rows.push_back(device.string());
  }
  // The simulator's links point at pseudo-terminals, which no port list of
  // the system shows.
  for (const fs::path& link : scan(simDir, [](const std::string&) { return true; })) rows.push_back(link.string());
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
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
