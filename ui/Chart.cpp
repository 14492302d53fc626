#include "ui/Chart.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vantrel {

int ChartPaging::PageCount(int points) const {
  if (MaxPointsPerPage <= 0 || points <= 0) return 1;
  return (points + MaxPointsPerPage - 1) / MaxPointsPerPage;
}

int ChartPaging::ShownPage(int points) const { return std::clamp(Page, 1, PageCount(points)); }

int ChartPaging::PointsOnPage(int points) const {
  if (MaxPointsPerPage <= 0) return points;
  return std::clamp(points - FirstPoint(points), 0, MaxPointsPerPage);
}

void ChartPaging::Next(int points) {
  Page = ShownPage(points);
  if (Page < PageCount(points)) ++Page;
}

void ChartPaging::Previous(int points) {
  Page = ShownPage(points);
  if (Page > 1) --Page;
}

TChart::TChart(QWidget* parent) : QWidget(parent) {}

void TChart::Clear() {
  if (bars_.empty()) return;
  bars_.clear();
  update();
}

void TChart::SetBars(std::vector<ChartBar> bars) {
  if (bars == bars_) return;
  bars_ = std::move(bars);
  update();
}

void TChart::AddBar(double position, double value, const QString& label, const QColor& color) {
  bars_.push_back({position, value, label, color});
  // Only a bar on the page in view changes the picture.
  const int index = Count() - 1;
  const int first = paging_.FirstPoint(Count());
  if (index >= first && index < first + paging_.MaxPointsPerPage) update();
}

void TChart::NextPage() {
  const int before = Page();
  paging_.Next(Count());
  if (Page() != before) update();
}

void TChart::PreviousPage() {
  const int before = Page();
  paging_.Previous(Count());
  if (Page() != before) update();
}

void TChart::FirstPage() {
  const int before = Page();
  paging_.Page = 1;
  if (Page() != before) update();
}

void TChart::SetTitle(const QString& title) {
  if (title_ == title) return;
  title_ = title;
  update();
}

void TChart::SetTitleColor(const QColor& color) {
  if (titleColor_ == color) return;
  titleColor_ = color;
  update();
}

void TChart::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QFont titleFont = font();
  titleFont.setBold(true);
  p.setFont(titleFont);
  p.setPen(titleColor_);
  const int titleHeight = 13;
  p.drawText(QRect(0, 0, width(), titleHeight), Qt::AlignCenter, title_);

  QFont small = font();
  small.setPixelSize(9);
  p.setFont(small);
  const int labelHeight = 11;
  const int plotTop = titleHeight + 13;
  const int plotBottom = height() - labelHeight - 1;
  const int plotHeight = plotBottom - plotTop;
  const int left = 3;
  const int slotCount = std::max(1, paging_.MaxPointsPerPage);
  const double slotWidth = (width() - 2 * left) / static_cast<double>(slotCount);
  const int barWidth = std::max(3, static_cast<int>(slotWidth * 0.7));
  const double range = Maximum - Minimum;

  // The category axis line.
  p.setPen(palette().color(QPalette::Dark));
  p.drawLine(left, plotBottom, width() - left, plotBottom);

  const int first = paging_.FirstPoint(Count());
  const int shown = paging_.PointsOnPage(Count());
  for (int i = 0; i < shown; ++i) {
    const ChartBar& bar = bars_[static_cast<size_t>(first + i)];
    const int centre = left + static_cast<int>(slotWidth * i + slotWidth / 2);
    const double fraction = range > 0 ? std::clamp((bar.Value - Minimum) / range, 0.0, 1.0) : 0.0;
    const int h = static_cast<int>(std::lround(fraction * plotHeight));
    const QRect body(centre - barWidth / 2, plotBottom - h, barWidth, h);
    if (h > 0) {
      p.setPen(kBlack);
      p.setBrush(bar.Color);
      p.drawRect(body.adjusted(0, 0, -1, 0));
    }
    // Value mark, joined to the bar by a short black line.
    const int top = std::max(plotBottom - h, plotTop);
    p.setPen(kBlack);
    p.drawLine(centre, top - 1, centre, top - 3);
    const QString mark = QString::number(bar.Value, 'g', 6);
    p.drawText(QRect(centre - 14, top - 3 - 11, 28, 11), Qt::AlignHCenter | Qt::AlignBottom, mark);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(centre - 14, plotBottom + 1, 28, labelHeight), Qt::AlignHCenter | Qt::AlignTop,
               bar.Label);
  }
}

void TChart::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  // The release that ends a double click is not a click of its own.
  if (swallowRelease_) {
    swallowRelease_ = false;
    return;
  }
  if (rect().contains(event->position().toPoint())) emit Clicked();
}

void TChart::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  swallowRelease_ = true;
  emit DoubleClicked();
}

}  // namespace vantrel
