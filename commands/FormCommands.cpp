// Timer1, the restarts and the window updates that replies ask for.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cstring>  // memchr

#include "commands/Commands.h"
#include "commands/Timer1Steps.h"
#include "link/Thread.h"
#include "nmea/Fields.h"
#include "ui/FixedText.h"
#include "ui/Form.h"
#include "ui/Lists.h"
#include "ui/StatusBar.h"

using namespace vantrel;

// ---- Timer1 ----------------------------------------------------------------

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

  if (CurrentTestEnabled == 0 && Timer1->interval() >= kTimer1IdleIntervalMs && ChkBoxPower->isChecked() &&
      PortOpen()) {
    SendCommand(FixedCommand(FixedCommandId::CurrentTest));
  }
}

void TMainForm::ReopenPort() {
  // The port comes back at the rate just sent to the receiver. A rate typed
  // into CmbSetBaud has no row; its text is then carried over as typed.
  const int row = ItemIndex(CmbSetBaud);
  if (row >= 0) {
    SelectItem(CmbBaud, row);
  } else {
    SetListText(CmbBaud, CmbSetBaud->currentText());
  }
  BtnCloseClick();
  Pauses->Sleep(kReopenGapMs);
  BtnOpenClick();
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
  RestartKind = 0;
}

int TMainForm::CheckedDgpsRadio() const {
  if (RadioWAASEnable->isChecked()) return kRadioWAASEnable;
  if (RadioRTCMEnable->isChecked()) return kRadioRTCMEnable;
  return kRadioBothDisable;
}

void TMainForm::ReportSuccessAck() {
  int32_t acked = Acks.AckedCommand.load(std::memory_order_acquire);
  const SuccessReport report = ReportSuccess(acked, CheckedDgpsRadio(), RadioIntegrity->isChecked());
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
      CurrentTestEnabled = 1;
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
  if (report.cancelReopen) ReopenPending = 0;
  MessageBoxes->Show(this, QString::fromLatin1(report.message.c_str()));
}

void TMainForm::SendCommand(const Command& command) {
  if (!PortOpen()) return;
  if (command.pauseBeforeMs > 0) Pauses->Sleep(command.pauseBeforeMs);
  WritePort(command.bytes.data(), command.bytes.size());
  if (command.pauseAfterMs > 0) Pauses->Sleep(command.pauseAfterMs);
}

bool TMainForm::SendBuiltCommand(const BuiltCommand& built) {
  if (!PortOpen()) return false;
  if (!built.ok()) {
    MessageBoxes->Show(this, QString::fromStdString(built.refusal));
    return false;
  }
  SendCommand(built.command);
  return true;
}

// ---- restarts --------------------------------------------------------------

void TMainForm::BtnHotClick() { Restart(1); }
void TMainForm::BtnWarmClick() { Restart(2); }
void TMainForm::BtnColdClick() { Restart(3); }

void TMainForm::Restart(uint8_t kind) {
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

// ---- replies ---------------------------------------------------------------

void TMainForm::ShowReply(const ReplyResult& reply, ReceiverRecord& record) {
  switch (reply.update) {
    case ReplyUpdate::None:
      return;
    case ReplyUpdate::FixRate:
      return ShowFixRate(record);
    case ReplyUpdate::DgpsMode:
      return ShowDgpsMode(record, reply.value);
    case ReplyUpdate::OutputRates:
      return ShowOutputRates(record);
    case ReplyUpdate::SbasMode:
      return ShowSbasMode(record, reply.value);
    case ReplyUpdate::Datum:
      return ShowDatum(record);
    case ReplyUpdate::Tcxo:
      return ShowTcxo(record);
    case ReplyUpdate::FlashWrites:
      return ShowFlashWrites(record);
    case ReplyUpdate::RtcmBaud:
      return ShowRtcmBaud(record);
    case ReplyUpdate::FirmwareVersion:
      return ShowFirmwareVersion(record);
  }
}

void TMainForm::ShowFixRate(ReceiverRecord& record) {
  SelectItem(CmbFixRate, static_cast<int>(record.FixRateHz) - 1);
  LabelHz->setText(QString::number(record.FixRateHz));
  OutputLoad();
}

void TMainForm::ShowDgpsMode(ReceiverRecord&, int radio) {
  if (radio == kRadioWAASEnable) {
    RadioWAASEnable->setChecked(true);
  } else if (radio == kRadioRTCMEnable) {
    RadioRTCMEnable->setChecked(true);
  } else {
    RadioBothDisable->setChecked(true);
  }
}

void TMainForm::ShowOutputRates(ReceiverRecord& record) {
  // Field n of the payload sets list n; 7 to 17 are not the program's.
  QComboBox* const lists[19] = {CmbGLL,  CmbRMC,  CmbVTG,  CmbGGA,  CmbGSA,  CmbGSV,  nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, CmbZDA,  CmbQCHN};
  const char* text = record.OutputRatesText;
  const size_t len = strnlen(text, sizeof record.OutputRatesText);
  const char* pos = text;
  for (QComboBox* list : lists) {
    if (pos == nullptr) break;
    // A field cut off by the end of the kept text is not a rate.
    const size_t rest = static_cast<size_t>(text + len - pos);
    if (std::memchr(pos, ',', rest) == nullptr && std::memchr(pos, '*', rest) == nullptr) break;
    if (list != nullptr) {
      char field[kFieldMax + 1] = {};
      NextField(text, len, pos, field);
      SelectItem(list, static_cast<int>(ReadWhole(field)));
    }
    pos = AfterNextComma(text, len, pos);
  }
  OutputLoad();
}

void TMainForm::ShowSbasMode(ReceiverRecord&, int mode) {
  if (mode == 0) {
    RadioTest->setChecked(true);
  } else {
    RadioIntegrity->setChecked(true);
  }
}

void TMainForm::ShowDatum(ReceiverRecord& record) { SelectItem(CmbDatum, record.DatumIndex); }

void TMainForm::ShowTcxo(ReceiverRecord& record) {
  if (record.FixType == 0) {
    LabelTCXO->setText(QStringLiteral("No Fix(Unknown)"));
  } else if (record.TcxoPpm >= 100.0f || record.TcxoPpm <= -100.0f || record.TcxoPpm != record.TcxoPpm) {
    LabelTCXO->setText(QString());
  } else {
    LabelTCXO->setText(FixedText(record.TcxoPpm, 7, 1) + QStringLiteral("  (ppm)"));
  }
}

void TMainForm::ShowFlashWrites(ReceiverRecord& record) {
  GroupFlash->setTitle(QStringLiteral("Write setting into flash (remain  %1  times to modify)")
                           .arg(record.FlashWritesLeft));
}

void TMainForm::ShowRtcmBaud(ReceiverRecord& record) {
  int row = 1;  // 9600 and anything not in the list
  switch (record.RtcmBaud) {
    case 4800:
      row = 0;
      break;
    case 14400:
      row = 2;
      break;
    case 19200:
      row = 3;
      break;
    case 38400:
      row = 4;
      break;
    case 57600:
      row = 5;
      break;
    case 115200:
      row = 6;
      break;
    default:
      break;
  }
  SelectItem(CmbRTCMBaud, row);
}

void TMainForm::ShowFirmwareVersion(ReceiverRecord& record) {
  const auto text = [](const char (&field)[kVersionTextSize]) {
    return QString::fromLatin1(field, static_cast<int>(strnlen(field, kVersionTextSize)));
  };
  LabelVersion->setText(text(record.VersionText1) + QStringLiteral("   ") + text(record.VersionText2));
}
