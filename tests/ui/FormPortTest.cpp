// Opening and closing the receiver port from the window, with a fake port,
// a pseudo-terminal and /dev/null.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <unistd.h>  // close, unlink

#include <atomic>
#include <cerrno>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/link/FakeSerialPort.h"
#include "tests/link/PtyPair.h"
#include "tests/ui/FakeSeams.h"
#include "tests/ui/PortOpening.h"
#include "tests/ui/PumpUntil.h"
#include "ui/Form.h"
#include "ui/StatusBar.h"

namespace vantrel {
namespace {

using testing::kOpenQueries;
using testing::PumpUntil;

// Pauses recorded together with the writes that came before them, so a
// test sees "write, pause, write, pause" in order.
class PausesAfterWrites : public IPauses {
 public:
  explicit PausesAfterWrites(FakePortDevice& device) : device_(device) {}
  void Sleep(int milliseconds) override {
    const auto writes = device_.Writes();
    for (size_t i = seenWrites_; i < writes.size(); ++i) Events.push_back("write " + writes[i]);
    seenWrites_ = writes.size();
    Events.push_back("pause " + std::to_string(milliseconds));
  }
  std::vector<std::string> Events;

 private:
  FakePortDevice& device_;
  size_t seenWrites_ = 0;
};

class FormPortTest : public ::testing::Test {
 protected:
  FormPortTest() : pauses(ports.Device()) {
    FormServices services = seams.Services();
    services.Pauses = &pauses;
    form = std::make_unique<TMainForm>(services);
    form->Ports = &ports;
  }
  FakePortDevice& device() { return ports.Device(); }
  std::vector<QWidget*> ReceiverControls() {
    TMainForm* f = form.get();
    return {f->BtnHot,      f->BtnWarm,      f->BtnCold,         f->BtnLog,        f->BtnDGPSSet,
            f->BtnDGPSQuery, f->BtnDatumQuery, f->BtnDatumSet,   f->BtnConfirm,    f->BtnDefault,
            f->BtnNMEAQuery, f->BtnQuery,    f->BtnTCXO,         f->BtnWakeUp,     f->BtnSetFixRate,
            f->BtnQueryFixRate, f->BtnSetBaud, f->ChkBoxPower,   f->BtnIntegrity,  f->BtnQIntegrity,
            f->BtnFlashSet, f->ChkFlashProtect, f->BtnQFlash,    f->Cmb101Com,     f->Cmb101Baud,
            f->Cmb101SV,    f->CmbDegrade,   f->Btn101Open};
  }

