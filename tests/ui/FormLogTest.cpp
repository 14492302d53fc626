// The NMEA log from the window, on a fake receiver port: the buttons, the
// dialog, the bytes in the file, and the two failures the user is told of.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <cerrno>
#include <string>

#include "commands/Commands.h"  // FinishSentence
#include "tests/link/FakeSerialPort.h"
#include "tests/logging/TempFiles.h"
#include "tests/ui/FakeSeams.h"
#include "tests/ui/PumpUntil.h"
#include "ui/Form.h"

namespace {

using namespace std::string_literals;

using vantrel::testing::PumpUntil;

class FormLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp.Made());
    form.Ports = &ports;
  }
  void TearDown() override { form.FormDestroy(); }
  void OpenPortAndLog(const std::string& file) {
    form.BtnOpenClick();
    ASSERT_TRUE(form.PortOpen());
    seams.Dialog.Choices.push_back(QString::fromStdString(file));
    form.BtnLogClick();
  }

  vantrel::testing::FakeSeams seams;
  vantrel::FakeSerialPortFactory ports;
  TMainForm form{seams.Services()};
  vantrel::testing::TempDir temp;
  const std::string dir = temp.Path();
  const std::string path = temp.File("Vantrel.nma");
};

TEST_F(FormLogTest, WithThePortClosedTheUserIsAskedToOpenItFirst) {
  form.BtnLogClick();
  EXPECT_EQ(seams.Boxes.Texts, std::vector<QString>{"Please Open Com port First"});
  EXPECT_EQ(seams.Dialog.Runs, 0);
  EXPECT_EQ(form.LogFile, nullptr);
}

TEST_F(FormLogTest, CancellingTheDialogChangesNothing) {
  form.BtnOpenClick();
  seams.Dialog.Choices.push_back(std::nullopt);
  form.BtnLogClick();
  EXPECT_EQ(seams.Dialog.Runs, 1);
  EXPECT_EQ(seams.Dialog.LastSettings.fileName, "Vantrel.nma");
  EXPECT_EQ(seams.Dialog.LastSettings.filters.size(), 3);
  EXPECT_EQ(seams.Dialog.LastSettings.filterIndex, 0);
  EXPECT_EQ(form.LogFile, nullptr);
  EXPECT_TRUE(form.BtnLogging->isHidden());
}

TEST_F(FormLogTest, TheFileHoldsEveryByteReceivedUntilLoggingStops) {
  OpenPortAndLog(path);
  ASSERT_NE(form.LogFile, nullptr);
  EXPECT_FALSE(form.BtnLogging->isHidden());
  EXPECT_TRUE(form.BtnLog->isHidden()) << "one of the pair at a time";
  const std::string stream =
      "$GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,55.2,M,,*76\r\n"
      "$PQOL001,103,3*00\r\n\0$GPGSA,A,3,,,,,,,,,,,,,1.5,1.0,1.1*00\r\n"s;
  ports.Device().Feed(stream);
  ASSERT_TRUE(PumpUntil([&] { return vantrel::testing::FileBytes(path) == stream; }))
      << vantrel::testing::FileBytes(path).size();

  form.BtnLoggingClick();
  EXPECT_EQ(form.LogFile, nullptr);
  EXPECT_TRUE(form.BtnLogging->isHidden());
  EXPECT_FALSE(form.BtnLog->isHidden());
  ports.Device().Feed("$GPRMC,not logged*00\r\n");
  ASSERT_TRUE(PumpUntil([&] { return ports.Device().InputLeft() == 0; }));
  EXPECT_EQ(vantrel::testing::FileBytes(path), stream);

  // The same name again: appended directly after the first recording.
  seams.Dialog.Choices.push_back(QString::fromStdString(path));
  form.BtnLogClick();
  ports.Device().Feed("$GPVTG,2*00\r\n");
  EXPECT_TRUE(PumpUntil([&] { return vantrel::testing::FileBytes(path) == stream + "$GPVTG,2*00\r\n"; }));
}

// A baud change or a flash write reopens the port at the new rate: the
// recording goes on through it, with what waited in the queue meanwhile;
// only a port that does not come back ends it.
TEST_F(FormLogTest, TheRecordingGoesOnThroughAReopenAtANewRate) {
  OpenPortAndLog(path);
  const std::string before = "$GPGGA,1*00\r\n", waiting = "$GPGGA,2*00\r\n", after = "$GPGGA,3*00\r\n";
  ports.Device().Feed(before);
  ASSERT_TRUE(PumpUntil([&] { return vantrel::testing::FileBytes(path) == before; }));
  form.ReopenPending = true;
  for (int i = 0; i < 3; ++i) form.Timer1Tick();
  ports.Device().Feed(waiting);  // arrives while the port is closed and reopened
  form.Timer1Tick();
  ASSERT_EQ(ports.Device().OpenedPaths().size(), 2u);
  EXPECT_NE(form.LogFile, nullptr);
  EXPECT_FALSE(form.BtnLogging->isHidden());
  EXPECT_TRUE(form.BtnLog->isHidden());
  ports.Device().Feed(after);
  EXPECT_TRUE(PumpUntil([&] { return vantrel::testing::FileBytes(path) == before + waiting + after; }))
      << vantrel::testing::FileBytes(path);

  ports.Device().FailConfigure(EINVAL);
  form.ReopenPending = true;
  for (int i = 0; i < 4; ++i) form.Timer1Tick();
  EXPECT_FALSE(form.PortOpen());
  EXPECT_EQ(form.LogFile, nullptr);
  EXPECT_TRUE(form.BtnLogging->isHidden());
  EXPECT_FALSE(form.BtnLog->isHidden());
}

TEST_F(FormLogTest, AFileThatCannotBeOpenedIsReportedAndNothingPretendsToRecord) {
  const std::string missing = dir + "/no/such/dir/Vantrel.nma";
  OpenPortAndLog(missing);
  EXPECT_EQ(form.LogFile, nullptr);
  EXPECT_TRUE(form.BtnLogging->isHidden());
  EXPECT_FALSE(form.BtnLog->isHidden());
  ASSERT_EQ(seams.Boxes.Texts.size(), 1u);
  EXPECT_EQ(seams.Boxes.Texts[0],
            QString::fromStdString("Can't open NMEA log file " + missing + ": No such file or directory"));
}

TEST_F(FormLogTest, AFullDiskIsReportedOnceWhileReadingGoesOn) {
  OpenPortAndLog("/dev/full");
  ASSERT_NE(form.LogFile, nullptr);
  for (int i = 0; i < 5; ++i) {
    ports.Device().Feed("$GPGSA,A,3,,,,,,,,,,,,,1.5,1.0,1.1*00\r\n");
    ASSERT_TRUE(PumpUntil([&] { return ports.Device().InputLeft() == 0; }));
  }
  ASSERT_TRUE(PumpUntil([&] { return !seams.Boxes.Texts.empty(); }));
  // The reader still decodes what comes.
  const uint64_t before = form.ReaderThread->DecodedSentences();
  ports.Device().Feed(vantrel::FinishSentence("$GPGSA,A,3,,,,,,,,,,,,,1.5,1.0,1.1") + "$GP");
  EXPECT_TRUE(PumpUntil([&] { return form.ReaderThread->DecodedSentences() > before; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(seams.Boxes.Texts, std::vector<QString>{"Can't write NMEA log file /dev/full: No space left on "
                                                    "device. Recording stopped; reading goes on."});
  EXPECT_FALSE(form.BtnLogging->isHidden()) << "stopping is still the user's";
}

}  // namespace
