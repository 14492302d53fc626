// The receiver settings of the Setup, Test and About pages: output rates,
// fix rate, baud rate, DGPS, datum, SBAS mode, flash, wake-up and the
// queries. Each handler reads its controls, has the sentence built by the
// command core and writes it while the port is open.
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

#include "commands/Commands.h"
#include "ui/Chart.h"
#include "ui/Form.h"
#include "ui/Lists.h"

using namespace vantrel;

namespace {

std::string TextOf(const QComboBox* list) { return list->currentText().toStdString(); }

}  // namespace

OutputRateTexts TMainForm::OutputRateListTexts() const {
  OutputRateTexts r;
  r.gll = TextOf(CmbGLL);
  r.rmc = TextOf(CmbRMC);
  r.vtg = TextOf(CmbVTG);
  r.gsa = TextOf(CmbGSA);
  r.gsv = TextOf(CmbGSV);
  r.gga = TextOf(CmbGGA);
  r.zda = TextOf(CmbZDA);
  r.qchn = TextOf(CmbQCHN);
  return r;
}

// ---- NMEA output, fix rate, baud rate ---------------------------------------

void TMainForm::BtnDefaultClick() {
  for (QComboBox* list : {CmbGLL, CmbRMC, CmbVTG, CmbGSA, CmbGSV, CmbGGA}) SelectItem(list, 1);
  SelectItem(CmbZDA, 0);
  SelectItem(CmbQCHN, 0);
  OutputLoad();
}

void TMainForm::BtnConfirmClick() {
  const BuiltCommand built = BuildOutputRateCommand(OutputRateListTexts());
  if (!built.ok()) {
    // Refused whether or not the port is open: nothing is sent either way.
    MessageBoxes->Show(this, QString::fromStdString(built.refusal));
    return;
  }
  if (!SendBuiltCommand(built)) return;
  // What was shown came from the old output; the new reader fills it again.
  ResetSkyView();
  ChartSNR->Clear();
  ClearStatusLabels();
  if (ClearChannelGrid() && ReaderThread != nullptr) ReaderThread->RequestClearChannelsUpdated();
  ChartSNR->Clear();
  RestartReader();
}

void TMainForm::BtnSetFixRateClick() { SendBuiltCommand(BuildFixRateCommand(TextOf(CmbFixRate))); }

void TMainForm::BtnSetBaudClick() {
  if (!PortOpen()) return;
  const std::string baud = TextOf(CmbSetBaud);
  SendAndReopen(BuildBaudRateCommand(baud), baud);
}

void TMainForm::SendAndReopen(const BuiltCommand& built, const std::string& baud) {
  // The port follows the receiver to this rate later, so it must be one.
  if (!ListTextToInt(baud)) {
    MessageBoxes->Show(this, QString::fromStdString(NotAnIntegerMessage(baud)));
    return;
  }
  if (!built.ok()) {
    MessageBoxes->Show(this, QString::fromStdString(built.refusal));
    return;
  }
  ReopenPending = true;
  reopenBaudText_ = QString::fromStdString(baud);
  SendCommand(built.command);
}

void TMainForm::BtnNMEAQueryClick() { SendCommand(FixedCommand(FixedCommandId::QueryOutputRates)); }

void TMainForm::BtnQueryFixRateClick() { SendCommand(FixedCommand(FixedCommandId::QueryFixRate)); }

// ---- DGPS and datum ----------------------------------------------------------

void TMainForm::BtnDGPSQueryClick() {
  // The RTCM baud rate first: the reply to the mode query reads it.
  SendCommand(FixedCommand(FixedCommandId::QueryRtcmBaud));
  SendCommand(FixedCommand(FixedCommandId::QueryDgpsMode));
}

void TMainForm::BtnDGPSSetClick() {
  if (!PortOpen()) return;
  const DgpsSetPlan plan = PlanDgpsSet(CheckedDgpsMode(), TextOf(CmbRTCMBaud));
  SendCommand(plan.first);
  if (plan.restartReader) RestartReader();
  SendCommand(plan.second);
}

void TMainForm::BtnDatumQueryClick() { SendCommand(FixedCommand(FixedCommandId::QueryDatum)); }

void TMainForm::BtnDatumSetClick() { SendBuiltCommand(BuildDatumCommand(ItemIndex(CmbDatum))); }

// ---- SBAS mode, flash, wake-up, firmware, oscillator -----------------------------

void TMainForm::BtnIntegrityClick() {
  SendCommand(FixedCommand(RadioIntegrity->isChecked() ? FixedCommandId::IntegrityMode : FixedCommandId::TestMode));
}

void TMainForm::BtnQIntegrityClick() { SendCommand(FixedCommand(FixedCommandId::QuerySbasMode)); }

void TMainForm::BtnFlashSetClick() {
  if (!PortOpen()) return;
  FlashSettings settings;
  settings.writeProtect = ChkFlashProtect->isChecked();
  settings.fixRate = TextOf(CmbFixRate);
  settings.baud = TextOf(CmbSetBaud);
  settings.rates = OutputRateListTexts();
  settings.datumIndex = ItemIndex(CmbDatum);
  settings.dgpsMode = CheckedDgpsMode();
  settings.rtcmBaud = TextOf(CmbRTCMBaud);
  // The receiver takes the stored baud rate at once.
  SendAndReopen(BuildFlashCommand(settings), settings.baud);
}

void TMainForm::BtnQFlashClick() { SendCommand(FixedCommand(FixedCommandId::QueryFlashWrites)); }

void TMainForm::BtnWakeUpClick() {
  if (!PortOpen()) return;
  SendCommand(FixedCommand(FixedCommandId::WakeUp));
  RestartReader();
}

void TMainForm::BtnQueryClick() { SendCommand(FixedCommand(FixedCommandId::QueryFirmware)); }

void TMainForm::BtnTCXOClick() { SendCommand(FixedCommand(FixedCommandId::QueryTcxo)); }
