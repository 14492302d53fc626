// The sensitivity sequencer on fakes: its arithmetic as tables, and the
// edge cases of a test run tick by tick. The ticks are the test's own calls:
// nothing waits.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "testbench/Sequencer.h"

namespace vantrel {
namespace {

using namespace std::string_literals;

// ---- arithmetic -------------------------------------------------------------

TEST(SequencerArithmetic, LevelStep) {
  struct Case {
    int32_t snr, cnr, step;
  };
  const Case cases[] = {
      {40, 20, 10},
      {23, 20, 1},
      {22, 20, 1},
      {21, 20, 1},
      {15, 20, 1},
      {45, 15, 15},
      {41, 20, 10},  // margin 21: half, truncated
      {20, 20, 1},
      {INT32_MAX, INT32_MIN, INT32_MAX},  // no overflow
      {INT32_MIN, INT32_MAX, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(LevelStep(c.snr, c.cnr), c.step) << c.snr << " over " << c.cnr;
}

TEST(SequencerArithmetic, SteppedLevelNeverGoesBelowTheFloor) {
  struct Case {
    int32_t level, step, next;
  };
  const Case cases[] = {
      {-85, 15, -100}, {-85, 10, -95},  {-140, 10, -145},       {-140, 5, -145},
      {-144, 1, -145}, {-145, 1, -145}, {-85, INT32_MAX, -145},
  };
  for (const Case& c : cases) EXPECT_EQ(SteppedLevel(c.level, c.step), c.next) << c.level << " - " << c.step;
}

TEST(SequencerArithmetic, ResultIsTheLevelMinusTheDegrade) {
  EXPECT_EQ(ResultValue(-130, 40), -170);
  EXPECT_EQ(ResultValue(-85, 40), -125);
  EXPECT_EQ(ResultValue(-145, 0), -145);
  EXPECT_EQ(ResultValue(-85, -10), -75);
  EXPECT_EQ(ResultValue(-145, INT32_MAX), -145 - int64_t{INT32_MAX});
}

TEST(SequencerArithmetic, SightingTakesTheFirstEntryWithTheSatelliteAndAnSnr) {
  struct Case {
    const char* rule;
    std::vector<SatInView> entries;
    int32_t snr;
  };
  const Case cases[] = {
      {"seen", {{7, 30}, {14, 41}}, 41},
      {"absent", {{7, 30}, {15, 41}}, 0},
      {"an SNR of 0 does not count", {{14, 0}}, 0},
      {"the scan goes past an entry without SNR", {{14, 0}, {3, 20}, {14, 25}}, 25},
      {"the first with an SNR wins", {{14, 33}, {14, 44}}, 33},
      {"a negative SNR does not count", {{14, -1}}, 0},
  };
  for (const Case& c : cases) {
    SatInView table[kSatsInViewMax] = {};
    for (size_t i = 0; i < c.entries.size(); ++i) table[i] = c.entries[i];
    EXPECT_EQ(SightedSnr(table, 14), c.snr) << c.rule;
  }
  SatInView table[kSatsInViewMax] = {};
  table[kSatsInViewMax - 1] = {14, 12};
  EXPECT_EQ(SightedSnr(table, 14), 12) << "the last entry is scanned too";
}

TEST(SequencerArithmetic, SettingTextsMustBeWholeNumbers) {
  EXPECT_EQ(std::get<TestSettings>(ParseTestSettings({})), TestSettings{});
  struct Case {
    std::string TestSettingTexts::*field;
    std::string text;
  };
  const Case cases[] = {
      {&TestSettingTexts::AcqCnr, "2O"},     {&TestSettingTexts::AcqTimeout, ""},
      {&TestSettingTexts::TrackCnr, "15.5"}, {&TestSettingTexts::TrackDuration, "30s"},
      {&TestSettingTexts::SvId, "PRN14"},    {&TestSettingTexts::Degrade, "99999999999"},
  };
  for (const Case& c : cases) {
    TestSettingTexts texts;
    texts.*c.field = c.text;
    const auto parsed = ParseTestSettings(texts);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.text;
    EXPECT_EQ(std::get<std::string>(parsed), "'" + c.text + "' is not a valid integer value.");
  }
  TestSettingTexts texts;
  texts.SvId = " 7";
  texts.Degrade = "-3";
  const auto parsed = std::get<TestSettings>(ParseTestSettings(texts));
  EXPECT_EQ(parsed.SvId, 7);
  EXPECT_EQ(parsed.Degrade, -3);
}

// ---- the state machine on fakes -----------------------------------------------

// Every fake writes what is done to it into one list, in order.
struct Bench : BenchPanel, BenchGenerator, BenchReceiver, IPauses {
  // BenchPanel
  TestSettingTexts SettingTexts() override { return Texts; }
  void SetTicking(bool on) override {
    Ticking = on;
    Events.push_back(on ? "ticking on" : "ticking off");
  }
  void SetTestControlsEnabled(bool on) override { Events.push_back(on ? "controls on" : "controls off"); }
  void SetStopEnabled(bool on) override { Events.push_back(on ? "stop on" : "stop off"); }
  void ShowResult(TestPhase phase, const std::string& text) override {
    (phase == TestPhase::Acquisition ? AcqResult : TrackResult) = text;
    Events.push_back((phase == TestPhase::Acquisition ? "acq result "s : "track result "s) + text);
  }
  void Measured(TestPhase phase, const PhaseResult& result) override { Measurements.push_back({phase, result}); }
  void ShowMessage(const std::string& text) override {
    if (Ticking) ADD_FAILURE() << "a message while ticks still run: " << text;
    Events.push_back("message " + text);
    if (InsideMessage) InsideMessage();
  }
  // BenchGenerator
  bool SendRFLevel(int32_t level) override {
    if (!GeneratorOpen) return false;
    if (!LoseAtNextLevel.empty()) Lost = std::move(LoseAtNextLevel);
    Events.push_back("level " + std::to_string(level) + (Lost.empty() ? "" : " not taken"));
    return Lost.empty();
  }
  std::string Failure() override { return Lost; }
  void CloseGenerator() override { Events.push_back("generator closed"); }
  // BenchReceiver
  void SatsInView(SatInView (&out)[kSatsInViewMax]) override {
    for (int i = 0; i < kSatsInViewMax; ++i) out[i] = Table[i];
  }
  void StopReader() override { Events.push_back("reader stop"); }
  void WriteCommand(const Command& command) override { Events.push_back("write " + command.bytes); }
  void StartReader() override {
    for (SatInView& e : Table) e = SatInView{};
    Events.push_back("reader start");
  }
  // IPauses
  void Sleep(int milliseconds) override { Events.push_back("pause " + std::to_string(milliseconds)); }

  TestSettingTexts Texts;
  SatInView Table[kSatsInViewMax] = {};
  bool GeneratorOpen = true;
  std::string Lost;  // the generator's failure, once it failed
  std::string LoseAtNextLevel;  // the failure a level line will meet
  bool Ticking = false;
  std::string AcqResult = "?", TrackResult = "?";
  std::vector<std::string> Events;
  std::vector<std::pair<TestPhase, PhaseResult>> Measurements;
  std::function<void()> InsideMessage;  // what the user does while a box is open
};

const std::string kColdStart = "write $PQOL103*30\r\n\0"s;

class SequencerTest : public ::testing::Test {
 protected:
  void Seen(int32_t snr, int32_t prn = 14) {
    for (SatInView& e : bench.Table) e = SatInView{};
    bench.Table[2] = {prn, snr};
  }
  void NotSeen() {
    for (SatInView& e : bench.Table) e = SatInView{};
  }
  // Runs `n` ticks; the receiver's table is set by `before` ahead of each
  // (given the tick's number, counted from 1 since the start).
  void Ticks(int n, const std::function<void(int)>& before = {}) {
    for (int i = 0; i < n; ++i) {
      ++tickCount;
      if (before) before(tickCount);
      sequencer.Handle(TestEvent::TimerTick);
    }
  }
  std::vector<std::string> TakeEvents() {
    std::vector<std::string> events = std::move(bench.Events);
    bench.Events.clear();
    return events;
  }

  Bench bench;
  SensitivitySequencer sequencer{bench, bench, bench, bench};
  int tickCount = 0;
};

TEST_F(SequencerTest, StartsInTheirOrder) {
  struct Case {
    TestEvent event;
    TestState state;
    const char* label;
  };
  const Case cases[] = {
      {TestEvent::AcqOnlyPressed, TestState::Acquisition, "acq result ?"},
      {TestEvent::TrackOnlyPressed, TestState::TrackingOnly, "track result ?"},
      {TestEvent::TestAllPressed, TestState::TrackingThenAcquisition, "track result ?"},
  };
  for (const Case& c : cases) {
    sequencer.Handle(TestEvent::StopPressed);
    TakeEvents();
    sequencer.Handle(c.event);
    EXPECT_EQ(TakeEvents(),
              (std::vector<std::string>{"level -85", "controls off", c.label, "ticking on", "stop on"}));
    EXPECT_EQ(sequencer.State(), c.state) << TestStateName(c.state);
    EXPECT_EQ(sequencer.RFLevel(), -85);
    EXPECT_EQ(sequencer.TestTick(), 0);
  }
  // A start while a test runs (its buttons are off) changes nothing.
  sequencer.Handle(TestEvent::AcqOnlyPressed);
  EXPECT_TRUE(TakeEvents().empty());
  EXPECT_EQ(sequencer.State(), TestState::TrackingThenAcquisition);
}

TEST_F(SequencerTest, AStartWithTheGeneratorClosedChangesNothing) {
  bench.GeneratorOpen = false;
  for (TestEvent start :
       {TestEvent::AcqOnlyPressed, TestEvent::TrackOnlyPressed, TestEvent::TestAllPressed}) {
    sequencer.Handle(start);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_EQ(sequencer.State(), TestState::Idle);
  }
}

TEST_F(SequencerTest, AStartWithATextThatIsNoWholeNumberIsRefusedBeforeAnythingIsSent) {
  bench.Texts.TrackDuration = "thirty";
  sequencer.Handle(TestEvent::TrackOnlyPressed);
  EXPECT_EQ(TakeEvents(), std::vector<std::string>{"message 'thirty' is not a valid integer value."});
  EXPECT_EQ(sequencer.State(), TestState::Idle);
}

TEST_F(SequencerTest, TrackOnlyWithoutTheSatelliteFinishesOnTheFirstTick) {
  sequencer.Handle(TestEvent::TrackOnlyPressed);
  TakeEvents();
  NotSeen();
  Ticks(1);
  // Ticks stop before the message; "Stop !" stays enabled.
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"track result -125", "ticking off", "controls on",
                                                    "message Tracking Sensitivity Test Finish!"}));
  EXPECT_EQ(sequencer.State(), TestState::Idle);
  Ticks(3);
  EXPECT_TRUE(TakeEvents().empty()) << "no tick runs once the test ended";
}

TEST_F(SequencerTest, TrackOnlyHoldsEachLevelForTheDurationThenSteps) {
  sequencer.Handle(TestEvent::TrackOnlyPressed);
  TakeEvents();
  Seen(45);
  Ticks(31);
  EXPECT_TRUE(TakeEvents().empty());
  Ticks(1);  // the 32nd tick after the start: margin 30, step 15
  EXPECT_EQ(TakeEvents(), std::vector<std::string>{"level -100"});
  EXPECT_EQ(sequencer.RFLevel(), -100);
  // Later levels are held duration + 1 ticks after the tick that set them.
  Ticks(30);
  EXPECT_TRUE(TakeEvents().empty());
  Ticks(1);
  EXPECT_EQ(TakeEvents(), std::vector<std::string>{"level -115"});
}

TEST_F(SequencerTest, AcqOnlyColdStartsThenStepsAfterElevenSightings) {
  sequencer.Handle(TestEvent::AcqOnlyPressed);
  TakeEvents();
  Seen(40);
  Ticks(1);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"reader stop", kColdStart, "pause 800", "reader start"}));
  EXPECT_EQ(sequencer.TestTick(), 1);
  Ticks(10, [&](int) { Seen(40); });
  EXPECT_TRUE(TakeEvents().empty());
  EXPECT_EQ(sequencer.AcqHitCount(), 10);
  Ticks(1, [&](int) { Seen(40); });  // the 11th after the cold start
  EXPECT_EQ(TakeEvents(), std::vector<std::string>{"level -95"});
  EXPECT_EQ(sequencer.TestTick(), 0);
  Ticks(1);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"reader stop", kColdStart, "pause 800", "reader start"}));
}

