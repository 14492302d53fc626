#include "commands/Commands.h"

#include <array>
#include <cstdio>  // snprintf
#include <limits>

namespace vantrel {
namespace {

// The receiver reads the restart, current-test, wake-up, oscillator and
// firmware commands, and the second DGPS line, with a trailing zero byte.
constexpr bool kZero = true;
constexpr bool kNoZero = false;

struct FixedEntry {
  FixedCommandId id;
  const char* sentence;  // without CR LF
  bool zeroByte;
  int pauseAfterMs;
};

constexpr std::array<FixedEntry, kFixedCommandCount> kFixedTable{{
    {FixedCommandId::HotStart, "$PQOL101*32", kZero, 1000},
    {FixedCommandId::WarmStart, "$PQOL102*31", kZero, 1000},
    {FixedCommandId::ColdStart, "$PQOL103*30", kZero, 1000},
    {FixedCommandId::ColdStartTestBench, "$PQOL103*30", kZero, 800},
    {FixedCommandId::CurrentTest, "$PQOL160*35", kZero, 400},
    {FixedCommandId::WakeUp, "$PQOL188*33", kZero, 400},
    {FixedCommandId::DgpsModeRtcm, "$PQOL301,1*2D", kZero, 400},
    {FixedCommandId::DgpsModeSbas, "$PQOL301,2*2E", kZero, 400},
    {FixedCommandId::DgpsModeNone, "$PQOL301,0*2C", kZero, 400},
    {FixedCommandId::SbasCorrectionOn, "$PQOL313,1*2E", kNoZero, 400},
    {FixedCommandId::SbasCorrectionOff, "$PQOL313,0*2F", kNoZero, 400},
    {FixedCommandId::IntegrityMode, "$PQOL319,1*24", kNoZero, 400},
    {FixedCommandId::TestMode, "$PQOL319,0*25", kNoZero, 400},
    {FixedCommandId::QueryFixRate, "$PQOL400*36", kNoZero, 400},
    {FixedCommandId::QueryDgpsMode, "$PQOL401*37", kNoZero, 400},
    {FixedCommandId::QueryOutputRates, "$PQOL414*33", kNoZero, 400},
    {FixedCommandId::QuerySbasMode, "$PQOL419*3E", kNoZero, 400},
    {FixedCommandId::QueryDatum, "$PQOL430*35", kNoZero, 400},
    {FixedCommandId::QueryTcxo, "$PQOL456*35", kZero, 400},
    {FixedCommandId::QueryFlashWrites, "$PQOL490*3F", kNoZero, 400},
    {FixedCommandId::QueryRtcmBaud, "$PQOL602*36", kNoZero, 400},
    {FixedCommandId::QueryFirmware, "$PQOL605*31", kZero, 400},
}};

constexpr bool TableInEnumOrder() {
  for (int i = 0; i < kFixedCommandCount; ++i) {
    if (static_cast<int>(kFixedTable[i].id) != i) return false;
  }
  return true;
}
static_assert(TableInEnumOrder(), "FixedCommand indexes the table by its id");

const std::array<Command, kFixedCommandCount>& FixedCommands() {
  static const std::array<Command, kFixedCommandCount> commands = [] {
    std::array<Command, kFixedCommandCount> out;
    for (int i = 0; i < kFixedCommandCount; ++i) {
      const FixedEntry& e = kFixedTable[i];
      out[i].bytes = std::string(e.sentence) + "\r\n";
      if (e.zeroByte) out[i].bytes.push_back('\0');
      out[i].pauseAfterMs = e.pauseAfterMs;
    }
    return out;
  }();
  return commands;
}

// Copies a finished sentence into the fixed-size sentence buffer, or refuses
// it when it would not fit.
BuiltCommand ThroughSentenceBuffer(std::string sentence, int pauseBeforeMs, int pauseAfterMs) {
  BuiltCommand built;
  if (sentence.size() > static_cast<size_t>(kLongestSentence)) {
    built.refusal = "Warning!! The command would be " + std::to_string(sentence.size()) +
                    " characters long, but at most " + std::to_string(kLongestSentence) +
                    " can be sent. Nothing was sent.";
    return built;
  }
  built.command.bytes = std::move(sentence);
  built.command.pauseBeforeMs = pauseBeforeMs;
  built.command.pauseAfterMs = pauseAfterMs;
  return built;
}

// "$PQOL314," and the like: the start of a command with parameters.
std::string Head(CommandNumber number) { return "$PQOL" + std::to_string(static_cast<int>(number)) + ","; }

BuiltCommand Refused(std::string message) {
  BuiltCommand built;
  built.refusal = std::move(message);
  return built;
}

}  // namespace

std::string SentenceChecksum(std::string_view body) {
  unsigned char sum = 0;
  for (size_t i = 1; i < body.size(); ++i) sum ^= static_cast<unsigned char>(body[i]);
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", sum);
  return std::string(digits, 2);
}

std::string FinishSentence(std::string_view body) {
  std::string sentence(body);
  sentence += '*';
  sentence += SentenceChecksum(body);
  sentence += "\r\n";
  return sentence;
}

const Command& FixedCommand(FixedCommandId id) { return FixedCommands()[static_cast<size_t>(id)]; }

const Command& RestartCommand(Restart kind) {
  switch (kind) {
    case Restart::Hot:
      return FixedCommand(FixedCommandId::HotStart);
    case Restart::Warm:
      return FixedCommand(FixedCommandId::WarmStart);
    case Restart::Cold:
    case Restart::None:
      break;
  }
  return FixedCommand(FixedCommandId::ColdStart);
}

std::optional<int32_t> ListTextToInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(value);
}

