// The NMEA log onto a small file system that fills up while the simulated
// module streams: the user is told once, reading and display go on, the
// file keeps an unbroken piece of the stream, and the port and the log work
// again afterwards. VANTREL_FULLDISK_DIR names the mount point
// (tests/soak/fulldisk.sh mounts it); without it the test is skipped.
#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <QLabel>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "link/Thread.h"
#include "tests/logging/TempFiles.h"
#include "tests/ui/FormSimFixture.h"
#include "tests/ui/SimStreamMark.h"
#include "ui/Lists.h"

namespace {

using vantrel::testing::FileBytes;

// What the module put on the line, in order: every sentence that went out
// whole, from sent.log, with its line ending back.
std::string SentStream(const std::string& sentLog) {
  std::istringstream in(sentLog);
  std::string line, stream;
  while (std::getline(in, line)) {
    const size_t outcome = line.find(' ');
    const size_t sentence = line.find(' ', outcome + 1);
    if (outcome == std::string::npos || sentence == std::string::npos) continue;
    if (line.compare(outcome + 1, sentence - outcome - 1, "sent") != 0) continue;
    stream += line.substr(sentence + 1) + "\r\n";
  }
  return stream;
}

using FormLogFullDisk = vantrel::testing::FormSimFixture;

TEST_F(FormLogFullDisk, TheUserIsToldOnceAndReadingGoesOnWhileTheFileKeepsAnUnbrokenPiece) {
  const char* dir = std::getenv("VANTREL_FULLDISK_DIR");
  if (dir == nullptr) GTEST_SKIP() << "VANTREL_FULLDISK_DIR names no small file system to fill";
  struct statvfs fs {};
  ASSERT_EQ(statvfs(dir, &fs), 0) << dir;
  const unsigned long long capacity = static_cast<unsigned long long>(fs.f_blocks) * fs.f_frsize;
  ASSERT_LE(capacity, 1u << 20) << "not a small file system: " << dir;
  const std::string path = std::string(dir) + "/Vantrel.nma";

  // Five fixes a second of everything: about 3.6 KB a second.
  Open({"--baud", "115200", "--fix-rate", "5", "--all-rates", "1", "--chn-rate", "1", "--log-sent"}, false,
       QStringLiteral("115200"));
  ASSERT_TRUE(RunUntil(
      [&] { return pauses.Answered() >= pauses.Sent() && form->ReaderThread->DecodedSentences() > 20; },
      5000));
  const vantrel::testing::StreamMark start = vantrel::testing::MarkStream(*sim, *form);
  ASSERT_TRUE(start.ok());

  seams.Dialog.Choices.push_back(QString::fromStdString(path));
  form->BtnLog->click();
  ASSERT_NE(form->LogFile, nullptr) << (seams.Boxes.Texts.empty() ? "" : seams.Boxes.Texts[0].toStdString());
  const int fillMs = static_cast<int>(capacity / 3000 * 1000) + 10000;
  ASSERT_TRUE(RunUntil([&] { return !seams.Boxes.Texts.empty(); }, fillMs))
      << FileBytes(path).size() << " bytes";
  EXPECT_EQ(
      seams.Boxes.Texts[0].toStdString(),
      "Can't write NMEA log file " + path + ": No space left on device. Recording stopped; reading goes on.");
  const size_t logged = FileBytes(path).size();

  // Reading and display go on: five more seconds' worth of sentences and a
  // new time on the Status page.
  const vantrel::TNMEAThread* reader = form->ReaderThread;
  const uint64_t atError = reader->DecodedSentences();
  const QString timeAtError = form->LabelTime->text();
  ASSERT_TRUE(RunUntil([&] { return reader->DecodedSentences() >= atError + 5 * 5 * 11; }, 10000))
      << reader->DecodedSentences() - atError << " sentences after the error";
  EXPECT_NE(form->LabelTime->text(), timeAtError);
  const vantrel::testing::StreamMark end = vantrel::testing::MarkStream(*sim, *form);
  const long long lost = vantrel::testing::LostBetween(start, end);
  EXPECT_EQ(lost, 0);
  const uint64_t after = end.decoded - atError;
  EXPECT_EQ(FileBytes(path).size(), logged) << "recording went on after the error";
  EXPECT_EQ(seams.Boxes.Texts.size(), 1u);

  // The user ends the recording; Close and Open work as ever, and so does a
  // log on a disk with room.
  ASSERT_FALSE(form->BtnLogging->isHidden());
  form->BtnLogging->click();
  EXPECT_EQ(form->LogFile, nullptr);
  form->BtnClose->click();
  EXPECT_FALSE(form->PortOpen());
  form->BtnOpen->click();
  ASSERT_TRUE(form->PortOpen());
  ASSERT_TRUE(RunUntil([&] { return form->ReaderThread->DecodedSentences() > 20; }, 5000));
  vantrel::testing::TempDir roomy;
  seams.Dialog.Choices.push_back(QString::fromStdString(roomy.File("Vantrel.nma")));
  form->BtnLog->click();
  ASSERT_NE(form->LogFile, nullptr);
  EXPECT_TRUE(RunUntil([&] { return FileBytes(roomy.File("Vantrel.nma")).size() > 1000; }, 5000));
  form->BtnLogging->click();
  EXPECT_EQ(seams.Boxes.Texts.size(), 1u);

  // The file is one unbroken piece of what the module sent; only its last
  // sentence may be cut short.
  sim->Stop();
  const std::string file = FileBytes(path);
  const std::string sent = vantrel::test::SimHarness::ReadFile(sim->SentLogPath());
  EXPECT_EQ(sim->Stats()["cut_total"], 0);
  const std::string stream = SentStream(sent);
  EXPECT_GT(file.size(), capacity / 2);
  EXPECT_NE(stream.find(file), std::string::npos)
      << "the log is no piece of the stream (" << file.size() << " bytes)";

  std::printf(
      "fulldisk: log stopped at %zu bytes of a %llu-byte file system, %zu message, %llu sentences decoded "
      "after it, %lld lost\n",
      file.size(), capacity, seams.Boxes.Texts.size(), static_cast<unsigned long long>(after), lost);
  std::fflush(stdout);
}

}  // namespace
