#pragma once
// A value drawn after a caption of its own (the Status page's "Lat", "Time",
// ...). To a screen reader the caption is the value's name and its label,
// and the value is its text: a plain label named after its caption would
// expose the caption and nothing of the value.
#include <QLabel>

class QTimer;

namespace vantrel {

class TValueLabel : public QLabel {
  Q_OBJECT
 public:
  // `caption` is the label drawn before the value; its text up to the
  // colon names the value.
  TValueLabel(QLabel* caption, QWidget* parent);

  // Shows `value`; the same value again changes nothing. An assistive
  // technology listening is told of the change within kAnnounceMs.
  void SetValue(const QString& value);

  // A fast line changes a value many times a second; a screen reader cannot
  // speak that fast, and telling it of every change only costs.
  static constexpr int kAnnounceMs = 250;

 private:
  void Announce();
  QTimer* announce_ = nullptr;  // made when an assistive technology first listens
  QString announced_;           // the value it was last told of
};

}  // namespace vantrel
