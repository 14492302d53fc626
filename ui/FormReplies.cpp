// The window updates that the receiver's replies ask for.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <cstring>  // strnlen

#include "ui/FixedText.h"
#include "ui/Form.h"
#include "ui/Lists.h"

using namespace vantrel;

void TMainForm::ShowReply(const Reply& reply, ReceiverRecord& record) {
  switch (reply.kind) {
    case ReplyKind::None:
    case ReplyKind::Ack:
    case ReplyKind::RtcmOff:
      return;
    case ReplyKind::FixRate:
      return ShowFixRate(record);
    case ReplyKind::DgpsMode:
      return ShowDgpsMode(ShownDgpsMode(reply.number, record.RtcmBaud));
    case ReplyKind::OutputRates:
      return ShowOutputRates(reply.rates);
    case ReplyKind::SbasMode:
      return ShowSbasMode(reply.number);
    case ReplyKind::Datum:
      return ShowDatum(record);
    case ReplyKind::Tcxo:
      return ShowTcxo(record);
    case ReplyKind::FlashWrites:
      return ShowFlashWrites(record);
    case ReplyKind::RtcmBaud:
      return ShowRtcmBaud(record);
    case ReplyKind::FirmwareVersion:
      return ShowFirmwareVersion(record);
  }
}

void TMainForm::ShowFixRate(ReceiverRecord& record) {
  SelectItem(CmbFixRate, static_cast<int>(record.FixRateHz) - 1);
  LabelHz->setText(QString::number(record.FixRateHz));
  OutputLoad();
}

void TMainForm::ShowDgpsMode(DgpsMode mode) {
  switch (mode) {
    case DgpsMode::Sbas:
      return RadioWAASEnable->setChecked(true);
    case DgpsMode::Rtcm:
      return RadioRTCMEnable->setChecked(true);
    case DgpsMode::None:
      return RadioBothDisable->setChecked(true);
  }
}

void TMainForm::ShowOutputRates(const long (&rates)[kOutputRateFields]) {
  // Field n of the reply sets list n; 7 to 17 are not the program's.
  QComboBox* const lists[kOutputRateFields] = {CmbGLL,  CmbRMC,  CmbVTG,  CmbGGA,  CmbGSA,  CmbGSV,  nullptr,
                                               nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                               nullptr, nullptr, nullptr, CmbZDA,  CmbQCHN};
  for (int i = 0; i < kOutputRateFields; ++i) {
    if (lists[i] != nullptr) SelectItem(lists[i], RowOf(rates[i]));
  }
  OutputLoad();
}

void TMainForm::ShowSbasMode(long mode) {
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
