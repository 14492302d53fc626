#pragma once
// TNMEAThread, the reader of the receiver port: it reads short chunks, logs
// them, frames them into sentences, lets the window show them, decodes them
// into its own receiver record and lets the window refresh from it.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/Framing.h"
#include "link/HandOver.h"
#include "link/PortLink.h"
#include "nmea/CompleteGroup.h"
#include "nmea/GnssSatellites.h"
#include "nmea/Record.h"
#include "nmea/Reply.h"

namespace vantrel {

// Where the reader puts the receiver's acknowledgements: the last command
// carried out and the last one that failed. Held by the window, written by
// the reader, read and cleared by the window's Timer1.
struct AckSlots {
  std::atomic<int32_t> AckedCommand{0};
  std::atomic<int32_t> FailedCommand{0};
};

// What the reader keeps of a reply: an acknowledgement goes to its slot by
// its flag, anything else into the record. True when the window is to be
// shown the reply.
bool KeepReply(const Reply& reply, ReceiverRecord& record, AckSlots& acks);

// The window's side of the reader. Every call runs on the UI thread inside a
// hand-over, while the reader waits, so the record may be read and changed.
class ReaderHost {
 public:
  virtual ~ReaderHost() = default;
  // The text of this cycle, before it is cut into sentences.
  virtual void AppendMonitorLines(const char* workText, size_t len) = 0;
  virtual void RefreshStatus(ReceiverRecord& record) = 0;
  // A reply that has something to show, after the record took what it
  // keeps of it; in stream order.
  virtual void ShowReply(const Reply& reply, ReceiverRecord& record) = 0;
  // The satellites of every constellation changed; before RefreshStatus.
  // Only a reader of more talkers than "$GP" tells this.
  virtual void RefreshSatellites(const GnssSatellites& satellites) { (void)satellites; }
  // The device went away under the reader (unplugged, the other end gone);
  // the reader has stopped reading. Told once.
  virtual void ReceiverGone() {}
};

// The log file's entry for the reader: set and cleared on the UI thread,
// used by the reader under the same lock, so closing the log waits for an
// append in progress instead of racing it.
class LogHook {
 public:
  using Sink = std::function<void(const char* data, size_t len)>;
  void Set(Sink sink);  // an empty sink ends logging
  bool IsSet();
  // Appends when a sink is set; true if it did.
  bool Append(const char* data, size_t len);

 private:
  std::mutex mutex_;
  Sink sink_;
};

// Told every sentence and reply as the reader decodes it, on the reader
// thread and in stream order, for a caller that times what the receiver
// says. Runs inside the read: keep it short.
class ReaderTap {
 public:
  virtual ~ReaderTap() = default;
  virtual void OnSentence(const PieceInfo& info, const char* s, size_t len) = 0;
  virtual void OnReply(const Reply& reply) = 0;
};

// What a reader is given at construction. All pointers outlive the reader
// (the window joins its readers before it goes); `log` may be null.
struct ReaderEnv {
  std::shared_ptr<PortLink> link;
  ReaderHost* host = nullptr;
  UiHandOver* handOver = nullptr;
  AckSlots* acks = nullptr;
  LogHook* log = nullptr;
  // The talkers decoded; more than "$GP" also keeps GnssSatellites.
  TalkerSet talkers = TalkerSet::Gps();
  ReaderTap* tap = nullptr;  // may be null
};

class TNMEAThread {
 public:
  // Zeroes the record, discards the port's input queue (when the link is
  // open) and starts the body at once.
  // `begunAcknowledgement`: what the stopped reader of the same port had
  // read of an acknowledgement when it ended; this reader reads the rest.
  explicit TNMEAThread(const ReaderEnv& env, std::string begunAcknowledgement = {});
  // Requests the stop and waits for the body to return.
  ~TNMEAThread();
  TNMEAThread(const TNMEAThread&) = delete;
  TNMEAThread& operator=(const TNMEAThread&) = delete;

  // Sets StopRequested and wakes the reader from a hand-over wait. The body
  // ends after its current step; only the next reader of the same port
  // waits for that (ReaderSet).
  void RequestStop();
  bool Finished() const { return finished_.load(std::memory_order_acquire); }
  void Join();

  std::atomic<bool> StopRequested{false};

