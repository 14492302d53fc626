// The status page, channel grid and NMEA monitor, the SNR chart and the sky
// view, brought up to date from the receiver state record. Everything here
// runs on the UI thread while the reader thread waits.
#include <QFontMetrics>
#include <QHash>
#include <QLabel>
#include <QPainter>
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

void TMainForm::RefreshStatus(ReceiverRecord& record) {
  if (record.GsvComplete == 1) {
    const int walked = record.WalkedSats();
    std::sort(record.SatsInView, record.SatsInView + walked,
              [](const SatInView& a, const SatInView& b) { return a.Prn < b.Prn; });
    DrawSkyView(record);
  }

  const char16_t point = LocaleDecimalPoint().unicode();
  const QChar sep(point);
  if (LabelSourceChanged(0, 0, record.UtcYear, record.UtcMonth, record.UtcDay))
    SetCaption(LabelDate, QString::fromStdString(DateText(record)));
  if (LabelSourceChanged(1, point, record.UtcHour, record.UtcMinute, record.UtcSecond))
    SetCaption(LabelTime, QString::fromStdString(HourMinuteText(record)) + FixedText(record.UtcSecond, 7, 3, sep));
  if (LabelSourceChanged(2, point, record.Latitude))
    SetCaption(LabelLat, QString::fromLatin1(record.Latitude > 0 ? "N   " : "S   ") +
                             FixedText(std::fabs(record.Latitude), 7, 5, sep));
  if (LabelSourceChanged(3, point, record.Longitude))
    SetCaption(LabelLon, QString::fromLatin1(record.Longitude > 0 ? "E " : "W ") +
                             FixedText(std::fabs(record.Longitude), 7, 5, sep));
  if (LabelSourceChanged(4, point, record.Altitude)) SetCaption(LabelAlt, FixedText(record.Altitude, 7, 1, sep));
  if (LabelSourceChanged(5, 0, record.FixType, record.FixQuality)) {
    const FixDisplay fix = FixText(record.FixType, record.FixQuality);
    SetFontColour(LabelFix, fix.Red ? kRed : kBlack);
    SetCaption(LabelFix, QString::fromLatin1(fix.Text));
  }
  if (LabelSourceChanged(6, point, record.SpeedKmh)) SetCaption(LabelSpeed, FixedText(record.SpeedKmh, 7, 1, sep));
  if (LabelSourceChanged(7, point, record.Course)) SetCaption(LabelTrack, FixedText(record.Course, 7, 1, sep));
  if (LabelSourceChanged(8, point, record.Pdop)) SetCaption(LabelPDOP, FixedText(record.Pdop, 7, 1, sep));
  if (LabelSourceChanged(9, point, record.Hdop)) SetCaption(LabelHDOP, FixedText(record.Hdop, 7, 1, sep));
  if (LabelSourceChanged(10, point, record.Vdop)) SetCaption(LabelVDOP, FixedText(record.Vdop, 7, 1, sep));

  if (record.ChannelsUpdated == 1) {
    if (!StringGrid1->isEnabled()) StringGrid1->setEnabled(true);
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
  for (QLabel* label : {LabelDate, LabelTime, LabelLat, LabelLon, LabelAlt, LabelFix, LabelSpeed,
                        LabelTrack, LabelPDOP, LabelHDOP, LabelVDOP})
    SetCaption(label, QString());
}

bool TMainForm::ClearChannelGrid() {
  if (!StringGrid1->isEnabled()) return false;
  for (int row = 1; row <= kChannelsMax; ++row)
    for (int column = 0; column < 4; ++column) SetCell(StringGrid1, row, column, QString());
  StringGrid1->setEnabled(false);
  gridShownValid_ = false;
  return true;
}

void TMainForm::ResetSkyView() {
  const QImage& background = ImgSVOrig->Picture;
  QImage& picture = ImgSV->Picture;
  if (!picture.isNull() && picture.size() == background.size() && picture.format() == background.format()) {
    // Over the picture in place: no new image at every satellite group.
    std::memcpy(picture.bits(), background.constBits(), static_cast<size_t>(background.sizeInBytes()));
  } else {
    picture = background.copy();
  }
  skyDrawn_.clear();
  ImgSV->update();
}

void TMainForm::RefreshSnrChart(ReceiverRecord& record) {
  // The bars are built aside and handed over at once, so an unchanged chart
  // is not repainted.
  std::vector<ChartBar> bars;
  if (ChartChannelMode) {
    if (record.ChannelsUpdated == 1) {
      bars.reserve(kChannelsMax);
      for (int i = 0; i < kChannelsMax; ++i) {
        const Channel& channel = record.Channels[i];
        const QColor colour = channel.Status == 0 ? kWhite : channel.Status == 1 ? kPurple : kRed;
        bars.push_back({double(i), double(channel.Snr), QString::number(channel.SvId), colour});
      }
      ChartSNR->SetBars(std::move(bars));
      record.ChannelsUpdated = 0;
    }
    if (record.GsvComplete == 1) record.GsvComplete = 0;
    return;
  }
  if (record.GsvComplete == 1) {
    int k = 0;
    const int walked = record.WalkedSats();
    for (int i = 0; i < walked; ++i) {
      const SatInView& sat = record.SatsInView[i];
      if (sat.Prn > 0 && sat.Snr > 0) {
        bars.push_back({double(k), double(sat.Snr), QString::number(sat.Prn), sat.Used == 1 ? kBlue : kWhite});
        ++k;
      }
    }
    ChartSNR->SetBars(std::move(bars));
    record.GsvComplete = 0;
  }
}

// A disc looks the same wherever it is drawn: its outline and fill are not
// antialiased and its digits are unblended on an opaque box. So each number
// and fill is drawn once into a sprite that is transparent around it and
// then copied, pixel for pixel the picture drawing in place would give, at a
// fraction of the cost of laying the digits out at every satellite group.
struct TMainForm::DiscSprites {
  struct Sprite {
    QImage image;
    QPoint offset;  // of the image's top-left corner from the disc's centre
    bool solid = false;  // every pixel fully opaque or fully transparent
  };
  QFont font;
  QHash<qint64, Sprite> sprites;

  const Sprite& Get(const SkyDisc& disc, const QFont& numbers, const QPaintDevice* picture) {
    if (numbers != font || sprites.size() > 512) {  // odd PRNs must not grow it for ever
      sprites.clear();
      font = numbers;
    }
    const qint64 key = static_cast<qint64>(disc.Prn) * 2 + (disc.HasSignal ? 1 : 0);
    auto found = sprites.constFind(key);
    if (found != sprites.constEnd()) return *found;

    const QColor fill = disc.HasSignal ? kBlue : kSkyBlue;
    const QString number = QString::number(disc.Prn);
    const QFontMetrics metrics(numbers, picture);
    const QRect text(-6, -6, metrics.boundingRect(number).width() + 1, metrics.height());
    const QRect bounds = QRect(-14, -14, 29, 29).united(text);
    Sprite sprite{QImage(bounds.size(), QImage::Format_ARGB32_Premultiplied), bounds.topLeft()};
    sprite.image.fill(Qt::transparent);
    QPainter p(&sprite.image);
    p.translate(-bounds.topLeft());
    p.setFont(numbers);
    p.setPen(QPen(kBlack, 1));
    p.setBrush(fill);
    p.drawEllipse(QRect(-12, -12, 24, 24));
    // The number on an opaque background of the disc's colour.
    p.fillRect(text, fill);
    p.setPen(kYellow);
    p.drawText(text, Qt::AlignLeft | Qt::AlignTop, number);
    p.end();
    sprite.solid = true;
    for (int y = 0; y < sprite.image.height() && sprite.solid; ++y) {
      const QRgb* row = reinterpret_cast<const QRgb*>(sprite.image.constScanLine(y));
      for (int x = 0; x < sprite.image.width(); ++x) {
        const int alpha = qAlpha(row[x]);
        if (alpha != 0 && alpha != 255) {
          sprite.solid = false;
          break;
        }
      }
    }
    return *sprites.insert(key, std::move(sprite));
  }

  // Copies the opaque pixels of a solid sprite onto a 32-bit picture: what
  // drawing it over the picture gives, without a painter per group.
  static void Stamp(const Sprite& sprite, QPoint at, QImage& picture) {
    const QRect target = QRect(at, sprite.image.size()).intersected(picture.rect());
    for (int y = target.top(); y <= target.bottom(); ++y) {
      const QRgb* from = reinterpret_cast<const QRgb*>(sprite.image.constScanLine(y - at.y()));
      QRgb* to = reinterpret_cast<QRgb*>(picture.scanLine(y));
      for (int x = target.left(); x <= target.right(); ++x) {
        const QRgb pixel = from[x - at.x()];
        if (qAlpha(pixel) == 255) to[x] = pixel;
      }
    }
  }
};

void TMainForm::DrawSkyView(ReceiverRecord& record) {
  std::vector<SkyDisc>& discs = skyNext_;
  discs.clear();
  const int walked = record.WalkedSats();
  for (int i = 0; i < walked; ++i) {
    const SatInView& sat = record.SatsInView[i];
    if (sat.Prn > 0) discs.push_back({sat.Prn, SkyViewPosition(sat.Elevation, sat.Azimuth), sat.Snr > 0});
  }
  // The same discs over a fresh background give the same picture.
  if (!discs.empty() && discs == skyDrawn_) return;
  ResetSkyView();
  // Crisp, unblended digits on the small discs.
  QFont numbers = font();
  numbers.setStyleStrategy(QFont::NoAntialias);
  if (!discSprites_) discSprites_ = std::make_shared<DiscSprites>();
  QImage& picture = ImgSV->Picture;
  const bool stampable = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32_Premultiplied;
  QPainter p;
  for (const SkyDisc& disc : discs) {
    const DiscSprites::Sprite& sprite = discSprites_->Get(disc, numbers, &picture);
    const QPoint at = QPoint(disc.At.X, disc.At.Y) + sprite.offset;
    if (stampable && sprite.solid && !p.isActive()) {
      DiscSprites::Stamp(sprite, at, picture);
      continue;
    }
    if (!p.isActive()) p.begin(&picture);
    p.drawImage(at, sprite.image);
  }
  if (p.isActive()) p.end();
  std::swap(skyDrawn_, skyNext_);
  ImgSV->update();
}

void TMainForm::ChartSNRClick() {
  if (ChartSNR->Page() == 1)
    ChartSNR->NextPage();
  else
    ChartSNR->PreviousPage();
}

void TMainForm::ChartSNRDblClick() {
  ChartSNR->Clear();
  if (ChartChannelMode) {
    ChartChannelMode = false;
    ChartSNR->SetTitleColor(kBlue);
  } else {
    ChartChannelMode = true;
    ChartSNR->SetTitleColor(kRed);
  }
}
