// Status labels, channel grid, monitor, SNR chart and sky view refreshed
// from a receiver record.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <algorithm>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/ui/FakeSeams.h"
#include "ui/Chart.h"
#include "ui/FixedText.h"
#include "ui/PaintPacer.h"
#include "ui/SkyView.h"
#include "ui/StatusText.h"

namespace {

using vantrel::ChartBar;
using vantrel::FixedText;
using vantrel::ReceiverRecord;
using vantrel::SatInView;
using vantrel::SkyPoint;
using vantrel::SkyViewPosition;

const QColor kBlue(0, 0, 255), kRed(255, 0, 0), kWhite(255, 255, 255), kPurple(128, 0, 128),
    kSkyBlue(166, 202, 240), kBlack(0, 0, 0);

TEST(FixedText, SignificantDigitsThenPaddedDecimals) {
  struct Case {
    double value;
    int p, d;
    const char* text;
  };
  const Case cases[] = {
      {3.25, 7, 3, "3.250"},
      {121.5654321, 7, 5, "121.56540"},
      {25.0612345, 7, 5, "25.06123"},
      {0, 7, 5, "0.00000"},
      {0, 7, 1, "0.0"},
      {-12.34, 7, 1, "-12.3"},
      {0.04, 7, 1, "0.0"},
      {-0.04, 7, 1, "0.0"},
      {1234567.4, 7, 1, "1234567.0"},
      {999999.96, 7, 1, "1000000.0"},
      {0.000123456789, 7, 5, "0.00012"},
      {12345678.0, 7, 1, "1.234568E+007"},
      {-98765432.0, 7, 3, "-9.876543E+007"},
      {59.9999, 7, 3, "60.000"},
      {1.25, 7, 1, "1.3"},      // halves round away from zero
      {-2.5, 7, 0, "-3"},
      {0.05, 7, 1, "0.1"},
      {99.95, 7, 1, "100.0"},
      {9999999.5, 7, 1, "1.000000E+007"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FixedText(c.value, c.p, c.d, QChar('.')).toStdString(), c.text) << c.value;
}

// The labels ask for the same numbers over and over between fixes; a text
// made for one precision, separator or value must never answer another.
TEST(FixedText, RepeatedAndInterleavedRequestsKeepTheirOwnTexts) {
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(FixedText(1.25, 7, 1, QChar('.')), "1.3");
    EXPECT_EQ(FixedText(1.25, 7, 2, QChar('.')), "1.25");
    EXPECT_EQ(FixedText(1.25, 2, 3, QChar('.')), "1.300");
    EXPECT_EQ(FixedText(1.25, 7, 1, QChar(',')), "1,3");
    EXPECT_EQ(FixedText(-1.25, 7, 1, QChar('.')), "-1.3");
    EXPECT_EQ(FixedText(-0.0, 7, 1, QChar('.')), "0.0");
  }
  // More numbers than are kept, asked twice: eighths have exact short texts.
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < 1000; ++i)
      ASSERT_EQ(FixedText(i / 8.0, 7, 3, QChar('.')), QString::number(i / 8.0, 'f', 3)) << i;
}

TEST(FixedText, UsesTheLocaleDecimalSeparator) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(FixedText(3.25, 7, 3).toStdString(), "3,250");
  QLocale::setDefault(QLocale::c());
  EXPECT_EQ(FixedText(3.25, 7, 3).toStdString(), "3.250");
  QLocale::setDefault(saved);
}

