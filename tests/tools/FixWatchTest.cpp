// Which sentence ends a restart's count: a fix already on the line when the
// restart is written is no answer to it. A scripted receiver answers each
// write with a sequence of sentences at once; a campaign that counts the
// wrong fix gets a time where the right one times out, and the other way
// round.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "tools/TtffCampaign.h"

namespace vantrel::benchtool {
namespace {

const std::string kFix = FinishSentence("$GPGSA,A,3,04,05,09,12,,,,,,,,,2.5,1.3,2.1");
const std::string kNoFix = FinishSentence("$GPGSA,A,1,,,,,,,,,,,,,,,");
const std::string kAck = FinishSentence("$PQOL001,103,3");
// A multi-constellation receiver reports its fix in GN sentences only.
const std::string kGnFix = FinishSentence("$GNGGA,101010.00,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,");
const std::string kGnNoFix = FinishSentence("$GNGGA,101009.00,,,,,0,00,99.99,,,,,,");
// The framing decodes a sentence once the next one starts: a time sentence,
// which says nothing about the fix, closes each answer.
const std::string kTrailer = FinishSentence("$GPZDA,123519,08,12,2026,00,00");

class ScriptedPort final : public SerialPort {
 public:
  explicit ScriptedPort(std::string answer) : answer_(std::move(answer)) {}
  bool Open(const std::string&) override { return true; }
  bool Configure(long) override { return true; }
  size_t Read(char* buffer, size_t n, int timeoutMs) override {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !input_.empty(); });
    const size_t count = std::min(n, input_.size());
    input_.copy(buffer, count);
    input_.erase(0, count);
    return count;
  }
  size_t Write(const void*, size_t n, int) override {
    std::lock_guard lock(mutex_);
    input_ += answer_;
    arrived_.notify_all();
    return n;
  }
  void DiscardInput() override {
    std::lock_guard lock(mutex_);
    input_.clear();
  }
  void Interrupt() override {}
  void Close() override {}
  int LastError() const override { return 0; }
  bool Gone() const override { return false; }

 private:
  std::string answer_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::string input_;
};

struct ScriptedPorts final : SerialPortFactory {
  explicit ScriptedPorts(std::string answer) : answer(std::move(answer)) {}
  std::unique_ptr<SerialPort> Create() override { return std::make_unique<ScriptedPort>(answer); }
  std::string answer;
};

TEST(FixWatchTest, OnlyAFixAfterTheRestartWasTakenCounts) {
  struct Case {
    const char* name;
    std::vector<std::string> answer;
    bool timed;
    const char* failure = "";  // checked when not timed and given
  };
  const Case cases[] = {
      {"acknowledged, then a fix", {kAck, kFix}, true},
      {"acknowledged, no fix, then a fix", {kAck, kNoFix, kNoFix, kFix}, true},
      {"a fix told by GNGGA", {kAck, kGnNoFix, kGnFix}, true},
      {"no acknowledgement: a GNGGA fix dropped and regained", {kGnFix, kGnNoFix, kGnFix}, true},
      {"a fix in flight, acknowledged, no fix after", {kFix, kAck, kNoFix}, false},
      {"still without its power-up fix, which arrives in flight, then acknowledged", {kNoFix, kFix, kAck, kNoFix},
       false},
      {"no acknowledgement: the fix dropped shows the restart taken", {kFix, kNoFix, kNoFix, kFix}, true},
      {"no acknowledgement, no fix before: a fix alone is no answer", {kNoFix, kFix}, false},
      {"the acknowledgement of another command arms nothing", {kFix, FinishSentence("$PQOL001,101,3"), kFix},
       false},
      {"the restart refused: a fix after it times nothing", {kFix, FinishSentence("$PQOL001,103,2"), kNoFix, kFix},
       false, kRestartRefusedText},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string answer;
    for (const std::string& s : c.answer) answer += s;
    answer += kTrailer;
    ScriptedPorts ports(answer);
    ReceiverSession session;
    ASSERT_TRUE(session.Open(ports, "scripted", "38400").ok());
    CampaignSettings settings;
    settings.kind = Restart::Cold;
    settings.runs = 1;
    settings.timeoutMs = 300;
    const ReceiverOutcome out = RunTtffCampaign("scripted", session, settings, nullptr);
    ASSERT_EQ(out.runs.size(), 1u);
    EXPECT_EQ(out.runs[0].ttffMs.has_value(), c.timed) << out.runs[0].failure;
    if (!c.timed && *c.failure) {
      EXPECT_EQ(out.runs[0].failure, c.failure);
    }
    EXPECT_EQ(out.failure, "") << "a timeout leaves the receiver in the campaign";
  }
}

}  // namespace
}  // namespace vantrel::benchtool