TEST_F(SequencerTest, AMissAfterTenSightingsStartsTheCountAgain) {
  sequencer.Handle(TestEvent::AcqOnlyPressed);
  Ticks(1);  // cold start
  Ticks(10, [&](int) { Seen(40); });
  Ticks(1, [&](int) { NotSeen(); });
  EXPECT_EQ(sequencer.AcqHitCount(), 0);
  TakeEvents();
  Ticks(10, [&](int) { Seen(40); });
  EXPECT_TRUE(TakeEvents().empty());
  Ticks(1, [&](int) { Seen(40); });
  EXPECT_EQ(TakeEvents(), std::vector<std::string>{"level -95"});
}

TEST_F(SequencerTest, SightingsOfAStoppedAttemptDoNotCountInTheNext) {
  sequencer.Handle(TestEvent::AcqOnlyPressed);
  Ticks(1);  // cold start
  Ticks(5, [&](int) { Seen(40); });
  sequencer.Handle(TestEvent::StopPressed);
  sequencer.Handle(TestEvent::AcqOnlyPressed);
  Ticks(1);  // the new attempt's cold start
  TakeEvents();
  Ticks(10, [&](int) { Seen(40); });
  EXPECT_TRUE(TakeEvents().empty()) << "eleven sightings of its own before a step";
  Ticks(1, [&](int) { Seen(40); });
  EXPECT_EQ(TakeEvents(), std::vector<std::string>{"level -95"});
}

