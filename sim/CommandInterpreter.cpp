#include "sim/CommandInterpreter.h"

#include <algorithm>
#include <iterator>

#include "sim/Sentence.h"

namespace vantrel::sim {

namespace {

constexpr size_t kMaxLine = 200;  // longer input is noise, not a command

constexpr int kBauds[] = {4800, 9600, 14400, 19200, 38400, 57600, 115200};

bool ValidBaud(long baud) {
  return std::find(std::begin(kBauds), std::end(kBauds), baud) != std::end(kBauds);
}

bool FieldInt(const std::vector<std::string>& f, size_t i, long lo, long hi, long& out) {
  return i < f.size() && ParseInt(f[i], out) && out >= lo && out <= hi;
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
    const bool ours = parsed.name.size() == 8 && parsed.name.compare(0, 5, "$PQOL") == 0 &&
                      ParseInt(std::string_view(parsed.name).substr(5), number);
    const Command command = static_cast<Command>(number);
    if (!ours)
      answer_ = "(not a command of this module)";
    else if (ignoreAll_ || ignored_.count(command))
      answer_ = "(ignored by control)";
    else if (refused_.count(command))
      Ack(command, AckFlag::Failed);
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
  switch (command) {
    case Command::HotStart:
    case Command::WarmStart:
    case Command::ColdStart:
      if (!f.empty()) return Ack(command, kFailed);
      Ack(command, kDone);
      return host_.Restart(static_cast<RestartKind>(static_cast<int>(command) % 100), rxNow_);
    case Command::CurrentTest:
      s.lowCurrent = true;
      return Ack(command, f.empty() ? kDone : kFailed);
    case Command::WakeUp:
      if (!f.empty()) return Ack(command, kFailed);
      s.asleep = false;
      return Ack(command, kDone);
    case Command::FixPeriod:
      if (f.size() != 1 || !FieldInt(f, 0, 200, 1000, v)) return Ack(command, kFailed);
      s.fixPeriodMs = static_cast<int>(v);
      return Ack(command, kDone);
    case Command::RtcmInput:
      if (f.size() != 3 || f[0] != "1" || f[1] != "0" || !ParseInt(f[2], v) || !ValidBaud(v))
        return Ack(command, kFailed);
      s.rtcmBaud = static_cast<int>(v);
      return Ack(command, kDone);
    case Command::Baud:
      if (f.size() != 1 || !ParseInt(f[0], v) || !ValidBaud(v)) return Ack(command, kFailed);
      // Acknowledged at the old rate; the new one applies once that is out.
      return Ack(command, kDone, static_cast<int>(v));
    case Command::Dgps:
      if (f.size() != 1 || !FieldInt(f, 0, 0, 2, v)) return Ack(command, kFailed);
      s.dgps = static_cast<DgpsMode>(v);
      return Ack(command, kDone);
    case Command::Sbas:
      if (f.size() != 1 || !FieldInt(f, 0, 0, 1, v)) return Ack(command, kFailed);
      s.sbasEnabled = v == 1;
      return Ack(command, kDone);
    case Command::OutputRates: {
      long r[19];
      if (f.size() != 19) return Ack(command, kFailed);
      for (size_t i = 0; i < 19; ++i)
        if (!FieldInt(f, i, 0, 255, r[i])) return Ack(command, kFailed);
      s.rates = OutputRates{static_cast<int>(r[0]),  static_cast<int>(r[1]), static_cast<int>(r[2]),
                            static_cast<int>(r[3]),  static_cast<int>(r[4]), static_cast<int>(r[5]),
                            static_cast<int>(r[17]), static_cast<int>(r[18])};
      return Ack(command, kDone);
    }
    case Command::SbasMode:
      if (f.size() != 1 || !FieldInt(f, 0, 0, 1, v)) return Ack(command, kFailed);
      s.sbasMode = static_cast<SbasMode>(v);
      return Ack(command, kDone);
    case Command::Datum:
      if (f.size() != 1 || !FieldInt(f, 0, 0, 222, v)) return Ack(command, kFailed);
      s.datum = static_cast<int>(v);
      return Ack(command, kDone);
    case Command::FlashWrite: {
      // protect, fix Hz, baud, GLL RMC VTG GSA GSV GGA ZDA CHN, datum, DGPS mode, RTCM baud
      long x[14];
      if (f.size() != 14 || s.flashProtected || s.flashWritesLeft <= 0) return Ack(command, kFailed);
      const long lo[14] = {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, 0, 0};
      const long hi[14] = {1, 5, 115200, 255, 255, 255, 255, 255, 255, 255, 255, 222, 2, 115200};
      for (size_t i = 0; i < 14; ++i)
        if (!FieldInt(f, i, lo[i], hi[i], x[i])) return Ack(command, kFailed);
      if (!ValidBaud(x[2]) || !ValidBaud(x[13])) return Ack(command, kFailed);
      --s.flashWritesLeft;
      s.flashProtected = x[0] == 1;
      s.fixPeriodMs = static_cast<int>(1000 / x[1]);
      s.rates = OutputRates{static_cast<int>(x[3]), static_cast<int>(x[4]), static_cast<int>(x[5]),
                            static_cast<int>(x[8]), static_cast<int>(x[6]), static_cast<int>(x[7]),
                            static_cast<int>(x[9]), static_cast<int>(x[10])};
      if (x[11] >= 0) s.datum = static_cast<int>(x[11]);
      s.dgps = static_cast<DgpsMode>(x[12]);
      s.rtcmBaud = static_cast<int>(x[13]);
      return Ack(command, kDone, static_cast<int>(x[2]));
    }
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
      return Format("$PQOL702,%d,0,%d", s.dgps == DgpsMode::Rtcm ? 1 : 0, s.rtcmBaud);
    case Command::QueryFirmware:
      return "$PQOL705,QG-1612 FW 2.04.17,Build 2026-06-30";
    default:
      return {};
  }
}

void CommandInterpreter::Ack(Command command, AckFlag flag, int switchBaudTo) {
  ++(flag == AckFlag::Done ? stats_.acksDone : stats_.acksFailed);
  Answer(Format("$PQOL001,%d,%d", static_cast<int>(command), static_cast<int>(flag)), Kind::Ack,
         switchBaudTo == line_.Baud() ? 0 : switchBaudTo);
}

void CommandInterpreter::Reply(const std::string& body) { Answer(body, Kind::Reply); }

void CommandInterpreter::Answer(const std::string& body, Kind kind, int switchBaudTo) {
  if (line_.Dead()) return;
  std::string text = Finish(body);
  if (!answer_.empty()) answer_ += ' ';
  answer_.append(text, 0, text.size() - 2);
  line_.Push(std::move(text), kind, false, switchBaudTo);
}

void CommandInterpreter::ReportFault() { Ack(Command::Fault, AckFlag::Done); }

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
