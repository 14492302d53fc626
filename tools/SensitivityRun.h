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
  int32_t levelDbm = 0;  // at the generator
  int32_t snr = 0;       // of the test's satellite; 0 when not seen
};

struct SensitivityIteration {
  std::string acquisition = kUnknownResultText;  // dBm at the receiver, or "?"
  std::string tracking = kUnknownResultText;
  std::vector<std::string> messages;             // what the window would have shown in boxes
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

// The results as numbers, for the spread: nothing for "?".
std::optional<int64_t> ResultDbm(const std::string& text);

}  // namespace vantrel::benchtool
