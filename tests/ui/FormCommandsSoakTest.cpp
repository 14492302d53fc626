// Every setting, query and restart pressed over and over against the
// simulated module streaming every sentence at every fix, five fixes a
// second at 115200 baud: each acknowledgement the module sends is reported
// to the user, the stream loses nothing meanwhile, and the NMEA log holds
// every byte the module sent, through every reader restart and reopen.
// VANTREL_COMMANDS_REPEATS sets the number of rounds (tests/soak/commands.sh).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "link/Thread.h"
#include "tests/ui/FormSimFixture.h"
#include "tests/ui/SimStreamMark.h"
#include "ui/Lists.h"

namespace {

using vantrel::ItemIndex;
using vantrel::SelectItem;

constexpr int kRow57600 = 5, kRow115200 = 6, kRow5Hz = 4;
// Restarts must outlast their one-second pause, or the count would find the
// fix on its first tick and show no time of its own.
constexpr double kTtffHot = 1.3, kTtffWarm = 1.45, kTtffCold = 1.6;

// What the window does with a command's acknowledgement.
enum class AckReport { Box, RestartTime, Reopen, NoneOfItsOwn, Silent, Unexpected };

AckReport ReportOf(int command, int flag) {
  if (flag == 2) return AckReport::Box;  // every failure has a message
  switch (command) {
    case 220:
    case 301:
    case 314:
    case 319:
    case 330:
    case 390:
      return AckReport::Box;
    case 101:
    case 102:
    case 103:
      return AckReport::RestartTime;
    case 251:
      return AckReport::Reopen;  // the port follows to the new rate
    case 188:
      return AckReport::Silent;  // Wake Up: nothing to tell
    case 250:
    case 313:
      // The first line of the DGPS button, whose second line's message
      // stands for the button.
      return AckReport::NoneOfItsOwn;
    default:
      return AckReport::Unexpected;
  }
}

class FormCommandsSoak : public vantrel::testing::FormSimFixture {
 protected:
  // Presses `button` and waits for the one message `text`.
  void PressForBox(QPushButton* button, const QString& text) {
    ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
    const size_t before = seams.Boxes.Texts.size();
    expectedBoxes.push_back(text);
    button->click();
    if (!RunUntil([&] { return seams.Boxes.Texts.size() > before; }, 5000)) {
      ADD_FAILURE() << "no report of " << text.toStdString() << " in round " << round;
      return;
    }
    EXPECT_EQ(seams.Boxes.Texts.back(), text) << "round " << round;
    CheckLog(button->text().toUtf8().constData());
  }

  void Restart(QPushButton* button, const QString& name, double ttff) {
    ASSERT_TRUE(RunUntil([&] { return HasFix(); }, 5000)) << "no fix before the " << name.toStdString();
    ASSERT_TRUE(button->isEnabled());
    const QString before = Panel(1);
    bool counted = false;
    button->click();
    ASSERT_TRUE(RunUntil(
        [&] {
          counted |= Panel(1) != before;
          return form->RestartKind == vantrel::Restart::None;
        },
        static_cast<int>(ttff * 1000) + 5000))
        << name.toStdString() << " round " << round;
    QString shown = Panel(1);
    const bool timeText = shown.endsWith(QStringLiteral(" sec(s)"));
    shown.chop(QStringLiteral(" sec(s)").size());
    bool number = false;
    const double seconds = shown.toDouble(&number);
    // The count starts when the pause after the command ends.
    const bool plausible = number && seconds > 0 && seconds < ttff + 1.0;
    EXPECT_TRUE(Panel(0) == name && timeText && plausible && counted)
        << Panel(0).toStdString() << " | " << Panel(1).toStdString() << " round " << round;
    if (Panel(0) == name && timeText && plausible && counted) ++restartsReported;
    CheckLog(button->text().toUtf8().constData());
  }

