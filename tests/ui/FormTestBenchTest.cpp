// The GPS-101 page on fake ports: the generator's open and close with their
// lines, pauses and control states, the receiver's close, the sensitivity
// tests' effects on the window, and the page that no key and no wheel
// movement may show.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest/QTest>
#include <cerrno>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "commands/Commands.h"  // FinishSentence
#include "testbench/Sequencer.h"
#include "tests/link/FakeSerialPort.h"
#include "tests/ui/FakeSeams.h"
#include "tests/ui/PumpUntil.h"
#include "ui/Form.h"
#include "ui/Lists.h"

namespace {

using namespace std::string_literals;
using Strings = std::vector<std::string>;

using vantrel::testing::PumpUntil;

// What went to either port and every pause, in one order.
class PortsAndPauses : public vantrel::IPauses {
 public:
  PortsAndPauses(vantrel::FakePortDevice& receiver, vantrel::FakePortDevice& generator)
      : receiver_(receiver), generator_(generator) {}
  void Sleep(int milliseconds) override {
    Catch();
    Events.push_back("pause " + std::to_string(milliseconds));
  }
  Strings Take() {
    Catch();
    Strings events = std::move(Events);
    Events.clear();
    return events;
  }

  Strings Events;

 private:
  void Catch() {
    const Strings rx = receiver_.Writes();
    for (size_t i = rxSeen_; i < rx.size(); ++i) Events.push_back("receiver " + rx[i]);
    rxSeen_ = rx.size();
    const Strings gen = generator_.Writes();
    for (size_t i = genSeen_; i < gen.size(); ++i) Events.push_back("generator " + gen[i]);
    genSeen_ = gen.size();
  }
  vantrel::FakePortDevice& receiver_;
  vantrel::FakePortDevice& generator_;
  size_t rxSeen_ = 0, genSeen_ = 0;
};

class FormTestBenchTest : public ::testing::Test {
 protected:
  FormTestBenchTest() : pauses(receiver.Device(), generator.Device()) {
    FormServices services = seams.Services();
    services.Pauses = &pauses;
    form = std::make_unique<TMainForm>(services);
    form->Ports = &receiver;
    form->GeneratorPorts = &generator;
  }
  void TearDown() override { form->FormDestroy(); }

  void OpenBoth() {
    form->BtnOpenClick();
    ASSERT_TRUE(form->PortOpen());
    form->Btn101OpenClick();
    ASSERT_TRUE(form->GeneratorPortOpen());
    pauses.Take();
  }
  std::vector<QWidget*> SettingLists() {
    return {form->Cmb101Com, form->Cmb101Baud, form->Cmb101SV, form->CmbDegrade};
  }
  std::vector<QWidget*> TestButtons() { return {form->BtnTestAcq, form->BtnTestTrack, form->BtnTestAll}; }
  std::vector<QWidget*> TestControls() {
    TMainForm* f = form.get();
    return {f->CmbAcqCNR,   f->CmbAcqTime,   f->CmbAcqIteration,   f->BtnAcqExport,
            f->CmbTrackCNR, f->CmbTrackDur,  f->CmbTrackIteration, f->BtnTrackExport,
            f->BtnTestAcq,  f->BtnTestTrack, f->BtnTestAll};
  }
  static bool AllEnabled(const std::vector<QWidget*>& controls, bool enabled) {
    for (QWidget* c : controls)
      if (c->isEnabled() != enabled) return false;
    return true;
  }
  // The receiver reports the generator's satellite (or none) until the
  // reader has published it.
  void ReceiverReports(int prn, int snr) {
    const std::string gsv =
        vantrel::FinishSentence("$GPGSV,1,1,01," + std::to_string(prn) + ",62,135," + std::to_string(snr));
    // The next start pushes it out of the framing's carry; the line end
    // first parts it from the start an earlier call left there.
    receiver.Device().Feed("\r\n" + gsv + "$GP");
    ASSERT_TRUE(PumpUntil([&] {
      vantrel::SatInView table[vantrel::kSatsInViewMax];
      form->ReaderThread->SatsInViewSnapshot(table);
      return table[0].Prn == prn && table[0].Snr == snr;
    }));
  }

