#pragma once
// The sensitivity test sequencer: measures how weak the generator's one
// satellite may get before the receiver under test no longer acquires it
// after a cold start (acquisition), or loses it while tracking (tracking).
//
// An explicit state machine driven by one tick a second: the window's Timer2
// (or the command-line bench's loop) calls Handle(TestEvent::TimerTick), the
// start and stop buttons send their events, closing a port sends PortClosed.
// The sequencer talks to the outside only through the small interfaces
// below, so it runs without Qt and tests drive it on a fake of each.
//
// Every message is shown as the last step of its event, after the ticks were
// stopped: the box's own event loop may let the user start the next test,
// and nothing of the old tick may run after that.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "commands/Commands.h"
#include "commands/Pauses.h"
#include "nmea/Record.h"
#include "testbench/GeneratorLink.h"

namespace vantrel {

constexpr int32_t kTestStartLevel = -85;    // dBm
constexpr int32_t kTestFloorLevel = -145;   // dBm; the level never goes lower
constexpr int kAcqSightingsToSucceed = 11;  // consecutive ticks with the satellite seen
constexpr int32_t kAcqTimeoutExtraTicks = 10;

inline constexpr char kAcqFinishedText[] = "Acquisition Sensitivity Test Finish!";
inline constexpr char kTrackFinishedText[] = "Tracking Sensitivity Test Finish!";
inline constexpr char kUnknownResultText[] = "?";

// The inputs of a test as whole numbers.
struct TestSettings {
  int32_t AcqCnr = 20;         // dB-Hz threshold of the acquisition steps
  int32_t AcqTimeout = 60;     // ticks
  int32_t TrackCnr = 15;       // dB-Hz threshold of the tracking steps
  int32_t TrackDuration = 30;  // ticks each level is held while tracking
  int32_t SvId = 14;           // the generator's satellite
  int32_t Degrade = 40;        // dB between generator and receiver
  bool operator==(const TestSettings&) const = default;
};

// The same inputs as the lists hold them.
struct TestSettingTexts {
  std::string AcqCnr = "20";
  std::string AcqTimeout = "60";
  std::string TrackCnr = "15";
  std::string TrackDuration = "30";
  std::string SvId = "14";
  std::string Degrade = "40";
};

// The settings, or the message for the first text that is not a whole
// number (in the order of the page: SVid, degrade, acquisition, tracking).
std::variant<TestSettings, std::string> ParseTestSettings(const TestSettingTexts& texts);

// How far the level drops after a success: half the satellite's margin over
// the threshold, truncated, or 1 dB when the margin is 1 or less.
int32_t LevelStep(int32_t snr, int32_t cnr);
// `level` lowered by `step`, never below the floor.
int32_t SteppedLevel(int32_t level, int32_t step);
// The SNR of the first entry of the table with this PRN and an SNR above 0;
// 0 when the satellite is not seen. The whole table is scanned, whatever
// count the receiver announced.
int32_t SightedSnr(const SatInView (&table)[kSatsInViewMax], int32_t svId);
// The sensitivity at the receiver: the generator level minus the set-up's
// attenuation, in dBm.
int64_t ResultValue(int32_t level, int32_t degrade);

// What one phase measured, in dBm at the receiver. The window's label shows
// the first level lost as it always has, even for a satellite never held;
// a report that keeps figures takes both levels, and none that was not
// measured.
struct PhaseResult {
  // The last level at which the satellite was held for the duration
  // (tracking) or acquired (acquisition); none when not even the start level.
  std::optional<int64_t> heldDbm;
  // The first level at which it was lost or not acquired; none when it was
  // held down to the floor.
  std::optional<int64_t> lostDbm;
  std::string failure;  // why nothing was held; empty when a level was
  bool operator==(const PhaseResult&) const = default;
};
inline constexpr char kNotTrackedText[] = "satellite not tracked at the start level";
inline constexpr char kNotAcquiredText[] = "satellite not acquired at the start level";

// ---- what the sequencer drives ----------------------------------------------

// The receiver under test: its reader's table and the cold start.
class BenchReceiver {
 public:
  virtual ~BenchReceiver() = default;
  // A consistent copy of the current reader's satellites-in-view table.
  virtual void SatsInView(SatInView (&out)[kSatsInViewMax]) = 0;
  // Asks the current reader to end and forgets it.
  virtual void StopReader() = 0;
  // Writes a command to the receiver's port; no pause.
  virtual void WriteCommand(const Command& command) = 0;
  // A new reader, with an empty record, reads from now on.
  virtual void StartReader() = 0;
};

enum class TestPhase : uint8_t { Acquisition, Tracking };

// Where the user sees the test: the window's page, or a terminal.
class BenchPanel {
 public:
  virtual ~BenchPanel() = default;
  // The six inputs, read when a test starts.
  virtual TestSettingTexts SettingTexts() = 0;
  virtual void SetTicking(bool on) = 0;              // Timer2
  virtual void SetTestControlsEnabled(bool on) = 0;  // the test control set
  virtual void SetStopEnabled(bool on) = 0;          // "Stop !"
  virtual void ShowResult(TestPhase phase, const std::string& text) = 0;
  // The finished phase's levels, told right after its label; the window
  // keeps only the label.
  virtual void Measured(TestPhase, const PhaseResult&) {}
  // Modal; returns when the user has seen it.
  virtual void ShowMessage(const std::string& text) = 0;
  // The generator failed: its port is closed as its Close button would.
  virtual void CloseGenerator() = 0;
};

// ---- the state machine ---------------------------------------------------------

enum class TestState : uint8_t {
  Idle,                     // no ticks run
  Acquisition,              // "Acq Only", or the second phase of "Test All"
  TrackingOnly,             // "Track Only"
  TrackingThenAcquisition,  // the first phase of "Test All"
};

enum class TestEvent : uint8_t {
  AcqOnlyPressed,
  TrackOnlyPressed,
  TestAllPressed,
  StopPressed,  // "Stop !"
  TimerTick,    // one second has passed
  PortClosed,   // the generator's or the receiver's port was closed
};
// A generator that fails (a line not taken, its line hung up) stops the
// test at once, at the write or at the next tick: the labels keep "?" for
// what was not measured, the generator's port is closed and the reason shown.

const char* TestStateName(TestState state);

class SensitivitySequencer {
 public:
  SensitivitySequencer(BenchPanel& panel, BenchGenerator& generator, BenchReceiver& receiver, IPauses& pauses)
      : panel_(panel), generator_(generator), receiver_(receiver), pauses_(pauses) {}

