#pragma once
// Editable drop-down lists as the window uses them: a list has a text and
// possibly a selected row; code that sets a selection never raises the
// list's change handler.
#include <QComboBox>
#include <QStringList>
#include <cstdint>

namespace vantrel {

// Position of the selected row, or -1 when no row is selected or the user
// has typed a text that is not the selected row's.
inline int ItemIndex(const QComboBox* list) {
  const int i = list->currentIndex();
  if (i < 0 || list->itemText(i) != list->currentText()) return -1;
  return i;
}

// Selects row `index` without raising the change handler. Any index that
// is no row leaves the list without selection and with an empty text, so
// nothing reads a value the list no longer stands for.
inline void SelectItem(QComboBox* list, int index) {
  if (index < 0 || index >= list->count()) {
    list->setCurrentIndex(-1);
    list->setEditText(QString());
    return;
  }
  list->setCurrentIndex(index);
}

// A number from the receiver as a row index: -1 for anything no int holds,
// so a value beyond 32 bits never wraps onto a row.
inline int RowOf(long value) { return value < 0 || value > INT32_MAX ? -1 : static_cast<int>(value); }

// Shows `text` with no row selected.
inline void SetListText(QComboBox* list, const QString& text) {
  list->setCurrentIndex(-1);
  list->setEditText(text);
}

// "first" .. "last" in steps of `step`, as decimal texts.
inline QStringList NumberRows(int first, int last, int step = 1) {
  QStringList rows;
  for (int i = first; i <= last; i += step) rows << QString::number(i);
  return rows;
}

inline QStringList BaudRows() {
  return {"4800", "9600", "14400", "19200", "38400", "57600", "115200"};
}

inline QStringList ComRows() {
  QStringList rows;
  for (int i = 1; i <= 100; ++i) rows << QStringLiteral("COM%1").arg(i);
  return rows;
}

}  // namespace vantrel
