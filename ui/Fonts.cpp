#include "ui/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace vantrel {

QString MarksFamily() {
  static const QString family = [] {
    const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/VantrelMarks.ttf"));
    return QFontDatabase::applicationFontFamilies(id).value(0);
  }();
  return family;
}

QFont WindowFont() {
  QFont font;
  // A system CJK font would do too, but would map megabytes for four
  // glyphs, and is missing on many machines.
  const QString marks = MarksFamily();
  font.setFamilies({QStringLiteral("Liberation Sans"), marks.isEmpty() ? QStringLiteral("WenQuanYi Micro Hei") : marks});
  font.setPixelSize(11);
  return font;
}

}  // namespace vantrel
