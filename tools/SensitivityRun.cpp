#include "tools/SensitivityRun.h"

#include <chrono>
#include <thread>

#include "testbench/SessionReceiver.h"

namespace vantrel::benchtool {
namespace {

class TerminalPanel final : public BenchPanel {
 public:
  explicit TerminalPanel(const TestSettingTexts& texts) : texts_(texts) {}
  TestSettingTexts SettingTexts() override { return texts_; }
  void SetTicking(bool on) override { ticking = on; }
  void SetTestControlsEnabled(bool) override {}
  void SetStopEnabled(bool) override {}
  void ShowResult(TestPhase, const std::string&) override {}
  void Measured(TestPhase phase, const PhaseResult& result) override {
    (phase == TestPhase::Acquisition ? current.acquisition : current.tracking) = result;
  }
  void ShowMessage(const std::string& text) override { current.messages.push_back(text); }
  void CloseGenerator() override { generatorClosed = true; }

  bool ticking = false;
  bool generatorClosed = false;
  SensitivityIteration current;

 private:
  TestSettingTexts texts_;
};

// The generator as the sequencer sees it, keeping the level of the curve.
class RecordingGenerator final : public BenchGenerator {
 public:
  explicit RecordingGenerator(GeneratorLink& link) : link_(link) {}
  bool SendRFLevel(int32_t level) override {
    const bool sent = link_.SendRFLevel(level);
    if (sent) this->level = level;
    return sent;
  }
  std::string Failure() override { return link_.Failure(); }
  int32_t level = kTestStartLevel;

 private:
  GeneratorLink& link_;
};

// The window's two lines of a message as one, for a terminal's last line.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n') c = ' ';
  return text;
}

// The mean SNR of `sv` over the ticks of `readMs` that saw it, after `settleMs`.
SnrReading MeanSnr(ReceiverSession& session, int32_t sv, int settleMs, int readMs, int tickMs) {
  std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
  double sum = 0;
  int seen = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(readMs);
  for (auto next = std::chrono::steady_clock::now(); next < end;) {
    next += std::chrono::milliseconds(tickMs);
    std::this_thread::sleep_until(next);
    if (session.Gone()) return {std::nullopt, kGoneText};
    if (session.Silent(kSilenceMs)) return {std::nullopt, kNoAnswerText};
    SatInView table[kSatsInViewMax] = {};
    session.SatsInView(table);
    if (const int32_t snr = SightedSnr(table, sv); snr > 0) {
      sum += snr;
      ++seen;
    }
  }
  if (seen == 0) return {std::nullopt, "satellite not seen"};
  return {sum / seen, ""};
}

}  // namespace

SnrReading ReadSatelliteSnr(ReceiverSession& session, int32_t sv, int settleMs, int readMs, int tickMs) {
  session.StartReader();
  const SnrReading reading = MeanSnr(session, sv, settleMs, readMs, tickMs);
  session.StopReader();
  return reading;
}

SensitivityOutcome RunSensitivity(ReceiverSession& session, GeneratorLink& generatorLink, IPauses& pauses,
                                  const SensitivitySettings& settings, const TickDone& tick) {
  SensitivityOutcome outcome;
  session.StartReader();
  SessionReceiver receiver(session);
  TerminalPanel panel(settings.texts);
  RecordingGenerator generator(generatorLink);
  SensitivitySequencer sequencer(panel, generator, receiver, pauses);
  const std::optional<int32_t> sv = ListTextToInt(settings.texts.SvId);
  for (int i = 1; i <= settings.iterations && outcome.failure.empty(); ++i) {
    panel.current = SensitivityIteration{};
    sequencer.Handle(settings.start);
    if (!panel.ticking && panel.generatorClosed) {
      outcome.failure = OneLine(generator.Failure());
      generatorLink.Close();
      break;
    }
    if (!panel.ticking) {
      outcome.failure = panel.current.messages.empty() ? "the generator took no level"
                                                       : panel.current.messages.back();
      break;
    }
    auto next = std::chrono::steady_clock::now();
    while (panel.ticking) {
      next += std::chrono::milliseconds(settings.tickMs);
      std::this_thread::sleep_until(next);
      if (session.Gone() || session.Silent(kSilenceMs)) {
        sequencer.Handle(TestEvent::PortClosed);
        outcome.failure = session.Gone() ? kGoneText : kNoAnswerText;
        break;
      }
      if (settings.stop != nullptr && settings.stop->load(std::memory_order_relaxed)) {
        sequencer.Handle(TestEvent::PortClosed);
        outcome.failure = kInterruptedText;
        break;
      }
      // The SNR the tick will see, at the level it runs with.
      SatInView table[kSatsInViewMax] = {};
      receiver.SatsInView(table);
      const int32_t snr = sv ? SightedSnr(table, *sv) : 0;
      CurvePoint point{i,
                       sequencer.State() == TestState::Acquisition ? TestPhase::Acquisition : TestPhase::Tracking,
                       generator.level, snr > 0 ? std::optional(snr) : std::nullopt};
      sequencer.Handle(TestEvent::TimerTick);
      outcome.curve.push_back(point);
      if (tick) tick(point);
    }
    if (panel.generatorClosed) {
      outcome.failure = OneLine(generator.Failure());
      generatorLink.Close();
    }
    // A phase the run stopped before it ended measured nothing, for the
    // run's reason.
    const bool acq = settings.start != TestEvent::TrackOnlyPressed, track = settings.start != TestEvent::AcqOnlyPressed;
    for (auto [wanted, result] : {std::pair{acq, &panel.current.acquisition}, std::pair{track, &panel.current.tracking}})
      if (wanted && !*result)
        *result = PhaseResult{std::nullopt, std::nullopt, outcome.failure.empty() ? "not finished" : outcome.failure};
    outcome.iterations.push_back(panel.current);
  }
  session.StopReader();
  return outcome;
}

}  // namespace vantrel::benchtool
