#include "session/ReceiverSession.h"

#include <chrono>
#include <utility>

#include "commands/CommandNumbers.h"
#include "evaluation/Epochs.h"

namespace vantrel {

// What the readers call: the window's host when attached; OnGone.
class ReceiverSession::Host final : public ReaderHost {
 public:
  explicit Host(ReceiverSession& session) : session_(session) {}
  void AppendMonitorLines(const char* workText, size_t len) override {
    if (window_ != nullptr) window_->AppendMonitorLines(workText, len);
  }
  void RefreshStatus(ReceiverRecord& record) override {
    if (window_ != nullptr) window_->RefreshStatus(record);
  }
  void ShowReply(const Reply& reply, ReceiverRecord& record) override {
    if (window_ != nullptr) window_->ShowReply(reply, record);
  }
  void RefreshSatellites(const GnssSatellites& satellites) override {
    if (window_ != nullptr) window_->RefreshSatellites(satellites);
  }
  // Told through OnGone alone, window or not: one path for every holder.
  void ReceiverGone() override {
    if (session_.OnGone) session_.OnGone();
  }
  ReaderHost* window_ = nullptr;

 private:
  ReceiverSession& session_;
};

class ReceiverSession::Tap final : public ReaderTap {
 public:
  explicit Tap(ReceiverSession& session) : session_(session) {}
  void OnSentence(const PieceInfo&, const char* s, size_t len) override {
    if (!session_.OnFixReport) return;
    if (const std::optional<bool> fix = evaluation::FixOfSentence(s, len)) session_.OnFixReport(*fix);
  }
  void OnReply(const Reply& reply) override {
    if (reply.kind == ReplyKind::Ack && session_.OnAcknowledgement)
      session_.OnAcknowledgement(reply.command, reply.flag);
  }

 private:
  ReceiverSession& session_;
};

ReceiverSession::ReceiverSession()
    : host_(std::make_unique<Host>(*this)),
      tap_(std::make_unique<Tap>(*this)),
      ownHandOver_([this] { ownHandOver_.Drain(); }) {}

ReceiverSession::~ReceiverSession() {
  Close();
  readers_.StopAndJoinAll();
}

void ReceiverSession::Attach(ReaderHost& host, UiHandOver& handOver) {
  host_->window_ = &host;
  handOver_ = &handOver;
}

PortOpening ReceiverSession::Open(SerialPortFactory& ports, const std::string& portName,
                                  const std::string& baudText) {
  PortOpening out;
  out.path = DevicePath(portName);
  std::unique_ptr<SerialPort> port = ports.Create();
  if (!port->Open(out.path)) {
    out.refusal = PortOpening::Refusal::CannotOpen;
    out.error = port->LastError();
    return out;
  }
  const std::optional<int32_t> baud = ListTextToInt(baudText);
  if (!baud) {
    port->Close();
    out.refusal = PortOpening::Refusal::BaudNotANumber;
    return out;
  }
  if (!port->Configure(*baud)) {
    out.refusal = PortOpening::Refusal::SettingsRefused;
    out.error = port->LastError();
    port->Close();
    return out;
  }
  Close();
  // Queue sizes and time limits are fixed in the port layer.
  link_ = std::make_shared<PortLink>(std::move(port));
  return out;
}

bool ReceiverSession::AwaitFirstBytes(int ms) {
  if (link_ == nullptr) return false;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  char buffer[kChunkMax];
  while (link_->Read(buffer, sizeof buffer) == 0) {
    if (link_->Gone() || std::chrono::steady_clock::now() >= end) return false;
  }
  return true;
}

void ReceiverSession::Close() {
  if (link_ != nullptr) {
    // Close wakes a reader blocked in a read; the descriptor is closed by
    // whichever of session and reader lets go last.
    link_->Close();
    link_.reset();
  }
  StopReader();
}

TNMEAThread* ReceiverSession::StartReader() {
  if (link_ == nullptr) return nullptr;
  CurrentTestEnabled = false;
  // A reader reads only the port it was started with.
  StopReader();
  ReaderEnv env;
  env.link = link_;
  env.host = host_.get();
  env.handOver = handOver_;
  env.acks = &Acks;
  env.log = &Log;
  env.talkers = talkers_;
  if (OnFixReport || OnAcknowledgement) env.tap = tap_.get();
  reader_ = readers_.Start(env);
  return reader_;
}

bool ReceiverSession::Silent(int ms) const {
  return reader_ != nullptr && std::chrono::steady_clock::now() - reader_->LastHeard() >= std::chrono::milliseconds(ms);
}

void ReceiverSession::StopReader() {
  if (reader_ == nullptr) return;
  // It ends on its own after its current step, and a hand-over it asks for
  // from now on is dropped; the next start on this port waits for that
  // step, so that two readers never share the line.
  reader_->RequestStop();
  reader_ = nullptr;
}

void ReceiverSession::RestartReader() {
  StopReader();
  StartReader();
}

size_t ReceiverSession::Write(const char* bytes, size_t count) {
  if (link_ == nullptr) return 0;
  return link_->Write(bytes, count);
}

void ReceiverSession::Write(const Command& command) {
  if (link_ == nullptr) return;
  if (command.pauseBeforeMs > 0 && pauses_ != nullptr) pauses_->Sleep(command.pauseBeforeMs);
  Write(command.bytes.data(), command.bytes.size());
  if (command.pauseAfterMs > 0 && pauses_ != nullptr) pauses_->Sleep(command.pauseAfterMs);
}

int32_t ReceiverSession::SatsInView(SatInView (&out)[kSatsInViewMax]) const {
  if (reader_ != nullptr) return reader_->SatsInViewSnapshot(out);
  for (SatInView& entry : out) entry = SatInView{};
  return 0;
}

uint8_t ReceiverSession::FixType() const { return reader_ != nullptr ? reader_->FixType() : 0; }

int32_t ReceiverSession::AcknowledgedAtClose() {
  readers_.JoinStopped();
  return Acks.AckedCommand.load(std::memory_order_acquire);
}

void ReceiverSession::KeepAcknowledgementOfReopen(int32_t acknowledged) {
  if (acknowledged != static_cast<int32_t>(CommandNumber::FlashWrite) || reader_ == nullptr) return;
  // A newer acknowledgement read since the open stays.
  int32_t none = 0;
  Acks.AckedCommand.compare_exchange_strong(none, acknowledged, std::memory_order_acq_rel);
}

void ReceiverSession::StopAndJoinAll() {
  reader_ = nullptr;
  readers_.StopAndJoinAll();
}

}  // namespace vantrel