TEST(StatusText, FixTextsAndColours) {
  struct Case {
    uint8_t type, quality;
    const char* text;
    bool red;
  };
  const Case cases[] = {
      {0, 1, "NoFix ", true}, {0, 2, "NoFix ", true}, {0, 0, "NoFix ", true},
      {1, 0, "2D ", false},   {1, 1, "2D SPS", false}, {2, 2, "3D DGPS", false},
      {2, 6, "3D Est", false}, {5, 6, "Est", false},   {3, 3, "", false},
      {255, 1, "SPS", false},
  };
  for (const Case& c : cases) {
    const auto fix = vantrel::FixText(c.type, c.quality);
    EXPECT_STREQ(fix.Text, c.text) << int(c.type) << "/" << int(c.quality);
    EXPECT_EQ(fix.Red, c.red);
  }
  EXPECT_STREQ(vantrel::ChannelStatusText(0), "Idle");
  EXPECT_STREQ(vantrel::ChannelStatusText(1), "Searching");
  EXPECT_STREQ(vantrel::ChannelStatusText(2), "Tracking");
  EXPECT_STREQ(vantrel::ChannelStatusText(200), "Tracking");
}

TEST(StatusText, MonitorLinesOfAChunk) {
  struct Case {
    std::string chunk;
    std::string lines;
  };
  const std::string gga = "$GPGGA,080503.25,2503.6741,N,12133.9259,E,1,08,1.0,10.5,M,15.0,M,,*4A";
  const std::string rmc = "$GPRMC,080503.25,A,2503.6741,N,12133.9259,E,0.0,0.0,270407,,*2B";
  const std::string longLine = "$GP" + std::string(300, 'x');
  const Case cases[] = {
      {gga + "\r\n$PQOL001,314,3*3C\r\n" + rmc + "\r\n", gga + "\n" + rmc},
      {"$PQOL001,314,3*3C\r\n", ""},
      {"", ""},
      {"junk$GPGSA,A,3*00\r\n", "$GPGSA,A,3*00"},
      {"$GPGSA,A,3*00", ""},                               // no line end yet
      {"$GPGSA\r\n$GPGSV,1\r\n", "$GPGSA\n$GPGSV,1"},
      {"$GPGSA\n$GPGSV\r\n", "$GPGSA\n$GPGSV"},            // one CR LF: one line up to it
      {longLine + "\r\n", longLine.substr(0, 255)},
      {"$GPA\r\n$PQOLCHN,1\r\n$GPB\r\n", "$GPA\n$GPB"},
  };
  for (const Case& c : cases) EXPECT_EQ(vantrel::MonitorLines(c.chunk), c.lines) << c.chunk;
}

TEST(StatusText, OverlongDateAndTimeTextsAreCut) {
  ReceiverRecord r;
  r.UtcYear = -2147483647;
  r.UtcMonth = -2147483647;
  r.UtcDay = 1;
  r.UtcHour = -2147483647;
  r.UtcMinute = 12;
  EXPECT_EQ(vantrel::DateText(r), "-2147483647");
  EXPECT_EQ(vantrel::HourMinuteText(r), "-2147483647");
  r.UtcYear = 2007, r.UtcMonth = 4, r.UtcDay = 27, r.UtcHour = 8, r.UtcMinute = 5;
  EXPECT_EQ(vantrel::DateText(r), "2007/4/27");
  EXPECT_EQ(vantrel::HourMinuteText(r), "8:5:");
}

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

TEST(ChartPaging, SixteenBarsAPage) {
  struct Case {
    int bars, pages, lastPageBars;
  };
  const Case cases[] = {{0, 1, 0}, {16, 1, 16}, {17, 2, 1}, {20, 2, 4}, {32, 2, 16}};
  for (const Case& c : cases) {
    vantrel::ChartPaging paging;
    EXPECT_EQ(paging.PageCount(c.bars), c.pages) << c.bars;
    paging.Next(c.bars);
    EXPECT_EQ(paging.ShownPage(c.bars), c.pages);
    EXPECT_EQ(paging.PointsOnPage(c.bars), c.lastPageBars);
    paging.Next(c.bars);  // nothing past the last page
    EXPECT_EQ(paging.ShownPage(c.bars), c.pages);
    paging.Previous(c.bars);
    paging.Previous(c.bars);  // nothing before the first
    EXPECT_EQ(paging.ShownPage(c.bars), 1);
  }
}

