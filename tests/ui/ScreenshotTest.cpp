// Renders every visible page to PNG files when VANTREL_SCREENSHOT_DIR is set
// (used for the README's pictures and to look over the layout by eye).
#include <QDir>
#include <QImage>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "tests/ui/FakeSeams.h"
#include "ui/Form.h"

namespace {

TEST(Screenshots, EveryVisiblePage) {
  const QString dir = qEnvironmentVariable("VANTREL_SCREENSHOT_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "set VANTREL_SCREENSHOT_DIR to write the pictures";
  QDir().mkpath(dir);
  vantrel::testing::FakeSeams seams;
  TMainForm form(seams.Services());
  form.show();
  const char* names[6] = {"status", "setup", "channel", "test", "gps101", "about"};
  for (int page = 0; page < 6; ++page) {
    form.PageControl1->setCurrentIndex(page);
    const QImage shot = form.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(304, 425));
    EXPECT_TRUE(shot.save(dir + "/" + names[page] + ".png"));
  }

  // The Status page with a receiver's picture of the sky.
  vantrel::ReceiverRecord record;
  const int sats[][5] = {{2, 44, 62, 40, 1},   {5, 38, 35, 300, 1}, {9, 0, 8, 120, 0},
                         {12, 41, 48, 210, 1}, {15, 29, 15, 75, 0}, {18, 35, 25, 160, 1},
                         {21, 47, 80, 350, 1}, {25, 22, 5, 260, 0}, {29, 40, 30, 20, 1}};
  for (const auto& s : sats)
    record.SatsInView[record.SatsInViewCount++] = {s[0], s[1], s[2], s[3], s[4] != 0};
  record.GsvComplete = true;
  record.UtcYear = 2007, record.UtcMonth = 4, record.UtcDay = 27;
  record.UtcHour = 8, record.UtcMinute = 5, record.UtcSecond = 3.25f;
  record.Latitude = 25.0612f, record.Longitude = 121.5654f, record.Altitude = 102.4f;
  record.FixType = 2, record.FixQuality = 1;
  record.SpeedKmh = 0.4f, record.Course = 87.3f;
  record.Pdop = 1.8f, record.Hdop = 1.0f, record.Vdop = 1.5f;
  form.PageControl1->setCurrentIndex(0);
  form.RefreshStatus(record);
  EXPECT_TRUE(form.grab().toImage().save(dir + "/status-live.png"));
}

}  // namespace