  void Handle(TestEvent event);

  TestState State() const { return state_; }
  int32_t RFLevel() const { return rfLevel_; }
  int32_t TestTick() const { return testTick_; }
  int AcqHitCount() const { return acqHitCount_; }
  const TestSettings& Settings() const { return settings_; }

 private:
  void Start(TestState first);
  void Stop();
  void AcquisitionTick();
  void TrackingTick();
  void ColdStart();
  // False when the generator failed and the test was stopped.
  bool StepLevel(int32_t snr, int32_t cnr);
  // Stops the test when the generator failed; true if it did.
  bool GeneratorFailed();
  int32_t LookForSatellite();
  // `lost`: the satellite was lost at the current level, else held at the floor.
  void FinishAcquisition(bool lost);
  // True when the test ended (a message was shown); false when "Test All"
  // went on to its acquisition phase.
  bool FinishTracking(bool lost);
  std::string ResultText() const;
  PhaseResult Measurement(bool lost, const char* notHeld) const;

  BenchPanel& panel_;
  BenchGenerator& generator_;
  BenchReceiver& receiver_;
  IPauses& pauses_;

  TestState state_ = TestState::Idle;
  TestSettings settings_;
  int32_t rfLevel_ = kTestStartLevel;
  int32_t testTick_ = 0;  // ticks of the current level (tracking) or attempt (acquisition)
  int acqHitCount_ = 0;   // consecutive sightings in the current attempt
  std::optional<int32_t> heldLevel_;  // the phase's last level held or acquired
};

}  // namespace vantrel
