#include "tools/TtffCampaign.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

#include "commands/Commands.h"
#include "evaluation/Epochs.h"
#include "link/SerialPort.h"
#include "link/StreamDecoder.h"

namespace vantrel::benchtool {
namespace {

using Clock = std::chrono::steady_clock;

int64_t MsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

// Watches the pieces of one restart. A fix reported before the receiver has
// carried out the restart (a sentence already on the line) does not count:
// the watch arms on the acknowledgement of the restart, or when the
// receiver drops its fix, whichever comes first. A fix is what the
// evaluation's model reads in a sentence of any talker: a GGA or GNS
// quality, a GSA mode, an RMC status.
class FixWatch final : public IStreamHandler {
 public:
  explicit FixWatch(Restart kind) {
    std::snprintf(ack_, sizeof ack_, "$PQOL001,%d,", static_cast<int>(CommandNumber::HotStart) + static_cast<int>(kind) - 1);
  }
  void OnReply(const char* s, size_t) override {
    if (std::strncmp(s, ack_, std::strlen(ack_)) == 0) armed_ = true;
  }
  void OnPiece(const PieceInfo&, const char* s, size_t len) override {
    if (fixAt_) return;
    const std::optional<bool> fix = evaluation::FixOfSentence(s, len);
    if (!fix) return;
    if (armed_) {
      if (*fix) fixAt_ = Clock::now();
      return;
    }
    // Without the acknowledgement, the receiver dropping its fix shows the
    // restart taken. A report of no fix alone does not: a receiver still
    // getting its first fix since power-up reports none before the restart.
    if (*fix) hadFix_ = true;
    else if (hadFix_) armed_ = true;
  }
  std::optional<Clock::time_point> fixAt_;

 private:
  bool armed_ = false;
  bool hadFix_ = false;  // a fix reported since the write
  char ack_[24] = {};
};

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
  const std::shared_ptr<PortLink>& link = session->Link();
  const auto end = Clock::now() + std::chrono::milliseconds(answerMs);
  char buffer[kChunkMax];
  while (link->Read(buffer, sizeof buffer) == 0) {
    if (link->Gone() || Clock::now() >= end) {
      out.error = "no answer from the receiver on " + port + " within " + std::to_string(answerMs / 1000) +
                  " s (wrong port or baud rate?)";
      return out;
    }
  }
  out.link = link;
  out.session = std::move(session);
  return out;
}

ReceiverOutcome RunTtffCampaign(const std::string& port, PortLink& link, const CampaignSettings& settings,
                                const RunDone& done) {
  ReceiverOutcome outcome;
  outcome.port = port;
  const Command& restart = RestartCommand(settings.kind);
  StreamFraming framing;
  ReceiverRecord record;
  char buffer[kChunkMax];
  const auto stopped = [&] { return settings.stop != nullptr && settings.stop->load(std::memory_order_relaxed); };
  for (int i = 1; i <= settings.runs; ++i) {
    if (stopped()) {
      outcome.interrupted = true;
      break;
    }
    TtffRun run{i, std::nullopt, "", std::nullopt};
    bool lost = true;  // the receiver is of no further use: gone, or its port refuses writes
    if (restart.pauseBeforeMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(restart.pauseBeforeMs));
    FixWatch watch(settings.kind);
    StreamDecoder decoder(framing, record, watch, TalkerSet::AllGnss());
    // What waits on the line went out before the restart.
    link.DiscardInput();
    const auto written = Clock::now();
    run.startedAt = std::chrono::system_clock::now();
    if (link.Write(restart.bytes.data(), restart.bytes.size()) != restart.bytes.size()) {
      run.failure = "receiver gone: the restart command could not be written";
    } else {
      // The window's pause after the write holds only its UI thread; the
      // bench reads on through it, the reader does too.
      const auto end = written + std::chrono::milliseconds(settings.timeoutMs);
      while (!watch.fixAt_) {
        if (stopped()) break;
        if (link.Gone()) {
          run.failure = "receiver gone";
          break;
        }
        if (Clock::now() >= end) {
          run.failure = "timeout after " + std::to_string(settings.timeoutMs / 1000) + " s";
          lost = false;
          break;
        }
        const size_t n = link.Read(buffer, sizeof buffer);
        for (size_t taken = 0; taken < n && !watch.fixAt_;) taken += decoder.Feed(buffer + taken, n - taken);
      }
      if (watch.fixAt_) {
        run.ttffMs = MsBetween(written, *watch.fixAt_);
        lost = false;
      } else if (run.failure.empty()) {
        outcome.interrupted = true;
        break;
      }
    }
    outcome.runs.push_back(run);
    if (done) done(port, run);
    if (lost) {
      outcome.failure = run.failure;
      break;
    }
  }
  return outcome;
}

}  // namespace vantrel::benchtool
