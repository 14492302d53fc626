// Timer1: monitor clearing, the reopen after a baud or flash change, the
// time-to-first-fix count of the restarts and the acknowledgement reports.
#include <QCheckBox>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "commands/AckReports.h"
#include "commands/Commands.h"
#include "commands/Timer1Steps.h"
#include "link/Thread.h"
#include "ui/FixedText.h"
#include "ui/Form.h"
#include "ui/Lists.h"
#include "ui/StatusBar.h"
#include "ui/WindowReaders.h"

using namespace vantrel;


void TMainForm::Timer1Timer() {
  // A message box shown by a tick runs a nested event loop inside the tick.
  // Qt does not deliver a timer's timeout again while a slot of that timeout
  // is still running, so the tick is queued instead of run here: the slot
  // returns at once and later ticks go on while a box is open.
  QMetaObject::invokeMethod(
      this,
      [this] {
        // A tick queued just before the port closed must not run afterwards.
        if (Timer1->isActive()) Timer1Tick();
      },
      Qt::QueuedConnection);
}

void TMainForm::Timer1Tick() {
  if (ReaderThread == nullptr) return;
  const int interval = Timer1->interval();

  if (MonitorClearDue(ClearTickCount, interval)) ClearMonitor();

  if (ReopenDue(ReopenTickCount, ReopenPending, interval)) ReopenPort();

  // A receiver fault owns the status bar on its tick.
  if (Acks.AckedCommand.load(std::memory_order_acquire) != -1 && ReaderThread != nullptr) RestartTimingTick();

  ReportSuccessAck();
  ReportFailureAck();

  if (!CurrentTestEnabled && Timer1->interval() >= kTimer1IdleIntervalMs && ChkBoxPower->isChecked() &&
      PortOpen()) {
    SendCommand(FixedCommand(FixedCommandId::CurrentTest));
  }
}

void TMainForm::ReopenPort() {
  // The port comes back at the rate just sent to the receiver: its row in
  // CmbBaud, or the rate as typed when it has none.
  const QString rate = reopenBaudText_.isEmpty() ? CmbSetBaud->currentText() : reopenBaudText_;
  reopenBaudText_.clear();
  const int row = CmbBaud->findText(rate);
  if (row >= 0) {
    SelectItem(CmbBaud, row);
  } else {
    SetListText(CmbBaud, rate);
  }
  // The recording goes on across the reopen, at the new rate.
  ClosePort(LogOnClose::Keep);
  Pauses->Sleep(kReopenGapMs);
  // The acknowledgement of a flash write is the old line's last sentence;
  // the open, which clears the slots, must not forget it.
  const int32_t acked = Session.AcknowledgedAtClose();
  BtnOpenClick();
  // A port that did not come back ends the recording as a close would.
  if (!PortOpen()) CloseLog();
  Session.KeepAcknowledgementOfReopen(acked);
}

void TMainForm::RestartTimingTick() {
  const char* name = RestartName(RestartKind);
  if (*name != '\0') StatusBar1->SetPanelText(0, QString::fromLatin1(name));
  const int64_t elapsedMs = Clock->NowMs() - RestartStartTime;
  switch (StepRestartTiming(RestartKind, ReaderThread->FixType() != 0, elapsedMs)) {
    case RestartTiming::Idle:
      return;
    case RestartTiming::FixSeen:
      // Panel 1 keeps the time of the last tick before the fix: the time to first fix.
      EndRestartTiming();
      return;
    case RestartTiming::TimedOut:
      StatusBar1->SetPanelText(1, QString::fromLatin1(kRestartTimeoutText));
      EndRestartTiming();
      return;
    case RestartTiming::Counting:
      StatusBar1->SetPanelText(1, FixedText(static_cast<double>(elapsedMs) / 1000.0, 7, 1) +
                                      QStringLiteral(" sec(s)"));
      return;
  }
}

void TMainForm::EndRestartTiming() {
  Timer1->setInterval(kTimer1IdleIntervalMs);
  RestartKind = Restart::None;
}

DgpsMode TMainForm::CheckedDgpsMode() const {
  if (RadioWAASEnable->isChecked()) return DgpsMode::Sbas;
  if (RadioRTCMEnable->isChecked()) return DgpsMode::Rtcm;
  return DgpsMode::None;
}

void TMainForm::ReportSuccessAck() {
  int32_t acked = Acks.AckedCommand.load(std::memory_order_acquire);
  const SuccessReport report = ReportSuccess(acked, CheckedDgpsMode(), RadioIntegrity->isChecked());
  if (report.effect == AckEffect::NotReported) return;
  // Cleared before the report, so a tick that runs while the box is open does
  // not report it again. A newer acknowledgement stored meanwhile stays for
  // the next tick.
  if (!Acks.AckedCommand.compare_exchange_strong(acked, 0, std::memory_order_acq_rel)) return;
  switch (report.effect) {
    case AckEffect::NotReported:
    case AckEffect::Silent:
      return;
    case AckEffect::Message:
      MessageBoxes->Show(this, QString::fromLatin1(report.message.c_str()));
      return;
    case AckEffect::CurrentTestAccepted:
      CurrentTestEnabled = true;
      LabelCurrent->setText(QStringLiteral("Enable"));
      return;
    case AckEffect::ReceiverFault:
      if (FaultPanelsBlank(ClearTickCount)) {
        StatusBar1->SetPanelText(0, QString());
        StatusBar1->SetPanelText(1, QString());
      } else {
        StatusBar1->SetPanelText(0, QString::fromLatin1(kFaultText0));
        StatusBar1->SetPanelText(1, QString::fromLatin1(kFaultText1));
      }
      // Until the next open enables the receiver controls again.
      BtnHot->setEnabled(false);
      BtnWarm->setEnabled(false);
      BtnCold->setEnabled(false);
      return;
  }
}

void TMainForm::ReportFailureAck() {
  const int32_t failed = Acks.FailedCommand.exchange(0, std::memory_order_acq_rel);
  if (failed == 0) return;
  const FailureReport report = ReportFailure(failed);
  // Cancelled before the box opens, so no tick reopens the port meanwhile.
  if (report.cancelReopen) ReopenPending = false;
  MessageBoxes->Show(this, QString::fromLatin1(report.message.c_str()));
}

void TMainForm::BtnHotClick() { RunRestart(Restart::Hot); }
void TMainForm::BtnWarmClick() { RunRestart(Restart::Warm); }
void TMainForm::BtnColdClick() { RunRestart(Restart::Cold); }

void TMainForm::RunRestart(Restart kind) {
  if (!PortOpen()) return;
  StopReaderThread();
  const Command& command = RestartCommand(kind);
  WritePort(command.bytes.data(), command.bytes.size());
  Pauses->Sleep(command.pauseAfterMs);
  // The count starts when the pause ends, on the monotonic clock.
  RestartStartTime = Clock->NowMs();
  StartReaderThread();
  RestartKind = kind;
  Timer1->setInterval(kTimer1RestartIntervalMs);
}

