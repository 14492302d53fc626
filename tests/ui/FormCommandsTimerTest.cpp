// Timer1's tick on an open (fake) port: monitor clearing, the reopen after a
// baud change, restart timing, acknowledgement reports, the fault display
// and the current-test command.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <string>

#include "commands/Commands.h"
#include "tests/link/FakeSerialPort.h"
#include "link/Thread.h"
#include "tests/ui/FakeSeams.h"
#include "tests/ui/OpenFormFixture.h"
#include "ui/Lists.h"
#include "ui/StatusBar.h"

namespace {

using namespace std::string_literals;
using vantrel::ItemIndex;

const std::string kCurrentTest = "$PQOL160*35\r\n\0"s;

class FormTimerTest : public vantrel::testing::OpenFormFixture {
 protected:
  std::vector<std::string> Writes() { return ports.Device().Writes(); }
  QString Panel(int i) { return form.StatusBar1->PanelText(i); }

  // Runs the event loop until `done` or two seconds have passed. Timer1 is
  // stopped first: the test calls the ticks itself.
  bool ProcessUntil(const std::function<bool()>& done) {
    form.Timer1->stop();
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
  }

  // A fix in the current reader's record, through the port as the receiver
  // would send it; the next sentence's start releases it from the framing.
  // A reader stopped by a restart may still take one chunk in its last read,
  // so the receiver repeats itself until the fix is seen.
  void FeedFix() {
    const bool fixed = ProcessUntil([&] {
      if (ports.Device().InputLeft() == 0)
        ports.Device().Feed("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n$GPGSA,");
      return form.ReaderThread->FixType() != 0;
    });
    ASSERT_TRUE(fixed);
  }
};

TEST_F(FormTimerTest, TickDoesNothingWithoutAReader) {
  form.BtnCloseClick();
  form.Acks.AckedCommand = 314;
  form.Acks.FailedCommand = 220;
  form.Timer1Tick();
  EXPECT_TRUE(seams.Boxes.Texts.empty());
  EXPECT_EQ(form.ClearTickCount, 0);
}

TEST_F(FormTimerTest, EachSuccessAcknowledgementGivesItsMessageOnce) {
  struct Case {
    int32_t acked;
    QRadioButton* radio;
    const char* message;
  } cases[] = {
      {220, nullptr, "Fix Update Rate Change!!"},
      {301, form.RadioWAASEnable, "WAAS Enable!!"},
      {301, form.RadioRTCMEnable, "RTCM Enable!!"},
      {301, form.RadioBothDisable, "Disable All DGPS Correction!!"},
      {314, nullptr, "NMEA Setting OK!!"},
      {319, form.RadioIntegrity, "WAAS Integrity Mode Enable!!"},
      {319, form.RadioTest, "WAAS Test Mode Enable!!"},
      {330, nullptr, "Datum Change!!"},
      {390, nullptr, "Write Settings into Flash OK!!"},
  };
  for (const Case& c : cases) {
    seams.Boxes.Texts.clear();
    // The text follows the radio buttons at the time of the tick.
    if (c.radio != nullptr) c.radio->setChecked(true);
    form.Acks.AckedCommand = c.acked;
    form.Timer1Tick();
    form.Timer1Tick();
    EXPECT_EQ(seams.Boxes.Texts, std::vector<QString>{c.message}) << c.acked;
    EXPECT_EQ(form.Acks.AckedCommand.load(), 0);
  }
}

TEST_F(FormTimerTest, AcknowledgementsWithoutAMessage) {
  form.Acks.AckedCommand = 188;  // wake-up: cleared silently
  form.Timer1Tick();
  EXPECT_EQ(form.Acks.AckedCommand.load(), 0);

  form.Acks.AckedCommand = 101;  // a restart accepted: kept, not reported
  form.Timer1Tick();
  EXPECT_EQ(form.Acks.AckedCommand.load(), 101);
  EXPECT_TRUE(seams.Boxes.Texts.empty());
  EXPECT_EQ(form.RestartKind, vantrel::Restart::None);
}

TEST_F(FormTimerTest, TwoSuccessesWithinOneTickReportOnlyTheSecond) {
  const std::string a = "$PQOL001,220,3*30\r\n", b = "$PQOL001,330,3*30\r\n";
  ports.Device().Feed(a + b + "$GPGSA,");  // the next start releases b
  ASSERT_TRUE(ProcessUntil([&] { return form.Acks.AckedCommand.load() == 330; }));
  form.Timer1Tick();
  EXPECT_EQ(seams.Boxes.Texts, std::vector<QString>{"Datum Change!!"});
}

TEST_F(FormTimerTest, FailureAcknowledgements) {
  const std::pair<int32_t, const char*> cases[] = {
      {220, "Change Fix Update Rate Fail!!"}, {251, "Change Baudrate Fail!!"},
      {314, "NMEA Setting Fail!!"},           {390, "Write Settings into Flash Fail!!"},
      {101, "Unknown Cmd!!"},                 {330, "Unknown Cmd!!"},
  };
  for (const auto& [failed, message] : cases) {
    seams.Boxes.Texts.clear();
    form.Acks.FailedCommand = failed;
    form.Timer1Tick();
    form.Timer1Tick();
    EXPECT_EQ(seams.Boxes.Texts, std::vector<QString>{message}) << failed;
    EXPECT_EQ(form.Acks.FailedCommand.load(), 0);
  }
}

TEST_F(FormTimerTest, SuccessAndFailureInOneTickShowBoth) {
  form.Acks.AckedCommand = 314;
  form.Acks.FailedCommand = 220;
  form.Timer1Tick();
  EXPECT_EQ(seams.Boxes.Texts,
            (std::vector<QString>{"NMEA Setting OK!!", "Change Fix Update Rate Fail!!"}));
}

TEST_F(FormTimerTest, MonitorIsClearedEveryTenthTick) {
  for (int tick = 1; tick <= 10; ++tick) {
    form.MemoNMEA->setPlainText("line");
    form.Timer1Tick();
    EXPECT_EQ(form.MemoNMEA->toPlainText().isEmpty(), tick == 10) << tick;
  }
}

TEST_F(FormTimerTest, BaudChangeReopensOnTheFourthTickAtTheNewRate) {
  vantrel::SelectItem(form.CmbSetBaud, 6);  // 115200
  form.ReopenPending = true;
  form.Timer1Tick();
  form.Timer1Tick();
  form.Timer1Tick();
  EXPECT_EQ(ports.Device().OpenedPaths().size(), 1u);
  form.Timer1Tick();
  EXPECT_EQ(ports.Device().OpenedPaths().size(), 2u);
  EXPECT_EQ(ports.Device().Bauds().back(), 115200);
  EXPECT_EQ(ItemIndex(form.CmbBaud), 6);
  EXPECT_TRUE(form.PortOpen());
  EXPECT_TRUE(form.Timer1->isActive());
  EXPECT_FALSE(form.ReopenPending);
  // The 500 ms gap, then the six queries of the open.
  ASSERT_FALSE(seams.Pauses.Recorded.empty());
  EXPECT_EQ(seams.Pauses.Recorded.front(), 500);
  EXPECT_EQ(Writes().size(), 7u);
}

TEST_F(FormTimerTest, TypedBaudTextIsCarriedOverToTheReopen) {
  vantrel::SetListText(form.CmbSetBaud, "230400");
  form.ReopenPending = true;
  for (int i = 0; i < 4; ++i) form.Timer1Tick();
  EXPECT_EQ(form.CmbBaud->currentText(), "230400");
  EXPECT_EQ(ports.Device().Bauds().back(), 230400);
}

TEST_F(FormTimerTest, BaudFailureWithinThreeSecondsKeepsThePortOpen) {
  form.ReopenPending = true;
  form.Timer1Tick();
  form.Acks.FailedCommand = 251;
  for (int i = 0; i < 5; ++i) form.Timer1Tick();
  EXPECT_EQ(seams.Boxes.Texts, std::vector<QString>{"Change Baudrate Fail!!"});
  EXPECT_EQ(ports.Device().OpenedPaths().size(), 1u);
  EXPECT_FALSE(form.ReopenPending);
}

TEST_F(FormTimerTest, CurrentTestIsSentEveryTickUntilAcknowledged) {
  form.Timer1Tick();
  EXPECT_TRUE(Writes().empty());  // box not checked

  form.ChkBoxPower->setChecked(true);
  form.Timer1Tick();
  form.Timer1Tick();
  EXPECT_EQ(Writes(), (std::vector<std::string>{kCurrentTest, kCurrentTest}));
  EXPECT_EQ(seams.Pauses.Recorded, (std::vector<int>{400, 400}));

  form.Acks.AckedCommand = 160;
  Forget();
  form.Timer1Tick();
  EXPECT_EQ(form.LabelCurrent->text(), "Enable");
  EXPECT_TRUE(form.CurrentTestEnabled);
  EXPECT_TRUE(seams.Boxes.Texts.empty());
  form.Timer1Tick();
  EXPECT_TRUE(Writes().empty());

  // A new reader forgets the acceptance: sent again until acknowledged anew.
  form.StopReaderThread();
  form.StartReaderThread();
  form.Timer1Tick();
  EXPECT_EQ(Writes(), std::vector<std::string>{kCurrentTest});
}

TEST_F(FormTimerTest, CurrentTestIsNotSentDuringARestartCount) {
  form.ChkBoxPower->setChecked(true);
  form.BtnColdClick();
  Forget();
  for (int i = 0; i < 5; ++i) form.Timer1Tick();
  EXPECT_TRUE(Writes().empty());
}

TEST_F(FormTimerTest, RestartButtonsWriteWaitAndStartACount) {
  using vantrel::Restart;
  const std::tuple<void (TMainForm::*)(), std::string, Restart, const char*> buttons[] = {
      {&TMainForm::BtnHotClick, "$PQOL101*32\r\n\0"s, Restart::Hot, "Hot Start"},
      {&TMainForm::BtnWarmClick, "$PQOL102*31\r\n\0"s, Restart::Warm, "Warm Start"},
      {&TMainForm::BtnColdClick, "$PQOL103*30\r\n\0"s, Restart::Cold, "Cold Start"},
  };
  for (const auto& [click, bytes, kind, name] : buttons) {
    Forget();
    vantrel::TNMEAThread* before = form.ReaderThread;
    seams.Clock.Now = 50'000;
    (form.*click)();
    EXPECT_EQ(Writes(), std::vector<std::string>{bytes});
    EXPECT_EQ(seams.Pauses.Recorded, std::vector<int>{1000});
    EXPECT_NE(form.ReaderThread, before);
    EXPECT_NE(form.ReaderThread, nullptr);
    EXPECT_EQ(form.RestartKind, kind);
    EXPECT_EQ(form.Timer1->interval(), 100);
    EXPECT_EQ(form.RestartStartTime, 50'000);

    seams.Clock.Now += 35'200;
    form.Timer1Tick();
    EXPECT_EQ(Panel(0), name);
    EXPECT_EQ(Panel(1), "35.2 sec(s)");
  }
}

TEST_F(FormTimerTest, FixEndsTheCountAndKeepsTheLastTime) {
  seams.Clock.Now = 1'000;
  form.BtnHotClick();
  seams.Clock.Now += 18'900;
  form.Timer1Tick();
  seams.Clock.Now += 100;
  form.Timer1Tick();
  EXPECT_EQ(Panel(1), "19.0 sec(s)");
  FeedFix();
  seams.Clock.Now += 100;
  form.Timer1Tick();
  EXPECT_EQ(Panel(0), "Hot Start");
  EXPECT_EQ(Panel(1), "19.0 sec(s)");
  EXPECT_EQ(form.RestartKind, vantrel::Restart::None);
  EXPECT_EQ(form.Timer1->interval(), 1000);
}

TEST_F(FormTimerTest, NoFixForThousandSecondsTimesOut) {
  seams.Clock.Now = 0;
  form.BtnColdClick();
  seams.Clock.Now = 999'900;
  form.Timer1Tick();
  EXPECT_EQ(Panel(1), "999.9 sec(s)");
  seams.Clock.Now = 1'000'000;  // exactly 1000.0 s
  form.Timer1Tick();
  EXPECT_EQ(Panel(0), "Cold Start");
  EXPECT_EQ(Panel(1), "TimeOut 1000 sec(s)");
  EXPECT_EQ(form.RestartKind, vantrel::Restart::None);
  EXPECT_EQ(form.Timer1->interval(), 1000);
  EXPECT_TRUE(seams.Boxes.Texts.empty());
  EXPECT_TRUE(form.BtnCold->isEnabled());
}

TEST_F(FormTimerTest, AnotherRestartDuringACountStartsAgain) {
  seams.Clock.Now = 0;
  form.BtnHotClick();
  seams.Clock.Now = 12'000;
  form.Timer1Tick();
  form.BtnColdClick();
  seams.Clock.Now = 12'300;
  form.Timer1Tick();
  EXPECT_EQ(Panel(0), "Cold Start");
  EXPECT_EQ(Panel(1), "0.3 sec(s)");
}

TEST_F(FormTimerTest, CountGoesOnAcrossAReopenWithTheSameTimeBase) {
  seams.Clock.Now = 0;
  form.BtnWarmClick();
  seams.Clock.Now = 2'000;
  form.Timer1Tick();
  form.BtnCloseClick();
  form.BtnOpenClick();
  EXPECT_EQ(form.Timer1->interval(), 1000);
  seams.Clock.Now = 7'000;
  form.Timer1Tick();
  EXPECT_EQ(Panel(0), "Warm Start");
  EXPECT_EQ(Panel(1), "7.0 sec(s)");
}

TEST_F(FormTimerTest, ReceiverFaultBlinksAndDisablesTheRestartButtons) {
  seams.Clock.Now = 0;
  form.BtnHotClick();
  form.ClearTickCount = 0;
  // ClearTickCount after the monitor step: 1 blanks the panels, 2 shows the text.
  form.Acks.AckedCommand = -1;
  form.Timer1Tick();
  EXPECT_EQ(Panel(0), "");
  EXPECT_EQ(Panel(1), "");
  EXPECT_FALSE(form.BtnHot->isEnabled());
  EXPECT_FALSE(form.BtnWarm->isEnabled());
  EXPECT_FALSE(form.BtnCold->isEnabled());
  EXPECT_EQ(form.Acks.AckedCommand.load(), 0);

  form.Acks.AckedCommand = -1;
  form.Timer1Tick();
  EXPECT_EQ(Panel(0), "Problem   IC");
  EXPECT_EQ(Panel(1), "Please   Contact   QOL");
  EXPECT_TRUE(seams.Boxes.Texts.empty());

  // Without a fault the restart count takes the status bar back.
  seams.Clock.Now = 4'000;
  form.Timer1Tick();
  EXPECT_EQ(Panel(0), "Hot Start");
  EXPECT_EQ(Panel(1), "4.0 sec(s)");
  EXPECT_FALSE(form.BtnHot->isEnabled());

  form.BtnCloseClick();
  form.BtnOpenClick();
  EXPECT_TRUE(form.BtnHot->isEnabled());
  EXPECT_TRUE(form.BtnCold->isEnabled());
}

TEST_F(FormTimerTest, FailureJustBeforeCloseIsReportedAfterTheNextOpen) {
  form.Acks.FailedCommand = 314;
  form.Acks.AckedCommand = 390;
  form.BtnCloseClick();
  form.BtnOpenClick();
  EXPECT_EQ(form.Acks.AckedCommand.load(), 0);
  form.Timer1Tick();
  EXPECT_EQ(seams.Boxes.Texts, std::vector<QString>{"NMEA Setting Fail!!"});
}

TEST_F(FormTimerTest, RestartWithThePortClosedDoesNothing) {
  form.BtnCloseClick();
  Forget();
  form.BtnHotClick();
  EXPECT_TRUE(Writes().empty());
  EXPECT_TRUE(seams.Pauses.Recorded.empty());
  EXPECT_EQ(form.RestartKind, vantrel::Restart::None);
}

TEST_F(FormTimerTest, BuiltCommandsAreWrittenWithTheirPausesOrRefusedWithAMessage) {
  EXPECT_TRUE(form.SendBuiltCommand(vantrel::BuildOutputRateCommand({})));
  EXPECT_EQ(Writes(), std::vector<std::string>{"$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0*28\r\n"});
  EXPECT_EQ(seams.Pauses.Recorded, std::vector<int>{1500});  // before the write, none after

  Forget();
  EXPECT_FALSE(form.SendBuiltCommand(vantrel::BuildBaudRateCommand(std::string(90, '9'))));
  EXPECT_TRUE(Writes().empty());
  EXPECT_TRUE(seams.Pauses.Recorded.empty());
  ASSERT_EQ(seams.Boxes.Texts.size(), 1u);
  EXPECT_TRUE(seams.Boxes.Texts[0].contains("Nothing was sent")) << seams.Boxes.Texts[0].toStdString();

  // With the port closed nothing is written and nothing is said.
  form.BtnCloseClick();
  Forget();
  EXPECT_FALSE(form.SendBuiltCommand(vantrel::BuildFixRateCommand("2")));
  EXPECT_FALSE(form.SendBuiltCommand(vantrel::BuildBaudRateCommand(std::string(90, '9'))));
  EXPECT_TRUE(Writes().empty());
  EXPECT_TRUE(seams.Pauses.Recorded.empty());
  EXPECT_TRUE(seams.Boxes.Texts.empty());
}

// A message box is modal but keeps the event loop running: ticks go on, and
// a second box can open over the first.
class NestedBoxes : public vantrel::IMessageBoxes {
 public:
  explicit NestedBoxes(TMainForm*& form) : form_(form) {}
  void Show(QWidget*, const QString& text) override {
    Texts.push_back(text);
    if (Texts.size() != 1) return;
    // While the first box is open the receiver reports a failure; the
    // first box closes once a later tick has shown it.
    form_->Acks.FailedCommand = 220;
    QElapsedTimer t;
    t.start();
    while (Texts.size() < 2 && t.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    OpenWhenSecondShown = Texts.size() >= 2;
  }
  std::vector<QString> Texts;
  bool OpenWhenSecondShown = false;

 private:
  TMainForm*& form_;
};

TEST(FormTimerBoxes, SecondBoxOpensOverTheFirstWhileTicksGoOn) {
  vantrel::testing::FakeSeams seams;
  TMainForm* formPtr = nullptr;
  NestedBoxes boxes(formPtr);
  FormServices services = seams.Services();
  services.MessageBoxes = &boxes;
  vantrel::FakeSerialPortFactory ports;
  TMainForm form(services);
  formPtr = &form;
  form.Ports = &ports;
  form.BtnOpenClick();
  ASSERT_TRUE(form.PortOpen());
  form.Timer1->setInterval(20);  // real ticks, quickly
  form.Acks.AckedCommand = 314;
  QElapsedTimer t;
  t.start();
  while (boxes.Texts.size() < 2 && t.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(boxes.Texts, (std::vector<QString>{"NMEA Setting OK!!", "Change Fix Update Rate Fail!!"}));
  EXPECT_TRUE(boxes.OpenWhenSecondShown);
  form.FormDestroy();
}

}  // namespace