  // Waits for Timer1 to reopen the port at `row` of the baud list, the new
  // reader to decode and the open's queries to be answered. The reopen
  // itself, at the tick that clears ReopenPending, starts the new reader
  // before the tick returns.
  bool ReopenedAt(int row) {
    EXPECT_TRUE(form->ReopenPending);
    const bool reopened = RunUntil(
        [&] {
          return !form->ReopenPending && ItemIndex(form->CmbBaud) == row && form->PortOpen() &&
                 form->ReaderThread != nullptr && form->ReaderThread->DecodedSentences() > 10 &&
                 pauses.Answered() >= pauses.Sent();
        },
        8000);
    EXPECT_FALSE(form->BtnLogging->isHidden()) << "the reopen ended the recording";
    CheckLog("a reopen");
    return reopened;
  }

  size_t TcxoQueriesAnswered() {
    return vantrel::testing::SimPacedPauses::Count(vantrel::test::SimHarness::ReadFile(sim->CommandLogPath()),
                                                   "$PQOL456*35 -> ");
  }

  std::string State() {
    return "pending " + std::to_string(form->ReopenPending) + ", baud row " +
           std::to_string(ItemIndex(form->CmbBaud)) + ", open " + std::to_string(form->PortOpen()) +
           ", decoded " + std::to_string(form->ReaderThread ? form->ReaderThread->DecodedSentences() : 0) +
           ", answered " + std::to_string(pauses.Answered()) + " of " + std::to_string(pauses.Sent()) +
           ", boxes " + std::to_string(seams.Boxes.Texts.size()) +
           (seams.Boxes.Texts.empty() ? "" : " last " + seams.Boxes.Texts.back().toStdString());
  }

  // The log, begun on a quiet line: it must be the bytes the module sent
  // from then on (sent.bin), byte for byte.
  void StartLog() {
    logPath = sim->Dir() + "/window.nma";
    ASSERT_TRUE(sim->Control("silent on"));
    ASSERT_TRUE(Quiet());
    seams.Dialog.Choices.push_back(QString::fromStdString(logPath));
    form->BtnLogClick();
    ASSERT_NE(form->LogFile, nullptr);
    logMark = FileSize(SentPath());
    ASSERT_TRUE(sim->Control("silent off"));
  }
  // Nothing more sent for a while, and the window has decoded all of it.
  bool Quiet() {
    size_t last = FileSize(SentPath());
    uint64_t decoded = 0;
    int still = 0;
    return RunUntil(
        [&] {
          const size_t now = FileSize(SentPath());
          const uint64_t read = form->ReaderThread != nullptr ? form->ReaderThread->DecodedSentences() : 0;
          still = now == last && read == decoded ? still + 1 : 0;
          last = now;
          decoded = read;
          return still >= 15;
        },
        10000);
  }
  // On a busy machine the window may still read bytes that were waiting in
  // the line when the log began: the log then starts a little before the
  // mark. Its head, found in the bytes sent up to the mark, says where.
  void AlignLogStart() {
    const std::string head = Tail(logPath, 0).substr(0, 256);
    if (head.size() < 256) return;  // too little yet to tell
    logAligned = true;
    const size_t from = logMark > 70000 ? logMark - 70000 : 0;
    const std::string sent = Tail(SentPath(), from).substr(0, logMark - from + head.size());
    const size_t at = sent.rfind(head);
    if (at != std::string::npos) logMark = from + at;
  }
  // What the log holds so far against what was sent: the part both have
  // must be the same bytes (the log may be a chunk ahead of sent.bin,
  // which the simulator flushes once a loop).
  void CheckLog(const char* after) {
    if (logPath.empty()) return;
    if (!logAligned) AlignLogStart();
    const std::string log = Tail(logPath, logChecked);
    const std::string sent = Tail(SentPath(), logMark + logChecked);
    const size_t n = std::min(log.size(), sent.size());
    ++logChecks;
    const auto differ = std::mismatch(log.begin(), log.begin() + static_cast<long>(n), sent.begin());
    if (differ.first != log.begin() + static_cast<long>(n)) {
      ADD_FAILURE() << "the log differs from the bytes sent at byte " << logChecked + (differ.first - log.begin())
                    << ", after " << after << " in round " << round;
      logPath.clear();  // one report, not one per button from here on
      return;
    }
    logChecked += n;
  }
  std::string SentPath() const { return sim->Dir() + "/sent.bin"; }
  static size_t FileSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<size_t>(in.tellg()) : 0;
  }
  static std::string Tail(const std::string& path, size_t from) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from));
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string logPath;
  size_t logMark = 0, logChecked = 0;
  bool logAligned = false;
  int logChecks = 0;
  std::vector<QString> expectedBoxes;
  int round = 0;
  int restartsReported = 0;
  int reopensReported = 0;
  int wakeUps = 0;
};