TEST(ChartPaging, ChosenPageOutlivesAnEmptySeries) {
  vantrel::ChartPaging paging;
  paging.Next(20);
  EXPECT_EQ(paging.ShownPage(0), 1);  // cleared: one empty page
  EXPECT_EQ(paging.PointsOnPage(0), 0);
  EXPECT_EQ(paging.ShownPage(20), 2);  // refilled: still the second page
  EXPECT_EQ(paging.FirstPoint(20), 16);
  EXPECT_EQ(paging.ShownPage(10), 1);  // fewer points: the last page there is
  paging.Previous(10);
  EXPECT_EQ(paging.ShownPage(20), 1);
}

// A top-level window that counts its paints and remembers the state the
// last one showed.
struct CountingWindow : QWidget {
  int paints = 0;
  int text = -1, shown = -1;
  void paintEvent(QPaintEvent*) override {
    ++paints;
    shown = text;
  }
};

bool WaitFor(const std::function<bool()>& done) {
  QElapsedTimer waited;
  waited.start();
  while (!done() && waited.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

// A burst of changes, one per chunk read, is painted at most once per
// interval, and the state after the last change is what ends up painted.
TEST(PaintPacer, HoldsTheRepaintsOfABurstAndPaintsTheLastState) {
  CountingWindow window;
  window.resize(60, 20);
  auto* pacer = new vantrel::PaintPacer(&window, 150);  // owned by the window
  window.show();
  ASSERT_TRUE(WaitFor([&] { return window.paints > 0; }));
  const int before = window.paints;
  for (int i = 0; i < 20; ++i) {
    window.text = i;
    window.update();
    QCoreApplication::processEvents();
  }
  EXPECT_LE(window.paints - before, 1);  // at most the first, if the show's paint was long enough ago
  ASSERT_TRUE(WaitFor([&] { return window.shown == 19; }));
  EXPECT_LE(window.paints - before, 2);
  EXPECT_GE(pacer->Delivered(), 2);
}

// What the user does is painted at once, pacing or not.
TEST(PaintPacer, UserInputLetsTheHeldRepaintThrough) {
  CountingWindow window;
  window.resize(60, 20);
  new vantrel::PaintPacer(&window, 3600 * 1000);  // an hour: nothing would come by itself
  window.show();
  ASSERT_TRUE(WaitFor([&] { return window.paints > 0; }));
  const int before = window.paints;
  window.update();  // held: the show's repaint was just now
  QCoreApplication::processEvents();
  EXPECT_EQ(window.paints, before);
  QTest::mouseClick(&window, Qt::LeftButton);
  EXPECT_TRUE(WaitFor([&] { return window.paints > before; }));
  // And the next repaint after a key goes through without waiting either.
  const int after = window.paints;
  QTest::keyClick(&window, Qt::Key_A);
  window.update();
  EXPECT_TRUE(WaitFor([&] { return window.paints > after; }));
}

class RefreshTest : public ::testing::Test {
 protected:
  vantrel::testing::FakeSeams seams;
  TMainForm form{seams.Services()};
  ReceiverRecord record;

  QString Cell(int row, int column) { return form.StringGrid1->item(row, column)->text(); }
  QColor FixColour() { return form.LabelFix->palette().color(QPalette::WindowText); }
  void AddSat(int prn, int snr, int elevation, int azimuth, int used = 0) {
    record.SatsInView[record.SatsInViewCount++] = {prn, snr, elevation, azimuth, uint8_t(used)};
  }
  void AddBars(int n) {
    form.ChartSNR->Clear();
    for (int i = 0; i < n; ++i) form.ChartSNR->AddBar(i, 30, QString::number(i), kBlue);
  }
};

TEST_F(RefreshTest, ZeroedRecordShowsItsStartTexts) {
  QLocale::setDefault(QLocale::c());
  form.RefreshStatus(record);
  EXPECT_EQ(form.LabelDate->text(), "0/0/0");
  EXPECT_EQ(form.LabelTime->text(), "0:0:0.000");
  EXPECT_EQ(form.LabelLat->text(), "S   0.00000");
  EXPECT_EQ(form.LabelLon->text(), "W 0.00000");
  EXPECT_EQ(form.LabelAlt->text(), "0.0");
  EXPECT_EQ(form.LabelFix->text(), "NoFix ");
  EXPECT_EQ(FixColour(), kRed);
  for (QLabel* label : {form.LabelSpeed, form.LabelTrack, form.LabelPDOP, form.LabelHDOP, form.LabelVDOP})
    EXPECT_EQ(label->text(), "0.0");
  EXPECT_FALSE(form.StringGrid1->isEnabled());
  EXPECT_EQ(form.ChartSNR->Count(), 32);  // placeholders stay
}

TEST_F(RefreshTest, LabelsFollowTheRecord) {
  QLocale::setDefault(QLocale::c());
  record.UtcYear = 2007, record.UtcMonth = 4, record.UtcDay = 27;
  record.UtcHour = 8, record.UtcMinute = 5, record.UtcSecond = 3.25f;
  record.Latitude = -25.5f;
  record.Longitude = 121.5654321f;
  record.Altitude = -12.34f;
  record.FixType = 2, record.FixQuality = 2;
  record.SpeedKmh = 1.8532f;
  record.Course = 359.96f;
  record.Pdop = 1.25f, record.Hdop = 0.9f, record.Vdop = 99.99f;
  form.RefreshStatus(record);
  EXPECT_EQ(form.LabelDate->text(), "2007/4/27");
  EXPECT_EQ(form.LabelTime->text(), "8:5:3.250");
  EXPECT_EQ(form.LabelLat->text(), "S   25.50000");
  EXPECT_EQ(form.LabelLon->text(), "E 121.56540");
  EXPECT_EQ(form.LabelAlt->text(), "-12.3");
  EXPECT_EQ(form.LabelFix->text(), "3D DGPS");
  EXPECT_EQ(FixColour(), kBlack);
  EXPECT_EQ(form.LabelSpeed->text(), "1.9");
  EXPECT_EQ(form.LabelTrack->text(), "360.0");
  EXPECT_EQ(form.LabelPDOP->text(), "1.3");
  EXPECT_EQ(form.LabelHDOP->text(), "0.9");
  EXPECT_EQ(form.LabelVDOP->text(), "100.0");
  record.Latitude = 23.5f;
  record.Longitude = 0;
  record.FixType = 1, record.FixQuality = 0;
  form.RefreshStatus(record);
  EXPECT_EQ(form.LabelLat->text(), "N   23.50000");
  EXPECT_EQ(form.LabelLon->text(), "W 0.00000");
  EXPECT_EQ(form.LabelFix->text(), "2D ");
  EXPECT_EQ(FixColour(), kBlack);
}

TEST_F(RefreshTest, ClearStatusLabelsKeepsTheFixColour) {
  form.RefreshStatus(record);
  form.ClearStatusLabels();
  for (QLabel* label : {form.LabelDate, form.LabelTime, form.LabelLat, form.LabelLon, form.LabelAlt,
                        form.LabelFix, form.LabelSpeed, form.LabelTrack, form.LabelPDOP, form.LabelHDOP,
                        form.LabelVDOP})
    EXPECT_TRUE(label->text().isEmpty());
  EXPECT_EQ(FixColour(), kRed);
}

TEST_F(RefreshTest, ChannelTableFillsAndEnablesTheGrid) {
  for (int i = 0; i < 32; ++i) record.Channels[i] = {i + 1, 10 + i, uint8_t(i % 4)};
  record.Channels[31] = {-5, -1, 200};
  record.ChannelsUpdated = 1;
  form.RefreshStatus(record);
  EXPECT_TRUE(form.StringGrid1->isEnabled());
  const char* status[] = {"Idle", "Searching", "Tracking", "Tracking"};
  for (int i = 0; i < 31; ++i) {
    EXPECT_EQ(Cell(i + 1, 0), QString::number(i + 1));
    EXPECT_EQ(Cell(i + 1, 1), QString::number(i + 1));
    EXPECT_EQ(Cell(i + 1, 2), QString::number(10 + i));
    EXPECT_EQ(Cell(i + 1, 3), status[i % 4]);
  }
  EXPECT_EQ(Cell(32, 1), "-5");
  EXPECT_EQ(Cell(32, 2), "-1");
  EXPECT_EQ(Cell(32, 3), "Tracking");
  EXPECT_EQ(Cell(0, 0), "Channel");
  // Satellites-in-view mode leaves the flag set: the grid follows the table.
  EXPECT_EQ(record.ChannelsUpdated, 1);
  record.Channels[0].Snr = 44;
  form.RefreshStatus(record);
  EXPECT_EQ(Cell(1, 2), "44");

  EXPECT_TRUE(form.ClearChannelGrid());
  EXPECT_FALSE(form.StringGrid1->isEnabled());
  for (int r = 1; r <= 32; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_TRUE(Cell(r, c).isEmpty());
  EXPECT_EQ(Cell(0, 3), "Status");
  EXPECT_FALSE(form.ClearChannelGrid());
  // The same table after a clear is written out again, every row.
  form.RefreshStatus(record);
  EXPECT_TRUE(form.StringGrid1->isEnabled());
  EXPECT_EQ(Cell(1, 2), "44");
  EXPECT_EQ(Cell(32, 0), "32");
  EXPECT_EQ(Cell(32, 3), "Tracking");
  // One channel changing among unchanged ones changes its row alone.
  record.Channels[16] = {30, 0, 1};
  form.RefreshStatus(record);
  EXPECT_EQ(Cell(17, 1), "30");
  EXPECT_EQ(Cell(17, 2), "0");
  EXPECT_EQ(Cell(17, 3), "Searching");
  EXPECT_EQ(Cell(16, 1), "16");
  EXPECT_EQ(Cell(18, 2), "27");
}

// A label is formatted again only when its values change, but what it shows
// is always what formatting the record now would give.
TEST_F(RefreshTest, UnchangedValuesKeepTheirTextsAndAClearOrLocaleChangeRewritesThem) {
  const QLocale saved;
  QLocale::setDefault(QLocale::c());
  record.UtcYear = 2007, record.UtcMonth = 4, record.UtcDay = 27;
  record.UtcHour = 8, record.UtcMinute = 5, record.UtcSecond = 3.25f;
  record.Latitude = -25.5f, record.Altitude = -12.34f, record.FixType = 2, record.FixQuality = 2;
  form.RefreshStatus(record);
  form.RefreshStatus(record);
  EXPECT_EQ(form.LabelTime->text(), "8:5:3.250");
  form.ClearStatusLabels();
  form.RefreshStatus(record);  // the same values after a clear
  EXPECT_EQ(form.LabelDate->text(), "2007/4/27");
  EXPECT_EQ(form.LabelTime->text(), "8:5:3.250");
  EXPECT_EQ(form.LabelLat->text(), "S   25.50000");
  EXPECT_EQ(form.LabelAlt->text(), "-12.3");
  EXPECT_EQ(form.LabelFix->text(), "3D DGPS");
  EXPECT_EQ(FixColour(), kBlack);
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  form.RefreshStatus(record);
  EXPECT_EQ(form.LabelTime->text(), "8:5:3,250");
  EXPECT_EQ(form.LabelLat->text(), "S   25,50000");
  EXPECT_EQ(form.LabelVDOP->text(), "0,0");
  QLocale::setDefault(saved);
  // Only the minute changing still rewrites the whole time.
  record.UtcMinute = 6;
  QLocale::setDefault(QLocale::c());
  form.RefreshStatus(record);
  EXPECT_EQ(form.LabelTime->text(), "8:6:3.250");
  QLocale::setDefault(saved);
}

TEST_F(RefreshTest, MonitorShowsOnlyTheStandardSentences) {
  const std::string chunk = "$GPGGA,1*00\r\n$PQOL001,314,3*3C\r\n$GPRMC,2*00\r\n";
  form.AppendMonitorLines(chunk.data(), chunk.size());
  form.FlushMonitorLines();
  EXPECT_EQ(form.MemoNMEA->toPlainText(), "$GPGGA,1*00\n$GPRMC,2*00");
  const std::string none = "$PQOLCHN,1,2*00\r\n";
  form.AppendMonitorLines(none.data(), none.size());
  form.AppendMonitorLines(nullptr, 0);
  form.FlushMonitorLines();
  EXPECT_EQ(form.MemoNMEA->document()->blockCount(), 2);
  // Bytes beyond the length given are not read.
  const char buffer[] = "$GPVTG\r\n$GPZDA\r\n";
  form.AppendMonitorLines(buffer, 8);
  form.FlushMonitorLines();
  EXPECT_EQ(form.MemoNMEA->toPlainText(), "$GPGGA,1*00\n$GPRMC,2*00\n$GPVTG");
}

TEST_F(RefreshTest, MonitorLinesOfSeveralChunksArriveTogetherAndInOrder) {
  form.PageControl1->setCurrentWidget(form.TabSetup);
  form.show();
  ASSERT_TRUE(form.MemoNMEA->isVisible());
  const std::string first = "$GPGGA,1*00\r\n", second = "$GPRMC,2*00\r\n$GPVTG,3*00\r\n";
  form.AppendMonitorLines(first.data(), first.size());
  form.AppendMonitorLines(second.data(), second.size());
  // They reach the monitor by themselves, without anyone flushing.
  QElapsedTimer waited;
  waited.start();
  while (form.MemoNMEA->toPlainText().isEmpty() && waited.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(form.MemoNMEA->toPlainText(), "$GPGGA,1*00\n$GPRMC,2*00\n$GPVTG,3*00");
}

TEST_F(RefreshTest, MonitorOffScreenGetsItsLinesWhenShownAndLosesThemToTheClear) {
  form.PageControl1->setCurrentWidget(form.TabStatus);
  form.show();
  const std::string chunk = "$GPGGA,1*00\r\n$GPRMC,2*00\r\n";
  form.AppendMonitorLines(chunk.data(), chunk.size());
  QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
  EXPECT_TRUE(form.MemoNMEA->toPlainText().isEmpty());  // nothing laid out off screen
  // Coming on screen shows every line received meanwhile, before its first paint.
  form.PageControl1->setCurrentWidget(form.TabSetup);
  EXPECT_EQ(form.MemoNMEA->toPlainText(), "$GPGGA,1*00\n$GPRMC,2*00");

  // The periodic clear takes the lines still waiting off screen with it.
  form.PageControl1->setCurrentWidget(form.TabStatus);
  const std::string later = "$GPVTG,3*00\r\n";
  form.AppendMonitorLines(later.data(), later.size());
  form.ClearMonitor();
  form.PageControl1->setCurrentWidget(form.TabSetup);
  EXPECT_TRUE(form.MemoNMEA->toPlainText().isEmpty());
  const std::string fresh = "$GPZDA,4*00\r\n";
  form.AppendMonitorLines(fresh.data(), fresh.size());
  form.FlushMonitorLines();
  EXPECT_EQ(form.MemoNMEA->toPlainText(), "$GPZDA,4*00");
}

TEST_F(RefreshTest, EmptyingTheMonitorDropsLinesNotYetShown) {
  const std::string old = "$GPGGA,old*00\r\n";
  form.MemoNMEA->appendPlainText("$GPGSA,shown*00");
  form.AppendMonitorLines(old.data(), old.size());
  form.MemoNMEA->clear();  // a port open or the periodic clear
  form.FlushMonitorLines();
  EXPECT_TRUE(form.MemoNMEA->toPlainText().isEmpty());
  const std::string fresh = "$GPGGA,new*00\r\n";
  form.AppendMonitorLines(fresh.data(), fresh.size());
  form.FlushMonitorLines();
  EXPECT_EQ(form.MemoNMEA->toPlainText(), "$GPGGA,new*00");
}

TEST_F(RefreshTest, CompleteGroupIsSortedByPrnAndChartedWithSignalOnly) {
  AddSat(17, 40, 30, 10, 1);
  AddSat(3, 0, 60, 200);  // no signal: a disc but no bar
  AddSat(0, 35, 10, 10);  // no PRN: neither
  AddSat(9, 22, 45, 45, 0);
  record.GsvComplete = 1;
  record.ChannelsUpdated = 1;
  form.RefreshStatus(record);
  EXPECT_EQ(record.SatsInView[0].Prn, 0);
  EXPECT_EQ(record.SatsInView[1].Prn, 3);
  EXPECT_EQ(record.SatsInView[2].Prn, 9);
  EXPECT_EQ(record.SatsInView[3].Prn, 17);
  ASSERT_EQ(form.ChartSNR->Count(), 2);
  EXPECT_EQ(form.ChartSNR->Bar(0), (ChartBar{0, 22, "9", kWhite}));
  EXPECT_EQ(form.ChartSNR->Bar(1), (ChartBar{1, 40, "17", kBlue}));
  EXPECT_EQ(record.GsvComplete, 0);
  EXPECT_EQ(record.ChannelsUpdated, 1);
  // Without a completed group nothing is sorted or rebuilt.
  std::swap(record.SatsInView[2], record.SatsInView[3]);
  form.ChartSNR->Clear();
  form.RefreshStatus(record);
  EXPECT_EQ(record.SatsInView[2].Prn, 17);
  EXPECT_EQ(form.ChartSNR->Count(), 0);
}

TEST_F(RefreshTest, TableIsWalkedOnlyOverTheAnnouncedCount) {
  for (int i = 0; i < 20; ++i) record.SatsInView[i] = {40 - i, 30, 45, 45, 0};
  record.SatsInViewCount = 3;
  record.GsvComplete = 1;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ChartSNR->Count(), 3);
  EXPECT_EQ(record.SatsInView[0].Prn, 38);
  EXPECT_EQ(record.SatsInView[3].Prn, 37);  // beyond the count: untouched
  record.SatsInViewCount = 99;              // more than the table: 20 at most
  record.GsvComplete = 1;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ChartSNR->Count(), 20);
  EXPECT_EQ(form.ChartSNR->PageCount(), 2);
  form.ChartSNRClick();
  EXPECT_EQ(form.ChartSNR->Page(), 2);
}

TEST_F(RefreshTest, SkyViewDiscsAtTheirPixels) {
  AddSat(5, 40, 90, 0);
  AddSat(12, 0, 0, 90);
  AddSat(0, 40, 45, 45);  // no PRN: not drawn
  record.GsvComplete = 1;
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
TEST_F(RefreshTest, CopiedDiscsEqualDiscsDrawnInPlace) {
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
  record.GsvComplete = 1;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ImgSV->Picture, expected);
  // Drawn again from the sprites made the first time.
  form.ResetSkyView();
  record.GsvComplete = 1;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ImgSV->Picture, expected);
}

TEST_F(RefreshTest, SameSkyAfterAResetIsDrawnAgain) {
  AddSat(7, 30, 50, 100);
  record.GsvComplete = 1;
  form.RefreshStatus(record);
  const QImage drawn = form.ImgSV->Picture;
  ASSERT_NE(drawn, form.ImgSVOrig->Picture);
  record.GsvComplete = 1;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ImgSV->Picture, drawn);
  form.ResetSkyView();  // as an open or a confirm does
  record.GsvComplete = 1;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ImgSV->Picture, drawn);
  // A satellite losing its signal changes its disc.
  record.SatsInView[0].Snr = 0;
  record.GsvComplete = 1;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ImgSV->Picture.pixelColor(SkyViewPosition(50, 100).X, SkyViewPosition(50, 100).Y + 9),
            kSkyBlue);
  // A group without satellites shows the bare background.
  record.SatsInViewCount = 0;
  record.GsvComplete = 1;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ImgSV->Picture, form.ImgSVOrig->Picture);
}