  testing::FakeSeams seams;
  FakeSerialPortFactory ports;
  PausesAfterWrites pauses;
  std::unique_ptr<TMainForm> form;
};

TEST_F(FormPortTest, OpenWritesTheSevenQueriesEachFollowedByItsPause) {
  form->BtnOpenClick();
  std::vector<std::string> expected;
  for (const auto& query : kOpenQueries) {
    expected.push_back("write " + query);
    expected.push_back("pause 400");
  }
  EXPECT_EQ(pauses.Events, expected);
  EXPECT_EQ(device().OpenedPaths(), std::vector<std::string>{"/dev/ttyS0"});
  EXPECT_EQ(device().Bauds(), std::vector<long>{38400});
  EXPECT_TRUE(seams.Boxes.Texts.empty());
}

TEST_F(FormPortTest, OpenSwitchesTheControlsAndCloseSwitchesThemBack) {
  form->LabelVersion->setText("FW 1.0");
  form->LabelTCXO->setText("0.5 ppm");
  form->StatusBar1->SetPanelText(0, "Hot Start");
  form->MemoNMEA->appendPlainText("$GPGGA old");
  form->CmbBaud->setCurrentIndex(6);  // 115200

  form->BtnOpenClick();
  ASSERT_TRUE(form->PortOpen());
  EXPECT_NE(form->ReaderThread, nullptr);
  for (QWidget* control : ReceiverControls()) EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
  EXPECT_FALSE(form->CmbCom->isEnabled());
  EXPECT_FALSE(form->CmbBaud->isEnabled());
  EXPECT_FALSE(form->BtnClose->isHidden());
  EXPECT_TRUE(form->Timer1->isActive());
  EXPECT_EQ(form->Timer1->interval(), 1000);
  EXPECT_EQ(form->LabelCurrent->text(), "Disable");
  EXPECT_EQ(form->CmbSetBaud->currentText(), "115200");
  EXPECT_TRUE(form->MemoNMEA->toPlainText().isEmpty());
  EXPECT_TRUE(form->StatusBar1->PanelText(0).isEmpty());
  EXPECT_FALSE(form->CurrentTestEnabled);

  form->BtnCloseClick();
  EXPECT_FALSE(form->PortOpen());
  EXPECT_EQ(form->ReaderThread, nullptr);
  for (QWidget* control : ReceiverControls()) EXPECT_FALSE(control->isEnabled());
  EXPECT_TRUE(form->CmbCom->isEnabled());
  EXPECT_TRUE(form->CmbBaud->isEnabled());
  EXPECT_TRUE(form->BtnClose->isHidden());
  EXPECT_TRUE(form->BtnLogging->isHidden());
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_TRUE(form->LabelVersion->text().isEmpty());
  EXPECT_TRUE(form->LabelTCXO->text().isEmpty());
  // The reader lets go of the device once it has seen the close.
  EXPECT_TRUE(QTest::qWaitFor([&] { return device().OpenPorts() == 0; }));
}

TEST_F(FormPortTest, DeviceThatCannotBeOpenedLeavesEverythingAsItWas) {
  device().SetOpenError(ENOENT);
  form->CmbCom->setEditText("COM42");
  form->BtnOpenClick();
  EXPECT_EQ(seams.Boxes.Texts,
            std::vector<QString>{"Can't Open ComPort!!\nNo such device: /dev/ttyS41. Is the receiver plugged in? "
                                 "Right after plugging it in, `dmesg` names its device."});
  EXPECT_EQ(device().OpenedPaths(), std::vector<std::string>{"/dev/ttyS41"});
  EXPECT_FALSE(form->PortOpen());
  EXPECT_EQ(form->ReaderThread, nullptr);
  EXPECT_TRUE(form->CmbCom->isEnabled());
  EXPECT_TRUE(form->BtnClose->isHidden());
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_TRUE(device().Writes().empty());
}

TEST_F(FormPortTest, RefusedConfigurationIsReportedWithItsErrnoAndTheDeviceIsReleased) {
  device().FailConfigure(EINVAL);
  form->BtnOpenClick();
  ASSERT_EQ(seams.Boxes.Texts.size(), 1u);
  EXPECT_EQ(seams.Boxes.Texts[0].section('\n', 0, 0), "ComPort Setting Error!! Err_Code:22");
  EXPECT_FALSE(form->PortOpen());
  EXPECT_EQ(device().OpenPorts(), 0);
  EXPECT_TRUE(device().Writes().empty());
  EXPECT_TRUE(form->CmbCom->isEnabled());

  form->BtnOpenClick();  // the second attempt gets the port
  EXPECT_TRUE(form->PortOpen());
  EXPECT_EQ(device().OpenPorts(), 1);
  EXPECT_EQ(device().Writes().size(), kOpenQueries.size());
}

TEST_F(FormPortTest, BaudTextThatIsNoWholeNumberIsReportedAndTheDeviceIsReleased) {
  for (const char* text : {"fast", "38400.5", "", "0x9600"}) {
    form->CmbBaud->setEditText(text);
    form->BtnOpenClick();
    EXPECT_FALSE(form->PortOpen()) << text;
    EXPECT_EQ(device().OpenPorts(), 0) << text;
  }
  EXPECT_TRUE(device().Bauds().empty());  // nothing was configured
  ASSERT_EQ(seams.Boxes.Texts.size(), 4u);
  EXPECT_EQ(seams.Boxes.Texts[0], "'fast' is not a valid integer value.");
}

TEST_F(FormPortTest, CloseWhileClosedOnlyStopsTheTimers) {
  form->Timer1->start(1000);
  form->Timer2->start(1000);
  form->BtnCloseClick();
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_FALSE(form->Timer2->isActive());
  EXPECT_TRUE(form->BtnClose->isHidden());
  EXPECT_TRUE(device().OpenedPaths().empty());
}

TEST_F(FormPortTest, CloseEndsTheLog) {
  form->BtnOpenClick();
  char path[] = "/tmp/vantrel-close-log-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  seams.Dialog.Choices.push_back(QString::fromLatin1(path));
  form->BtnLogClick();
  ASSERT_NE(form->LogFile, nullptr);
  EXPECT_TRUE(form->LogFileHook.IsSet());
  form->BtnCloseClick();
  EXPECT_EQ(form->LogFile, nullptr);
  EXPECT_FALSE(form->LogFileHook.IsSet());
  EXPECT_TRUE(form->BtnLogging->isHidden());
  EXPECT_FALSE(form->BtnLog->isHidden());
  unlink(path);
}

TEST_F(FormPortTest, QueriesDoNothingWhileThePortIsClosed) {
  form->BtnNMEAQueryClick();
  form->BtnQueryFixRateClick();
  form->BtnDGPSQueryClick();
  form->BtnQIntegrityClick();
  form->BtnQFlashClick();
  form->BtnDatumQueryClick();
  form->WritePort("$PQOL400*36\r\n", 13);
  EXPECT_TRUE(pauses.Events.empty());
  EXPECT_TRUE(device().Writes().empty());
}

TEST_F(FormPortTest, EachQueryButtonWritesItsSentences) {
  form->BtnOpenClick();
  device().ClearWrites();
  const struct {
    void (TMainForm::*handler)();
    std::vector<std::string> writes;
  } cases[] = {
      {&TMainForm::BtnNMEAQueryClick, {"$PQOL414*33\r\n"}},
      {&TMainForm::BtnQueryFixRateClick, {"$PQOL400*36\r\n"}},
      {&TMainForm::BtnDGPSQueryClick, {"$PQOL602*36\r\n", "$PQOL401*37\r\n"}},
      {&TMainForm::BtnQIntegrityClick, {"$PQOL419*3E\r\n"}},
      {&TMainForm::BtnQFlashClick, {"$PQOL490*3F\r\n"}},
      {&TMainForm::BtnDatumQueryClick, {"$PQOL430*35\r\n"}},
  };
  for (const auto& c : cases) {
    device().ClearWrites();
    (form.get()->*c.handler)();
    EXPECT_EQ(device().Writes(), c.writes);
  }
}

TEST_F(FormPortTest, StreamReachesTheMonitorThroughTheHandOver) {
  form->PageControl1->setCurrentWidget(form->TabSetup);
  form->show();
  form->BtnOpenClick();
  device().Feed("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n$GPRMC,");
  EXPECT_TRUE(QTest::qWaitFor([&] { return form->MemoNMEA->toPlainText().contains("$GPGGA,123519"); }));
}

TEST_F(FormPortTest, DestroyWhileTheReaderWaitsForTheWindowEndsAtOnce) {
  form->BtnOpenClick();
  // The reader's hand-over is queued but this thread never runs its events:
  // destroying the window must not wait for it.
  device().Feed("$GPGGA,1*00\r\n$GPGGA,2*00\r\n$GP");
  ASSERT_TRUE(QTest::qWaitFor([&] { return device().InputLeft() == 0; }));
  form.reset();
  EXPECT_EQ(device().OpenPorts(), 0);
}

TEST(FormPortDevices, PortListKeepsCom1ToCom100AndAddsTheDevicesPresent) {
  testing::FakeSeams seams;
  TMainForm form(seams.Services());
  ASSERT_GE(form.CmbCom->count(), 100);
  EXPECT_EQ(form.CmbCom->itemText(0), "COM1");
  EXPECT_EQ(form.CmbCom->itemText(99), "COM100");
  EXPECT_EQ(form.CmbCom->currentText(), "COM1");
  std::vector<std::string> after;
  for (int i = 100; i < form.CmbCom->count(); ++i) after.push_back(form.CmbCom->itemText(i).toStdString());
  EXPECT_EQ(after, PresentSerialDevices());
}

TEST(FormPortDevices, PseudoTerminalGetsExactlyTheSevenQueries) {
  test::PtyPair pty;
  ASSERT_TRUE(pty.Ok());
  testing::FakeSeams seams;
  TMainForm form(seams.Services());
  form.CmbCom->setEditText(QString::fromStdString(pty.SlavePath()));
  form.BtnOpenClick();
  ASSERT_TRUE(form.PortOpen()) << seams.Boxes.Texts.size();
  std::string expected;
  for (const auto& query : kOpenQueries) expected += query;
  EXPECT_EQ(pty.Receive(expected.size() + 1, 300), expected);
  EXPECT_EQ(seams.Pauses.Recorded, std::vector<int>(7, 400));

  // Closing and opening again at once finds the device free.
  form.BtnCloseClick();
  form.BtnOpenClick();
  EXPECT_TRUE(form.PortOpen());
  EXPECT_TRUE(seams.Boxes.Texts.empty());
}

TEST(FormPortDevices, DestroyWhileTheReceiverStreamsEndsAtOnce) {
  test::PtyPair pty;
  ASSERT_TRUE(pty.Ok());
  std::atomic<bool> quit{false};
  std::thread receiver([&] {
    const std::string gga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
    while (!quit) {
      pty.Send(gga);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  {
    testing::FakeSeams seams;
    auto form = std::make_unique<TMainForm>(seams.Services());
    ASSERT_TRUE(testing::OpenAndWatchTheStream(*form, pty.SlavePath()));
    form.reset();
  }
  quit = true;
  receiver.join();
}

}  // namespace
}  // namespace vantrel
