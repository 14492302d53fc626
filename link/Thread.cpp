#include "link/Thread.h"

#include <pthread.h>  // pthread_setname_np: the name debuggers show

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "link/StreamDecoder.h"

namespace vantrel {

void LogHook::Set(Sink sink) {
  std::lock_guard lock(mutex_);
  sink_ = std::move(sink);
}

bool LogHook::IsSet() {
  std::lock_guard lock(mutex_);
  return static_cast<bool>(sink_);
}

bool LogHook::Append(const char* data, size_t len) {
  std::lock_guard lock(mutex_);
  if (!sink_) return false;
  sink_(data, len);
  return true;
}

bool KeepReply(const Reply& reply, ReceiverRecord& record, AckSlots& acks) {
  if (reply.kind == ReplyKind::Ack) {
    // A later acknowledgement overwrites one Timer1 has not reported yet.
    if (reply.flag == kAckCarriedOut) acks.AckedCommand.store(reply.command, std::memory_order_release);
    if (reply.flag == kAckFailed) acks.FailedCommand.store(reply.command, std::memory_order_release);
    return false;
  }
  return StoreReply(record, reply);
}

// Keeps the cycle's text for the monitor, decodes the "$PQOL" replies of a
// cycle and hands their window updates over in stream order.
class TNMEAThread::ReplyHandler final : public IStreamHandler {
 public:
  explicit ReplyHandler(TNMEAThread& reader) : reader_(reader) {}
  // The monitor gets the text whole, before the dispatch cuts it apart. It
  // goes over with the refresh, in one hand-over instead of two (each costs
  // the reader a wait), unless a reply needs the window first.
  void OnCycleText(const char* text, size_t len) override {
    // After what the monitor has not been given yet: a feed can bring a
    // held sentence and then the chunk's own text.
    size_t& shown = reader_.monitorLength_;
    const size_t n = std::min(len, sizeof reader_.monitorText_ - 1 - shown);
    std::memcpy(reader_.monitorText_ + shown, text, n);
    shown += n;
    reader_.monitorText_[shown] = '\0';
  }
  void OnReply(const char* s, size_t len) override {
    const Reply reply = DecodeReply(s, len);
    if (reader_.env_.tap != nullptr) reader_.env_.tap->OnReply(reply);
    if (!KeepReply(reply, reader_.Record, *reader_.env_.acks)) return;
    reader_.HandOver([&] {
      reader_.FlushMonitor();
      reader_.env_.host->ShowReply(reply, reader_.Record);
    });
  }
  void OnPiece(const PieceInfo& info, const char* s, size_t len) override {
    if (info.kind != PieceKind::Ignored && info.checksumOk)
      reader_.decoded_.fetch_add(1, std::memory_order_relaxed);
    if (reader_.env_.tap != nullptr) reader_.env_.tap->OnSentence(info, s, len);
    if (reader_.allGnss_)
      reader_.Satellites.Take(info, s, len);
    else
      reader_.completeSats_.Take(info, reader_.Record);
  }

