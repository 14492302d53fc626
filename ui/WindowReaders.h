#pragma once
// What the window keeps for its receiver session's readers: the side of the
// reader that runs on the UI thread (ReaderHost), the hand-over bridge and
// the real port factory. The window joins the readers before this goes; a
// receiver gone reaches it through the session's OnGone.
#include <memory>

#include "link/SerialPort.h"
#include "link/Thread.h"
#include "ui/Form.h"
#include "ui/UiBridge.h"

namespace vantrel {

class WindowReaders final : public ReaderHost {
 public:
  explicit WindowReaders(TMainForm* form) : form_(form) {}
  WindowReaders(const WindowReaders&) = delete;
  WindowReaders& operator=(const WindowReaders&) = delete;

  void AppendMonitorLines(const char* workText, size_t len) override { form_->AppendMonitorLines(workText, len); }
  void RefreshStatus(ReceiverRecord& record) override { form_->RefreshStatus(record); }
  void ShowReply(const Reply& reply, ReceiverRecord& record) override { form_->ShowReply(reply, record); }
  void RefreshSatellites(const GnssSatellites& satellites) override { form_->RefreshSatellites(satellites); }

  std::unique_ptr<SerialPortFactory> posixPorts = MakePosixSerialPortFactory();
  UiBridge bridge;

 private:
  TMainForm* form_;
};

}  // namespace vantrel
