#include "ui/SkyView.h"

#include <QPainter>
#include <cmath>

#include "ui/Palette.h"

namespace vantrel {

SkyPoint SkyViewPosition(int elevation, int azimuth) {
  const double theta = azimuth * (1.0 / 180.0) * 3.14;
  const double r = (90 - elevation) * 0.8;
  SkyPoint point;
  point.X = static_cast<int>(90 + std::sin(theta) * r);
  point.Y = static_cast<int>(90 - std::cos(theta) * r);
  return point;
}

QImage DrawSkyBackground() {
  // 24-bit colour held in 32-bit pixels: the format the screen draws fastest.
  QImage image(kSkyViewSize, kSkyViewSize, QImage::Format_RGB32);
  image.fill(kBlack);
  QPainter p(&image);
  p.setPen(QPen(kWhite, 1));
  p.setBrush(Qt::NoBrush);
  const int cx = 89, cy = 90, horizon = 69, inner = 34;
  p.drawEllipse(QPoint(cx, cy), horizon, horizon);
  p.drawEllipse(QPoint(cx, cy), inner, inner);
  p.drawLine(cx, cy - horizon, cx, cy + horizon);
  p.drawLine(cx - horizon, cy, cx + horizon, cy);
  QFont font;
  font.setFamilies({QStringLiteral("Liberation Sans")});
  font.setPixelSize(11);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRect(cx - 8, cy - horizon - 15, 16, 14), Qt::AlignCenter, QStringLiteral("N"));
  p.drawText(QRect(cx - 8, cy + horizon + 2, 16, 14), Qt::AlignCenter, QStringLiteral("S"));
  p.drawText(QRect(cx - horizon - 17, cy - 7, 16, 14), Qt::AlignCenter, QStringLiteral("W"));
  p.drawText(QRect(cx + horizon + 2, cy - 7, 16, 14), Qt::AlignCenter, QStringLiteral("E"));
  return image;
}

TImage::TImage(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TImage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, Picture);
}

}  // namespace vantrel