 private:
  TNMEAThread& reader_;
};

TNMEAThread::TNMEAThread(const ReaderEnv& env, std::string begunAcknowledgement)
    : env_(env),
      link_(env.link.get()),
      allGnss_(env.talkers != TalkerSet::Gps()),
      begunAcknowledgement_(std::move(begunAcknowledgement)) {
  // Record and framing start zeroed (their initialisers). What waited in the
  // driver belongs to the reader before, or to a receiver that has since
  // been restarted.
  if (env_.link && !env_.link->IsClosed()) DiscardInputKeepingAcknowledgements();
  thread_ = std::thread([this] { Body(); });
}

namespace {

// The text after the carry's last line end, when it may be an
// acknowledgement still being sent: as far as it goes, "$PQOL001,"; else
// empty.
std::string_view BegunAcknowledgementIn(const StreamFraming& framing) {
  static constexpr std::string_view kAck = "$PQOL001,";
  static constexpr size_t kLongestAck = 32;
  const std::string_view carry(framing.CarryText, framing.CarryLength);
  const size_t lineEnd = carry.find_last_of("\r\n");
  const std::string_view begun = lineEnd == std::string_view::npos ? carry : carry.substr(lineEnd + 1);
  const bool ack = begun.size() <= kAck.size() ? kAck.starts_with(begun) : begun.starts_with(kAck);
  return !begun.empty() && begun.size() <= kLongestAck && ack ? begun : std::string_view();
}

// Takes `begun`, the end of the carry, off the carry.
void CutCarry(StreamFraming& framing, std::string_view begun) {
  framing.CarryLength -= begun.size();
  framing.CarryText[framing.CarryLength] = '\0';
}

}  // namespace

void TNMEAThread::DiscardInputKeepingAcknowledgements() {
  // A reader is replaced right after a command is written, and the
  // receiver's answer may already wait here: dropping it would leave the
  // command unreported. Everything else in the queue is stale and goes.
  class AcknowledgementsOnly final : public IStreamHandler {
   public:
    explicit AcknowledgementsOnly(AckSlots* acks) : acks_(acks) {}
    void OnReply(const char* s, size_t len) override {
      const Reply reply = DecodeReply(s, len);
      if (reply.kind == ReplyKind::Ack && acks_ != nullptr) KeepReply(reply, unused_, *acks_);
    }

   private:
    AckSlots* acks_;
    ReceiverRecord unused_;
  };
  AcknowledgementsOnly handler(env_.acks);
  StreamFraming framing;
  ReceiverRecord scratch;
  StreamDecoder decoder(framing, scratch, handler);
  // The predecessor's last read may have ended inside an acknowledgement.
  if (!begunAcknowledgement_.empty()) decoder.Feed(begunAcknowledgement_.data(), begunAcknowledgement_.size());
  begunAcknowledgement_.clear();
  char chunk[kChunkMax];
  bool readEmpty = false;
  // Dropped for decoding, but the port delivered these bytes: the log keeps
  // them, ahead of what this reader will read. A log needs the queue read
  // empty, not flushed; a pseudo-terminal holds far more than a UART's
  // queue, so it gets a longer bound.
  const bool logging = env_.log != nullptr && env_.log->IsSet();
  const int chunksMax = logging ? kDiscardChunksLoggedMax : kDiscardChunksMax;
  // Bounded: a flooded line must not keep the window here.
  for (int i = 0; i < chunksMax; ++i) {
    const size_t n = env_.link->ReadWaiting(chunk, sizeof chunk);
    if (n == 0) {
      readEmpty = true;
      break;
    }
    if (logging) env_.log->Append(chunk, n);
    decoder.Feed(chunk, n);
  }
  // The receiver may be in the middle of the answer: this reader finishes
  // it with the rest, which comes next.
  const std::string_view begun = BegunAcknowledgementIn(framing);
  if (readEmpty && !begun.empty()) {
    std::memcpy(framing_.CarryText, begun.data(), begun.size());
    framing_.CarryText[begun.size()] = '\0';
    framing_.CarryLength = begun.size();
    framing_.StreamLength = begun.size();
    CutCarry(framing, begun);
  }
  decoder.Finish();
  // Read empty, the queue holds nothing stale: a flush could only throw
  // away what arrives meanwhile, such as the rest of that answer.
  if (!readEmpty) env_.link->DiscardInput();
}

TNMEAThread::~TNMEAThread() {
  RequestStop();
  Join();
}

void TNMEAThread::RequestStop() {
  StopRequested.store(true, std::memory_order_release);
  if (env_.handOver != nullptr) env_.handOver->WakeWaiters();
}

void TNMEAThread::Join() {
  if (thread_.joinable()) thread_.join();
}

int32_t TNMEAThread::SatsInViewSnapshot(SatInView (&out)[kSatsInViewMax]) const {
  std::lock_guard lock(snapshotMutex_);
  std::copy(std::begin(satsSnapshot_), std::end(satsSnapshot_), std::begin(out));
  return satsCountSnapshot_;
}

bool TNMEAThread::HandOver(const std::function<void()>& fn) {
  return env_.handOver->RunOnUiThread(fn, StopRequested);
}

void TNMEAThread::ApplyClearRequests() {
  if (clearChannelsUpdated_.exchange(false, std::memory_order_acq_rel)) Record.ChannelsUpdated = false;
  if (clearGsvComplete_.exchange(false, std::memory_order_acq_rel)) Record.GsvComplete = false;
}

void TNMEAThread::Publish() {
  fixType_.store(Record.FixType, std::memory_order_release);
  std::lock_guard lock(snapshotMutex_);
  if (allGnss_) {
    // The record's table holds whichever talker's group came last; the
    // test bench looks for its GPS satellite.
    int n = 0;
    for (const GnssSatellite& sat : Satellites.Merged())
      if (sat.System == GnssSystem::Gps && n < kSatsInViewMax)
        satsSnapshot_[n++] = {sat.Prn, sat.Snr, sat.Elevation, sat.Azimuth, sat.Used};
    std::fill(satsSnapshot_ + n, std::end(satsSnapshot_), SatInView{});
    satsCountSnapshot_ = n;
    return;
  }
  std::copy(std::begin(completeSats_.Table), std::end(completeSats_.Table), std::begin(satsSnapshot_));
  satsCountSnapshot_ = completeSats_.Count;
}

// On the UI thread: the cycle's text to the monitor, once.
void TNMEAThread::FlushMonitor() {
  if (monitorLength_ == 0) return;
  env_.host->AppendMonitorLines(monitorText_, monitorLength_);
  monitorLength_ = 0;
}

void TNMEAThread::ReadCycle(const char* chunk, size_t n) {
  if (env_.log != nullptr) env_.log->Append(chunk, n);
  ApplyClearRequests();
  ReplyHandler replies(*this);
  StreamDecoder(framing_, Record, replies, env_.talkers).Feed(chunk, n);
  HandOver([this] {
    FlushMonitor();
    if (allGnss_ && Satellites.Changed()) {
      env_.host->RefreshSatellites(Satellites);
      Satellites.ClearChanged();
    }
    env_.host->RefreshStatus(Record);
  });
  Publish();
}

void TNMEAThread::Body() {
  pthread_setname_np(pthread_self(), "NMEAThread");
  char chunk[kChunkMax + 1];
  // A closed link ends the reader too: every close is followed by the stop
  // request, and reading a closed link would only spin until then.
  while (!StopRequested.load(std::memory_order_acquire) && env_.link && !env_.link->IsClosed()) {
    std::this_thread::yield();
    size_t n = env_.link->Read(chunk, kChunkMax);
    if (n == 0) {
      // Gone is not silent: no byte will come again on this descriptor.
      if (env_.link->Gone()) {
        HandOver([this] { env_.host->ReceiverGone(); });
        break;
      }
      continue;
    }
    heardAt_.store(std::chrono::steady_clock::now(), std::memory_order_relaxed);
    chunk[n] = 0;
    ReadCycle(chunk, n);
  }
  // The sentence this reader took off the line last waits for the next one's
  // start, which its successor will read instead. An acknowledgement must
  // not be lost with it: the receiver answers a command that replaced this
  // reader just as it stops. One only begun is left for the successor.
  const std::string_view begun = BegunAcknowledgementIn(framing_);
  if (!begun.empty()) {
    begunAcknowledgement_.assign(begun);
    CutCarry(framing_, begun);
  }
  ReplyHandler replies(*this);
  StreamDecoder(framing_, Record, replies, env_.talkers).Finish();
  // Let go of the port here, not when the window gets round to joining: the
  // last holder closes the descriptor.
  env_.link.reset();
  finished_.store(true, std::memory_order_release);
}

TNMEAThread* ReaderSet::Start(const ReaderEnv& env) {
  std::string begun;
  for (const std::unique_ptr<TNMEAThread>& reader : readers_) {
    if (!reader->Reads(env.link.get()) || !reader->StopRequested.load(std::memory_order_acquire)) continue;
    reader->Join();
    begun = reader->BegunAcknowledgement();
  }
  // Made before the ended ones are freed: it never gets the address of the
  // reader it replaces, which callers compare with.
  auto next = std::make_unique<TNMEAThread>(env, std::move(begun));
  Reap();
  readers_.push_back(std::move(next));
  return readers_.back().get();
}

void ReaderSet::Reap() {
  std::erase_if(readers_, [](const std::unique_ptr<TNMEAThread>& reader) { return reader->Finished(); });
}

void ReaderSet::JoinStopped() {
  for (auto& reader : readers_)
    if (reader->StopRequested.load(std::memory_order_acquire)) reader->Join();
}

void ReaderSet::StopAndJoinAll() {
  for (auto& reader : readers_) reader->RequestStop();
  readers_.clear();  // each destructor joins
}

}  // namespace vantrel
