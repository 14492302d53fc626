#pragma once
// The module's receive side: it gathers the PC's bytes into lines, drops
// lines with a wrong checksum without a word, carries out each "$PQOL"
// command on the settings and answers it with an acknowledgement
// "$PQOL001,<command>,<flag>" or, for a query, with its reply sentence.
// Runtime control can make it refuse or ignore chosen commands.
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "sim/OutputLine.h"
#include "sim/Settings.h"
#include "sim/SkyView.h"
#include "sim/Stats.h"

namespace vantrel::sim {

// The command numbers the module knows (the three digits after "$PQOL").
// A received number may be any other value too; it is then refused.
enum class Command : int {
  Fault = -1,  // only sent: the module reports a fault of its own
  HotStart = 101,
  WarmStart = 102,
  ColdStart = 103,
  CurrentTest = 160,
  WakeUp = 188,
  FixPeriod = 220,
  RtcmInput = 250,
  Baud = 251,
  Dgps = 301,
  Sbas = 313,
  OutputRates = 314,
  SbasMode = 319,
  Datum = 330,
  FlashWrite = 390,
  QueryFixPeriod = 400,
  QueryDgps = 401,
  QueryOutputRates = 414,
  QuerySbasMode = 419,
  QueryDatum = 430,
  QueryOscillator = 456,
  QueryFlashWrites = 490,
  QueryRtcm = 602,
  QueryFirmware = 605,
};

// The flag of an acknowledgement.
enum class AckFlag : int { Failed = 2, Done = 3 };

class CommandInterpreter {
 public:
  // Told of every line received from the PC and what the module made of it.
  using CommandLog = std::function<void(std::string_view line, std::string_view answer)>;

  // What commands reach beyond the settings.
  class Host {
   public:
    virtual void Restart(RestartKind kind, double now) = 0;
    virtual double OscillatorOffset() const = 0;  // as a fraction, for the oscillator query

   protected:
    ~Host() = default;
  };

  CommandInterpreter(Settings& settings, OutputLine& line, Stats& stats, Host& host);

  // Bytes from the PC at `now`. `pcBaud` is the rate the PC set on its end of
  // the line; at any other rate than the module's the bytes are unreadable.
  void Receive(std::string_view bytes, double now, int pcBaud);

  void SetCommandLog(CommandLog log) { commandLog_ = std::move(log); }
  // False, with nothing sent, within a second of the last report: a flood
  // of them must neither grow the queue nor crowd out the stream.
  bool ReportFault();
  void SetRefused(Command command, bool refused);
  void SetIgnored(Command command, bool ignored);
  void SetIgnoredAll(bool ignored) { ignoreAll_ = ignored; }
  // A replayed recording has no settings to change: every command and query
  // is only acknowledged (or refused, or ignored, as control says).
  void SetAckOnly(bool ackOnly) { ackOnly_ = ackOnly; }

 private:
  void HandleLine(std::string_view line);
  void Handle(Command command, const std::vector<std::string>& fields);
  void FlashWrite(const std::vector<std::string>& fields);
  void SetDgps(DgpsMode mode);
  void Ack(Command command, AckFlag flag, int switchBaudTo = 0);
  void Reply(const std::string& body);
  void Answer(const std::string& body, Kind kind, int switchBaudTo = 0);
  std::string ReplyFor(Command query) const;

  Settings& settings_;
  OutputLine& line_;
  Stats& stats_;
  Host& host_;

  std::set<Command> refused_;
  std::set<Command> ignored_;
  bool ignoreAll_ = false;
  bool ackOnly_ = false;

  CommandLog commandLog_;
  std::string answer_;  // of the line being handled, for the command log
  std::string rx_;
  double rxNow_ = 0;
  bool inLine_ = false;
  double lastFaultAt_ = -1e9;
};

}  // namespace vantrel::sim
