// Replies from the receiver move the window's controls: lists, radio
// buttons, the version and oscillator labels and the flash group's caption.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "link/Thread.h"
#include "nmea/Reply.h"
#include "tests/ui/FakeSeams.h"
#include "ui/Lists.h"

namespace {

using vantrel::ItemIndex;
using vantrel::ReceiverRecord;

std::string Signed(const std::string& body) {
  unsigned char sum = 0;
  for (size_t i = 1; i < body.size(); ++i) sum ^= static_cast<unsigned char>(body[i]);
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", sum);
  return body + "*" + digits;
}

class FormReplyTest : public ::testing::Test {
 protected:
  vantrel::testing::FakeSeams seams;
  TMainForm form{seams.Services()};
  ReceiverRecord record;

  // What the reader thread does with a "$PQOL" piece: decode, then hand the
  // update to the window.
  void Receive(const std::string& body) {
    const std::string s = Signed(body);
    const vantrel::Reply r = vantrel::DecodeReply(s.data(), s.size());
    if (vantrel::KeepReply(r, record, form.Acks)) form.ShowReply(r, record);
  }
};

TEST_F(FormReplyTest, FixRateSelectsTheRateAndRecomputesTheLoad) {
  Receive("$PQOL500,200");
  EXPECT_EQ(form.CmbFixRate->currentText(), "5");
  EXPECT_EQ(ItemIndex(form.CmbFixRate), 4);
  EXPECT_EQ(form.LabelHz->text(), "5");
  EXPECT_EQ(form.LabelPercent->text(), "74.9%");  // defaults at 5 Hz and 38400 baud
}

TEST_F(FormReplyTest, LongFixIntervalOnAFreshRecordLeavesNoSelection) {
  Receive("$PQOL500,2000");
  EXPECT_EQ(ItemIndex(form.CmbFixRate), -1);
  EXPECT_EQ(form.CmbFixRate->currentText(), "");  // not the "1" it showed before
  EXPECT_EQ(form.LabelHz->text(), "0");
}

TEST_F(FormReplyTest, ZeroFixIntervalChangesNothing) {
  Receive("$PQOL500,0");
  EXPECT_EQ(ItemIndex(form.CmbFixRate), 0);
  EXPECT_EQ(form.LabelHz->text(), "1");
}

TEST_F(FormReplyTest, OutputRatesSetTheEightListsInTheirFieldOrder) {
  // GLL RMC VTG GGA GSA GSV, 11 unused, ZDA QCHN
  Receive("$PQOL514,1,2,3,4,5,6,9,9,9,9,9,9,9,9,9,9,9,7,8");
  EXPECT_EQ(ItemIndex(form.CmbGLL), 1);
  EXPECT_EQ(ItemIndex(form.CmbRMC), 2);
  EXPECT_EQ(ItemIndex(form.CmbVTG), 3);
  EXPECT_EQ(ItemIndex(form.CmbGGA), 4);
  EXPECT_EQ(ItemIndex(form.CmbGSA), 5);
  EXPECT_EQ(ItemIndex(form.CmbGSV), 6);
  EXPECT_EQ(ItemIndex(form.CmbZDA), 7);
  EXPECT_EQ(ItemIndex(form.CmbQCHN), 8);

  Receive("$PQOL514,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0");
  EXPECT_EQ(ItemIndex(form.CmbQCHN), 0);
  EXPECT_EQ(form.LabelPercent->text(), "15.0%");

  // A rate outside the list leaves that list without selection.
  Receive("$PQOL514,1,1,1,1,1,11,0,0,0,0,0,0,0,0,0,0,0,0,0");
  EXPECT_EQ(ItemIndex(form.CmbGSV), -1);
}

TEST_F(FormReplyTest, OutputRatesAreReadWholeAndOnlyRowsAreSelected) {
  Receive("$PQOL514,2,2,2,2,2,2,0,0,0,0,0,0,0,0,0,0,0,6,7");
  // Long unused fields do not push ZDA and QCHN out of reach.
  Receive("$PQOL514,5,5,5,5,5,5,10000,10000,10000,10000,10000,10000,10000,10000,10000,10000,10000,3,4");
  EXPECT_EQ(ItemIndex(form.CmbGSV), 5);
  EXPECT_EQ(ItemIndex(form.CmbZDA), 3);
  EXPECT_EQ(ItemIndex(form.CmbQCHN), 4);

  // A rate that is no row (beyond 32 bits, above 10, negative) leaves its
  // list without selection and without text, and the load is not read from it.
  Receive("$PQOL514,4294967297,11,-1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0");
  for (QComboBox* list : {form.CmbGLL, form.CmbRMC, form.CmbVTG}) {
    EXPECT_EQ(ItemIndex(list), -1);
    EXPECT_EQ(list->currentText(), "");
  }
  EXPECT_EQ(form.LabelPercent->text(), "10.4%");  // GGA, GSA, GSV at 1: 399 bytes at 38400 baud
}

TEST_F(FormReplyTest, DgpsModeFollowsTheRtcmBaudReplyBeforeIt) {
  Receive("$PQOL702,1,0,4800");
  EXPECT_EQ(ItemIndex(form.CmbRTCMBaud), 0);
  Receive("$PQOL501,1");
  EXPECT_TRUE(form.RadioRTCMEnable->isChecked());
  Receive("$PQOL501,2");
  EXPECT_TRUE(form.RadioWAASEnable->isChecked());

  // RTCM off: the list stays, and mode 1 then means no correction.
  Receive("$PQOL702,0,0,57600");
  EXPECT_EQ(ItemIndex(form.CmbRTCMBaud), 0);
  Receive("$PQOL501,1");
  EXPECT_TRUE(form.RadioBothDisable->isChecked());
  EXPECT_FALSE(form.RadioWAASEnable->isChecked());
}

TEST_F(FormReplyTest, RtcmBaudRows) {
  const std::pair<const char*, int> rows[] = {{"4800", 0},  {"9600", 1},   {"14400", 2}, {"19200", 3},
                                              {"38400", 4}, {"57600", 5},  {"115200", 6}, {"2400", 1}};
  for (const auto& [baud, row] : rows) {
    Receive(std::string("$PQOL702,1,0,") + baud);
    EXPECT_EQ(ItemIndex(form.CmbRTCMBaud), row) << baud;
  }
}

TEST_F(FormReplyTest, SbasModeAndDatum) {
  Receive("$PQOL519,0");
  EXPECT_TRUE(form.RadioTest->isChecked());
  EXPECT_FALSE(form.RadioIntegrity->isChecked());
  Receive("$PQOL519,3");
  EXPECT_TRUE(form.RadioIntegrity->isChecked());

  Receive("$PQOL530,222");
  EXPECT_EQ(ItemIndex(form.CmbDatum), 222);
  EXPECT_TRUE(form.CmbDatum->currentText().startsWith("(222) Zanderij"));
  Receive("$PQOL530,230");  // no such row
  EXPECT_EQ(ItemIndex(form.CmbDatum), -1);
}

TEST_F(FormReplyTest, OscillatorNeedsAFixAndAPlausibleValue) {
  Receive("$PQOL556,0,0.0000005");
  EXPECT_EQ(form.LabelTCXO->text(), "No Fix(Unknown)");
  record.FixType = 2;
  Receive("$PQOL556,0,0.0000005");
  EXPECT_EQ(form.LabelTCXO->text(), "0.5  (ppm)");
  Receive("$PQOL556,0,-0.0000123");
  EXPECT_EQ(form.LabelTCXO->text(), "-12.3  (ppm)");
  Receive("$PQOL556,0,0.0001");
  EXPECT_EQ(form.LabelTCXO->text(), "");
}

TEST_F(FormReplyTest, FlashWritesAndFirmwareVersion) {
  EXPECT_EQ(form.GroupFlash->title(), "Write setting into flash (remain  0  times to modify)");
  Receive("$PQOL590,3");
  EXPECT_EQ(form.GroupFlash->title(), "Write setting into flash (remain  3  times to modify)");

  Receive("$PQOL705,QOL-1.04,2026-05-11");
  EXPECT_EQ(form.LabelVersion->text(), "QOL-1.04   2026-05-11");
}

TEST_F(FormReplyTest, AcknowledgementsOnlyFillTheSlots) {
  Receive("$PQOL001,314,3");
  Receive("$PQOL001,251,2");
  EXPECT_EQ(form.Acks.AckedCommand.load(), 314);
  EXPECT_EQ(form.Acks.FailedCommand.load(), 251);
  EXPECT_TRUE(seams.Boxes.Texts.empty());
}

}  // namespace
