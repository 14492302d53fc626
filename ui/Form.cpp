#include "ui/Form.h"

TMainForm::TMainForm(QWidget* parent) : QWidget(parent) { setWindowTitle("Vantrel"); }
