#pragma once
// The simulated receiver module as the program and the tests drive it: bytes
// from the PC in, time forward, bytes for the PC out. Plain C++ with no I/O.
// It ties together the parts that each do one job: the command interpreter
// (CommandInterpreter.h) changes the settings (Settings.h), the sky view
// (SkyView.h) says what the receiver sees, the epoch writer (EpochWriter.h)
// turns each fix into sentences, and the output line (OutputLine.h) paces
// them at the baud rate.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "sim/CommandInterpreter.h"
#include "sim/ModuleOptions.h"
#include "sim/OutputLine.h"
#include "sim/Replay.h"
#include "sim/Settings.h"
#include "sim/SkyView.h"
#include "sim/Stats.h"
#include "sim/Truth.h"

namespace vantrel::sim {

class Module : private CommandInterpreter::Host {
 public:
  using WriteFn = OutputLine::WriteFn;
  using CommandLog = CommandInterpreter::CommandLog;
  using SentLog = OutputLine::SentLog;
  // Told of every epoch the module puts out: where it truly was and the
  // error it added.
  using TruthLog = std::function<void(const TruthLine&)>;

  explicit Module(const ModuleOptions& options, double now = 0.0);
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // Bytes from the PC. `pcBaud` is the rate the PC set on its end of the
  // line; at any other rate than the module's the bytes are unreadable.
  void Receive(std::string_view bytes, double now, int pcBaud) { commands_.Receive(bytes, now, pcBaud); }

  // Produces the fixes that are due at `now` (seconds, monotonic), or the
  // replayed epochs.
  void Tick(double now);

  // From `now` on the module plays `replay` instead of its own fixes, and
  // only acknowledges commands.
  void StartReplay(std::unique_ptr<Replayer> replay, double now);
  const Replayer* Replaying() const { return replay_.get(); }

  // Moves queued bytes onto the line at the module's baud rate. Bytes the
  // pseudo-terminal does not take are lost, as on a line without flow control.
  void Pump(double now, int pcBaud, const WriteFn& write) { line_.Pump(now, pcBaud, write); }

  // Told of every line received from the PC and what the module made of it.
  void SetCommandLog(CommandLog log) { commands_.SetCommandLog(std::move(log)); }
  // Told of every sentence once its last byte has left: the sentence with its
  // line ending, and "sent", "garbled" (the PC listened at another rate) or
  // "cut" (the pseudo-terminal refused some of it).
  void SetSentLog(SentLog log) { line_.SetSentLog(std::move(log)); }
  void SetTruthLog(TruthLog log) { truthLog_ = std::move(log); }

  // Runtime control.
  bool ReportFault() { return commands_.ReportFault(); }
  void SetRefused(Command command, bool refused) { commands_.SetRefused(command, refused); }
  void SetIgnored(Command command, bool ignored) { commands_.SetIgnored(command, ignored); }
  void SetIgnoredAll(bool ignored) { commands_.SetIgnoredAll(ignored); }
  void SetSilent(bool silent) { line_.SetDead(silent); }
  void SetFixBlocked(bool blocked) { sky_.SetFixBlocked(blocked); }
  void ForceBaud(int baud) { line_.SetBaud(baud); }
  void ResetStats() { stats_ = Stats{}; }
  void GeneratorTest(bool on) { sky_.GeneratorTest(on); }
  void GeneratorSv(int prn) { sky_.GeneratorSv(prn); }
  void GeneratorLevel(double dbm) { sky_.GeneratorLevel(dbm); }

  int Baud() const { return line_.Baud(); }
  const Settings& CurrentSettings() const { return settings_; }
  int FixPeriodMs() const { return settings_.fixPeriodMs; }
  const OutputRates& Rates() const { return settings_.rates; }
  int Datum() const { return settings_.datum; }
  int FlashWritesLeft() const { return settings_.flashWritesLeft; }
  bool HasFix(double now) const { return sky_.HasFix(now); }
  size_t QueuedBytes() const { return line_.QueuedBytes(); }
  const Stats& GetStats() const { return stats_; }
  std::string StatsText() const { return sim::StatsText(stats_, line_.Baud()); }

 private:
  void Restart(RestartKind kind, double now) override { sky_.Restart(kind, now); }
  double OscillatorOffset() const override;
  void EmitEpoch(double now);
  void ReplayTick(double now);

  ModuleOptions opt_;
  Settings settings_;
  Stats stats_;
  OutputLine line_;
  SkyView sky_;
  CommandInterpreter commands_;
  TruthLog truthLog_;
  std::unique_ptr<Replayer> replay_;
  double replayStart_ = 0;

  double start_;
  double nextEpoch_;
  double floodSkyTime_ = 0;
  int64_t utcMs_;
  uint64_t epoch_ = 0;
};

}  // namespace vantrel::sim
