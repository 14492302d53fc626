// The window's sensitivity sequencer driven from the terminal against the
// simulated module and generator: the result lies where the simulator's
// threshold puts it, and the curve holds the SNR the module reported at
// each level.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/PosixSerialPort.h"
#include "tests/link/PtyPair.h"
#include "tests/sim/SimHarness.h"
#include "tools/SensitivityRun.h"
#include "tools/TtffCampaign.h"

namespace vantrel::benchtool {
namespace {

// As vantrel-sim --help gives it: SNR = level - loss + 174 - 3; lost below 12.
constexpr int kGenLossDb = 40;
constexpr int kSnrAtZeroDbm = 174 - 3 - kGenLossDb;
constexpr int kTrackLostLevel = 12 - 1 - kSnrAtZeroDbm;  // -120
// Acquired from SNR 20: the first level at which a cold start finds nothing.
constexpr int kAcqLostLevel = 20 - 1 - kSnrAtZeroDbm;  // -112
// A satellite on a simulated orbit, low in the sky: it comes in a later GSV
// message than the first, and the generator's signal replaces the sky's.
constexpr int kGeneratorSv = 14;

class SleepPauses final : public IPauses {
 public:
  void Sleep(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

// A simulated module at 115200 baud and its generator, opened as the
// command line opens them, the generator told the test's satellite.
class BenchSensitivityTest : public ::testing::Test {
 protected:
  void Start(const std::vector<std::string>& simArgs) {
    sim = std::make_unique<test::SimHarness>(simArgs);
    ASSERT_TRUE(sim->Started()) << sim->Error();
    receiver = OpenReceiver(sim->ReceiverPath(), 115200);
    ASSERT_TRUE(receiver.session) << receiver.error;
    auto ports = MakePosixSerialPortFactory();
    ASSERT_EQ(generator.Open(*ports, sim->GeneratorPath(), "19200"), GeneratorLink::OpenOutcome::Opened);
    generator.SendStartLines(std::to_string(kGeneratorSv));
  }
  std::unique_ptr<test::SimHarness> sim;
  OpenedReceiver receiver;
  SleepPauses pauses;
  GeneratorLink generator{pauses};
};

TEST_F(BenchSensitivityTest, TrackingThreeTimesFindsTheSimulatorsThresholdEachTimeAndTheCurve) {
  ASSERT_NO_FATAL_FAILURE(
      Start({"--baud", "115200", "--fix-rate", "5", "--gen-loss", std::to_string(kGenLossDb)}));
  // A tracking test needs a satellite the receiver already tracks.
  ASSERT_TRUE(generator.SendRFLevel(kTestStartLevel));

  SensitivitySettings settings;
  settings.texts.SvId = std::to_string(kGeneratorSv);
  settings.texts.Degrade = std::to_string(kGenLossDb);
  settings.texts.TrackCnr = "12";
  settings.texts.TrackDuration = "3";
  settings.start = TestEvent::TrackOnlyPressed;
  settings.iterations = 3;
  settings.tickMs = 200;
  const SensitivityOutcome out = RunSensitivity(*receiver.session, generator, pauses, settings, nullptr);
  EXPECT_EQ(out.failure, "");
  ASSERT_EQ(out.iterations.size(), 3u);
  for (const SensitivityIteration& it : out.iterations) {
    EXPECT_EQ(it.messages, std::vector<std::string>{kTrackFinishedText});
    EXPECT_FALSE(it.acquisition);
    ASSERT_TRUE(it.tracking && it.tracking->heldDbm && it.tracking->lostDbm) << it.tracking->failure;
    // Held at the last level above the threshold, lost at the next one; a
    // tick never sees a group half received, so every time the same.
    const int64_t lost = *it.tracking->lostDbm + kGenLossDb, held = *it.tracking->heldDbm + kGenLossDb;
    EXPECT_LE(lost, kTrackLostLevel);
    EXPECT_GT(lost, kTrackLostLevel - 4) << "the last steps before the threshold are of 1 or 2 dB";
    EXPECT_GT(held, kTrackLostLevel);
    EXPECT_EQ(*it.tracking, *out.iterations[0].tracking);
  }
  // While the satellite is seen, its SNR follows the level.
  int seen = 0;
  for (const CurvePoint& p : out.curve) {
    EXPECT_EQ(p.phase, TestPhase::Tracking);
    if (!p.snr) continue;
    ++seen;
    EXPECT_NEAR(*p.snr, p.levelDbm + kSnrAtZeroDbm, 1) << "level " << p.levelDbm;
  }
  EXPECT_GT(seen, 6);
}

// Ctrl-C: the run ends at the next tick with what it has, and says so.
TEST_F(BenchSensitivityTest, AStopEndsTheRunAtTheNextTickKeepingTheCurve) {
  ASSERT_NO_FATAL_FAILURE(
      Start({"--baud", "115200", "--fix-rate", "5", "--gen-loss", std::to_string(kGenLossDb)}));

  std::atomic<bool> stop{false};
  SensitivitySettings settings;
  settings.texts.SvId = std::to_string(kGeneratorSv);
  settings.texts.Degrade = std::to_string(kGenLossDb);
  settings.start = TestEvent::AcqOnlyPressed;
  settings.iterations = 3;
  settings.tickMs = 50;
  settings.stop = &stop;
  int ticks = 0;
  const SensitivityOutcome out =
      RunSensitivity(*receiver.session, generator, pauses, settings, [&](const CurvePoint&) {
        if (++ticks == 3) stop = true;
      });
  EXPECT_EQ(out.failure, "interrupted");
  EXPECT_EQ(out.curve.size(), 3u);
  ASSERT_EQ(out.iterations.size(), 1u);
  EXPECT_EQ(out.iterations[0].acquisition, (PhaseResult{std::nullopt, std::nullopt, "interrupted"}));
}

// The generator's cable pulled mid-test: no result is made up, the run says
// why, and the generator's port is closed.
TEST_F(BenchSensitivityTest, AGeneratorPulledMidTestGivesNoResultAndItsReason) {
  ASSERT_NO_FATAL_FAILURE(
      Start({"--baud", "115200", "--fix-rate", "5", "--gen-loss", std::to_string(kGenLossDb)}));
  test::PtyPair cable;
  ASSERT_TRUE(cable.Ok());
  GeneratorLink pulled{pauses};
  auto ports = MakePosixSerialPortFactory();
  ASSERT_EQ(pulled.Open(*ports, cable.SlavePath(), "19200"), GeneratorLink::OpenOutcome::Opened);
  SensitivitySettings settings;
  settings.texts.SvId = std::to_string(kGeneratorSv);
  settings.start = TestEvent::AcqOnlyPressed;
  settings.iterations = 2;
  settings.tickMs = 50;
  int ticks = 0;
  const SensitivityOutcome out = RunSensitivity(*receiver.session, pulled, pauses, settings, [&](const CurvePoint&) {
    if (++ticks == 3) cable.CloseMaster();
  });
  EXPECT_EQ(out.failure, "The generator on " + cable.SlavePath() +
                             " stopped taking commands. The test is stopped without a result and the "
                             "generator's port closed. Input/output error: " +
                             cable.SlavePath() + " went away or does not answer.");
  EXPECT_EQ(out.curve.size(), 4u) << "the next tick found it and was the last";
  ASSERT_EQ(out.iterations.size(), 1u);
  EXPECT_EQ(out.iterations[0].acquisition, (PhaseResult{std::nullopt, std::nullopt, out.failure}));
  EXPECT_FALSE(pulled.IsOpen());
}

TEST_F(BenchSensitivityTest, AcquisitionFindsTheLevelBelowWhichAColdStartFindsNothing) {
  ASSERT_NO_FATAL_FAILURE(Start(
      {"--baud", "115200", "--fix-rate", "5", "--ttff-cold", "2", "--gen-loss", std::to_string(kGenLossDb)}));

  SensitivitySettings settings;
  settings.texts.SvId = std::to_string(kGeneratorSv);
  settings.texts.Degrade = std::to_string(kGenLossDb);
  settings.texts.AcqCnr = "16";
  settings.texts.AcqTimeout = "30";
  settings.start = TestEvent::AcqOnlyPressed;
  settings.tickMs = 200;
  const SensitivityOutcome out = RunSensitivity(*receiver.session, generator, pauses, settings, nullptr);
  EXPECT_EQ(out.failure, "");
  ASSERT_EQ(out.iterations.size(), 1u);
  EXPECT_EQ(out.iterations[0].messages, std::vector<std::string>{kAcqFinishedText});
  const std::optional<PhaseResult>& result = out.iterations[0].acquisition;
  ASSERT_TRUE(result && result->lostDbm && result->heldDbm) << result->failure;
  // At the threshold or below it by less than the step that reached it,
  // the level before it acquired.
  const int64_t level = *result->lostDbm + kGenLossDb;
  int32_t step = 0;
  for (size_t i = 1; i < out.curve.size(); ++i)
    if (out.curve[i].levelDbm == level && out.curve[i - 1].levelDbm > level)
      step = out.curve[i - 1].levelDbm - out.curve[i].levelDbm;
  EXPECT_GT(step, 0) << "the result's level was reached by a step";
  EXPECT_LE(level, kAcqLostLevel);
  EXPECT_GT(level, kAcqLostLevel - step);
  EXPECT_EQ(*result->heldDbm + kGenLossDb, level + step);
  for (const CurvePoint& p : out.curve) EXPECT_EQ(p.phase, TestPhase::Acquisition);
}

// A receiver that falls silent or goes away mid-test: the phase has no level
// but the run's reason.
TEST_F(BenchSensitivityTest, AReceiverLostMidTestGivesNoLevelButTheReason) {
  const std::pair<void (*)(test::SimHarness&), const char*> cases[] = {
      {[](test::SimHarness& s) { s.Silent(true); }, kNoAnswerText},
      {[](test::SimHarness& s) { s.Stop(); }, kGoneText},
  };
  for (const auto& [lose, reason] : cases) {
    SCOPED_TRACE(reason);
    ASSERT_NO_FATAL_FAILURE(
        Start({"--baud", "115200", "--fix-rate", "5", "--gen-loss", std::to_string(kGenLossDb)}));
    SensitivitySettings settings;
    settings.texts.SvId = std::to_string(kGeneratorSv);
    settings.start = TestEvent::TrackOnlyPressed;
    settings.iterations = 2;
    settings.tickMs = 200;
    int ticks = 0;
    const SensitivityOutcome out = RunSensitivity(*receiver.session, generator, pauses, settings, [&](const CurvePoint&) {
      if (++ticks == 3) lose(*sim);
    });
    EXPECT_EQ(out.failure, reason);
    ASSERT_EQ(out.iterations.size(), 1u);
    EXPECT_EQ(out.iterations[0].tracking, (PhaseResult{std::nullopt, std::nullopt, reason}));
  }
}

}  // namespace
}  // namespace vantrel::benchtool
