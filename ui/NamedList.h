#pragma once
// A name of its own for an editable list, told to screen readers. On Linux
// Qt names such a list after the text in it and ignores the accessible name
// it was given, so a reader calls every unlabelled list after its group:
// the eight rate lists of the Setup page were all "NMEA Output Settings".
// A list named here is announced by that name, with its text as its value.
#include <QComboBox>
#include <QString>

namespace vantrel {

void SetListName(QComboBox* list, const QString& name);

}  // namespace vantrel