TEST_F(SequencerTest, AcquisitionTimesOutOnTheTickTestTickPassesTimeoutPlusTen) {
  struct Case {
    const char* timeout;
    int ticksAfterColdStart;
  };
  const Case cases[] = {{"60", 71}, {"10", 21}, {"0", 11}};
  for (const Case& c : cases) {
    bench.Texts.AcqTimeout = c.timeout;
    sequencer.Handle(TestEvent::StopPressed);
    sequencer.Handle(TestEvent::AcqOnlyPressed);
    Ticks(1);  // cold start
    TakeEvents();
    NotSeen();
    Ticks(c.ticksAfterColdStart - 1);
    EXPECT_EQ(sequencer.State(), TestState::Acquisition) << c.timeout;
    EXPECT_TRUE(TakeEvents().empty());
    Ticks(1);
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"ticking off", "acq result -125", "controls on",
                                                      "message Acquisition Sensitivity Test Finish!"}))
        << c.timeout;
  }
}

TEST_F(SequencerTest, TheFloorEndsAcquisitionAfterItsLastSuccess) {
  bench.Texts.AcqCnr = "20";
  sequencer.Handle(TestEvent::AcqOnlyPressed);
  // Margins chosen so the level comes to -140 in one step, then to the floor.
  for (int32_t snr : {20 + 2 * 55, 40}) {
    Ticks(1);
    Ticks(11, [&](int) { Seen(snr); });
  }
  EXPECT_EQ(sequencer.RFLevel(), -145) << "-140 less 10 dB stops at -145";
  TakeEvents();
  Ticks(1);  // cold start at -145
  Ticks(10, [&](int) { Seen(40); });
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"reader stop", kColdStart, "pause 800", "reader start"}));
  Ticks(1, [&](int) { Seen(40); });
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"ticking off", "acq result -185", "controls on",
                                                    "message Acquisition Sensitivity Test Finish!"}));
}

