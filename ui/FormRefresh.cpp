// The status page, channel grid and NMEA monitor, the SNR chart and the sky
// view, brought up to date from the receiver state record. Everything here
// runs on the UI thread while the reader thread waits.
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "ui/Chart.h"
#include "ui/FixedText.h"
#include "ui/Form.h"
#include "ui/Palette.h"
#include "ui/SkyView.h"
#include "ui/StatusText.h"
#include "ui/ValueLabel.h"

using namespace vantrel;

namespace {

void SetCell(QTableWidget* grid, int row, int column, const QString& text) {
  QTableWidgetItem* cell = grid->item(row, column);
  if (cell->text() != text) cell->setText(text);
}

}  // namespace

void TMainForm::AppendMonitorLines(const char* workText, size_t len) {
  if (!workText || len == 0) return;
  const size_t before = monitorPending_.size();
  AppendMonitorLinesTo(monitorPending_, std::string_view(workText, len));
  if (monitorPending_.size() == before) return;
  // Off screen the lines wait for the monitor to be shown.
  if (MemoNMEA->isVisible() && !monitorFlush_->isActive()) monitorFlush_->start(kMonitorFlushMs);
}

void TMainForm::FlushMonitorLines() {
  monitorFlush_->stop();
  if (monitorPending_.empty()) return;
  const QString lines = QString::fromLatin1(monitorPending_.data(), static_cast<qsizetype>(monitorPending_.size()));
  monitorPending_.clear();
  MemoNMEA->appendPlainText(lines);
}

void TMainForm::ClearMonitor() {
  monitorPending_.clear();
  monitorFlush_->stop();
  MemoNMEA->clear();
}

void TMainForm::RefreshSatellites(const GnssSatellites& satellites) {
  gnssSats_ = satellites.Merged();
  gnssSatsNew_ = true;
}

void TMainForm::RefreshStatus(ReceiverRecord& record) {
  if (allGnss_) {
    // Drawn from every system's satellites; the record's one group of 20
    // is whichever talker sent last.
    if (gnssSatsNew_ && skyPainter_.Draw(gnssSats_, font(), ImgSVOrig->Picture, ImgSV->Picture)) ImgSV->update();
  } else if (record.GsvComplete) {
    const int walked = record.WalkedSats();
    std::sort(record.SatsInView, record.SatsInView + walked,
              [](const SatInView& a, const SatInView& b) { return a.Prn < b.Prn; });
    DrawSkyView(record);
  }

  const char16_t point = LocaleDecimalPoint().unicode();
  const QChar sep(point);
  if (LabelSourceChanged(0, 0, record.UtcYear, record.UtcMonth, record.UtcDay))
    LabelDate->SetValue(QString::fromStdString(DateText(record)));
  if (LabelSourceChanged(1, point, record.UtcHour, record.UtcMinute, record.UtcSecond))
    LabelTime->SetValue(QString::fromStdString(HourMinuteText(record)) + FixedText(record.UtcSecond, 7, 3, sep));
  if (LabelSourceChanged(2, point, record.Latitude))
    LabelLat->SetValue(QString::fromLatin1(record.Latitude > 0 ? "N   " : "S   ") +
                             FixedText(std::fabs(record.Latitude), 7, 5, sep));
  if (LabelSourceChanged(3, point, record.Longitude))
    LabelLon->SetValue(QString::fromLatin1(record.Longitude > 0 ? "E " : "W ") +
                             FixedText(std::fabs(record.Longitude), 7, 5, sep));
  if (LabelSourceChanged(4, point, record.Altitude)) LabelAlt->SetValue(FixedText(record.Altitude, 7, 1, sep));
  if (LabelSourceChanged(5, 0, record.FixType, record.FixQuality)) {
    const FixDisplay fix = FixText(record.FixType, record.FixQuality);
    SetFontColour(LabelFix, fix.Red ? kRed : kBlack);
    LabelFix->SetValue(QString::fromLatin1(fix.Text));
  }
  if (LabelSourceChanged(6, point, record.SpeedKmh)) LabelSpeed->SetValue(FixedText(record.SpeedKmh, 7, 1, sep));
  if (LabelSourceChanged(7, point, record.Course)) LabelTrack->SetValue(FixedText(record.Course, 7, 1, sep));
  if (LabelSourceChanged(8, point, record.Pdop)) LabelPDOP->SetValue(FixedText(record.Pdop, 7, 1, sep));
  if (LabelSourceChanged(9, point, record.Hdop)) LabelHDOP->SetValue(FixedText(record.Hdop, 7, 1, sep));
  if (LabelSourceChanged(10, point, record.Vdop)) LabelVDOP->SetValue(FixedText(record.Vdop, 7, 1, sep));

  if (record.ChannelsUpdated) {
    if (!StringGrid1->isEnabled()) StringGrid1->setEnabled(true);
    ForgetChannelNote();
    // Rows whose channel is unchanged since the grid was written show its
    // texts already.
    for (int i = 0; i < kChannelsMax; ++i) {
      const Channel& channel = record.Channels[i];
      if (gridShownValid_ && gridShown_[i] == channel) continue;
      SetCell(StringGrid1, i + 1, 0, QString::number(i + 1));
      SetCell(StringGrid1, i + 1, 1, QString::number(channel.SvId));
      SetCell(StringGrid1, i + 1, 2, QString::number(channel.Snr));
      SetCell(StringGrid1, i + 1, 3, QString::fromLatin1(ChannelStatusText(channel.Status)));
      gridShown_[i] = channel;
    }
    gridShownValid_ = true;
  } else if (record.GsvComplete && !StringGrid1->isEnabled() && ++gsvGroupsWithoutChannels_ == 2) {
    LabelNoChannels->show();
  }

  RefreshSnrChart(record);
}

