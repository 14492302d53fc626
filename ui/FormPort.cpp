// Receiver port, reader thread and command writes.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QLabel>
#include <QMetaObject>
#include <QTimer>
#include <cstdio>

#include "commands/Commands.h"
#include "link/PortLink.h"
#include "link/SerialPort.h"
#include "link/Thread.h"
#include "ui/Chart.h"
#include "ui/Form.h"
#include "ui/Lists.h"
#include "ui/StatusBar.h"
#include "ui/UiBridge.h"
#include "ui/WindowReaders.h"

using vantrel::FixedCommand;
using vantrel::FixedCommandId;

vantrel::WindowReaders& TMainForm::Links() {
  if (!readerLinks_) {
    readerLinks_ = std::make_unique<vantrel::WindowReaders>(this);
    Session.Attach(*readerLinks_, readerLinks_->bridge.HandOver());
    // Told inside the reader's hand-over; acted on later, as the close
    // stops that very reader.
    Session.OnGone = [this] {
      QMetaObject::invokeMethod(this, [this] { ReceiverDisconnected(); }, Qt::QueuedConnection);
    };
  }
  return *readerLinks_;
}

bool TMainForm::PortOpen() const { return PortHandle != nullptr; }

void TMainForm::AddPresentSerialDevices() {
  // What the user chose or typed stays, with or without its row; only the
  // rows after "COM100" change.
  const QString text = CmbCom->currentText();
  const bool hadRow = vantrel::ItemIndex(CmbCom) >= 0;
  while (CmbCom->count() > kComRows) CmbCom->removeItem(CmbCom->count() - 1);
  for (const std::string& device : vantrel::PresentSerialDevices(SimulatorDir)) {
    const QString row = QString::fromStdString(device);
    if (CmbCom->findText(row) < 0) CmbCom->addItem(row);
  }
  const int row = hadRow ? CmbCom->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) : -1;
  if (row >= 0) {
    vantrel::SelectItem(CmbCom, row);
  } else {
    vantrel::SetListText(CmbCom, text);
  }
}

void TMainForm::StartReaderThread() {
  Links();  // the session reports to the window from the first reader on
  Session.StartReader();
}

void TMainForm::StopReaderThread() { Session.StopReader(); }

void TMainForm::RestartReader() {
  Links();
  Session.RestartReader();
}

void TMainForm::BtnOpenClick() {
  ClearMonitor();
  StatusBar1->SetPanelText(0, QString());
  StatusBar1->SetPanelText(1, QString());
  Acks.AckedCommand.store(0, std::memory_order_release);

  vantrel::SerialPortFactory* factory = Ports != nullptr ? Ports : Links().posixPorts.get();
  // The box is editable: a rate that is no whole number stops the open
  // before anything is configured.
  const std::string baudText = CmbBaud->currentText().toStdString();
  const vantrel::PortOpening opening = Session.Open(*factory, CmbCom->currentText().toStdString(), baudText);
  // The first line as it always was; below it, why, and what helps.
  const auto why = [&] { return QString::fromStdString(vantrel::PortFailureText(opening.error, opening.path)); };
  switch (opening.refusal) {
    case vantrel::PortOpening::Refusal::CannotOpen:
      MessageBoxes->Show(this, QStringLiteral("Can't Open ComPort!!\n") + why());
      return;
    case vantrel::PortOpening::Refusal::BaudNotANumber:
      MessageBoxes->Show(this, QString::fromStdString(vantrel::NotAnIntegerMessage(baudText)));
      return;
    case vantrel::PortOpening::Refusal::SettingsRefused:
      MessageBoxes->Show(this, QStringLiteral("ComPort Setting Error!! Err_Code:") + QString::number(opening.error) +
                                   QStringLiteral("\n") + why());
      return;
    case vantrel::PortOpening::Refusal::None:
      break;
  }
  StartReaderThread();

  // One of the pair at a time, so neither Tab nor a screen reader reaches
  // the covered one; the keyboard stays where the user was.
  const bool hadFocus = BtnOpen->hasFocus();
  BtnOpen->hide();
  BtnClose->show();
  if (hadFocus) BtnClose->setFocus();
  Timer1->setInterval(1000);
  Timer1->start();
  CmbCom->setEnabled(false);
  CmbBaud->setEnabled(false);

  ChartSNR->Clear();
  ResetSkyView();

  EnableReceiverControls();
  OutputLoad();
  ClearChannelGrid();
  ForgetChannelNote();
  LabelCurrent->setText(QStringLiteral("Disable"));
  vantrel::SelectItem(CmbSetBaud, vantrel::ItemIndex(CmbBaud));

  BtnNMEAQueryClick();
  BtnQueryFixRateClick();
  BtnDGPSQueryClick();
  BtnQIntegrityClick();
  BtnQFlashClick();
  BtnDatumQueryClick();
}

void TMainForm::ReleasePort() { Session.Close(); }

void TMainForm::ReleasePortAndLog() {
  ReleasePort();
  CloseLog();
}

void TMainForm::BtnCloseClick() {
  // A reopen that a baud or flash command asked for belongs to that line:
  // after the user's own close it would switch a later open to its rate.
  ReopenPending = false;
  reopenBaudText_.clear();
  ClosePort(LogOnClose::End);
}

void TMainForm::ClosePort(LogOnClose log) {
  Timer1->stop();
  Timer2->stop();
  CloseGeneratorWithReceiver();
  if (PortHandle != nullptr) {
    ReleasePort();
    const bool hadFocus = BtnClose->hasFocus();
    BtnClose->hide();
    BtnOpen->show();
    if (hadFocus) BtnOpen->setFocus();
    CmbCom->setEnabled(true);
    CmbBaud->setEnabled(true);
    DisableReceiverControls();
    LabelVersion->setText(QString());
    LabelTCXO->setText(QString());
  }
  // A reopen at a new rate keeps recording: "Logging ..." stays shown.
  if (log == LogOnClose::End) CloseLog();
}

void TMainForm::FormDestroy() {
  ReleasePortAndLog();
  // Wait for every reader still finishing its last step, so none outlives
  // the window it reports to. None can be waiting for this thread: they are
  // all stopped, and a stopped reader's hand-over is dropped.
  Session.StopAndJoinAll();
}

void TMainForm::ReceiverDisconnected() {
  // Only the port now open counts: a reader of an earlier one may report late.
  if (PortHandle == nullptr || !PortHandle->Gone()) return;
  const QString device = CmbCom->currentText();
  BtnCloseClick();
  MessageBoxes->Show(this, QStringLiteral("The receiver was disconnected (%1). The port is closed; "
                                          "press Open once it is back.")
                               .arg(device));
}

void TMainForm::WritePort(const char* bytes, size_t count) { Session.Write(bytes, count); }

void TMainForm::SendCommand(const vantrel::Command& command) { Session.Write(command); }

bool TMainForm::SendBuiltCommand(const vantrel::BuiltCommand& built) {
  if (!PortOpen()) return false;
  if (!built.ok()) {
    MessageBoxes->Show(this, QString::fromStdString(built.refusal));
    return false;
  }
  SendCommand(built.command);
  return true;
}