TEST_F(RefreshTest, SecondPageStaysShownWhileTheChartIsRebuilt) {
  for (int i = 0; i < 20; ++i) AddSat(i + 1, 30, 45, 18 * i, 1);
  record.GsvComplete = 1;
  form.RefreshStatus(record);
  form.ChartSNRClick();
  ASSERT_EQ(form.ChartSNR->Page(), 2);
  record.SatsInView[19].Snr = 31;  // the next group
  record.GsvComplete = 1;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ChartSNR->Page(), 2);
  EXPECT_EQ(form.ChartSNR->Count(), 20);
  form.ChartSNRClick();
  EXPECT_EQ(form.ChartSNR->Page(), 1);
}

TEST_F(RefreshTest, ChannelModeChartsAllThirtyTwoChannelsByStatus) {
  form.ChartSNRDblClick();
  ASSERT_TRUE(form.ChartChannelMode);
  for (int i = 0; i < 32; ++i) record.Channels[i] = {i + 1, i, uint8_t(i % 3)};
  record.Channels[5].Status = 9;
  record.GsvComplete = 1;
  AddSat(4, 30, 10, 10);
  form.RefreshStatus(record);
  EXPECT_EQ(form.ChartSNR->Count(), 0);  // no channel table yet
  EXPECT_EQ(record.GsvComplete, 0);
  record.ChannelsUpdated = 1;
  form.RefreshStatus(record);
  ASSERT_EQ(form.ChartSNR->Count(), 32);
  EXPECT_EQ(form.ChartSNR->Bar(0), (ChartBar{0, 0, "1", kWhite}));
  EXPECT_EQ(form.ChartSNR->Bar(1), (ChartBar{1, 1, "2", kPurple}));
  EXPECT_EQ(form.ChartSNR->Bar(2), (ChartBar{2, 2, "3", kRed}));
  EXPECT_EQ(form.ChartSNR->Bar(5).Color, kRed);
  EXPECT_EQ(record.ChannelsUpdated, 0);
  EXPECT_TRUE(form.StringGrid1->isEnabled());
}

