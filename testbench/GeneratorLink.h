#pragma once
// The GPS-101 signal generator on its own serial port, beside the receiver's.
// The link is write-only: plain command lines, each followed by a pause of
// the calling thread; nothing is ever read back. The window's GPS-101 page
// drives it, and so will a command-line bench: no Qt here.
//
// The port is the serial layer of link/ (termios, or a fake in tests) with
// its write deadline, so a generator that vanishes costs a write at most
// 100 ms and never hangs the caller.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "commands/Commands.h"  // Command, BuiltCommand
#include "commands/Pauses.h"
#include "link/SerialPort.h"

namespace vantrel {

// The generator as the sequencer sees it.
class BenchGenerator {
 public:
  virtual ~BenchGenerator() = default;
  // Sends the RF level and pauses; false, with nothing sent, while the
  // generator port is closed, and false when the line was not taken.
  virtual bool SendRFLevel(int32_t level) = 0;
  // Why the generator can no longer be driven (a line it did not take, a
  // line that hung up), for the user; empty while it can.
  virtual std::string Failure() = 0;
};

constexpr int kGeneratorOpenWaitMs = 500;   // after configuring, before the first line
constexpr int kGeneratorLinePauseMs = 400;  // after every line
constexpr int kGeneratorWriteTimeoutMs = 100;
// A line and its CR LF fit a 20-byte text buffer with its terminating zero;
// the longest line of the program's own values is the level line of -145.
constexpr size_t kGeneratorLineMax = 19;
constexpr size_t kSvTextMax = kGeneratorLineMax - 10;  // "MAIN:SV " and CR LF

// Line settings as a settings text gives them: "19200,n,8,1".
struct LineSettings {
  long baud = 0;
  char parity = 'n';
  int dataBits = 8;
  int stopBits = 1;
  bool operator==(const LineSettings&) const = default;
};

// The generator's settings text: the baud text followed by ",n,8,1".
std::string GeneratorSettingsText(std::string_view baudText);

// "<baud>,<parity>,<data bits>,<stop bits>" with a positive whole baud rate.
// Nothing for any other text, and for settings the serial layer cannot make
// (it runs 8 data bits, no parity, 1 stop bit).
std::optional<LineSettings> ParseLineSettings(std::string_view text);

// "MAIN:TEST 1" CR LF, then its pause.
const Command& GeneratorTestModeLine();
// "MAIN:SV " with the text as typed; refused when the line would not fit.
BuiltCommand GeneratorSvLine(std::string_view svText);
// "MAIN:RFLVL " with the level in dBm as a signed decimal integer.
Command GeneratorLevelLine(int32_t level);

// What the user is told.
inline constexpr char kCantOpenPortText[] = "Can't Open ComPort!!";
inline constexpr char kGeneratorSettingErrorText[] = "ComPort Setting Error!!";
std::string SvTextTooLongMessage(std::string_view svText);
// The generator on `portName` stopped taking lines: the first line says so
// and what became of the test, the second what the system said.
std::string GeneratorLostMessage(const std::string& portName, int error);

class GeneratorLink final : public BenchGenerator {
 public:
  enum class OpenOutcome { Opened, CannotOpen, SettingsRefused };

  explicit GeneratorLink(IPauses& pauses) : pauses_(pauses) {}
  ~GeneratorLink() override { Close(); }
  GeneratorLink(const GeneratorLink&) = delete;
  GeneratorLink& operator=(const GeneratorLink&) = delete;

  // Opens the device behind `portName` (link/SerialPort.h, DevicePath) with
  // the settings text of `baudText`, then waits kGeneratorOpenWaitMs. On a
  // refusal the device is let go again and nothing is left open.
  OpenOutcome Open(SerialPortFactory& ports, const std::string& portName, std::string_view baudText);
  // What the system said when the last Open failed (an errno value), or 0
  // when the settings text itself was refused.
  int LastOpenError() const { return lastOpenError_; }

  // "MAIN:TEST 1", then "MAIN:SV " with `svText`, each with its pause. An SV
  // text too long for its line is for the caller to refuse before Open.
  void SendStartLines(std::string_view svText);

  bool SendRFLevel(int32_t level) override;
  // A line not written whole within the write limit, or a hang-up of the
  // line, looked for now; empty once closed. Once failed, nothing more is
  // sent.
  std::string Failure() override;

  // Nothing is sent on closing: the generator keeps its last level.
  void Close();
  bool IsOpen() const { return port_ != nullptr; }

 private:
  void Send(const Command& line);

  IPauses& pauses_;
  std::unique_ptr<SerialPort> port_;
  std::string portName_;
  std::string failure_;
  int lastOpenError_ = 0;
};

}  // namespace vantrel