bool TMainForm::LabelSourceChanged(int slot, char16_t point, double a, double b, double c) {
  LabelSource& source = labelSources_[slot];
  // Compared as bits: a NaN is "unchanged" too, and -0 differs from 0.
  const double values[3] = {a, b, c};
  if (source.Valid && source.Point == point && std::memcmp(source.Values, values, sizeof values) == 0) return false;
  std::memcpy(source.Values, values, sizeof values);
  source.Point = point;
  source.Valid = true;
  return true;
}

void TMainForm::ClearStatusLabels() {
  for (LabelSource& source : labelSources_) source.Valid = false;
  for (TValueLabel* label : {LabelDate, LabelTime, LabelLat, LabelLon, LabelAlt, LabelFix, LabelSpeed,
                             LabelTrack, LabelPDOP, LabelHDOP, LabelVDOP})
    label->SetValue(QString());
}

bool TMainForm::ClearChannelGrid() {
  if (!StringGrid1->isEnabled()) return false;
  for (int row = 1; row <= kChannelsMax; ++row)
    for (int column = 0; column < 4; ++column) SetCell(StringGrid1, row, column, QString());
  StringGrid1->setEnabled(false);
  gridShownValid_ = false;
  ForgetChannelNote();
  return true;
}

void TMainForm::ForgetChannelNote() {
  gsvGroupsWithoutChannels_ = 0;
  if (!LabelNoChannels->isHidden()) LabelNoChannels->hide();
}

void TMainForm::ResetSkyView() {
  skyPainter_.Reset(ImgSVOrig->Picture, ImgSV->Picture);
  ImgSV->update();
}

void TMainForm::RefreshSnrChart(ReceiverRecord& record) {
  // The bars are built aside and handed over at once, so an unchanged chart
  // is not repainted.
  std::vector<ChartBar> bars;
  if (ChartChannelMode) {
    if (record.ChannelsUpdated) {
      bars.reserve(kChannelsMax);
      for (int i = 0; i < kChannelsMax; ++i) {
        const Channel& channel = record.Channels[i];
        const QColor colour = channel.Status == 0 ? kWhite : channel.Status == 1 ? kPurple : kRed;
        bars.push_back({double(i), double(channel.Snr), QString::number(channel.SvId), colour});
      }
      ChartSNR->SetBars(std::move(bars));
      record.ChannelsUpdated = false;
    }
    if (record.GsvComplete) record.GsvComplete = false;
    gnssSatsNew_ = false;
    return;
  }
  if (allGnss_) {
    if (gnssSatsNew_) ShowGnssBars();
    record.GsvComplete = false;
    return;
  }
  if (record.GsvComplete) {
    int k = 0;
    const int walked = record.WalkedSats();
    for (int i = 0; i < walked; ++i) {
      const SatInView& sat = record.SatsInView[i];
      if (sat.Prn > 0 && sat.Snr > 0) {
        bars.push_back({double(k), double(sat.Snr), QString::number(sat.Prn), sat.Used ? kBlue : kWhite});
        ++k;
      }
    }
    ChartSNR->SetBars(std::move(bars));
    record.GsvComplete = false;
  }
}

void TMainForm::ShowGnssBars() {
  std::vector<ChartBar> bars;
  QString spoken;
  for (const GnssSatellite& sat : gnssSats_) {
    const QString name = QLatin1Char(SystemLetter(sat.System)) + QString::number(sat.Prn);
    if (!spoken.isEmpty()) spoken += QStringLiteral(", ");
    spoken += QStringLiteral("%1 SNR %2 elevation %3 azimuth %4%5")
                  .arg(name)
                  .arg(sat.Snr)
                  .arg(sat.Elevation)
                  .arg(sat.Azimuth)
                  .arg(sat.Used ? QStringLiteral(" used") : QString());
    if (sat.Prn > 0 && sat.Snr > 0)
      bars.push_back({double(bars.size()), double(sat.Snr), name, sat.Used ? kBlue : kWhite});
  }
  ChartSNR->SetBars(std::move(bars));
  if (spoken.isEmpty()) spoken = QStringLiteral("none");
  if (ChartSNR->accessibleDescription() != spoken) ChartSNR->setAccessibleDescription(spoken);
  gnssSatsNew_ = false;
}

void TMainForm::DrawSkyView(ReceiverRecord& record) {
  if (skyPainter_.Draw(record.SatsInView, record.WalkedSats(), font(), ImgSVOrig->Picture, ImgSV->Picture))
    ImgSV->update();
}

void TMainForm::ChartSNRClick() {
  // Round the pages: every constellation may fill more than two.
  if (ChartSNR->Page() < ChartSNR->PageCount())
    ChartSNR->NextPage();
  else
    ChartSNR->FirstPage();
}

void TMainForm::ChartSNRDblClick() {
  ChartSNR->Clear();
  // The page kept across rebuilds belongs to the mode being left.
  ChartSNR->FirstPage();
  ChartChannelMode = !ChartChannelMode;
  gnssSatsNew_ = allGnss_;  // the satellites' bars again at the next refresh
  ChartSNR->SetTitleColor(ChartChannelMode ? kRed : kBlue);
}
