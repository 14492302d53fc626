// The NMEA monitor: which lines it shows and when they go in.
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <gtest/gtest.h>
#include <string>

#include "tests/ui/RefreshFixture.h"

namespace {

using namespace vantrel::testing;

class MonitorTest : public RefreshFixture {};

TEST_F(MonitorTest, MonitorShowsOnlyTheStandardSentences) {
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

TEST_F(MonitorTest, MonitorLinesOfSeveralChunksArriveTogetherAndInOrder) {
  form.PageControl1->setCurrentWidget(form.TabSetup);
  form.show();
  ASSERT_TRUE(form.MemoNMEA->isVisible());
  const std::string first = "$GPGGA,1*00\r\n", second = "$GPRMC,2*00\r\n$GPVTG,3*00\r\n";
  form.AppendMonitorLines(first.data(), first.size());
  form.AppendMonitorLines(second.data(), second.size());
  // They reach the monitor by themselves, without anyone flushing.
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form.MemoNMEA->toPlainText().isEmpty(); }));
  EXPECT_EQ(form.MemoNMEA->toPlainText(), "$GPGGA,1*00\n$GPRMC,2*00\n$GPVTG,3*00");
}

TEST_F(MonitorTest, MonitorOffScreenGetsItsLinesWhenShownAndLosesThemToTheClear) {
  form.PageControl1->setCurrentWidget(form.TabStatus);
  form.show();
  const std::string chunk = "$GPGGA,1*00\r\n$GPRMC,2*00\r\n";
  form.AppendMonitorLines(chunk.data(), chunk.size());
  // Past the time a flush would have come, had one been started.
  bool flushTimePassed = false;
  QTimer::singleShot(2 * TMainForm::kMonitorFlushMs, [&] { flushTimePassed = true; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return flushTimePassed; }));
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

TEST_F(MonitorTest, EmptyingTheMonitorDropsLinesNotYetShown) {
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

}  // namespace
