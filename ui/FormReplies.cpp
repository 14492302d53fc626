// The window updates that the receiver's replies ask for.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <cstring>  // memchr

#include "nmea/Fields.h"
#include "ui/FixedText.h"
#include "ui/Form.h"
#include "ui/Lists.h"

using namespace vantrel;

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
