// The sensitivity sequencer on any order of buttons, ticks, closes, lists'
// texts, sightings and generator failures: the level stays between the
// floor and the start, no message opens while ticks run, a result is only
// written from a level the generator took, and a failed generator stops it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "testbench/Sequencer.h"

using namespace vantrel;

namespace {

struct Bench final : BenchPanel, BenchGenerator, BenchReceiver, IPauses {
  TestSettingTexts SettingTexts() override { return texts; }
  void SetTicking(bool on) override { ticking = on; }
  void SetTestControlsEnabled(bool) override {}
  void SetStopEnabled(bool) override {}
  void ShowResult(TestPhase, const std::string& text) override {
    if (text != kUnknownResultText && !lost.empty()) std::abort();  // made up after a failure
  }
  void ShowMessage(const std::string&) override {
    if (ticking) std::abort();
  }
  void CloseGenerator() override { open = false; }
  bool SendRFLevel(int32_t level) override {
    if (!open || !lost.empty()) return false;
    if (level > kTestStartLevel || level < kTestFloorLevel) std::abort();
    if (failNext) lost = "lost";
    return lost.empty();
  }
  std::string Failure() override { return open ? lost : std::string(); }
  void SatsInView(SatInView (&out)[kSatsInViewMax]) override {
    for (int i = 0; i < kSatsInViewMax; ++i) out[i] = table[i];
  }
  void StopReader() override {}
  void WriteCommand(const Command&) override {}
  void StartReader() override {}
  void Sleep(int) override {}

  TestSettingTexts texts;
  SatInView table[kSatsInViewMax] = {};
  bool ticking = false, open = true, failNext = false;
  std::string lost;
};

const char* const kTexts[] = {"0", "1", "14", "15", "20", "60", "-3", "x", "", "2147483647", "-2147483648", "40"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bench bench;
  SensitivitySequencer sequencer(bench, bench, bench, bench);
  for (size_t i = 0; i + 1 < size; i += 2) {
    const uint8_t op = data[i], arg = data[i + 1];
    const char* text = kTexts[arg % (sizeof kTexts / sizeof kTexts[0])];
    switch (op % 12) {
      case 0: sequencer.Handle(TestEvent::AcqOnlyPressed); break;
      case 1: sequencer.Handle(TestEvent::TrackOnlyPressed); break;
      case 2: sequencer.Handle(TestEvent::TestAllPressed); break;
      case 3: sequencer.Handle(TestEvent::StopPressed); break;
      case 4: sequencer.Handle(TestEvent::PortClosed); break;
      case 5: bench.table[arg % kSatsInViewMax] = SatInView{arg % 40, arg % 70}; break;
      case 6: bench.table[arg % kSatsInViewMax] = SatInView{}; break;
      case 7: (arg % 2 ? bench.texts.AcqTimeout : bench.texts.TrackDuration) = text; break;
      case 8: (arg % 2 ? bench.texts.AcqCnr : bench.texts.TrackCnr) = text; break;
      case 9: (arg % 2 ? bench.texts.SvId : bench.texts.Degrade) = text; break;
      case 10: if (arg % 4 == 0) bench.lost = "lost"; else if (arg % 4 == 1) bench.failNext = true; break;
      default: sequencer.Handle(TestEvent::TimerTick); break;
    }
    if (sequencer.RFLevel() > kTestStartLevel || sequencer.RFLevel() < kTestFloorLevel) std::abort();
    if (!bench.lost.empty() && bench.ticking && !bench.open) std::abort();
    // A failed generator is found at the next tick at the latest.
    if (!bench.lost.empty() && bench.open && sequencer.State() != TestState::Idle) {
      sequencer.Handle(TestEvent::TimerTick);
      if (sequencer.State() != TestState::Idle || bench.ticking || bench.open) std::abort();
    }
  }
  return 0;
}
