#pragma once
// The window's colours, and the one way a label's text colour is set.
#include <QColor>

class QLabel;

namespace vantrel {

inline constexpr QColor kBlue(0, 0, 255);
inline constexpr QColor kRed(255, 0, 0);
inline constexpr QColor kWhite(255, 255, 255);
inline constexpr QColor kPurple(128, 0, 128);
inline constexpr QColor kSkyBlue(166, 202, 240);
inline constexpr QColor kYellow(255, 255, 0);
inline constexpr QColor kBlack(0, 0, 0);

// Sets the colour `label` draws its text in; an unchanged colour leaves the
// label alone, so a refresh repaints only what changed.
void SetFontColour(QLabel* label, const QColor& colour);

}  // namespace vantrel
