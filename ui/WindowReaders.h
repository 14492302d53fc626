#pragma once
// What the window keeps for its reader threads: the side of the reader that
// runs on the UI thread (ReaderHost), the hand-over bridge, the readers not
// yet joined and the real port factory. Members are destroyed bottom up: the
// readers are joined before the hand-over they use goes away.
#include <QMetaObject>
#include <memory>

#include "link/SerialPort.h"
#include "link/Thread.h"
#include "ui/Form.h"
#include "ui/UiBridge.h"

namespace vantrel {

class WindowReaders final : public ReaderHost {
 public:
  explicit WindowReaders(TMainForm* form) : form_(form) {}
  ~WindowReaders() override { readers.StopAndJoinAll(); }
  WindowReaders(const WindowReaders&) = delete;
  WindowReaders& operator=(const WindowReaders&) = delete;

  void AppendMonitorLines(const char* workText, size_t len) override { form_->AppendMonitorLines(workText, len); }
  void RefreshStatus(ReceiverRecord& record) override { form_->RefreshStatus(record); }
  void ShowReply(const Reply& reply, ReceiverRecord& record) override { form_->ShowReply(reply, record); }
  void RefreshSatellites(const GnssSatellites& satellites) override { form_->RefreshSatellites(satellites); }
  void ReceiverGone() override {
    // Later, not inside the hand-over: the close stops this very reader.
    QMetaObject::invokeMethod(form_, [f = form_] { f->ReceiverDisconnected(); }, Qt::QueuedConnection);
  }

  std::unique_ptr<SerialPortFactory> posixPorts = MakePosixSerialPortFactory();
  UiBridge bridge;
  ReaderSet readers;

 private:
  TMainForm* form_;
};

}  // namespace vantrel
