#pragma once
// A status bar of two panels with centred texts: panel 0 has a fixed width,
// the last panel takes the rest of the bar.
#include <QString>
#include <QWidget>

namespace vantrel {

class TStatusBar : public QWidget {
  Q_OBJECT
 public:
  explicit TStatusBar(QWidget* parent = nullptr);
  static constexpr int kPanelCount = 2;
  static constexpr int kFirstPanelWidth = 100;

  void SetPanelText(int panel, const QString& text);
  QString PanelText(int panel) const;
  QRect PanelRect(int panel) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString texts_[kPanelCount];
};

}  // namespace vantrel
