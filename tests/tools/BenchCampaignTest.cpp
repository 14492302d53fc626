// Time-to-first-fix campaigns against several simulated receivers at once,
// each with its own configured time to fix: the figures must match the
// configuration within the fix interval (the simulator reports the fix with
// the first epoch after it), and a receiver unplugged mid-campaign drops out
// with the reason while the others finish.
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/sim/SimHarness.h"
#include "tools/TtffCampaign.h"
#include "tools/TtffStats.h"

namespace vantrel::benchtool {
namespace {

constexpr int kFixRateHz = 5;
constexpr int64_t kTickMs = 1000 / kFixRateHz;
// The epoch's sentences on the line at 38400 baud and the scheduling of two
// busy cores.
constexpr int64_t kSlackMs = 150;

struct Receiver {
  explicit Receiver(int ttffColdS)
      : ttffMs(ttffColdS * 1000),
        // The first restart goes out while the module is still getting its
        // first fix since power-up (a hot start of 1 s): that fix is no
        // answer to the restart.
        sim(std::make_unique<test::SimHarness>(std::vector<std::string>{"--fix-rate", std::to_string(kFixRateHz),
                                                                         "--ttff-hot", "1", "--ttff-cold",
                                                                         std::to_string(ttffColdS)})) {}
  int64_t ttffMs;
  std::unique_ptr<test::SimHarness> sim;
  OpenedReceiver opened;
  ReceiverOutcome outcome;
};

// Opens every receiver and runs the campaign on all of them in parallel.
void RunAll(std::vector<Receiver>& receivers, const CampaignSettings& settings, const RunDone& done) {
  for (Receiver& r : receivers) {
    ASSERT_TRUE(r.sim->Started()) << r.sim->Error();
    r.opened = OpenReceiver(r.sim->ReceiverPath(), 38400);
    ASSERT_TRUE(r.opened.session) << r.opened.error;
  }
  std::vector<std::thread> threads;
  for (Receiver& r : receivers)
    threads.emplace_back([&] { r.outcome = RunTtffCampaign(r.sim->ReceiverPath(), *r.opened.session, settings, done); });
  for (std::thread& t : threads) t.join();
}

// Three cold starts each, a fix within 10 s.
CampaignSettings ThreeColdStarts() {
  CampaignSettings settings;
  settings.kind = Restart::Cold;
  settings.runs = 3;
  settings.timeoutMs = 10000;
  return settings;
}

TEST(BenchCampaignTest, ThreeReceiversMatchTheirConfiguredTimes) {
  std::vector<Receiver> receivers;
  for (int s : {1, 2, 3}) receivers.emplace_back(s);
  const CampaignSettings settings = ThreeColdStarts();
  std::mutex mutex;
  int reported = 0;
  RunAll(receivers, settings, [&](const std::string&, const TtffRun&) {
    std::lock_guard lock(mutex);
    ++reported;
  });
  EXPECT_EQ(reported, 9);
  for (const Receiver& r : receivers) {
    SCOPED_TRACE(r.sim->ReceiverPath() + " configured " + std::to_string(r.ttffMs) + " ms");
    EXPECT_EQ(r.outcome.failure, "");
    ASSERT_EQ(r.outcome.runs.size(), 3u);
    for (const TtffRun& run : r.outcome.runs) {
      ASSERT_TRUE(run.ttffMs) << run.failure;
      EXPECT_GE(*run.ttffMs, r.ttffMs);
      EXPECT_LE(*run.ttffMs, r.ttffMs + kTickMs + kSlackMs);
    }
    const TtffSummary s = Summarise(r.outcome.runs, r.ttffMs + kTickMs + kSlackMs);
    EXPECT_TRUE(s.pass);
    EXPECT_EQ(s.failures, 0);
    // A limit below the configured time fails the same runs.
    EXPECT_FALSE(Summarise(r.outcome.runs, r.ttffMs - 1).pass);
  }
}

// Unplugged, or fallen silent (it sends nothing, not even an empty
// sentence): the receiver drops out with the reason, its run without a
// time; the others finish.
TEST(BenchCampaignTest, AReceiverLostMidCampaignFailsWithTheReason) {
  struct Case {
    const char* how;
    bool (*lose)(test::SimHarness&);
    const char* reason;
  };
  const Case cases[] = {
      {"unplugged", [](test::SimHarness& sim) { return sim.Stop(); }, kGoneText},
      {"silent", [](test::SimHarness& sim) { return sim.Silent(true); }, kNoAnswerText},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    std::vector<Receiver> receivers;
    for (int s : {1, 1, 1}) receivers.emplace_back(s);
    const CampaignSettings settings = ThreeColdStarts();
    const std::string lost = receivers[1].sim->ReceiverPath();
    RunAll(receivers, settings, [&](const std::string& port, const TtffRun& run) {
      if (port == lost && run.index == 1) c.lose(*receivers[1].sim);
    });
    for (size_t i = 0; i < receivers.size(); ++i) {
      const ReceiverOutcome& out = receivers[i].outcome;
      SCOPED_TRACE(out.port);
      if (i == 1) {
        // Gone under the read, or already when the next restart is written.
        EXPECT_EQ(out.failure.rfind(c.reason, 0), 0u) << out.failure;
        ASSERT_EQ(out.runs.size(), 2u);  // the one timed, the one cut short
        EXPECT_TRUE(out.runs[0].ttffMs);
        EXPECT_FALSE(out.runs[1].ttffMs);
        EXPECT_EQ(out.runs[1].failure, out.failure);
      } else {
        EXPECT_EQ(out.failure, "");
        EXPECT_EQ(Summarise(out.runs, std::nullopt).failures, 0);
        EXPECT_EQ(out.runs.size(), 3u);
      }
    }
  }
}

TEST(BenchCampaignTest, SetUpErrorsSayWhat) {
  const OpenedReceiver missing = OpenReceiver("/tmp/vantrel-bench-no-such-port", 38400);
  EXPECT_FALSE(missing.session);
  EXPECT_NE(missing.error.find("cannot open /tmp/vantrel-bench-no-such-port"), std::string::npos) << missing.error;

  test::SimHarness silent({"--silent"});
  ASSERT_TRUE(silent.Started()) << silent.Error();
  const OpenedReceiver mute = OpenReceiver(silent.ReceiverPath(), 38400, 500);
  EXPECT_FALSE(mute.session);
  EXPECT_NE(mute.error.find("no answer from the receiver"), std::string::npos) << mute.error;
}

}  // namespace
}  // namespace vantrel::benchtool
