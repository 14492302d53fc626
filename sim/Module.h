#pragma once
// The simulated receiver module: what it streams, how it answers commands,
// and how its serial line paces and loses bytes. Plain C++ with no I/O; the
// program feeds it bytes and time and hands its output to the pseudo-terminal.
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <string_view>

#include "sim/Sky.h"

namespace vantrel::sim {

// What a sentence on the line is, for the statistics.
enum class Kind : int { GGA, GLL, GSA, GSV, RMC, VTG, ZDA, CHN, Reply, Ack, Count };
const char* KindName(Kind kind);
constexpr int kKinds = static_cast<int>(Kind::Count);

// Output rate of each sentence type: output once every n fixes, 0 = never.
struct OutputRates {
  int gll = 0, rmc = 1, vtg = 1, gga = 1, gsa = 1, gsv = 1, zda = 0, chn = 1;
  bool operator==(const OutputRates&) const = default;
};

struct ModuleOptions {
  int baud = 38400;
  int fixPeriodMs = 1000;
  OutputRates rates;
  double ttffHot = 1.0;  // seconds from a restart command to the first fix
  double ttffWarm = 30.0;
  double ttffCold = 35.0;
  double latitude = 48.1173;  // centre of the simulated drive, degrees
  double longitude = 11.5167;
  double skySpeed = 30.0;  // how much faster than real the satellites move
  int flashWrites = 10;
  bool flood = false;           // stream epochs back to back, as fast as the line takes them
  bool asleep = false;          // no NMEA until the wake-up command, as some GPS mice do
  std::time_t utcStart = 0;     // UTC of the first epoch; 0 = the current time
  double genLossDb = 40.0;      // attenuation between signal generator and receiver
  double genNoiseFigureDb = 3.0;
  int genTrackBelow = 12;  // SNR under which the generator's satellite is lost
  int genAcquireAt = 20;   // SNR needed to acquire it again
};

struct Stats {
  uint64_t sent[kKinds] = {};     // sentences the line carried whole and readable
  uint64_t garbled[kKinds] = {};  // carried while the PC listened at another rate
  uint64_t cut[kKinds] = {};      // the pseudo-terminal refused some of their bytes
  uint64_t overrun[kKinds] = {};  // dropped before the line because it was busy
  uint64_t bytesWritten = 0;
  uint64_t bytesLost = 0;
  uint64_t epochs = 0;
  uint64_t commands = 0;         // well-formed sentences received
  uint64_t badChecksums = 0;     // lines dropped for their checksum
  uint64_t unreadableBytes = 0;  // received while the PC talked at another rate
  uint64_t acks[4] = {};         // acknowledgements sent, by flag
};

class Module {
 public:
  // Takes `bytes` and returns how many the pseudo-terminal accepted.
  using WriteFn = std::function<size_t(const char* bytes, size_t count)>;
  // Told of every line received from the PC and what the module made of it.
  using CommandLog = std::function<void(std::string_view line, std::string_view answer)>;

  explicit Module(const ModuleOptions& options, double now = 0.0);

  // Bytes from the PC. `pcBaud` is the rate the PC set on its end of the
  // line; at any other rate than the module's the bytes are unreadable.
  void Receive(std::string_view bytes, double now, int pcBaud);

  // Produces the fixes that are due at `now` (seconds, monotonic).
  void Tick(double now);

  // Moves queued bytes onto the line at the module's baud rate. Bytes the
  // pseudo-terminal does not take are lost, as on a line without flow control.
  void Pump(double now, int pcBaud, const WriteFn& write);

  void SetCommandLog(CommandLog log) { commandLog_ = std::move(log); }
  // Told of every sentence once its last byte has left: the sentence with its
  // line ending, and "sent", "garbled" (the PC listened at another rate) or
  // "cut" (the pseudo-terminal refused some of it).
  using SentLog = std::function<void(std::string_view sentence, const char* outcome)>;
  void SetSentLog(SentLog log) { sentLog_ = std::move(log); }

  // Runtime control.
  void ReportFault();
  void SetRefused(int command, bool refused);
  void SetIgnored(int command, bool ignored);  // command 0: every command
  void SetSilent(bool silent);
  void SetFixBlocked(bool blocked) { fixBlocked_ = blocked; }
  void ForceBaud(int baud) { baud_ = baud; }
  void ResetStats() { stats_ = Stats{}; }
  void GeneratorTest(bool on);
  void GeneratorSv(int prn);
  void GeneratorLevel(double dbm);

  int Baud() const { return baud_; }
  int FixPeriodMs() const { return periodMs_; }
  const OutputRates& Rates() const { return rates_; }
  int Datum() const { return datum_; }
  int DgpsMode() const { return dgpsMode_; }
  int FlashWritesLeft() const { return flashLeft_; }
  bool HasFix(double now) const;
  size_t QueuedBytes() const;
  const Stats& GetStats() const { return stats_; }
  std::string StatsText() const;  // "key value" lines

 private:
  struct Out {
    std::string text;
    Kind kind;
    int switchBaudTo = 0;  // after the last byte has left
    size_t offset = 0;
    bool garbled = false;
    bool cut = false;
  };
  struct SatView {
    int prn, elevation, azimuth, snr;  // snr -1: not tracked, empty field
    bool used;
  };

  void HandleLine(std::string_view line);
  void HandleCommand(int command, const std::vector<std::string>& fields);
  void Ack(int command, int flag, int switchBaudTo = 0);
  void Reply(const std::string& body);
  void Push(std::string text, Kind kind, bool mayDrop, int switchBaudTo = 0);
  void Restart(int kind, double now);
  void EmitEpoch(double now);
  std::vector<SatView> SatsAt(double now, double skyTime, bool fix);
  std::string ReplyFor(int query) const;

  ModuleOptions opt_;
  Sky sky_;
  int baud_;
  int periodMs_;
  OutputRates rates_;
  int datum_ = 0;
  int dgpsMode_ = 0;      // 0 none, 1 RTCM, 2 SBAS
  bool sbasEnabled_ = false;
  int rtcmBaud_ = 9600;
  int integrity_ = 1;
  int flashLeft_;
  bool flashProtected_ = false;
  bool lowCurrent_ = false;
  bool asleep_;

  double restartAt_ = -1e9;
  double fixAt_ = 0;
  int restartKind_ = 0;  // 0 none, 1 hot, 2 warm, 3 cold
  bool fixBlocked_ = false;
  bool silent_ = false;
  std::set<int> refused_;
  std::set<int> ignored_;

  bool genTest_ = false;
  int genSv_ = 0;
  bool genLevelSet_ = false;
  double genLevel_ = 0;
  bool genAcquired_ = false;

  double start_;
  double nextEpoch_;
  double floodSkyTime_ = 0;
  int64_t utcMs_;
  uint64_t epoch_ = 0;

  CommandLog commandLog_;
  SentLog sentLog_;
  std::string answer_;  // of the line being handled, for the command log
  std::string rx_;
  double rxNow_ = 0;
  bool inLine_ = false;

  std::deque<Out> queue_;
  size_t queuedBytes_ = 0;
  double credit_ = 0;
  double lastPump_;
  Stats stats_;
};

}  // namespace vantrel::sim
