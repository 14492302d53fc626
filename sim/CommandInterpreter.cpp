#include "sim/CommandInterpreter.h"

#include <algorithm>
#include <iterator>

#include "sim/Sentence.h"

namespace vantrel::sim {

namespace {

constexpr size_t kMaxLine = 200;       // longer input is noise, not a command
constexpr long kMinFixPeriodMs = 200;  // 5 Hz
constexpr long kMaxFixPeriodMs = 1000;
constexpr long kMaxRate = 255;
constexpr long kMaxDatum = 222;

constexpr int kBauds[] = {4800, 9600, 14400, 19200, 38400, 57600, 115200};

bool ValidBaud(long baud) {
  return std::find(std::begin(kBauds), std::end(kBauds), baud) != std::end(kBauds);
}

bool FieldInt(const std::vector<std::string>& f, size_t i, long lo, long hi, long& out) {
  return i < f.size() && ParseInt(f[i], out) && out >= lo && out <= hi;
}

// "$PQOL" and three digits; anything else is not addressed to this module.
bool CommandNumber(std::string_view name, long& number) {
  if (name.size() != 8 || name.substr(0, 5) != "$PQOL") return false;
  for (char c : name.substr(5))
    if (c < '0' || c > '9') return false;
  return ParseInt(name.substr(5), number);
}

}  // namespace

CommandInterpreter::CommandInterpreter(Settings& settings, OutputLine& line, Stats& stats, Host& host)
    : settings_(settings), line_(line), stats_(stats), host_(host) {}

void CommandInterpreter::Receive(std::string_view bytes, double now, int pcBaud) {
  rxNow_ = now;
  const bool unreadable = pcBaud != 0 && pcBaud != line_.Baud();
  if (unreadable) stats_.unreadableBytes += bytes.size();
  for (char c : bytes) {
    if (c == '$') {
      rx_.assign(1, c);
      inLine_ = true;
    } else if (c == '\r' || c == '\n') {
      if (inLine_ && !unreadable) {
        HandleLine(rx_);
      } else if (inLine_ && commandLog_) {
        // What the PC meant, for the log; the module itself only saw noise.
        commandLog_(rx_, "(unreadable: the PC sends at " + std::to_string(pcBaud) +
                             " baud, the module is at " + std::to_string(line_.Baud()) + ")");
      }
      rx_.clear();
      inLine_ = false;
    } else if (inLine_ && c != '\0') {
      rx_ += c;
      if (rx_.size() > kMaxLine) {
        if (commandLog_) commandLog_(rx_, "(too long: dropped)");
        rx_.clear();
        inLine_ = false;
      }
    }
  }
}

void CommandInterpreter::HandleLine(std::string_view line) {
  answer_.clear();
  ParsedLine parsed;
  long number = 0;
  if (!ParseLine(line, parsed)) {
    ++stats_.badChecksums;
    answer_ = "(bad checksum: no answer)";
  } else {
    ++stats_.commands;
    const bool ours = CommandNumber(parsed.name, number);
    const Command command = static_cast<Command>(number);
    if (!ours)
      answer_ = "(not a command of this module)";
    else if (ignoreAll_ || ignored_.count(command))
      answer_ = "(ignored by control)";
    else if (refused_.count(command))
      Ack(command, AckFlag::Failed);
    else if (ackOnly_)
      Ack(command, AckFlag::Done);
    else
      Handle(command, parsed.fields);
  }
  if (line_.Dead() && answer_.empty()) answer_ = "(silent)";
  if (commandLog_) commandLog_(line, answer_);
}

void CommandInterpreter::Handle(Command command, const std::vector<std::string>& f) {
  constexpr AckFlag kFailed = AckFlag::Failed, kDone = AckFlag::Done;
  Settings& s = settings_;
  long v = 0;
  // Each case checks every field before it changes anything: a refused
  // command leaves the module as it was.
  switch (command) {
    case Command::HotStart:
    case Command::WarmStart:
    case Command::ColdStart:
      if (!f.empty()) return Ack(command, kFailed);
      Ack(command, kDone);
      return host_.Restart(static_cast<RestartKind>(static_cast<int>(command) % 100), rxNow_);
    case Command::CurrentTest:
      if (!f.empty()) return Ack(command, kFailed);
      s.lowCurrent = true;
      return Ack(command, kDone);
    case Command::WakeUp:
      if (!f.empty()) return Ack(command, kFailed);
      s.asleep = false;
      return Ack(command, kDone);
    case Command::FixPeriod:
      if (f.size() != 1 || !FieldInt(f, 0, kMinFixPeriodMs, kMaxFixPeriodMs, v)) return Ack(command, kFailed);
      s.fixPeriodMs = static_cast<int>(v);
      return Ack(command, kDone);
    case Command::RtcmInput: {
      // on (1) or off (0), the RTCM format (always 0), the baud rate
      long on = 0;
      if (f.size() != 3 || !FieldInt(f, 0, 0, 1, on) || f[1] != "0" || !ParseInt(f[2], v) || !ValidBaud(v))
        return Ack(command, kFailed);
      s.rtcmInput = on == 1;
      s.rtcmBaud = static_cast<int>(v);
      return Ack(command, kDone);
    }
    case Command::Baud:
      if (f.size() != 1 || !ParseInt(f[0], v) || !ValidBaud(v)) return Ack(command, kFailed);
      // Acknowledged at the old rate; the new one applies once that is out.
      return Ack(command, kDone, static_cast<int>(v));
    case Command::Dgps:
      if (f.size() != 1 || !FieldInt(f, 0, 0, 2, v)) return Ack(command, kFailed);
      SetDgps(static_cast<DgpsMode>(v));
      return Ack(command, kDone);
    case Command::Sbas:
      if (f.size() != 1 || !FieldInt(f, 0, 0, 1, v)) return Ack(command, kFailed);
      s.sbasEnabled = v == 1;
      return Ack(command, kDone);
    case Command::OutputRates: {
      // GLL RMC VTG GGA GSA GSV, eleven types this module does not have, ZDA CHN
      long r[19];
      if (f.size() != 19) return Ack(command, kFailed);
      for (size_t i = 0; i < 19; ++i)
        if (!FieldInt(f, i, 0, kMaxRate, r[i])) return Ack(command, kFailed);
      auto rate = [&](int i) { return static_cast<int>(r[i]); };
      s.rates = OutputRates{rate(0), rate(1), rate(2), rate(3), rate(4), rate(5), rate(17), rate(18)};
      return Ack(command, kDone);
    }
    case Command::SbasMode:
      if (f.size() != 1 || !FieldInt(f, 0, 0, 1, v)) return Ack(command, kFailed);
      s.sbasMode = static_cast<SbasMode>(v);
      return Ack(command, kDone);
    case Command::Datum:
      if (f.size() != 1 || !FieldInt(f, 0, 0, kMaxDatum, v)) return Ack(command, kFailed);
      s.datum = static_cast<int>(v);
      return Ack(command, kDone);
    case Command::FlashWrite:
      return FlashWrite(f);
    case Command::QueryFixPeriod:
    case Command::QueryDgps:
    case Command::QueryOutputRates:
    case Command::QuerySbasMode:
    case Command::QueryDatum:
    case Command::QueryOscillator:
    case Command::QueryFlashWrites:
    case Command::QueryRtcm:
    case Command::QueryFirmware:
      if (!f.empty()) return Ack(command, kFailed);
      return Reply(ReplyFor(command));
    case Command::Fault:
      break;
  }
  Ack(command, kFailed);
}

void CommandInterpreter::SetDgps(DgpsMode mode) {
  settings_.dgps = mode;
  // The RTCM port listens only while RTCM is the source of corrections.
  settings_.rtcmInput = mode == DgpsMode::Rtcm;
}

void CommandInterpreter::FlashWrite(const std::vector<std::string>& f) {
  enum Field {
    kProtect,
    kHz,
    kBaud,
    kGll,
    kRmc,
    kVtg,
    kGsa,
    kGsv,
    kGga,
    kZda,
    kChn,
    kDatum,
    kDgps,
    kRtcmBaud,
    kFields
  };
  constexpr long lo[kFields] = {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, 0, 0};
  constexpr long hi[kFields] = {1,        5,        115200,   kMaxRate, kMaxRate,  kMaxRate, kMaxRate,
                                kMaxRate, kMaxRate, kMaxRate, kMaxRate, kMaxDatum, 2,        115200};
  Settings& s = settings_;
  long x[kFields];
  // A protected flash or one worn out takes no more writes.
  if (f.size() != kFields || s.flashProtected || s.flashWritesLeft <= 0)
    return Ack(Command::FlashWrite, AckFlag::Failed);
  for (size_t i = 0; i < kFields; ++i)
    if (!FieldInt(f, i, lo[i], hi[i], x[i])) return Ack(Command::FlashWrite, AckFlag::Failed);
  if (!ValidBaud(x[kBaud]) || !ValidBaud(x[kRtcmBaud])) return Ack(Command::FlashWrite, AckFlag::Failed);

  --s.flashWritesLeft;
  s.flashProtected = x[kProtect] == 1;
  s.fixPeriodMs = static_cast<int>(1000 / x[kHz]);
  auto rate = [&](Field i) { return static_cast<int>(x[i]); };
  s.rates = OutputRates{rate(kGll), rate(kRmc), rate(kVtg), rate(kGga),
                        rate(kGsa), rate(kGsv), rate(kZda), rate(kChn)};
  // -1: no datum chosen on the PC; the module keeps its own.
  if (x[kDatum] >= 0) s.datum = static_cast<int>(x[kDatum]);
  s.rtcmBaud = static_cast<int>(x[kRtcmBaud]);
  SetDgps(static_cast<DgpsMode>(x[kDgps]));
  // The module runs with what it stored, the baud rate included: it answers
  // at the old rate and then talks at the new one.
  Ack(Command::FlashWrite, AckFlag::Done, static_cast<int>(x[kBaud]));
}

std::string CommandInterpreter::ReplyFor(Command query) const {
  const Settings& s = settings_;
  switch (query) {
    case Command::QueryFixPeriod:
      return Format("$PQOL500,%d", s.fixPeriodMs);
    case Command::QueryDgps:
      return Format("$PQOL501,%d", static_cast<int>(s.dgps));
    case Command::QueryOutputRates: {
      const OutputRates& r = s.rates;
      return Format("$PQOL514,%d,%d,%d,%d,%d,%d,0,0,0,0,0,0,0,0,0,0,0,%d,%d", r.gll, r.rmc, r.vtg, r.gga,
                    r.gsa, r.gsv, r.zda, r.chn);
    }
    case Command::QuerySbasMode:
      return Format("$PQOL519,%d", static_cast<int>(s.sbasMode));
    case Command::QueryDatum:
      return Format("$PQOL530,%d", s.datum);
    case Command::QueryOscillator:
      return Format("$PQOL556,1,%.9f", host_.OscillatorOffset());
    case Command::QueryFlashWrites:
      return Format("$PQOL590,%d", s.flashWritesLeft);
    case Command::QueryRtcm:
      // Only "1,0," says the RTCM input is on; while it is off the baud
      // rate it would listen at is still reported.
      return Format("$PQOL702,%d,0,%d", s.rtcmInput ? 1 : 0, s.rtcmBaud);
    case Command::QueryFirmware:
      return "$PQOL705,QG-1612 FW 2.04.17,Build 2026-06-30";
    default:
      return {};
  }
}

void CommandInterpreter::Ack(Command command, AckFlag flag, int switchBaudTo) {
  ++(flag == AckFlag::Done ? stats_.acksDone : stats_.acksFailed);
  Answer(Format("$PQOL001,%d,%d", static_cast<int>(command), static_cast<int>(flag)), Kind::Ack,
         switchBaudTo);
}

void CommandInterpreter::Reply(const std::string& body) { Answer(body, Kind::Reply); }

void CommandInterpreter::Answer(const std::string& body, Kind kind, int switchBaudTo) {
  std::string text = Finish(body);
  if (!line_.Dead()) {
    if (!answer_.empty()) answer_ += ' ';
    answer_.append(text, 0, text.size() - 2);
  }
  line_.Push(std::move(text), kind, false, switchBaudTo);
}

bool CommandInterpreter::ReportFault() {
  if (line_.Now() - lastFaultAt_ < 1.0) return false;
  lastFaultAt_ = line_.Now();
  std::string text = Finish(Format("$PQOL001,%d,%d", static_cast<int>(Command::Fault), static_cast<int>(AckFlag::Done)));
  // Not the answer to a line from the PC: the command log is not told.
  ++stats_.acksDone;
  line_.Push(std::move(text), Kind::Ack, false);
  return true;
}

void CommandInterpreter::SetRefused(Command command, bool refused) {
  if (refused)
    refused_.insert(command);
  else
    refused_.erase(command);
}

void CommandInterpreter::SetIgnored(Command command, bool ignored) {
  if (ignored)
    ignored_.insert(command);
  else
    ignored_.erase(command);
}

}  // namespace vantrel::sim
