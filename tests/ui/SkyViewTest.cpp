// The sky view: where a satellite's disc goes and what the discs drawn over
// the background look like.
#include <QFont>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

#include "tests/ui/RefreshFixture.h"
#include "ui/SkyView.h"

namespace {

using namespace vantrel::testing;
using vantrel::SatInView;
using vantrel::SkyPoint;
using vantrel::SkyViewPosition;

TEST(SkyViewPosition, PixelPositionsFollowThreePointOneFourAndTruncation) {
  struct Case {
    int elevation, azimuth;
    SkyPoint at;
  };
  const Case cases[] = {
      {90, 0, {90, 90}},  {90, 123, {90, 90}}, {0, 0, {90, 18}},    {0, 90, {161, 89}},
      {0, 180, {90, 161}}, {0, 270, {18, 90}}, {45, 45, {115, 64}}, {-10, 0, {90, 10}},
      {0, 360, {89, 18}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SkyViewPosition(c.elevation, c.azimuth), c.at) << c.elevation << "/" << c.azimuth;
}

class SkyViewTest : public RefreshFixture {};

TEST_F(SkyViewTest, SkyViewDiscsAtTheirPixels) {
  AddSat(5, 40, 90, 0);
  AddSat(12, 0, 0, 90);
  AddSat(0, 40, 45, 45);  // no PRN: not drawn
  record.GsvComplete = true;
  form.RefreshStatus(record);
  const QImage& sky = form.ImgSV->Picture;
  EXPECT_EQ(sky.pixelColor(90, 90 + 9), kBlue);       // PRN 5 at the zenith
  EXPECT_EQ(sky.pixelColor(161, 89 + 9), kSkyBlue);   // PRN 12 on the east horizon
  EXPECT_EQ(sky.pixelColor(90 + 12, 90), kBlack);     // the disc's outline
  EXPECT_NE(sky.pixelColor(115, 64 + 9), kBlue);      // PRN 0 left out
  // The number is written in yellow somewhere in its box.
  bool yellow = false;
  for (int y = 84; y < 98; ++y)
    for (int x = 84; x < 98; ++x) yellow |= sky.pixelColor(x, y) == QColor(255, 255, 0);
  EXPECT_TRUE(yellow);
  form.ResetSkyView();
  EXPECT_EQ(form.ImgSV->Picture, form.ImgSVOrig->Picture);
}

// Discs are copied from sprites; the picture must be the one that drawing
// each disc in place gives, overlaps, edges and three-digit numbers included.
TEST_F(SkyViewTest, CopiedDiscsEqualDiscsDrawnInPlace) {
  const struct {
    int prn, snr, elevation, azimuth;
  } sats[] = {{1, 40, 90, 0},   {2, 0, 0, 0},      {3, 45, 0, 90},   {4, 0, 0, 180},  {5, 30, 0, 270},
              {6, 41, 45, 45},  {7, 0, 46, 47},    {18, 39, 44, 50}, {22, 0, 10, 300}, {31, 50, 12, 301},
              {120, 35, 30, 200}, {138, 0, 31, 205}, {99, 20, -10, 10}, {10, 33, 5, 359}, {11, 33, 89, 123}};
  for (const auto& s : sats) AddSat(s.prn, s.snr, s.elevation, s.azimuth);
  QImage expected = form.ImgSVOrig->Picture.copy();
  {
    QPainter p(&expected);
    QFont numbers = form.font();
    numbers.setStyleStrategy(QFont::NoAntialias);
    p.setFont(numbers);
    std::vector<SatInView> sorted(record.SatsInView, record.SatsInView + record.SatsInViewCount);
    std::sort(sorted.begin(), sorted.end(), [](const SatInView& a, const SatInView& b) { return a.Prn < b.Prn; });
    for (const SatInView& sat : sorted) {
      const SkyPoint at = SkyViewPosition(sat.Elevation, sat.Azimuth);
      const QColor fill = sat.Snr > 0 ? kBlue : kSkyBlue;
      p.setPen(QPen(kBlack, 1));
      p.setBrush(fill);
      p.drawEllipse(QRect(at.X - 12, at.Y - 12, 24, 24));
      const QString number = QString::number(sat.Prn);
      const QRect text(at.X - 6, at.Y - 6, p.fontMetrics().boundingRect(number).width() + 1,
                       p.fontMetrics().height());
      p.fillRect(text, fill);
      p.setPen(QColor(255, 255, 0));
      p.drawText(text, Qt::AlignLeft | Qt::AlignTop, number);
    }
  }
  record.GsvComplete = true;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ImgSV->Picture, expected);
  // Drawn again from the sprites made the first time.
  form.ResetSkyView();
  record.GsvComplete = true;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ImgSV->Picture, expected);
}

TEST_F(SkyViewTest, SameSkyAfterAResetIsDrawnAgain) {
  AddSat(7, 30, 50, 100);
  record.GsvComplete = true;
  form.RefreshStatus(record);
  const QImage drawn = form.ImgSV->Picture;
  ASSERT_NE(drawn, form.ImgSVOrig->Picture);
  record.GsvComplete = true;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ImgSV->Picture, drawn);
  form.ResetSkyView();  // as an open or a confirm does
  record.GsvComplete = true;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ImgSV->Picture, drawn);
  // A satellite losing its signal changes its disc.
  record.SatsInView[0].Snr = 0;
  record.GsvComplete = true;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ImgSV->Picture.pixelColor(SkyViewPosition(50, 100).X, SkyViewPosition(50, 100).Y + 9),
            kSkyBlue);
  // A group without satellites shows the bare background.
  record.SatsInViewCount = 0;
  record.GsvComplete = true;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ImgSV->Picture, form.ImgSVOrig->Picture);
}

// Discs are copied into 32-bit pictures and drawn into any other; both
// give the same picture, and the same discs again are not drawn.
TEST(SkyDiscPainter, CopiedAndDrawnDiscsGiveTheSamePicture) {
  const QImage background = vantrel::DrawSkyBackground();
  const SatInView sats[] = {{5, 40, 90, 0, 1}, {12, 0, 0, 90, 0}, {120, 35, 30, 200, 0}, {0, 30, 10, 10, 0}};
  QFont font;
  font.setFamilies({QStringLiteral("Liberation Sans")});
  font.setPixelSize(11);
  vantrel::SkyDiscPainter copying, drawing;
  QImage copied, drawn;
  EXPECT_TRUE(copying.Draw(sats, 4, font, background, copied));
  EXPECT_TRUE(drawing.Draw(sats, 4, font, background.convertToFormat(QImage::Format_RGB888), drawn));
  ASSERT_EQ(drawn.format(), QImage::Format_RGB888);
  EXPECT_NE(copied, background);
  EXPECT_EQ(drawn.convertToFormat(QImage::Format_RGB32), copied);
  EXPECT_FALSE(copying.Draw(sats, 4, font, background, copied));
  copying.Reset(background, copied);
  EXPECT_EQ(copied, background);
}

}  // namespace
