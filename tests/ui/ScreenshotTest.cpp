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
}

}  // namespace
