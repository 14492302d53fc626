#pragma once
// A small bar chart: one series of (position, value, label, colour) points,
// a fixed value range, value marks, paging and a coloured title. Just what
// the SNR chart needs; nothing more.
#include <QColor>
#include <QString>
#include <QWidget>
#include <vector>

#include "ui/Palette.h"

namespace vantrel {

struct ChartBar {
  double Position = 0;
  double Value = 0;
  QString Label;
  QColor Color;
  bool operator==(const ChartBar&) const = default;
};

// Page arithmetic, kept apart from the widget so it is easy to check. The
// chosen page survives the series being cleared and refilled (the chart is
// rebuilt at every satellite group); while there are fewer pages the last
// one is shown.
struct ChartPaging {
  int MaxPointsPerPage = 16;
  int Page = 1;  // 1-based, as last chosen
  int PageCount(int points) const;
  int ShownPage(int points) const;
  // Index of the first point and the number of points on the page shown.
  int FirstPoint(int points) const { return (ShownPage(points) - 1) * MaxPointsPerPage; }
  int PointsOnPage(int points) const;
  void Next(int points);      // no-op on the last page
  void Previous(int points);  // no-op on the first page
};

class TChart : public QWidget {
  Q_OBJECT
 public:
  explicit TChart(QWidget* parent = nullptr);

  void Clear();
  void AddBar(double position, double value, const QString& label, const QColor& color);
  int Count() const { return static_cast<int>(bars_.size()); }
  const ChartBar& Bar(int index) const { return bars_[static_cast<size_t>(index)]; }
  const std::vector<ChartBar>& Bars() const { return bars_; }
  // Clear and add all of `bars` at once; repaints only if they differ from
  // the bars shown.
  void SetBars(std::vector<ChartBar> bars);

  // Fixed value range; taller bars are cut at the top.
  double Minimum = 0;
  double Maximum = 70;

  int Page() const { return paging_.ShownPage(Count()); }
  int PageCount() const { return paging_.PageCount(Count()); }
  int MaxPointsPerPage() const { return paging_.MaxPointsPerPage; }
  void NextPage();
  void PreviousPage();
  void FirstPage();

  void SetTitle(const QString& title);
  QString Title() const { return title_; }
  void SetTitleColor(const QColor& color);
  QColor TitleColor() const { return titleColor_; }

 signals:
  void Clicked();
  void DoubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  std::vector<ChartBar> bars_;
  ChartPaging paging_;
  QString title_;
  QColor titleColor_ = kBlue;
  bool swallowRelease_ = false;
};

}  // namespace vantrel
