// Journeys through the settings against the simulated module, pressing the
// buttons as a user would: a baud change and its reopen, a refused baud
// change, a faster fix rate with new output rates, and a flash write.
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <string>

#include "commands/Commands.h"
#include "link/Thread.h"
#include "tests/sim/SimHarness.h"
#include "tests/ui/FormSimFixture.h"
#include "tests/ui/FakeSeams.h"
#include "ui/Lists.h"
#include "ui/RealSeams.h"

namespace {

using vantrel::ItemIndex;
using vantrel::SelectItem;

class FormSettingsSimTest : public vantrel::testing::FormSimFixture {
 protected:
  // The open's queries are answered: the Setup page shows the module's settings.
  void OpenAndWaitForTheSettings() {
    Open({});
    ASSERT_TRUE(RunUntil([&] { return ItemIndex(form->CmbDatum) >= 0 && ItemIndex(form->CmbFixRate) >= 0; }, 5000));
  }
  // Sentences the current reader decoded from now until `ms` have passed.
  uint64_t DecodedWithin(int ms) {
    const uint64_t before = form->ReaderThread->DecodedSentences();
    vantrel::TNMEAThread* reader = form->ReaderThread;
    RunUntil([] { return false; }, ms);
    return reader == form->ReaderThread ? form->ReaderThread->DecodedSentences() - before : 0;
  }
};

TEST_F(FormSettingsSimTest, BaudChangeReopensAtTheNewRateAndTheModuleGoesOnTalking) {
  OpenAndWaitForTheSettings();
  SelectItem(form->CmbSetBaud, 6);  // 115200
  form->BtnSetBaud->click();
  ASSERT_TRUE(sim->WaitForReceived("$PQOL251,115200*1F\r\n"));
  // Timer1 reopens on its fourth tick, about three seconds later.
  ASSERT_TRUE(RunUntil([&] { return ItemIndex(form->CmbBaud) == 6 && form->PortOpen(); }, 8000));
  EXPECT_FALSE(form->ReopenPending);
  EXPECT_GT(DecodedWithin(2500), 3u) << "nothing readable at the new rate";
  EXPECT_TRUE(seams.Boxes.Texts.empty()) << seams.Boxes.Texts.front().toStdString();
}

TEST_F(FormSettingsSimTest, RefusedBaudChangeKeepsTheOldRate) {
  OpenAndWaitForTheSettings();
  ASSERT_TRUE(sim->Refuse(251));
  SelectItem(form->CmbSetBaud, 6);
  form->BtnSetBaud->click();
  ASSERT_TRUE(RunUntil([&] { return BoxShown("Change Baudrate Fail!!"); }, 5000));
  EXPECT_FALSE(form->ReopenPending);
  RunUntil([] { return false; }, 4000);  // past the time of the reopen
  EXPECT_EQ(ItemIndex(form->CmbBaud), 4);  // 38400
  EXPECT_GT(DecodedWithin(1500), 3u);
}

TEST_F(FormSettingsSimTest, FasterFixRateAndConfirmChangeTheStreamAndStartTheDisplayAfresh) {
  OpenAndWaitForTheSettings();
  ASSERT_TRUE(RunUntil([&] { return !form->LabelLat->text().isEmpty(); }, 5000));
  SelectItem(form->CmbFixRate, 4);  // 5 Hz
  form->CmbFixRateChange();
  form->BtnSetFixRate->click();
  ASSERT_TRUE(RunUntil([&] { return BoxShown("Fix Update Rate Change!!"); }, 5000));

  form->BtnDefault->click();
  EXPECT_EQ(form->LabelPercent->text(), "74.9%");
  form->BtnConfirm->click();
  // The click returns with the display cleared and a new reader started.
  EXPECT_TRUE(form->LabelLat->text().isEmpty());
  EXPECT_TRUE(sim->WaitForReceived("$PQOL314,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0*28\r\n"));
  ASSERT_TRUE(RunUntil([&] { return BoxShown("NMEA Setting OK!!"); }, 5000));
  ASSERT_TRUE(RunUntil([&] { return !form->LabelLat->text().isEmpty(); }, 5000));

  // Six sentences a fix at five fixes a second.
  EXPECT_GT(DecodedWithin(2000), 40u);
}

TEST_F(FormSettingsSimTest, FlashWriteGoesOutByteForByteAndThePortComesBack) {
  OpenAndWaitForTheSettings();
  form->BtnDefault->click();
  SelectItem(form->CmbFixRate, 0);
  SelectItem(form->CmbSetBaud, 4);
  SelectItem(form->CmbDatum, 0);
  form->RadioBothDisable->setChecked(true);
  SelectItem(form->CmbRTCMBaud, 1);
  form->BtnFlashSet->click();
  const std::string line = "$PQOL390,0,1,38400,1,1,1,1,1,1,0,0,0,0,9600";
  EXPECT_TRUE(sim->WaitForReceived(vantrel::FinishSentence(line)));
  ASSERT_TRUE(RunUntil([&] { return BoxShown("Write Settings into Flash OK!!"); }, 5000));
  // The reopen follows; the module is still at 38400 and streams on.
  ASSERT_TRUE(RunUntil([&] { return !form->ReopenPending; }, 8000));
  ASSERT_TRUE(RunUntil([&] { return form->PortOpen() && form->ReaderThread != nullptr; }, 3000));
  EXPECT_GT(DecodedWithin(2000), 3u);
}

// At a new rate the acknowledgement is the module's last readable sentence:
// it is still reported, whether the noise at the old rate or the reopen
// lets it go, and the port comes back at the stored rate.
TEST_F(FormSettingsSimTest, FlashWriteToANewRateIsReportedAndFollowed) {
  OpenAndWaitForTheSettings();
  for (const int row : {1, 6}) {  // 9600: the reopen comes first; 115200
    seams.Boxes.Texts.clear();
    SelectItem(form->CmbSetBaud, row);
    form->BtnFlashSet->click();
    ASSERT_TRUE(RunUntil([&] { return BoxShown("Write Settings into Flash OK!!"); }, 8000)) << "row " << row;
    ASSERT_TRUE(RunUntil([&] { return !form->ReopenPending && form->ReaderThread != nullptr; }, 8000));
    EXPECT_EQ(ItemIndex(form->CmbBaud), row);
    EXPECT_GT(DecodedWithin(2500), 3u) << "nothing readable at the new rate";
  }
}

}  // namespace
