// A multi-constellation receiver on the window's port, with and without the
// window reading every talker.
#include <QTest>
#include <gtest/gtest.h>

#include <string>

#include "tests/link/FakeSerialPort.h"
#include "tests/nmea/SentenceText.h"
#include "tests/ui/FakeSeams.h"
#include "ui/Chart.h"
#include "ui/Form.h"

namespace vantrel {
namespace {

class FormGnssTest : public ::testing::Test {
 protected:
  void Open(bool allGnss) {
    if (allGnss) form.ShowAllGnss();
    form.Ports = &ports;
    form.BtnOpenClick();
    std::string text;
    for (const char* body : {"GNGGA,101010.00,4807.0380,N,01131.0000,E,1,09,0.7,545.4,M,46.9,M,,",
                             "GNGSA,A,3,05,07,,,,,,,,,,,1.3,0.7,1.1,1", "GNGSA,A,3,65,,,,,,,,,,,,1.3,0.7,1.1,2",
                             "GPGSV,1,1,02,05,40,100,41,07,62,310,45,1", "GPGSV,1,1,01,05,40,100,47,8",
                             "GLGSV,1,1,02,65,50,100,39,66,30,200,38,1", "GAGSV,1,1,01,11,45,250,36,7",
                             "GPTXT,01,01,02,ANTSTATUS=OK"})  // its start lets the sentences before it go
      text += test::WithChecksum(body) + "\r\n";
    ports.Device().Feed(text);
  }
  void TearDown() override { form.FormDestroy(); }
  QString Labels() const {
    QString labels;
    for (const ChartBar& bar : form.ChartSNR->Bars()) labels += bar.Label + " ";
    return labels;
  }

  testing::FakeSeams seams;
  FakeSerialPortFactory ports;
  TMainForm form{seams.Services()};
};

TEST_F(FormGnssTest, EveryTalkerShowsTheFixAndEverySystemsSatellites) {
  Open(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Labels() == "G5 G7 R65 R66 E11 "; }));
  EXPECT_EQ(form.LabelFix->text(), "3D SPS");  // from the "$GN" GSA
  EXPECT_TRUE(form.LabelLat->text().contains("48.11730"));
  EXPECT_EQ(form.ChartSNR->Bar(0).Value, 47);  // L5 over L1
  EXPECT_EQ(form.ChartSNR->Bar(2).Color, kBlue);  // used, by the GLONASS GSA
  EXPECT_EQ(form.ChartSNR->Bar(3).Color, kWhite);
  EXPECT_TRUE(form.ChartSNR->accessibleDescription().startsWith(
      "G5 SNR 47 elevation 40 azimuth 100 used, G7 SNR 45 elevation 62 azimuth 310 used, R65"));
}

TEST_F(FormGnssTest, WithoutTheSwitchOnlyGpsTalkersCount) {
  Open(false);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Labels() == "5 "; }));  // the last "$GP" group wiped L1, as ever
  EXPECT_EQ(form.LabelFix->text(), "NoFix ");
  EXPECT_EQ(form.LabelLat->text(), "S   0.00000");
}

}  // namespace
}  // namespace vantrel