  // After Join(): the acknowledgement this reader had only begun when it
  // ended, left for its successor on the same port; else empty.
  const std::string& BegunAcknowledgement() const { return begunAcknowledgement_; }
  bool Reads(const PortLink* link) const { return link_ == link; }

  // Read on the UI thread outside the hand-overs: published after each cycle.
  uint8_t FixType() const { return fixType_.load(std::memory_order_acquire); }
  // The satellites in view as of the last complete GSV group; returns the count.
  int32_t SatsInViewSnapshot(SatInView (&out)[kSatsInViewMax]) const;
  // Sentences of a known kind whose checksum passed, for measurements that
  // compare what the receiver sent with what arrived.
  uint64_t DecodedSentences() const { return decoded_.load(std::memory_order_relaxed); }
  // When the last bytes came; the reader's start until any did.
  std::chrono::steady_clock::time_point LastHeard() const { return heardAt_.load(std::memory_order_relaxed); }
  // Clears applied by the reader at the start of its next cycle.
  void RequestClearChannelsUpdated() { clearChannelsUpdated_.store(true, std::memory_order_release); }
  void RequestClearGsvComplete() { clearGsvComplete_.store(true, std::memory_order_release); }

  // The reader's record: touched by the reader, and by the UI thread only
  // inside a hand-over.
  ReceiverRecord Record;
  // Every constellation's satellites, kept when the reader decodes more
  // talkers than "$GP"; touched as the record is.
  GnssSatellites Satellites;

 private:
  class ReplyHandler;
  void Body();
  // The constructor's purge of the input queue: dropped for decoding but
  // for the acknowledgements, appended to the log.
  void DiscardInputKeepingAcknowledgements();
  static constexpr int kDiscardChunksMax = 64;  // a terminal's queue holds 4 KiB
  // With a log on: a pseudo-terminal holds its 4 KiB and 64 KiB of buffers
  // behind them, about six seconds at 115200 baud.
  static constexpr int kDiscardChunksLoggedMax = 2048;
  void ReadCycle(const char* chunk, size_t n);
  void ApplyClearRequests();
  void Publish();
  void FlushMonitor();
  bool HandOver(const std::function<void()>& fn);

  ReaderEnv env_;
  const PortLink* const link_;  // env_.link lets go of it at the end
  const bool allGnss_;          // env_.talkers is more than "$GP"
  // The predecessor's begun acknowledgement until the construction has read
  // it; after the body, this reader's own for its successor.
  std::string begunAcknowledgement_;
  StreamFraming framing_;
  // The cycle's text for the monitor, kept whole while the dispatch cuts
  // WorkText apart; a fixed buffer, so the read loop allocates nothing.
  char monitorText_[2 * kStreamTextSize] = {};
  size_t monitorLength_ = 0;
  std::atomic<uint8_t> fixType_{0};
  std::atomic<bool> clearChannelsUpdated_{false};
  std::atomic<bool> clearGsvComplete_{false};
  std::atomic<bool> finished_{false};
  std::atomic<uint64_t> decoded_{0};
  std::atomic<std::chrono::steady_clock::time_point> heardAt_{std::chrono::steady_clock::now()};
  mutable std::mutex snapshotMutex_;
  CompleteSatsInView completeSats_;  // the reader thread's own; published under the lock
  SatInView satsSnapshot_[kSatsInViewMax] = {};
  int32_t satsCountSnapshot_ = 0;
  std::thread thread_;  // last member: starts after everything above exists
};

// Every reader the window has started and not yet joined. A stopped reader
// ends on its own; the set joins it on the next start, or at the end. A
// reader of the same port ends before the next one starts (its last read
// takes at most the read limit), so that two never share the line and an
// acknowledgement cut between them is put back together.
class ReaderSet {
 public:
  ~ReaderSet() { StopAndJoinAll(); }
  TNMEAThread* Start(const ReaderEnv& env);
  void StopAndJoinAll();
  // Waits for the readers asked to stop: each ends within one read once its
  // port is closed, having decoded the sentence it still held.
  void JoinStopped();
  size_t Size() const { return readers_.size(); }

 private:
  void Reap();
  std::vector<std::unique_ptr<TNMEAThread>> readers_;
};

}  // namespace vantrel
