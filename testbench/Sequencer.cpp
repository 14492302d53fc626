#include "testbench/Sequencer.h"

#include <algorithm>
#include <optional>

namespace vantrel {

std::variant<TestSettings, std::string> ParseTestSettings(const TestSettingTexts& texts) {
  TestSettings settings;
  const std::pair<const std::string*, int32_t*> fields[] = {
      {&texts.SvId, &settings.SvId},         {&texts.Degrade, &settings.Degrade},
      {&texts.AcqCnr, &settings.AcqCnr},     {&texts.AcqTimeout, &settings.AcqTimeout},
      {&texts.TrackCnr, &settings.TrackCnr}, {&texts.TrackDuration, &settings.TrackDuration},
  };
  for (const auto& [text, value] : fields) {
    const std::optional<int32_t> number = ListTextToInt(*text);
    if (!number) return NotAnIntegerMessage(*text);
    *value = *number;
  }
  return settings;
}

int32_t LevelStep(int32_t snr, int32_t cnr) {
  // Wide enough for any two texts a list can hold.
  const int64_t margin = int64_t{snr} - cnr;
  if (margin <= 1) return 1;
  return static_cast<int32_t>(std::min<int64_t>(margin / 2, INT32_MAX));
}

int32_t SteppedLevel(int32_t level, int32_t step) {
  return static_cast<int32_t>(std::max<int64_t>(int64_t{level} - step, kTestFloorLevel));
}

int32_t SightedSnr(const SatInView (&table)[kSatsInViewMax], int32_t svId) {
  for (const SatInView& entry : table) {
    if (entry.Prn == svId && entry.Snr > 0) return entry.Snr;
  }
  return 0;
}

int64_t ResultValue(int32_t level, int32_t degrade) { return int64_t{level} - degrade; }

const char* TestStateName(TestState state) {
  switch (state) {
    case TestState::Idle:
      return "Idle";
    case TestState::Acquisition:
      return "Acquisition";
    case TestState::TrackingOnly:
      return "TrackingOnly";
    case TestState::TrackingThenAcquisition:
      return "TrackingThenAcquisition";
  }
  return "?";
}

void SensitivitySequencer::Handle(TestEvent event) {
  switch (event) {
    case TestEvent::AcqOnlyPressed:
      Start(TestState::Acquisition);
      return;
    case TestEvent::TrackOnlyPressed:
      Start(TestState::TrackingOnly);
      return;
    case TestEvent::TestAllPressed:
      Start(TestState::TrackingThenAcquisition);
      return;
    case TestEvent::StopPressed:
      Stop();
      return;
    case TestEvent::PortClosed:
      // The labels keep their text and nothing is shown; whoever closed the
      // port sets the controls.
      state_ = TestState::Idle;
      panel_.SetTicking(false);
      return;
    case TestEvent::TimerTick:
      if (state_ != TestState::Idle && GeneratorFailed()) return;
      switch (state_) {
        case TestState::Idle:
          return;  // a tick that was due when the test ended
        case TestState::Acquisition:
          AcquisitionTick();
          return;
        case TestState::TrackingOnly:
        case TestState::TrackingThenAcquisition:
          TrackingTick();
          return;
      }
      return;
  }
}

void SensitivitySequencer::Start(TestState first) {
  // The buttons are off while a test runs; a start arriving anyway would
  // otherwise restart the running test under its feet.
  if (state_ != TestState::Idle) return;
  // Refused before anything is sent, so a bad text changes nothing.
  const auto parsed = ParseTestSettings(panel_.SettingTexts());
  if (const std::string* refusal = std::get_if<std::string>(&parsed)) {
    panel_.ShowMessage(*refusal);
    return;
  }
  // Sending the start level doubles as the test that the generator is
  // connected: without it nothing changes and nothing is shown.
  if (!generator_.SendRFLevel(kTestStartLevel)) {
    GeneratorFailed();
    return;
  }
  panel_.SetTestControlsEnabled(false);
  settings_ = std::get<TestSettings>(parsed);
  state_ = first;
  rfLevel_ = kTestStartLevel;
  heldLevel_.reset();
  panel_.ShowResult(first == TestState::Acquisition ? TestPhase::Acquisition : TestPhase::Tracking,
                    kUnknownResultText);
  testTick_ = 0;
  panel_.SetTicking(true);
  panel_.SetStopEnabled(true);
}

void SensitivitySequencer::Stop() {
  // Nothing goes to the generator and the labels keep their text.
  state_ = TestState::Idle;
  panel_.SetTicking(false);
  panel_.SetTestControlsEnabled(true);
  panel_.SetStopEnabled(false);
}

void SensitivitySequencer::AcquisitionTick() {
  // An attempt begins with a cold start; the tick ends there.
  if (testTick_ == 0) {
    ColdStart();
    testTick_ = 1;
    return;
  }
  // Not acquired within the time-out: the last level is the result.
  if (int64_t{settings_.AcqTimeout} + kAcqTimeoutExtraTicks < testTick_) {
    FinishAcquisition(true);
    return;
  }
  if (testTick_ == 1) acqHitCount_ = 0;
  const int32_t snr = LookForSatellite();
  if (snr > 0) {
    ++acqHitCount_;
    if (acqHitCount_ >= kAcqSightingsToSucceed) {
      acqHitCount_ = 0;
      heldLevel_ = rfLevel_;
      if (rfLevel_ <= kTestFloorLevel) {
        FinishAcquisition(false);
        return;
      }
      // The increment below brings the count to 0: the next tick starts the
      // next attempt, at the new level, with a cold start.
      testTick_ = -1;
      if (!StepLevel(snr, settings_.AcqCnr)) return;
    }
  } else {
    acqHitCount_ = 0;
  }
  ++testTick_;
}

void SensitivitySequencer::TrackingTick() {
  const int32_t snr = LookForSatellite();
  if (snr > 0 && testTick_ > settings_.TrackDuration) {
    // Held long enough: one step down, or the end at the floor.
    testTick_ = 0;
    heldLevel_ = rfLevel_;
    if (rfLevel_ > kTestFloorLevel) {
      if (!StepLevel(snr, settings_.TrackCnr)) return;
    } else if (FinishTracking(false)) {
      return;
    }
  } else if (snr == 0) {
    // Lost, at any tick, the first one included.
    if (FinishTracking(true)) return;
  }
  ++testTick_;
}

void SensitivitySequencer::ColdStart() {
  // The old reader is only asked to end; the new one starts with an empty
  // table after the pause. Neither acknowledgement nor time to first fix
  // is followed.
  const Command& command = FixedCommand(FixedCommandId::ColdStartTestBench);
  receiver_.StopReader();
  receiver_.WriteCommand(command);
  pauses_.Sleep(command.pauseAfterMs);
  receiver_.StartReader();
}

bool SensitivitySequencer::StepLevel(int32_t snr, int32_t cnr) {
  rfLevel_ = SteppedLevel(rfLevel_, LevelStep(snr, cnr));
  return generator_.SendRFLevel(rfLevel_) || !GeneratorFailed();
}

bool SensitivitySequencer::GeneratorFailed() {
  const std::string why = generator_.Failure();
  if (why.empty()) return false;
  // Nothing after this was measured: the running phase's label stays "?".
  state_ = TestState::Idle;
  panel_.SetTicking(false);
  panel_.CloseGenerator();
  panel_.ShowMessage(why);
  return true;
}

int32_t SensitivitySequencer::LookForSatellite() {
  SatInView table[kSatsInViewMax] = {};
  receiver_.SatsInView(table);
  return SightedSnr(table, settings_.SvId);
}

std::string SensitivitySequencer::ResultText() const {
  return std::to_string(ResultValue(rfLevel_, settings_.Degrade));
}

PhaseResult SensitivitySequencer::Measurement(bool lost, const char* notHeld) const {
  PhaseResult result;
  if (heldLevel_) result.heldDbm = ResultValue(*heldLevel_, settings_.Degrade);
  else result.failure = notHeld;
  // Lost at the start level means never held: nothing was measured there.
  if (lost && heldLevel_) result.lostDbm = ResultValue(rfLevel_, settings_.Degrade);
  return result;
}

void SensitivitySequencer::FinishAcquisition(bool lost) {
  state_ = TestState::Idle;
  panel_.SetTicking(false);
  panel_.ShowResult(TestPhase::Acquisition, ResultText());
  panel_.Measured(TestPhase::Acquisition, Measurement(lost, kNotAcquiredText));
  panel_.SetTestControlsEnabled(true);
  // "Stop !" stays enabled; pressing it only disables it.
  panel_.ShowMessage(kAcqFinishedText);
}

bool SensitivitySequencer::FinishTracking(bool lost) {
  panel_.ShowResult(TestPhase::Tracking, ResultText());
  panel_.Measured(TestPhase::Tracking, Measurement(lost, kNotTrackedText));
  if (state_ == TestState::TrackingOnly) {
    state_ = TestState::Idle;
    panel_.SetTicking(false);
    panel_.SetTestControlsEnabled(true);
    panel_.ShowMessage(kTrackFinishedText);
    return true;
  }
  // "Test All": straight on to acquisition at the start level, without a
  // message. Its first attempt runs on the level already set, without a
  // cold start: the tick's increment makes the next tick the attempt's
  // first sighting.
  if (generator_.SendRFLevel(kTestStartLevel)) {
    rfLevel_ = kTestStartLevel;
    heldLevel_.reset();
    panel_.ShowResult(TestPhase::Acquisition, kUnknownResultText);
    state_ = TestState::Acquisition;
    testTick_ = 0;
  } else if (!generator_.Failure().empty()) {
    // The acquisition phase was due and will not be measured.
    panel_.ShowResult(TestPhase::Acquisition, kUnknownResultText);
    return GeneratorFailed();
  }
  return false;
}

}  // namespace vantrel