TEST_F(RefreshTest, ClicksPageOnlyWhenThereIsASecondPage) {
  struct Case {
    int bars;
    int afterOne, afterTwo;
  };
  const Case cases[] = {{16, 1, 1}, {17, 2, 1}, {20, 2, 1}, {32, 2, 1}};
  for (const Case& c : cases) {
    AddBars(c.bars);
    form.ChartSNRClick();
    EXPECT_EQ(form.ChartSNR->Page(), c.afterOne) << c.bars;
    form.ChartSNRClick();
    EXPECT_EQ(form.ChartSNR->Page(), c.afterTwo) << c.bars;
  }
}

TEST_F(RefreshTest, DoubleClickSwitchesModeAndEmptiesTheChart) {
  // Placeholder state: emptied, channel mode, red title.
  form.ChartSNRDblClick();
  EXPECT_TRUE(form.ChartChannelMode);
  EXPECT_EQ(form.ChartSNR->Count(), 0);
  EXPECT_EQ(form.ChartSNR->TitleColor(), kRed);
  // The next channel table fills it.
  record.ChannelsUpdated = 1;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ChartSNR->Count(), 32);
  // Channel mode: back to satellites in view, blue title, empty until a group.
  form.ChartSNRClick();
  form.ChartSNRDblClick();
  EXPECT_FALSE(form.ChartChannelMode);
  EXPECT_EQ(form.ChartSNR->Count(), 0);
  EXPECT_EQ(form.ChartSNR->Page(), 1);
  EXPECT_EQ(form.ChartSNR->TitleColor(), kBlue);
  record.ChannelsUpdated = 1;
  form.RefreshStatus(record);
  EXPECT_EQ(form.ChartSNR->Count(), 0);
  // The mode is the window's, not the record's: a fresh record keeps it.
  form.ChartSNRDblClick();
  ReceiverRecord fresh;
  fresh.ChannelsUpdated = 1;
  form.RefreshStatus(fresh);
  EXPECT_TRUE(form.ChartChannelMode);
  EXPECT_EQ(form.ChartSNR->Count(), 32);
}

}  // namespace
