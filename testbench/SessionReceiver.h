#pragma once
// The sequencer's receiver on a receiver session: the window's and the
// command-line bench's alike.
#include "session/ReceiverSession.h"
#include "testbench/Sequencer.h"

namespace vantrel {

class SessionReceiver final : public BenchReceiver {
 public:
  explicit SessionReceiver(ReceiverSession& session) : session_(session) {}
  void SatsInView(SatInView (&out)[kSatsInViewMax]) override { session_.SatsInView(out); }
  void StopReader() override { session_.StopReader(); }
  void WriteCommand(const Command& command) override { session_.Write(command.bytes.data(), command.bytes.size()); }
  void StartReader() override { session_.StartReader(); }

 private:
  ReceiverSession& session_;
};

}  // namespace vantrel