  vantrel::testing::FakeSeams seams;
  vantrel::FakeSerialPortFactory receiver;
  vantrel::FakeSerialPortFactory generator;
  PortsAndPauses pauses;
  std::unique_ptr<TMainForm> form;
};

// ---- the generator port --------------------------------------------------------

TEST_F(FormTestBenchTest, OpenSendsTheStartLinesWithTheirPausesAndUnlocksTheTests) {
  form->BtnOpenClick();
  pauses.Take();
  vantrel::SelectItem(form->Cmb101Com, 14);  // "COM15"
  form->Btn101OpenClick();
  EXPECT_EQ(pauses.Take(), (Strings{"pause 500", "generator MAIN:TEST 1\r\n", "pause 400",
                                    "generator MAIN:SV 14\r\n", "pause 400"}));
  EXPECT_EQ(generator.Device().OpenedPaths(), Strings{"/dev/ttyS14"});
  EXPECT_EQ(generator.Device().Bauds(), std::vector<long>{19200});
  EXPECT_FALSE(form->Btn101Close->isHidden());
  EXPECT_TRUE(form->Btn101Open->isHidden()) << "one of the pair at a time";
  EXPECT_TRUE(AllEnabled(SettingLists(), false));
  EXPECT_TRUE(AllEnabled(TestControls(), true));
  EXPECT_FALSE(form->BtnTestStop->isEnabled());
  EXPECT_TRUE(seams.Boxes.Texts.empty());
}

TEST_F(FormTestBenchTest, RefusedOpensLeaveThePageAsItWas) {
  struct Case {
    const char* rule;
    int openError, configureError;
    QString svText;
    QString message;
  };
  const Case cases[] = {
      {"no device", ENOENT, 0, "14", "Can't Open ComPort!!\nNo such device: "},
      {"settings refused", 0, EINVAL, "14", "ComPort Setting Error!!\nThe device refused"},
      {"SV text too long for its line", 0, 0, "1234567890",
       "SVid '1234567890' is too long for the generator: at most 9 characters."},
  };
  form->BtnOpenClick();
  for (const Case& c : cases) {
    seams.Boxes.Texts.clear();
    generator.Device().SetOpenError(c.openError);
    if (c.configureError != 0) generator.Device().FailConfigure(c.configureError);
    vantrel::SetListText(form->Cmb101SV, c.svText);
    pauses.Take();
    form->Btn101OpenClick();
    // The system's reason follows on its own line.
    ASSERT_EQ(seams.Boxes.Texts.size(), 1u) << c.rule;
    EXPECT_TRUE(seams.Boxes.Texts[0].startsWith(c.message)) << c.rule << ": " << seams.Boxes.Texts[0].toStdString();
    if (c.openError == ENOENT) {
      EXPECT_TRUE(seams.Boxes.Texts[0].contains("Is the generator plugged in?"));
    }
    EXPECT_FALSE(form->GeneratorPortOpen()) << c.rule;
    EXPECT_EQ(generator.Device().OpenPorts(), 0) << c.rule;
    EXPECT_TRUE(pauses.Take().empty()) << c.rule;
    EXPECT_TRUE(form->Btn101Close->isHidden()) << c.rule;
    EXPECT_TRUE(AllEnabled(SettingLists(), true)) << c.rule;
    EXPECT_TRUE(AllEnabled(TestControls(), false)) << c.rule;
  }
}

TEST_F(FormTestBenchTest, CloseGivesTheSettingsBackAndLocksTheTests) {
  OpenBoth();
  form->Btn101CloseClick();
  EXPECT_FALSE(form->GeneratorPortOpen());
  EXPECT_EQ(generator.Device().OpenPorts(), 0);
  EXPECT_TRUE(pauses.Take().empty()) << "nothing is sent on closing";
  EXPECT_TRUE(form->Btn101Close->isHidden());
  EXPECT_FALSE(form->Btn101Open->isHidden());
  EXPECT_TRUE(AllEnabled(SettingLists(), true));
  EXPECT_TRUE(AllEnabled(TestControls(), false));
  EXPECT_FALSE(form->BtnTestStop->isEnabled());

  // Closed already: only Timer2 stops.
  form->Timer2->start();
  form->Btn101CloseClick();
  EXPECT_FALSE(form->Timer2->isActive());
  EXPECT_TRUE(AllEnabled(SettingLists(), true));
}

TEST_F(FormTestBenchTest, ClosingTheReceiverPortDuringATestClosesTheGeneratorToo) {
  OpenBoth();
  form->BtnTestTrackClick();
  ASSERT_TRUE(form->Timer2->isActive());
  form->BtnCloseClick();
  EXPECT_FALSE(form->Timer2->isActive());
  EXPECT_EQ(form->Sequencer().State(), vantrel::TestState::Idle);
  EXPECT_FALSE(form->GeneratorPortOpen());
  EXPECT_EQ(generator.Device().OpenPorts(), 0);
  EXPECT_TRUE(form->Btn101Close->isHidden());
  EXPECT_FALSE(form->Btn101Open->isHidden());
  EXPECT_FALSE(form->Btn101Open->isEnabled());
  EXPECT_TRUE(AllEnabled(SettingLists(), false));
  EXPECT_TRUE(AllEnabled(TestControls(), false));
  EXPECT_FALSE(form->BtnTestStop->isEnabled());
  EXPECT_EQ(form->LabelTrackResult->text(), "?");
  EXPECT_TRUE(seams.Boxes.Texts.empty());
}

TEST_F(FormTestBenchTest, AGeneratorPulledMidTestStopsItWithItsReasonAndClosesItsPort) {
  OpenBoth();
  form->LabelTrackResult->setText("-150");
  form->BtnTestTrackClick();
  ReceiverReports(14, 45);
  form->Timer2Timer();
  generator.Device().Unplug();
  form->Timer2Timer();
  EXPECT_EQ(seams.Boxes.Texts,
            std::vector<QString>{QString::fromStdString(vantrel::GeneratorLostMessage("COM1", EIO))});
  EXPECT_FALSE(form->Timer2->isActive());
  EXPECT_EQ(form->Sequencer().State(), vantrel::TestState::Idle);
  EXPECT_EQ(form->LabelTrackResult->text(), "?");
  // As its Close button would.
  EXPECT_FALSE(form->GeneratorPortOpen());
  EXPECT_EQ(generator.Device().OpenPorts(), 0);
  EXPECT_FALSE(form->Btn101Open->isHidden());
  EXPECT_TRUE(AllEnabled(SettingLists(), true));
  EXPECT_TRUE(AllEnabled(TestControls(), false));
  EXPECT_FALSE(form->BtnTestStop->isEnabled());
}

// ---- the tests ---------------------------------------------------------------

TEST_F(FormTestBenchTest, AListTextThatIsNoWholeNumberIsRefusedAtStart) {
  OpenBoth();
  vantrel::SetListText(form->CmbAcqTime, "1 min");
  form->BtnTestAcqClick();
  EXPECT_EQ(seams.Boxes.Texts, std::vector<QString>{"'1 min' is not a valid integer value."});
  EXPECT_TRUE(pauses.Take().empty()) << "nothing is sent";
  EXPECT_FALSE(form->Timer2->isActive());
  EXPECT_TRUE(AllEnabled(TestControls(), true));
}

TEST_F(FormTestBenchTest, TrackOnlyStartsThenFinishesWithItsMessageAfterTimer2Stopped) {
  OpenBoth();
  form->LabelTrackResult->setText("-150");
  form->LabelAcqResult->setText("-151");
  form->BtnTestTrackClick();
  EXPECT_EQ(pauses.Take(), (Strings{"generator MAIN:RFLVL -85\r\n", "pause 400"}));
  EXPECT_TRUE(form->Timer2->isActive());
  EXPECT_EQ(form->Timer2->interval(), 1000);
  EXPECT_TRUE(form->BtnTestStop->isEnabled());
  EXPECT_TRUE(AllEnabled(TestControls(), false));
  EXPECT_EQ(form->LabelTrackResult->text(), "?");
  EXPECT_EQ(form->LabelAcqResult->text(), "-151");

  // The receiver sees the satellite: the tick goes by quietly.
  ReceiverReports(14, 45);
  form->Timer2Timer();
  EXPECT_TRUE(seams.Boxes.Texts.empty());
  EXPECT_EQ(form->Sequencer().TestTick(), 1);

  // It has lost it: the test ends (the message after Timer2 stopped: the
  // sequencer's own tests).
  ReceiverReports(7, 45);
  form->Timer2Timer();
  EXPECT_EQ(seams.Boxes.Texts, std::vector<QString>{"Tracking Sensitivity Test Finish!"});
  EXPECT_FALSE(form->Timer2->isActive());
  EXPECT_EQ(form->LabelTrackResult->text(), "-125");
  EXPECT_TRUE(AllEnabled(TestControls(), true));
  EXPECT_TRUE(form->BtnTestStop->isEnabled()) << "stays enabled after a finish";

  form->BtnTestStopClick();
  EXPECT_FALSE(form->BtnTestStop->isEnabled());
  EXPECT_EQ(form->LabelTrackResult->text(), "-125");
}

TEST_F(FormTestBenchTest, AnAcquisitionAttemptBeginsWithAColdStartOfTheReceiver) {
  OpenBoth();
  form->BtnTestAcqClick();
  pauses.Take();
  vantrel::TNMEAThread* before = form->ReaderThread;
  form->Timer2Timer();
  EXPECT_EQ(pauses.Take(), (Strings{"receiver $PQOL103*30\r\n\0"s, "pause 800"}));
  EXPECT_NE(form->ReaderThread, nullptr);
  EXPECT_NE(form->ReaderThread, before) << "a new reader with an empty record";
  EXPECT_EQ(form->Sequencer().TestTick(), 1);
  EXPECT_EQ(form->LabelAcqResult->text(), "?");
}

// ---- the hidden page -----------------------------------------------------------

TEST_F(FormTestBenchTest, NoKeyAndNoWheelMovementShowsTheGeneratorPage) {
  form->show();
  QTabWidget* pages = form->PageControl1;
  QTabBar* bar = pages->tabBar();
  std::vector<int> shown;
  QObject::connect(pages, &QTabWidget::currentChanged, [&](int index) { shown.push_back(index); });

  const auto wheel = [&](int delta) {
    const QPointF at = bar->rect().center();
    QWheelEvent event(at, bar->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(bar, &event);
  };
  struct Move {
    const char* name;
    std::function<void()> act;
  };
  const Move moves[] = {
      {"Ctrl+Tab", [&] { QTest::keyClick(pages, Qt::Key_Tab, Qt::ControlModifier); }},
      {"Ctrl+Shift+Tab",
       [&] { QTest::keyClick(pages, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier); }},
      {"Ctrl+PgDown", [&] { QTest::keyClick(pages, Qt::Key_PageDown, Qt::ControlModifier); }},
      {"Ctrl+PgUp", [&] { QTest::keyClick(pages, Qt::Key_PageUp, Qt::ControlModifier); }},
      {"Right on the tab bar", [&] { QTest::keyClick(bar, Qt::Key_Right); }},
      {"Left on the tab bar", [&] { QTest::keyClick(bar, Qt::Key_Left); }},
      {"Down on the tab bar", [&] { QTest::keyClick(bar, Qt::Key_Down); }},
      {"Up on the tab bar", [&] { QTest::keyClick(bar, Qt::Key_Up); }},
      {"wheel down over the tabs", [&] { wheel(-120); }},
      {"wheel up over the tabs", [&] { wheel(120); }},
  };
  for (int from : {0, 1, 2, 3, 5}) {
    for (const Move& move : moves) {
      pages->setCurrentIndex(from);
      shown.clear();
      move.act();
      EXPECT_NE(pages->currentIndex(), 4) << move.name << " from page " << from;
      for (int index : shown) EXPECT_NE(index, 4) << move.name << " from page " << from;
    }
  }
  // Round and round, the other pages are all still reached.
  std::set<int> reached;
  pages->setCurrentIndex(0);
  for (int i = 0; i < 12; ++i) {
    QTest::keyClick(pages, Qt::Key_Tab, Qt::ControlModifier);
    reached.insert(pages->currentIndex());
  }
  EXPECT_EQ(reached, (std::set<int>{0, 1, 2, 3, 5}));
  EXPECT_FALSE(form->Tab101->isVisible());
}

TEST_F(FormTestBenchTest, AScreenReadersPressOnTheHiddenTabLeavesThePageShown) {
  form->show();
  form->PageControl1->setCurrentIndex(2);
  QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(form->PageControl1->tabBar());
  ASSERT_NE(bar, nullptr);
  QAccessibleInterface* tab = bar->child(4);
  ASSERT_NE(tab, nullptr);
  tab->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(form->PageControl1->currentIndex(), 2);
  EXPECT_FALSE(form->Tab101->isVisible());
}

TEST_F(FormTestBenchTest, AskedForTheGeneratorPageIsReachedByTheKeyboard) {
  form->ShowTestBenchPage();
  form->show();
  QTabWidget* pages = form->PageControl1;
  std::set<int> reached;
  pages->setCurrentIndex(0);
  for (int i = 0; i < 12; ++i) {
    QTest::keyClick(pages, Qt::Key_Tab, Qt::ControlModifier);
    reached.insert(pages->currentIndex());
  }
  EXPECT_EQ(reached, (std::set<int>{0, 1, 2, 3, 4, 5}));
  pages->setCurrentIndex(3);
  QTest::keyClick(pages, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_TRUE(form->Tab101->isVisible());
}

}  // namespace
