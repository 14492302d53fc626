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
  void ShowResult(TestPhase phase, const std::string& text) override {
    (phase == TestPhase::Acquisition ? current.acquisition : current.tracking) = text;
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

}  // namespace

std::optional<int64_t> ResultDbm(const std::string& text) {
  if (text.empty() || text == kUnknownResultText) return std::nullopt;
  const std::optional<int32_t> v = ListTextToInt(text);
  if (!v) return std::nullopt;
  return *v;
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
      if (session.Gone()) {
        sequencer.Handle(TestEvent::PortClosed);
        outcome.failure = "receiver gone";
        break;
      }
      if (settings.stop != nullptr && settings.stop->load(std::memory_order_relaxed)) {
        sequencer.Handle(TestEvent::PortClosed);
        outcome.failure = "interrupted";
        break;
      }
      // The SNR the tick will see, at the level it runs with.
      SatInView table[kSatsInViewMax] = {};
      receiver.SatsInView(table);
      CurvePoint point{i,
                       sequencer.State() == TestState::Acquisition ? TestPhase::Acquisition : TestPhase::Tracking,
                       generator.level, sv ? SightedSnr(table, *sv) : 0};
      sequencer.Handle(TestEvent::TimerTick);
      outcome.curve.push_back(point);
      if (tick) tick(point);
    }
    outcome.iterations.push_back(panel.current);
    if (panel.generatorClosed) {
      outcome.failure = OneLine(generator.Failure());
      generatorLink.Close();
    }
  }
  session.StopReader();
  return outcome;
}

}  // namespace vantrel::benchtool
