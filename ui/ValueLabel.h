#pragma once
// A value drawn after a caption of its own (the Status page's "Lat", "Time",
// ...). To a screen reader the caption is the value's name and its label,
// and the value is its text: a plain label named after its caption would
// expose the caption and nothing of the value.
#include <QLabel>

namespace vantrel {

class TValueLabel : public QLabel {
  Q_OBJECT
 public:
  // `caption` is the label drawn before the value; its text up to the
  // colon names the value.
  TValueLabel(QLabel* caption, QWidget* parent);

  // Shows `value`; the same value again changes nothing. An assistive
  // technology listening is told of the change.
  void SetValue(const QString& value);
};

}  // namespace vantrel