TEST_F(FormCommandsSoak, EveryAcknowledgementIsReportedWhileTheModuleStreamsEverything) {
  // A round takes about fifteen seconds; without the variable only the open
  // and the accounting run, so that the test suite stays quick.
  const char* env = std::getenv("VANTREL_COMMANDS_REPEATS");
  const int rounds = env != nullptr ? std::atoi(env) : 0;
  const int flashWrites = rounds + 5;
  Open({"--baud", "115200", "--fix-rate", "5", "--all-rates", "1", "--chn-rate", "1", "--log-sent", "--ttff-hot",
        std::to_string(kTtffHot), "--ttff-warm", std::to_string(kTtffWarm), "--ttff-cold",
        std::to_string(kTtffCold), "--flash-writes", std::to_string(flashWrites)},
       false, QStringLiteral("115200"));
  // The open's queries fill the Setup page with the module's settings.
  ASSERT_TRUE(RunUntil(
      [&] { return ItemIndex(form->CmbFixRate) == kRow5Hz && ItemIndex(form->CmbQCHN) == 1; }, 5000));
  ASSERT_TRUE(form->BtnConfirm->isEnabled()) << form->LabelPercent->text().toStdString();
  ASSERT_NO_FATAL_FAILURE(StartLog());

  long long sentences = 0, lost = 0;
  int flashesDone = 0;
  int rateRow = kRow115200;
  for (round = 0; round < rounds; ++round) {
    // Queries and the settings that keep the reader, with the stream
    // counted across them.
    const vantrel::testing::StreamMark start = vantrel::testing::MarkStream(*sim, *form);
    const size_t tcxoBefore = TcxoQueriesAnswered();
    for (QPushButton* query :
         {form->BtnNMEAQuery, form->BtnQueryFixRate, form->BtnDGPSQuery, form->BtnDatumQuery,
          form->BtnQIntegrity, form->BtnQFlash, form->BtnQuery, form->BtnTCXO}) {
      query->click();
    }
    // The port's writes may still be on their way when the clicks return;
    // the module answers in order, so the last query's answer comes last.
    ASSERT_TRUE(RunUntil([&] { return TcxoQueriesAnswered() > tcxoBefore; }, 5000)) << State();
    CheckLog("the queries");
    const QString flashTitle = QStringLiteral("Write setting into flash (remain  %1  times to modify)")
                                   .arg(flashWrites - flashesDone);
    EXPECT_TRUE(RunUntil(
        [&] { return form->GroupFlash->title() == flashTitle && !form->LabelTCXO->text().isEmpty(); }, 3000))
        << form->GroupFlash->title().toStdString();

    // One command a round is refused, in turn, to take the failure path.
    constexpr int kRefusedInTurn[] = {220, 390, 251, 330, 314};
    const int refused = kRefusedInTurn[round % 5];
    ASSERT_TRUE(sim->Refuse(refused));
    PressForBox(form->BtnSetFixRate, refused == 220 ? QStringLiteral("Change Fix Update Rate Fail!!")
                                                    : QStringLiteral("Fix Update Rate Change!!"));
    SelectItem(form->CmbDatum, (round * 37) % 223);
    PressForBox(form->BtnDatumSet,
                refused == 330 ? QStringLiteral("Unknown Cmd!!") : QStringLiteral("Datum Change!!"));
    const bool integrity = round % 2 == 0;
    (integrity ? form->RadioIntegrity : form->RadioTest)->setChecked(true);
    PressForBox(form->BtnIntegrity, integrity ? QStringLiteral("WAAS Integrity Mode Enable!!")
                                              : QStringLiteral("WAAS Test Mode Enable!!"));
    const vantrel::testing::StreamMark end = vantrel::testing::MarkStream(*sim, *form);
    const long long lostNow = vantrel::testing::LostBetween(start, end);
    EXPECT_EQ(lostNow, 0) << "round " << round;
    if (lostNow >= 0) {
      sentences += end.sent - start.sent;
      lost += lostNow;
    }

    // The settings that start a new reader.
    PressForBox(form->BtnConfirm,
                refused == 314 ? QStringLiteral("NMEA Setting Fail!!") : QStringLiteral("NMEA Setting OK!!"));
    const int dgps = round % 3;
    (dgps == 0   ? form->RadioWAASEnable
     : dgps == 1 ? form->RadioRTCMEnable
                 : form->RadioBothDisable)
        ->setChecked(true);
    PressForBox(form->BtnDGPSSet, dgps == 0   ? QStringLiteral("WAAS Enable!!")
                                  : dgps == 1 ? QStringLiteral("RTCM Enable!!")
                                              : QStringLiteral("Disable All DGPS Correction!!"));

    // Wake Up replaces the reader too, and says nothing.
    const auto wakeUpsAnswered = [&] {
      return vantrel::testing::SimPacedPauses::Count(vantrel::test::SimHarness::ReadFile(sim->CommandLogPath()),
                                                     "$PQOL001,188,3");
    };
    const size_t wokenBefore = wakeUpsAnswered();
    ASSERT_TRUE(form->BtnWakeUp->isEnabled());
    form->BtnWakeUp->click();
    ++wakeUps;
    EXPECT_TRUE(RunUntil([&] { return wakeUpsAnswered() > wokenBefore; }, 5000)) << "round " << round;
    CheckLog("Wake Up");

    Restart(form->BtnHot, QStringLiteral("Hot Start"), kTtffHot);
    Restart(form->BtnWarm, QStringLiteral("Warm Start"), kTtffWarm);
    Restart(form->BtnCold, QStringLiteral("Cold Start"), kTtffCold);

    // The flash write keeps the rate (a new one is tried by the settings
    // journey); the baud button goes to the other rate, and the next round
    // comes back.
    form->ChkFlashProtect->setChecked(false);
    SelectItem(form->CmbSetBaud, rateRow);
    if (refused == 390) {
      PressForBox(form->BtnFlashSet, QStringLiteral("Write Settings into Flash Fail!!"));
      EXPECT_FALSE(form->ReopenPending);
    } else {
      PressForBox(form->BtnFlashSet, QStringLiteral("Write Settings into Flash OK!!"));
      ++flashesDone;
      ASSERT_TRUE(ReopenedAt(rateRow)) << "round " << round << ": " << State();
    }
    const int otherRow = rateRow == kRow115200 ? kRow57600 : kRow115200;
    SelectItem(form->CmbSetBaud, otherRow);
    if (refused == 251) {
      PressForBox(form->BtnSetBaud, QStringLiteral("Change Baudrate Fail!!"));
      EXPECT_FALSE(form->ReopenPending);
    } else {
      ASSERT_TRUE(form->BtnSetBaud->isEnabled());
      form->BtnSetBaud->click();
      ASSERT_TRUE(ReopenedAt(otherRow)) << "round " << round << ": " << State();
      ++reopensReported;
      rateRow = otherRow;
    }
    ASSERT_TRUE(sim->Accept(refused));
  }
  if (rateRow != kRow115200) {
    // Back to the rate of the start.
    SelectItem(form->CmbSetBaud, kRow115200);
    form->BtnSetBaud->click();
    ASSERT_TRUE(ReopenedAt(kRow115200));
    ++reopensReported;
  }

  // The whole log, once the line is quiet and the window has read it all.
  ASSERT_TRUE(sim->Control("silent on"));
  ASSERT_TRUE(Quiet());
  const size_t sentBytes = FileSize(SentPath()) - logMark;
  EXPECT_TRUE(RunUntil([&] { return FileSize(logPath) >= sentBytes; }, 3000));
  CheckLog("the last button");
  EXPECT_EQ(FileSize(logPath), sentBytes) << "bytes the log is short of or beyond what was sent";
  const bool logIdentical = !logPath.empty() && logChecked == sentBytes && FileSize(logPath) == sentBytes;

  // Every acknowledgement the module sent, against what the window made of it.
  int commands = 0, queries = 0, acks = 0, boxAcks = 0, restartAcks = 0, reopenAcks = 0, folded = 0,
      silentAcks = 0, unanswered = 0, unexpected = 0;
  for (const vantrel::test::SimHarness::Command& c : sim->Commands()) {
    ++commands;
    int command = 0, flag = 0;
    if (std::sscanf(c.answer.c_str(), "$PQOL001,%d,%d", &command, &flag) == 2) {
      ++acks;
      switch (ReportOf(command, flag)) {
        case AckReport::Box:
          ++boxAcks;
          break;
        case AckReport::RestartTime:
          ++restartAcks;
          break;
        case AckReport::Reopen:
          ++reopenAcks;
          break;
        case AckReport::NoneOfItsOwn:
          ++folded;
          break;
        case AckReport::Silent:
          ++silentAcks;
          break;
        case AckReport::Unexpected:
          ++unexpected;
          ADD_FAILURE() << c.line << " -> " << c.answer;
          break;
      }
    } else if (c.answer.rfind("$PQOL", 0) == 0) {
      ++queries;
    } else {
      ++unanswered;
      ADD_FAILURE() << c.line << " -> " << c.answer;
    }
  }
  EXPECT_EQ(seams.Boxes.Texts, expectedBoxes);
  EXPECT_EQ(static_cast<int>(seams.Boxes.Texts.size()), boxAcks);
  EXPECT_EQ(restartsReported, restartAcks);
  EXPECT_EQ(reopensReported, reopenAcks);
  EXPECT_EQ(wakeUps, silentAcks);
  EXPECT_EQ(unanswered + unexpected, 0);
  // The DGPS button's first line is answered by the message of its second.
  int dgpsMessages = 0;
  for (const QString& text : seams.Boxes.Texts)
    dgpsMessages +=
        text == "WAAS Enable!!" || text == "RTCM Enable!!" || text == "Disable All DGPS Correction!!";
  EXPECT_EQ(folded, dgpsMessages);
  const int byDgps = std::min(folded, dgpsMessages);
  const int reported = static_cast<int>(seams.Boxes.Texts.size()) + restartsReported + reopensReported + byDgps +
                       std::min(wakeUps, silentAcks);
  std::printf(
      "commands: %d rounds, %d commands, %d acknowledgements sent, %d reported (%d of them by the message of "
      "the "
      "DGPS setting's second line), %d lost, %d queries answered; stream: %lld sentences, %lld lost; log: %zu "
      "bytes sent, %s, checked after %d buttons\n",
      round, commands, acks, reported, byDgps, acks - reported, queries, sentences, lost, sentBytes,
      logIdentical ? "identical" : "DIFFERENT", logChecks);
  std::fflush(stdout);
}

}  // namespace
