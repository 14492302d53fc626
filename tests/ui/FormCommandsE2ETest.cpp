// The window against the simulated module: restarts with their time to
// first fix, acknowledgements, the receiver fault, the current test, and the
// replies that fill the Setup, Test and About pages.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "commands/Commands.h"
#include "link/Thread.h"
#include "tests/sim/SimHarness.h"
#include "tests/ui/FormSimFixture.h"
#include "tests/ui/SimPacedPauses.h"
#include "tests/ui/FakeSeams.h"
#include "ui/Lists.h"
#include "ui/RealSeams.h"
#include "ui/StatusBar.h"

namespace {

using vantrel::ItemIndex;

using FormSimTest = vantrel::testing::FormSimFixture;

// The module fixes at its first output after the time it was given (1 Hz),
// and the tick that sees the fix keeps the time of the tick before.
constexpr double kEarly = 0.3, kLate = 1.5;

TEST_F(FormSimTest, HotStartShowsItsTimeToFirstFix) {
  Open({"--ttff-hot", "2"});
  const double t = TimeToFirstFix(&TMainForm::BtnHotClick, 8000);
  EXPECT_EQ(Panel(0), "Hot Start");
  EXPECT_GE(t, 2 - kEarly);
  EXPECT_LE(t, 2 + kLate);
  EXPECT_TRUE(sim->WaitForReceived(std::string("$PQOL101*32\r\n\0", 14)));
  EXPECT_EQ(pauses.Recorded.back(), 1000);
}

TEST_F(FormSimTest, WarmStartShowsItsTimeToFirstFix) {
  Open({"--ttff-warm", "3"});
  const double t = TimeToFirstFix(&TMainForm::BtnWarmClick, 9000);
  EXPECT_EQ(Panel(0), "Warm Start");
  EXPECT_GE(t, 3 - kEarly);
  EXPECT_LE(t, 3 + kLate);
}

TEST_F(FormSimTest, ColdStartShowsItsTimeToFirstFix) {
  Open({"--ttff-cold", "4"});
  const double t = TimeToFirstFix(&TMainForm::BtnColdClick, 10000);
  EXPECT_EQ(Panel(0), "Cold Start");
  EXPECT_GE(t, 4 - kEarly);
  EXPECT_LE(t, 4 + kLate);
}

TEST_F(FormSimTest, NoFixTimesOutAtThousandSeconds) {
  Open({"--no-fix"}, /*fakeClock=*/true);
  seams.Clock.Now = 5'000'000;
  form->BtnColdClick();
  seams.Clock.Now += 500'000;
  ASSERT_TRUE(RunUntil([&] { return Panel(1) == "500.0 sec(s)"; }, 3000)) << Panel(1).toStdString();
  EXPECT_FALSE(HasFix());
  seams.Clock.Now += 500'000;
  ASSERT_TRUE(RunUntil([&] { return form->RestartKind == vantrel::Restart::None; }, 3000));
  EXPECT_EQ(Panel(0), "Cold Start");
  EXPECT_EQ(Panel(1), "TimeOut 1000 sec(s)");
  EXPECT_EQ(form->Timer1->interval(), 1000);
}

TEST_F(FormSimTest, RepliesToTheOpenQueriesFillTheSetupPage) {
  Open({"--fix-rate", "2", "--flash-writes", "7"});
  ASSERT_TRUE(RunUntil([&] { return form->LabelHz->text() == "2"; }, 5000));
  EXPECT_EQ(ItemIndex(form->CmbFixRate), 1);
  ASSERT_TRUE(RunUntil(
      [&] { return form->GroupFlash->title() == "Write setting into flash (remain  7  times to modify)"; },
      5000))
      << form->GroupFlash->title().toStdString();
  EXPECT_EQ(ItemIndex(form->CmbGGA), 1);

  form->SendCommand(vantrel::FixedCommand(vantrel::FixedCommandId::QueryFirmware));
  ASSERT_TRUE(RunUntil([&] { return !form->LabelVersion->text().isEmpty(); }, 5000));
  EXPECT_TRUE(form->LabelVersion->text().contains("   ")) << form->LabelVersion->text().toStdString();
}

TEST_F(FormSimTest, AcknowledgementsBecomeMessages) {
  Open({});
  form->SendCommand(vantrel::BuildFixRateCommand("1").command);
  EXPECT_TRUE(RunUntil([&] { return BoxShown("Fix Update Rate Change!!"); }, 5000));

  ASSERT_TRUE(sim->Refuse(314));
  form->SendCommand(vantrel::BuildOutputRateCommand({}).command);
  EXPECT_TRUE(RunUntil([&] { return BoxShown("NMEA Setting Fail!!"); }, 5000));

  // A refused command without a text of its own.
  ASSERT_TRUE(sim->Refuse(330));
  form->SendCommand(vantrel::BuildDatumCommand(5).command);
  EXPECT_TRUE(RunUntil([&] { return BoxShown("Unknown Cmd!!"); }, 5000));
}

TEST_F(FormSimTest, ReceiverFaultDisablesTheRestartButtons) {
  Open({});
  ASSERT_TRUE(RunUntil([&] { return form->BtnHot->isEnabled(); }, 1000));
  ASSERT_TRUE(sim->Fault());
  ASSERT_TRUE(RunUntil([&] { return !form->BtnHot->isEnabled(); }, 5000));
  EXPECT_FALSE(form->BtnWarm->isEnabled());
  EXPECT_FALSE(form->BtnCold->isEnabled());
  const bool text = Panel(0) == "Problem   IC" && Panel(1) == "Please   Contact   QOL";
  const bool blank = Panel(0).isEmpty() && Panel(1).isEmpty();
  EXPECT_TRUE(text || blank) << Panel(0).toStdString() << "|" << Panel(1).toStdString();
}

TEST_F(FormSimTest, CurrentTestIsAcknowledged) {
  Open({});
  form->ChkBoxPower->setChecked(true);
  ASSERT_TRUE(RunUntil([&] { return form->LabelCurrent->text() == "Enable"; }, 6000))
      << form->LabelCurrent->text().toStdString();
  EXPECT_TRUE(sim->WaitForReceived(std::string("$PQOL160*35\r\n\0", 14)));
}

}  // namespace
