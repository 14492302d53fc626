// Timer1, the restarts and the window updates that replies ask for.
#include "ui/Form.h"

void TMainForm::Timer1Timer() {}
void TMainForm::BtnHotClick() {}
void TMainForm::BtnWarmClick() {}
void TMainForm::BtnColdClick() {}
void TMainForm::ShowFixRate(vantrel::ReceiverRecord&) {}
void TMainForm::ShowDgpsMode(vantrel::ReceiverRecord&, int) {}
void TMainForm::ShowOutputRates(vantrel::ReceiverRecord&) {}
void TMainForm::ShowSbasMode(vantrel::ReceiverRecord&, int) {}
void TMainForm::ShowDatum(vantrel::ReceiverRecord&) {}
void TMainForm::ShowTcxo(vantrel::ReceiverRecord&) {}
void TMainForm::ShowFlashWrites(vantrel::ReceiverRecord&) {}
void TMainForm::ShowRtcmBaud(vantrel::ReceiverRecord&) {}
void TMainForm::ShowFirmwareVersion(vantrel::ReceiverRecord&) {}
