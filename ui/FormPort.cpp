// Receiver port, reader thread and the settings queries.
#include "ui/Form.h"

bool TMainForm::PortOpen() const { return false; }
void TMainForm::BtnOpenClick() {}
void TMainForm::BtnCloseClick() {}
void TMainForm::FormDestroy() {}
void TMainForm::WritePort(const char*, size_t) {}
void TMainForm::BtnNMEAQueryClick() {}
void TMainForm::BtnQueryFixRateClick() {}
void TMainForm::BtnDGPSQueryClick() {}
void TMainForm::BtnQIntegrityClick() {}
void TMainForm::BtnQFlashClick() {}
void TMainForm::BtnDatumQueryClick() {}