TEST_F(SequencerTest, TheFloorEndsTracking) {
  bench.Texts.TrackDuration = "0";
  bench.Texts.Degrade = "0";
  sequencer.Handle(TestEvent::TrackOnlyPressed);
  Seen(200);
  Ticks(3);  // -85, then one step to the floor at the second tick
  EXPECT_EQ(sequencer.RFLevel(), -145);
  EXPECT_EQ(sequencer.State(), TestState::Idle);
  EXPECT_EQ(bench.TrackResult, "-145");
}

TEST_F(SequencerTest, TestAllHandsOverToAcquisitionWithoutAMessageOrAColdStart) {
  bench.Texts.TrackDuration = "1";
  sequencer.Handle(TestEvent::TestAllPressed);
  Seen(25);  // margin 10: step 5
  Ticks(3);
  EXPECT_EQ(sequencer.RFLevel(), -90);
  TakeEvents();
  NotSeen();
  Ticks(1);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"track result -130", "level -85", "acq result ?"}));
  EXPECT_EQ(sequencer.State(), TestState::Acquisition);
  EXPECT_EQ(sequencer.TestTick(), 1) << "the first attempt runs without a cold start";
  EXPECT_EQ(bench.TrackResult, "-130");
  EXPECT_EQ(bench.AcqResult, "?");
  // The first attempt at -85: eleven sightings, a step, then the first cold start.
  Ticks(11, [&](int) { Seen(40); });
  EXPECT_EQ(TakeEvents(), std::vector<std::string>{"level -95"});
  Ticks(1);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"reader stop", kColdStart, "pause 800", "reader start"}));
}

