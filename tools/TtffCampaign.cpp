#include "tools/TtffCampaign.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "commands/Commands.h"
#include "link/SerialPort.h"
#include "nmea/Reply.h"

namespace vantrel::benchtool {
namespace {

using Clock = std::chrono::steady_clock;

int64_t MsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

// Watches the answers to one restart, told by the session's reader as it
// decodes them. A fix reported before the receiver has carried out the
// restart (a sentence already on the line) does not count: the watch arms
// on the acknowledgement of the restart, or when the receiver drops its
// fix, whichever comes first. A fix is what the session reads in a sentence
// of any talker: a GGA or GNS quality, a GSA mode, an RMC status.
class FixWatch {
 public:
  explicit FixWatch(Restart kind)
      : restart_(static_cast<int32_t>(CommandNumber::HotStart) + static_cast<int32_t>(kind) - 1) {}
  // From now on the answers belong to a new restart.
  void Begin() {
    std::lock_guard lock(mutex_);
    watching_ = true;
    armed_ = false;
    refused_ = false;
    hadFix_ = false;
    fixAt_.reset();
  }
  void End() {
    std::lock_guard lock(mutex_);
    watching_ = false;
  }
  // Reader thread.
  void Acknowledged(int32_t command, int32_t flag) {
    std::lock_guard lock(mutex_);
    if (!watching_ || command != restart_) return;
    if (flag == kAckFailed) {
      refused_ = true;
      changed_.notify_all();
    } else {
      armed_ = true;
    }
  }
  bool Refused() {
    std::lock_guard lock(mutex_);
    return refused_;
  }
  void FixReported(bool fix) {
    std::lock_guard lock(mutex_);
    if (!watching_ || fixAt_ || refused_) return;
    if (armed_) {
      if (fix) {
        fixAt_ = Clock::now();
        changed_.notify_all();
      }
      return;
    }
    // Without the acknowledgement, the receiver dropping its fix shows the
    // restart taken. A report of no fix alone does not: a receiver still
    // getting its first fix since power-up reports none before the restart.
    if (fix) hadFix_ = true;
    else if (hadFix_) armed_ = true;
  }
  void Wake() { changed_.notify_all(); }
  // The fix, or nothing once `slice` has passed without one.
  std::optional<Clock::time_point> WaitForFix(std::chrono::milliseconds slice) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, slice, [&] { return fixAt_.has_value() || refused_; });
    return fixAt_;
  }

 private:
  const int32_t restart_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool watching_ = false;
  bool armed_ = false;
  bool refused_ = false;
  bool hadFix_ = false;  // a fix reported since the write
  std::optional<Clock::time_point> fixAt_;
};

// How often a campaign waiting for a fix looks at the time-out, the stop
// and the device.
constexpr std::chrono::milliseconds kWaitSlice{50};

}  // namespace

OpenedReceiver OpenReceiver(const std::string& port, long baud, int answerMs) {
  OpenedReceiver out;
  auto session = std::make_shared<ReceiverSession>();
  const PortOpening opening = session->Open(*MakePosixSerialPortFactory(), port, std::to_string(baud));
  switch (opening.refusal) {
    case PortOpening::Refusal::CannotOpen:
      out.error = "cannot open " + port + ": " + PortFailureText(opening.error, opening.path);
      return out;
    case PortOpening::Refusal::BaudNotANumber:
    case PortOpening::Refusal::SettingsRefused:
      out.error = "cannot set " + port + " to " + std::to_string(baud) + " baud: " +
                  PortFailureText(opening.error, opening.path);
      return out;
    case PortOpening::Refusal::None:
      break;
  }
  if (!session->AwaitFirstBytes(answerMs)) {
    out.error = "no answer from the receiver on " + port + " within " + std::to_string(answerMs / 1000) +
                " s (wrong port or baud rate?)";
    return out;
  }
  out.session = std::move(session);
  return out;
}

ReceiverOutcome RunTtffCampaign(const std::string& port, ReceiverSession& session,
                                const CampaignSettings& settings, const RunDone& done) {
  ReceiverOutcome outcome;
  outcome.port = port;
  const Command& restart = RestartCommand(settings.kind);
  FixWatch watch(settings.kind);
  session.SetTalkers(TalkerSet::AllGnss());
  session.OnFixReport = [&](bool fix) { watch.FixReported(fix); };
  session.OnAcknowledgement = [&](int32_t command, int32_t flag) { watch.Acknowledged(command, flag); };
  session.OnGone = [&] { watch.Wake(); };
  session.StartReader();
  const auto stopped = [&] { return settings.stop != nullptr && settings.stop->load(std::memory_order_relaxed); };
  for (int i = 1; i <= settings.runs; ++i) {
    if (stopped()) {
      outcome.interrupted = true;
      break;
    }
    TtffRun run{i, std::nullopt, "", std::nullopt};
    bool lost = true;  // the receiver is of no further use: gone, or its port refuses writes
    if (restart.pauseBeforeMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(restart.pauseBeforeMs));
    // What waits on the line went out before the restart.
    session.Link()->DiscardInput();
    watch.Begin();
    const auto written = Clock::now();
    run.startedAt = std::chrono::system_clock::now();
    std::optional<Clock::time_point> fixAt;
    if (session.Write(restart.bytes.data(), restart.bytes.size()) != restart.bytes.size()) {
      run.failure = std::string(kGoneText) + ": the restart command could not be written";
    } else {
      // The window's pause after the write holds only its UI thread; the
      // session's reader reads on through it.
      const auto end = written + std::chrono::milliseconds(settings.timeoutMs);
      while (!(fixAt = watch.WaitForFix(kWaitSlice))) {
        if (stopped()) break;
        if (session.Gone()) {
          run.failure = kGoneText;
          break;
        }
        if (watch.Refused()) {
          run.failure = kRestartRefusedText;
          lost = false;
          break;
        }
        if (Clock::now() >= end) {
          run.failure = kNoFixText;
          lost = false;
          break;
        }
        if (session.Silent(kSilenceMs)) {
          run.failure = kNoAnswerText;
          break;
        }
      }
      if (fixAt) {
        run.ttffMs = MsBetween(written, *fixAt);
        lost = false;
      } else if (run.failure.empty()) {
        outcome.interrupted = true;
        break;
      }
    }
    watch.End();
    outcome.runs.push_back(run);
    if (done) done(port, run);
    if (lost) {
      outcome.failure = run.failure;
      break;
    }
  }
  // Joined before the callbacks go: they reach this frame's watch.
  session.StopAndJoinAll();
  session.OnFixReport = nullptr;
  session.OnAcknowledgement = nullptr;
  session.OnGone = nullptr;
  return outcome;
}

}  // namespace vantrel::benchtool
