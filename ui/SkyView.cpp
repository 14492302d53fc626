#include "ui/SkyView.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <cmath>
#include <cstring>
#include <utility>

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

struct SkyDiscPainter::Sprites {
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
    const qint64 key = (static_cast<qint64>(disc.System) << 40) + static_cast<qint64>(disc.Prn) * 2 + (disc.HasSignal ? 1 : 0);
    auto found = sprites.constFind(key);
    if (found != sprites.constEnd()) return *found;

    const QColor fill = disc.HasSignal ? kBlue : kSkyBlue;
    const QString number =
        disc.System != 0 ? QLatin1Char(disc.System) + QString::number(disc.Prn) : QString::number(disc.Prn);
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

SkyDiscPainter::SkyDiscPainter() : sprites_(std::make_unique<Sprites>()) {}

SkyDiscPainter::~SkyDiscPainter() = default;

bool SkyDiscPainter::Draw(const SatInView* sats, int count, const QFont& font, const QImage& background,
                          QImage& picture) {
  next_.clear();
  for (int i = 0; i < count; ++i) {
    const SatInView& sat = sats[i];
    if (sat.Prn > 0) next_.push_back({sat.Prn, SkyViewPosition(sat.Elevation, sat.Azimuth), sat.Snr > 0});
  }
  return DrawNext(font, background, picture);
}

bool SkyDiscPainter::Draw(const std::vector<GnssSatellite>& sats, const QFont& font, const QImage& background,
                          QImage& picture) {
  next_.clear();
  for (const GnssSatellite& sat : sats)
    if (sat.Prn > 0)
      next_.push_back(
          {sat.Prn, SkyViewPosition(sat.Elevation, sat.Azimuth), sat.Snr > 0, SystemLetter(sat.System)});
  return DrawNext(font, background, picture);
}

bool SkyDiscPainter::DrawNext(const QFont& font, const QImage& background, QImage& picture) {
  const std::vector<SkyDisc>& discs = next_;
  // The same discs over a fresh background give the same picture.
  if (!discs.empty() && discs == drawn_) return false;
  Reset(background, picture);
  // Crisp, unblended digits on the small discs.
  QFont numbers = font;
  numbers.setStyleStrategy(QFont::NoAntialias);
  const bool stampable =
      picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32_Premultiplied;
  QPainter p;
  for (const SkyDisc& disc : discs) {
    const Sprites::Sprite& sprite = sprites_->Get(disc, numbers, &picture);
    const QPoint at = QPoint(disc.At.X, disc.At.Y) + sprite.offset;
    if (stampable && sprite.solid && !p.isActive()) {
      Sprites::Stamp(sprite, at, picture);
      continue;
    }
    if (!p.isActive()) p.begin(&picture);
    p.drawImage(at, sprite.image);
  }
  if (p.isActive()) p.end();
  std::swap(drawn_, next_);
  return true;
}

void SkyDiscPainter::Reset(const QImage& background, QImage& picture) {
  if (!picture.isNull() && picture.size() == background.size() && picture.format() == background.format()) {
    // Over the picture in place: no new image at every satellite group.
    std::memcpy(picture.bits(), background.constBits(), static_cast<size_t>(background.sizeInBytes()));
  } else {
    picture = background.copy();
  }
  drawn_.clear();
}

TImage::TImage(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TImage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, Picture);
}

}  // namespace vantrel