// Beside its label, a finished phase tells the last level held and the
// first level lost; a satellite never held gives no level but the reason,
// whatever the label says.
TEST_F(SequencerTest, EachPhaseTellsTheLevelsItMeasured) {
  using M = std::pair<TestPhase, PhaseResult>;
  constexpr auto kAcq = TestPhase::Acquisition;
  constexpr auto kTrack = TestPhase::Tracking;
  struct Case {
    const char* run;
    TestEvent start;
    std::function<void()> ticks;
    std::string label;
    std::vector<M> measured;
  };
  const Case cases[] = {
      {"tracking: never seen", TestEvent::TrackOnlyPressed, [&] { NotSeen(); Ticks(1); }, "-125",
       {{kTrack, {std::nullopt, std::nullopt, kNotTrackedText}}}},
      {"tracking: seen, lost before the duration", TestEvent::TrackOnlyPressed,
       [&] { Ticks(5, [&](int t) { t < 5 ? Seen(45) : NotSeen(); }); }, "-125",
       {{kTrack, {std::nullopt, std::nullopt, kNotTrackedText}}}},
      {"tracking: held at -85, lost at -100", TestEvent::TrackOnlyPressed,
       [&] { Ticks(34, [&](int t) { t <= 32 ? Seen(45) : NotSeen(); }); }, "-140", {{kTrack, {-125, -140, ""}}}},
      {"tracking: held down to the floor", TestEvent::TrackOnlyPressed,
       [&] {
         bench.Texts.TrackDuration = "0";
         sequencer.Handle(TestEvent::StopPressed);
         sequencer.Handle(TestEvent::TrackOnlyPressed);
         Seen(200);
         Ticks(3);
       },
       "-185", {{kTrack, {-185, std::nullopt, ""}}}},
      {"acquisition: never acquired", TestEvent::AcqOnlyPressed, [&] { NotSeen(); Ticks(72); }, "-125",
       {{kAcq, {std::nullopt, std::nullopt, kNotAcquiredText}}}},
      {"acquisition: acquired at -85, not at -95", TestEvent::AcqOnlyPressed,
       [&] {
         Ticks(12, [&](int t) { if (t > 1) Seen(40); });
         Ticks(72, [&](int) { NotSeen(); });
       },
       "-135", {{kAcq, {-125, -135, ""}}}},
      {"test all: each phase starts with nothing held", TestEvent::TestAllPressed,
       [&] {
         bench.Texts.TrackDuration = "1";
         sequencer.Handle(TestEvent::StopPressed);
         sequencer.Handle(TestEvent::TestAllPressed);
         Ticks(4, [&](int t) { t < 4 ? Seen(25) : NotSeen(); });  // held at -85, lost at -90
         Ticks(71, [&](int) { NotSeen(); });
       },
       "-125", {{kTrack, {-125, -130, ""}}, {kAcq, {std::nullopt, std::nullopt, kNotAcquiredText}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.run);
    bench.Texts = TestSettingTexts{};
    sequencer.Handle(TestEvent::StopPressed);
    sequencer.Handle(c.start);
    tickCount = 0;
    bench.Measurements.clear();
    c.ticks();
    EXPECT_EQ(sequencer.State(), TestState::Idle);
    EXPECT_EQ(c.start == TestEvent::TrackOnlyPressed ? bench.TrackResult : bench.AcqResult, c.label)
        << "the window's label as it always was";
    EXPECT_EQ(bench.Measurements, c.measured);
  }
}

TEST_F(SequencerTest, StopAndPortCloseEndTheTestAndKeepTheLabels) {
  sequencer.Handle(TestEvent::TrackOnlyPressed);
  TakeEvents();
  sequencer.Handle(TestEvent::StopPressed);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"ticking off", "controls on", "stop off"}));
  EXPECT_EQ(bench.TrackResult, "?");

  sequencer.Handle(TestEvent::AcqOnlyPressed);
  TakeEvents();
  sequencer.Handle(TestEvent::PortClosed);
  EXPECT_EQ(TakeEvents(), std::vector<std::string>{"ticking off"});
  Ticks(2);
  EXPECT_TRUE(TakeEvents().empty());
  EXPECT_EQ(bench.AcqResult, "?");

  // After a normal finish, "Stop !" only disables itself.
  sequencer.Handle(TestEvent::TrackOnlyPressed);
  NotSeen();
  Ticks(1);
  TakeEvents();
  sequencer.Handle(TestEvent::StopPressed);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"ticking off", "controls on", "stop off"}));
  EXPECT_EQ(bench.TrackResult, "-125");
}

