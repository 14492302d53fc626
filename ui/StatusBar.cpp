#include "ui/StatusBar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace vantrel {

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent) {}

void TStatusBar::SetPanelText(int panel, const QString& text) {
  if (panel < 0 || panel >= kPanelCount || texts_[panel] == text) return;
  texts_[panel] = text;
  update(PanelRect(panel));
}

QString TStatusBar::PanelText(int panel) const {
  return panel >= 0 && panel < kPanelCount ? texts_[panel] : QString();
}

QRect TStatusBar::PanelRect(int panel) const {
  if (panel == 0) return QRect(0, 0, kFirstPanelWidth, height());
  // The last panel runs to the end of the bar.
  return QRect(kFirstPanelWidth + 2, 0, width() - kFirstPanelWidth - 2, height());
}

void TStatusBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  for (int i = 0; i < kPanelCount; ++i) {
    const QRect r = PanelRect(i);
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(r.adjusted(2, 1, -2, -1), Qt::AlignCenter, texts_[i]);
  }
}

}  // namespace vantrel
