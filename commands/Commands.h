#pragma once
// The receiver's proprietary command sentences: checksum, the fixed sentences
// as they go on the wire, and the builders of the sentences with parameters.
// A Command carries the exact bytes to write and the pauses around the write,
// so a button handler only checks the port, writes and sleeps.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "commands/CommandNumbers.h"
#include "nmea/Reply.h"  // DgpsMode

namespace vantrel {

// Built sentences are copied into a buffer of this size before the write; the
// sentence with its CR LF must leave room for the terminating zero.
constexpr int kSentenceBufferSize = 100;
constexpr int kLongestSentence = kSentenceBufferSize - 1;

struct Command {
  std::string bytes;      // written as is: CR LF, and one zero byte where the receiver expects it
  int pauseBeforeMs = 0;  // sleep of the UI thread before the write
  int pauseAfterMs = 0;   // sleep of the UI thread after the write
  bool operator==(const Command&) const = default;
};

// A built command, or the reason it cannot be sent (then nothing is written).
struct BuiltCommand {
  Command command;
  std::string refusal;  // message for the user; empty when the command may be sent
  bool ok() const { return refusal.empty(); }
};

// The 8-bit XOR of every character of `body` after the first (the "$"), as
// two upper-case hexadecimal digits.
std::string SentenceChecksum(std::string_view body);

// body + "*" + checksum + CR LF.
std::string FinishSentence(std::string_view body);

// Every sentence that is sent without parameters of the user's.
enum class FixedCommandId : uint8_t {
  HotStart,           // $PQOL101
  WarmStart,          // $PQOL102
  ColdStart,          // $PQOL103
  ColdStartTestBench, // $PQOL103 from the sensitivity test: shorter pause
  CurrentTest,        // $PQOL160
  WakeUp,             // $PQOL188
  DgpsModeRtcm,       // $PQOL301,1
  DgpsModeSbas,       // $PQOL301,2
  DgpsModeNone,       // $PQOL301,0
  SbasCorrectionOn,   // $PQOL313,1
  SbasCorrectionOff,  // $PQOL313,0
  IntegrityMode,      // $PQOL319,1
  TestMode,           // $PQOL319,0
  QueryFixRate,       // $PQOL400
  QueryDgpsMode,      // $PQOL401
  QueryOutputRates,   // $PQOL414
  QuerySbasMode,      // $PQOL419
  QueryDatum,         // $PQOL430
  QueryTcxo,          // $PQOL456
  QueryFlashWrites,   // $PQOL490
  QueryRtcmBaud,      // $PQOL602
  QueryFirmware,      // $PQOL605
};
constexpr int kFixedCommandCount = static_cast<int>(FixedCommandId::QueryFirmware) + 1;

const Command& FixedCommand(FixedCommandId id);

// "$PQOL101*32" etc.: the sentence of a restart (None gives the cold one).
const Command& RestartCommand(Restart kind);

// The texts of the Setup page's output-rate lists, sent unchanged.
struct OutputRateTexts {
  std::string gll = "1", rmc = "1", vtg = "1", gsa = "1", gsv = "1", gga = "1", zda = "0", qchn = "0";
};

// "$PQOL314": 1500 ms pause before the write, none after. A rate above 255 is
// refused with the receiver's limit message; a text that is not a whole
// number is refused too.
BuiltCommand BuildOutputRateCommand(const OutputRateTexts& rates);

// "$PQOL220," with the fix period 1000 div Hz.
BuiltCommand BuildFixRateCommand(std::string_view fixRateText);

// "$PQOL251," with the baud text as typed.
BuiltCommand BuildBaudRateCommand(std::string_view baudText);

// "$PQOL330," with the datum list's selected index (-1 when none).
BuiltCommand BuildDatumCommand(int datumIndex);

// Everything the flash write stores, as the controls hold it.
struct FlashSettings {
  bool writeProtect = false;
  std::string fixRate = "1";
  std::string baud = "38400";
  OutputRateTexts rates;
  int datumIndex = -1;
  DgpsMode dgpsMode = DgpsMode::None;
  std::string rtcmBaud = "9600";
};

// "$PQOL390,": no pause after the write (Timer1 reopens the port later).
BuiltCommand BuildFlashCommand(const FlashSettings& settings);

// "$PQOL250,1,0," with the RTCM baud text; written from its own text, so it
// has no buffer limit.
Command BuildRtcmCommand(std::string_view rtcmBaudText);

// The DGPS "Set" button: one line, optionally a reader restart, a second line.
struct DgpsSetPlan {
  Command first;
  bool restartReader = false;  // between the two writes
  Command second;
};
// mode: the checked radio button.
DgpsSetPlan PlanDgpsSet(DgpsMode mode, std::string_view rtcmBaudText);

// The integer conversion of the window's editable lists: optional leading
// blanks, an optional sign and decimal digits that fit 32 bits, nothing else.
// Nothing for any other text.
std::optional<int32_t> ListTextToInt(std::string_view text);

// What the user is told when a list holds `text` where a whole number is
// needed: "'x' is not a valid integer value."
std::string NotAnIntegerMessage(std::string_view text);

}  // namespace vantrel