std::string NotAnIntegerMessage(std::string_view text) {
  return "'" + std::string(text) + "' is not a valid integer value.";
}

BuiltCommand BuildOutputRateCommand(const OutputRateTexts& r) {
  // The receiver takes at most 255; checked in the order of the sentence.
  for (const std::string* text : {&r.gll, &r.rmc, &r.vtg, &r.gga, &r.gsa, &r.gsv, &r.zda, &r.qchn}) {
    const std::optional<int32_t> rate = ListTextToInt(*text);
    if (!rate) return Refused(NotAnIntegerMessage(*text));
    if (*rate > 255) return Refused("Warning!! The value of NMEA frequency doesn't allow more than 255.");
  }
  std::string body = Head(CommandNumber::OutputRates);
  for (const std::string* text : {&r.gll, &r.rmc, &r.vtg, &r.gga, &r.gsa, &r.gsv}) body += *text + ",";
  body += "0,0,0,0,0,0,0,0,0,0,0,";
  body += r.zda + "," + r.qchn;
  return ThroughSentenceBuffer(FinishSentence(body), 1500, 0);
}

BuiltCommand BuildFixRateCommand(std::string_view fixRateText) {
  const std::optional<int32_t> hz = ListTextToInt(fixRateText);
  if (!hz) return Refused(NotAnIntegerMessage(fixRateText));
  if (*hz == 0) return Refused("Warning!! The fix update rate must not be 0.");
  return ThroughSentenceBuffer(FinishSentence(Head(CommandNumber::FixRate) + std::to_string(1000 / *hz)), 0, 400);
}

BuiltCommand BuildBaudRateCommand(std::string_view baudText) {
  return ThroughSentenceBuffer(FinishSentence(Head(CommandNumber::BaudRate) + std::string(baudText)), 0, 400);
}

BuiltCommand BuildDatumCommand(int datumIndex) {
  return ThroughSentenceBuffer(FinishSentence(Head(CommandNumber::Datum) + std::to_string(datumIndex)), 0, 400);
}

BuiltCommand BuildFlashCommand(const FlashSettings& s) {
  // The rates go in the order of the Setup page's lists, not that of $PQOL314.
  std::string body = Head(CommandNumber::FlashWrite);
  body += s.writeProtect ? "1," : "0,";
  body += s.fixRate + "," + s.baud + ",";
  for (const std::string* text : {&s.rates.gll, &s.rates.rmc, &s.rates.vtg, &s.rates.gsa, &s.rates.gsv,
                                  &s.rates.gga, &s.rates.zda, &s.rates.qchn}) {
    body += *text + ",";
  }
  body += std::to_string(s.datumIndex) + "," + std::to_string(static_cast<int>(s.dgpsMode)) + "," + s.rtcmBaud;
  return ThroughSentenceBuffer(FinishSentence(body), 0, 0);
}

Command BuildRtcmCommand(std::string_view rtcmBaudText) {
  Command c;
  c.bytes = FinishSentence(Head(CommandNumber::RtcmInput) + "1,0," + std::string(rtcmBaudText));
  c.pauseAfterMs = 400;
  return c;
}

DgpsSetPlan PlanDgpsSet(DgpsMode mode, std::string_view rtcmBaudText) {
  DgpsSetPlan plan;
  switch (mode) {
    case DgpsMode::Sbas:
      plan.first = FixedCommand(FixedCommandId::SbasCorrectionOn);
      plan.restartReader = true;
      plan.second = FixedCommand(FixedCommandId::DgpsModeSbas);
      break;
    case DgpsMode::Rtcm:
      plan.first = BuildRtcmCommand(rtcmBaudText);
      plan.second = FixedCommand(FixedCommandId::DgpsModeRtcm);
      break;
    case DgpsMode::None:
      plan.first = FixedCommand(FixedCommandId::SbasCorrectionOff);
      plan.restartReader = true;
      plan.second = FixedCommand(FixedCommandId::DgpsModeNone);
      break;
  }
  return plan;
}

}  // namespace vantrel
