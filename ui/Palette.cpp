#include "ui/Palette.h"

#include <QLabel>
#include <QPalette>

namespace vantrel {

void SetFontColour(QLabel* label, const QColor& colour) {
  QPalette palette = label->palette();
  if (palette.color(QPalette::WindowText) == colour) return;
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

}  // namespace vantrel
