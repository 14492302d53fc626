#pragma once
// The window's sensitivity sequencer run from a terminal: the same state
// machine on a receiver session, as the window's, ticks from a plain loop
// and the results collected instead of shown. Each tick's level
// and the SNR seen at it make the SNR-versus-level curve.
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "session/ReceiverSession.h"
#include "testbench/GeneratorLink.h"
#include "testbench/Sequencer.h"
#include "tools/RunReasons.h"

namespace vantrel::benchtool {

struct SensitivitySettings {
  TestSettingTexts texts;          // as the page's lists would hold them
  TestEvent start = TestEvent::AcqOnlyPressed;  // which button
  int iterations = 1;
  int tickMs = 1000;               // the window's Timer2
  // Set (by a signal handler) to end the run at the next tick; the curve
  // and the iterations done are kept.
  const std::atomic<bool>* stop = nullptr;
};

// One tick of the curve.
struct CurvePoint {
  int iteration = 0;
  TestPhase phase = TestPhase::Acquisition;
  int32_t levelDbm = 0;        // at the generator
  std::optional<int32_t> snr;  // of the test's satellite; nothing when not seen
};

struct SensitivityIteration {
  // The levels of each phase the test runs, or why it has none (the
  // sequencer's reason, or why the run stopped before the phase ended);
  // nothing for a phase the test does not run.
  std::optional<PhaseResult> acquisition, tracking;
  std::vector<std::string> messages;  // what the window would have shown in boxes
};

struct SensitivityOutcome {
  std::vector<SensitivityIteration> iterations;
  std::vector<CurvePoint> curve;
  std::string failure;  // why the run stopped early; empty when it finished
};

// Called after every tick and after every iteration from the caller's thread.
using TickDone = std::function<void(const CurvePoint& point)>;

// Runs the sequencer `settings.iterations` times on an opened receiver
// session and an opened generator.
SensitivityOutcome RunSensitivity(ReceiverSession& receiver, GeneratorLink& generator, IPauses& pauses,
                                  const SensitivitySettings& settings, const TickDone& tick);

// The SNR the receiver reports for satellite `sv` with the generator held at
// one level (a station's C/N0 check): the mean over `readMs` of the ticks
// that saw it, after `settleMs`; nothing, and why, when none did.
struct SnrReading {
  std::optional<double> mean;
  std::string reason;
};
SnrReading ReadSatelliteSnr(ReceiverSession& receiver, int32_t sv, int settleMs, int readMs, int tickMs = 200);

}  // namespace vantrel::benchtool
