#include "testbench/GeneratorLink.h"

#include <cerrno>
#include <utility>

namespace vantrel {
namespace {

Command Line(std::string text) {
  Command line;
  line.bytes = std::move(text) + "\r\n";
  line.pauseAfterMs = kGeneratorLinePauseMs;
  return line;
}

// Splits "a,b,c,d" into exactly four fields.
bool FourFields(std::string_view text, std::string_view (&fields)[4]) {
  for (int i = 0; i < 4; ++i) {
    const size_t comma = text.find(',');
    if ((comma == std::string_view::npos) != (i == 3)) return false;
    fields[i] = text.substr(0, comma);
    if (comma != std::string_view::npos) text.remove_prefix(comma + 1);
  }
  return true;
}

}  // namespace

std::string GeneratorSettingsText(std::string_view baudText) { return std::string(baudText) + ",n,8,1"; }

std::optional<LineSettings> ParseLineSettings(std::string_view text) {
  std::string_view fields[4];
  if (!FourFields(text, fields)) return std::nullopt;
  const std::optional<int32_t> baud = ListTextToInt(fields[0]);
  if (!baud || *baud <= 0) return std::nullopt;
  LineSettings settings;
  settings.baud = *baud;
  if (fields[1] != "n" && fields[1] != "N") return std::nullopt;
  if (fields[2] != "8" || fields[3] != "1") return std::nullopt;
  return settings;
}

const Command& GeneratorTestModeLine() {
  static const Command line = Line("MAIN:TEST 1");
  return line;
}

std::string SvTextTooLongMessage(std::string_view svText) {
  return "SVid '" + std::string(svText) + "' is too long for the generator: at most " +
         std::to_string(kSvTextMax) + " characters.";
}

std::string GeneratorLostMessage(const std::string& portName, int error) {
  return "The generator on " + portName +
         " stopped taking commands. The test is stopped without a result and the generator's port closed.\n" +
         PortFailureText(error, DevicePath(portName), "generator");
}

BuiltCommand GeneratorSvLine(std::string_view svText) {
  BuiltCommand built;
  if (svText.size() > kSvTextMax) {
    built.refusal = SvTextTooLongMessage(svText);
    return built;
  }
  built.command = Line("MAIN:SV " + std::string(svText));
  return built;
}

Command GeneratorLevelLine(int32_t level) { return Line("MAIN:RFLVL " + std::to_string(level)); }

GeneratorLink::OpenOutcome GeneratorLink::Open(SerialPortFactory& ports, const std::string& portName,
                                               std::string_view baudText) {
  Close();
  lastOpenError_ = 0;
  failure_.clear();
  portName_ = portName;
  std::unique_ptr<SerialPort> port = ports.Create();
  if (!port->Open(DevicePath(portName))) {
    lastOpenError_ = port->LastError();
    return OpenOutcome::CannotOpen;
  }
  // The queue sizes and the read and write limits are the port layer's own;
  // only the write limit matters here, and it is given with every write.
  const std::optional<LineSettings> settings = ParseLineSettings(GeneratorSettingsText(baudText));
  if (!settings || !port->Configure(settings->baud)) {
    if (settings) lastOpenError_ = port->LastError();
    port->Close();
    return OpenOutcome::SettingsRefused;
  }
  port_ = std::move(port);
  pauses_.Sleep(kGeneratorOpenWaitMs);
  return OpenOutcome::Opened;
}

void GeneratorLink::SendStartLines(std::string_view svText) {
  Send(GeneratorTestModeLine());
  const BuiltCommand sv = GeneratorSvLine(svText);
  if (sv.ok()) Send(sv.command);
}

bool GeneratorLink::SendRFLevel(int32_t level) {
  if (!IsOpen() || !failure_.empty()) return false;
  Send(GeneratorLevelLine(level));
  return failure_.empty();
}

std::string GeneratorLink::Failure() {
  // Closed, it is no generator of a test any more: a start is refused
  // silently, as with a port never opened.
  if (!IsOpen()) return {};
  if (failure_.empty() && port_ != nullptr && port_->HungUp()) failure_ = GeneratorLostMessage(portName_, EIO);
  return failure_;
}

void GeneratorLink::Close() {
  if (port_ == nullptr) return;
  port_->Close();
  port_.reset();
}

void GeneratorLink::Send(const Command& line) {
  if (!IsOpen() || !failure_.empty()) return;
  // A level the generator did not take would make every later result up:
  // the caller stops the test instead of pausing on.
  const size_t written = port_->Write(line.bytes.data(), line.bytes.size(), kGeneratorWriteTimeoutMs);
  if (written != line.bytes.size()) {
    const int error = port_->LastError();
    failure_ = GeneratorLostMessage(portName_, error != 0 ? error : EIO);
    return;
  }
  if (line.pauseAfterMs > 0) pauses_.Sleep(line.pauseAfterMs);
}

}  // namespace vantrel
