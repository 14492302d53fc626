#pragma once
// The window's fonts.
#include <QFont>
#include <QString>

namespace vantrel {

// The family of the small font built into the program that draws the
// full-width marks of some captions ("。", "：", "『』"); registered on first
// use. Empty if it could not be registered.
QString MarksFamily();

// The window's font: Arial's widths at 8 points, with the marks font as
// its fallback.
QFont WindowFont();

}  // namespace vantrel