TEST_F(SequencerTest, ATestStartedWhileTheFinishMessageIsOpenIsNotDisturbed) {
  sequencer.Handle(TestEvent::TrackOnlyPressed);
  NotSeen();
  bench.InsideMessage = [&] {
    bench.InsideMessage = {};
    sequencer.Handle(TestEvent::AcqOnlyPressed);
  };
  Ticks(1);
  EXPECT_EQ(sequencer.State(), TestState::Acquisition);
  EXPECT_EQ(sequencer.TestTick(), 0) << "its first tick must still be the cold start";
  TakeEvents();
  Ticks(1);
  EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"reader stop", kColdStart, "pause 800", "reader start"}));
}

// A generator that fails stops the test at once, wherever it fails: nothing
// more is measured, the running phase keeps "?", its port is closed and the
// user told why.
TEST_F(SequencerTest, ALostGeneratorStopsTheTestWithoutAResult) {
  const std::vector<std::string> stopped = {"ticking off", "generator closed", "message lost"};
  const auto with = [&](std::vector<std::string> head) {
    head.insert(head.end(), stopped.begin(), stopped.end());
    return head;
  };
  struct Case {
    const char* where;
    std::function<void()> run;
    std::vector<std::string> events;
    std::string acq, track;
  };
  const Case cases[] = {
      {"its line hangs up between two tracking ticks",
       [&] {
         sequencer.Handle(TestEvent::TrackOnlyPressed);
         Seen(40);
         Ticks(2);
         TakeEvents();
         bench.Lost = "lost";
         Ticks(1);
       },
       stopped, "old", "?"},
      {"it does not take an acquisition step",
       [&] {
         sequencer.Handle(TestEvent::AcqOnlyPressed);
         Ticks(1);
         Ticks(10, [&](int) { Seen(40); });
         TakeEvents();
         bench.LoseAtNextLevel = "lost";
         Ticks(1, [&](int) { Seen(40); });
       },
       with({"level -95 not taken"}), "?", "old"},
      {"it does not take the start level",
       [&] {
         bench.Lost = "lost";
         sequencer.Handle(TestEvent::AcqOnlyPressed);
       },
       with({"level -85 not taken"}), "old", "old"},
      {"it does not take the start of the second phase of Test All",
       [&] {
         sequencer.Handle(TestEvent::TestAllPressed);
         TakeEvents();
         bench.LoseAtNextLevel = "lost";
         NotSeen();
         Ticks(1);
       },
       with({"track result -125", "level -85 not taken", "acq result ?"}), "?", "-125"},
      {"it hangs up in the second phase of Test All",
       [&] {
         sequencer.Handle(TestEvent::TestAllPressed);
         NotSeen();
         Ticks(1);
         TakeEvents();
         bench.Lost = "lost";
         Ticks(1);
       },
       stopped, "?", "-125"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    bench.Lost.clear();
    bench.LoseAtNextLevel.clear();
    sequencer.Handle(TestEvent::StopPressed);
    bench.AcqResult = bench.TrackResult = "old";
    TakeEvents();
    c.run();
    EXPECT_EQ(TakeEvents(), c.events);
    EXPECT_EQ(sequencer.State(), TestState::Idle);
    EXPECT_EQ(bench.AcqResult, c.acq);
    EXPECT_EQ(bench.TrackResult, c.track);
    Ticks(1);
    EXPECT_TRUE(TakeEvents().empty());
  }
}

}  // namespace
}  // namespace vantrel
