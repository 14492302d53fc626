#pragma once
// A time-to-first-fix campaign on one receiver session: the window's
// restart sentence, then the session's reader heard until the first
// sentence that reports a fix, timed on the monotonic clock from the write.
// Several receivers run side by side, one campaign each.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commands/CommandNumbers.h"
#include "session/ReceiverSession.h"
#include "tools/RunReasons.h"
#include "tools/TtffStats.h"

namespace vantrel::benchtool {

struct OpenedReceiver {
  std::shared_ptr<ReceiverSession> session;  // null when the open failed
  std::string error;                         // why, for the user
};

// Opens `port` (a name as the window's list takes it) on a receiver session,
// as the window opens it, sets `baud` and waits for the first bytes from the
// receiver: one that sends nothing for as long as a receiver mid-run may
// stay silent is not answering at all (wrong port or baud rate). No reader
// runs yet.
OpenedReceiver OpenReceiver(const std::string& port, long baud, int answerMs = kSilenceMs);

struct CampaignSettings {
  Restart kind = Restart::Cold;
  int runs = 1;
  int64_t timeoutMs = 1000 * 1000;
  // Set (by a signal handler) to end the campaign: the run under way is
  // dropped, the ones done are kept.
  const std::atomic<bool>* stop = nullptr;
};

struct ReceiverOutcome {
  std::string port;
  std::vector<TtffRun> runs;
  std::string failure;  // why the receiver dropped out; empty when it finished
  bool interrupted = false;  // stopped by the user: the missing runs were never made
};

// Called after each run from the campaign's thread.
using RunDone = std::function<void(const std::string& port, const TtffRun& run)>;

// Runs on an opened session with no reader, and leaves it so.
ReceiverOutcome RunTtffCampaign(const std::string& port, ReceiverSession& session,
                                const CampaignSettings& settings, const RunDone& done);

}  // namespace vantrel::benchtool
