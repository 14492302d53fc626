// The receiver session without a window: opening by name, reader restarts
// and reopens that keep an acknowledgement, command writes with their
// pauses, the receiver going silent or away, and what a timing caller is
// told of each sentence. Run under ThreadSanitizer in CI.
#include "session/ReceiverSession.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "commands/CommandNumbers.h"
#include "link/PosixSerialPort.h"
#include "tests/link/FakeSerialPort.h"
#include "tests/link/PtyPair.h"
#include "tests/nmea/SentenceText.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;

const std::string kGGA = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
const std::string kGSA = "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n";
const std::string kGSV = "$GPGSV,1,1,02,04,45,120,40,05,30,200,35*7B\r\n";
const std::string kAck314 = "$PQOL001,314,3*36\r\n";
const std::string kAckFlash = "$PQOL001,390,3*3A\r\n";

template <typename Condition>
bool WaitFor(Condition done) {
  for (int i = 0; i < 1000 && !done(); ++i) std::this_thread::sleep_for(2ms);
  return done();
}

struct RecordedPauses final : IPauses {
  void Sleep(int ms) override { events->push_back("pause " + std::to_string(ms)); }
  std::vector<std::string>* events;
};

class SessionTest : public ::testing::Test {
 protected:
  FakePortDevice& device() { return ports.Device(); }
  void OpenAndRead() {
    ASSERT_TRUE(session.Open(ports, "COM3", "38400").ok());
    ASSERT_NE(session.StartReader(), nullptr);
  }
  // Feeds bytes and waits until the current reader has decoded more sentences.
  void FeedSentences(const std::string& bytes) {
    const uint64_t before = session.Reader()->DecodedSentences();
    device().Feed(bytes);
    WaitFor([&] { return session.Reader()->DecodedSentences() > before; });
  }

  FakeSerialPortFactory ports;
  ReceiverSession session;
};

TEST_F(SessionTest, OpenRefusalsComeAsOneShapeAndLeaveNothingOpen) {
  struct Case {
    const char* name;
    int openError;
    const char* baud;
    int configureError;
    PortOpening::Refusal refusal;
    int error;
  } cases[] = {
      {"no device", ENOENT, "38400", 0, PortOpening::Refusal::CannotOpen, ENOENT},
      {"rate no number", 0, "38400x", 0, PortOpening::Refusal::BaudNotANumber, 0},
      {"rate refused", 0, "38400", EINVAL, PortOpening::Refusal::SettingsRefused, EINVAL},
      {"opened", 0, "38400", 0, PortOpening::Refusal::None, 0},
  };
  for (const Case& c : cases) {
    FakeSerialPortFactory fresh;
    ReceiverSession s;
    fresh.Device().SetOpenError(c.openError);
    if (c.configureError != 0) fresh.Device().FailConfigure(c.configureError);
    const PortOpening opening = s.Open(fresh, "COM3", c.baud);
    EXPECT_EQ(opening.refusal, c.refusal) << c.name;
    EXPECT_EQ(opening.error, c.error) << c.name;
    EXPECT_EQ(opening.path, DevicePath("COM3")) << c.name;
    EXPECT_EQ(s.IsOpen(), opening.ok()) << c.name;
    EXPECT_EQ(fresh.Device().OpenPorts(), opening.ok() ? 1 : 0) << c.name;
  }
}

// The same refusals from real devices, with what the user is told of them.
TEST_F(SessionTest, RealDevicesThatAreNoReceiverAreRefusedWithTheirReason) {
  auto posix = MakePosixSerialPortFactory();
  const PortOpening missing = session.Open(*posix, "/dev/vantrel-absent", "38400");
  EXPECT_EQ(missing.refusal, PortOpening::Refusal::CannotOpen);
  EXPECT_NE(PortFailureText(missing.error, missing.path).find("No such device: /dev/vantrel-absent"),
            std::string::npos);
  const PortOpening terminal = session.Open(*posix, "/dev/null", "38400");
  EXPECT_EQ(terminal.refusal, PortOpening::Refusal::SettingsRefused);
  EXPECT_EQ(terminal.error, ENOTTY);
  EXPECT_EQ(PortFailureText(terminal.error, terminal.path), "Not a serial port: /dev/null.");
  EXPECT_FALSE(session.IsOpen());
}

TEST_F(SessionTest, CommandWritesPauseAroundTheirBytesAndNothingWhenClosed) {
  std::vector<std::string> events;
  RecordedPauses pauses;
  pauses.events = &events;
  session.SetPauses(pauses);
  session.Write(Command{"$PQOL101*00\r\n", 100, 200});  // closed: nothing at all
  EXPECT_TRUE(events.empty());
  OpenAndRead();
  session.Write(Command{"$PQOL101*00\r\n", 100, 200});
  session.Write(Command{"$PQOL102*00\r\n", 0, 0});
  EXPECT_EQ(events, (std::vector<std::string>{"pause 100", "pause 200"}));
  EXPECT_EQ(device().Writes(), (std::vector<std::string>{"$PQOL101*00\r\n", "$PQOL102*00\r\n"}));
}

TEST_F(SessionTest, ARestartedReaderStartsEmptyWithoutWhatWaitedInTheDriver) {
  OpenAndRead();
  session.CurrentTestEnabled = true;
  FeedSentences(kGGA + kGSV + kGSA);
  SatInView table[kSatsInViewMax];
  // The fix and the table are published after the cycle that decoded them,
  // which need not be the one that read the first sentence.
  EXPECT_TRUE(WaitFor([&] { return session.FixType() != 0 && session.SatsInView(table) == 2; }));
  TNMEAThread* before = session.Reader();
  session.StopReader();
  EXPECT_EQ(session.Reader(), nullptr);
  EXPECT_TRUE(before->StopRequested.load());
  EXPECT_EQ(session.SatsInView(table), 0);
  device().Feed(kGGA + kGSA);  // stale by the time the next reader starts
  session.StartReader();
  EXPECT_NE(session.Reader(), before);
  EXPECT_EQ(device().InputLeft(), 0u);
  EXPECT_FALSE(session.CurrentTestEnabled);
  EXPECT_EQ(session.FixType(), 0);
  EXPECT_EQ(session.Reader()->DecodedSentences(), 0u);
}

// A command is followed by a reader restart; the old reader may take part
// of the answer in its last read.
TEST_F(SessionTest, AnAcknowledgementCutByARestartIsKept) {
  OpenAndRead();
  FeedSentences(kGGA + kGSA);
  device().Feed(kAck314.substr(0, 11));
  WaitFor([&] { return device().InputLeft() == 0; });
  session.RestartReader();
  FeedSentences(kAck314.substr(11) + kGSA + "$GP");
  EXPECT_TRUE(WaitFor([&] { return session.Acks.AckedCommand.load() == 314; }));
}

TEST_F(SessionTest, ReopenKeepsTheFlashWriteAcknowledgementOfTheOldLineOnly) {
  for (const std::string& ack : {kAckFlash, kAck314}) {
    OpenAndRead();
    device().Feed(kGGA + ack);  // the acknowledgement waits for the next sentence's start
    WaitFor([&] { return device().InputLeft() == 0; });
    session.Close();
    const int32_t acked = session.AcknowledgedAtClose();
    EXPECT_EQ(acked, ack == kAckFlash ? 390 : 314);
    session.Acks.AckedCommand = 0;  // the open clears the slots
    OpenAndRead();
    session.KeepAcknowledgementOfReopen(acked);
    EXPECT_EQ(session.Acks.AckedCommand.load(), ack == kAckFlash ? 390 : 0);
    session.Close();
    session.Acks.AckedCommand = 0;
  }
}

TEST_F(SessionTest, GoneIsToldOnceAndTheReaderLetsGoOfTheDevice) {
  std::atomic<int> gone{0};
  session.OnGone = [&] { ++gone; };
  OpenAndRead();
  FeedSentences(kGGA + kGSA);
  std::this_thread::sleep_for(300ms);  // silence is no disconnection
  EXPECT_EQ(gone.load(), 0);
  EXPECT_FALSE(session.Gone());
  device().Unplug();
  EXPECT_TRUE(WaitFor([&] { return gone.load() == 1; }));
  EXPECT_TRUE(session.Gone());
  session.Close();
  EXPECT_FALSE(session.IsOpen());
  EXPECT_TRUE(WaitFor([&] { return device().OpenPorts() == 0; }));
  EXPECT_EQ(gone.load(), 1);
}

// A receiver on a real terminal that stops talking: silent once the whole
// interval has passed since its last bytes, never earlier; a new reader
// starts the count again.
TEST(SessionOnPseudoTerminal, SilentAfterTheIntervalSinceTheLastBytesAndNotBefore) {
  constexpr int kMs = 150;
  test::PtyPair pty;
  ASSERT_TRUE(pty.Ok());
  auto posix = MakePosixSerialPortFactory();
  ReceiverSession session;
  ASSERT_TRUE(session.Open(*posix, pty.SlavePath(), "38400").ok());
  EXPECT_FALSE(session.Silent(0)) << "a port without a reader is not watched";
  session.StartReader();
  using Clock = std::chrono::steady_clock;
  auto lastSent = Clock::now();
  for (int i = 0; i < 8; ++i) {  // talking every 40 ms, well inside the interval
    lastSent = Clock::now();
    pty.Send(kGGA);
    std::this_thread::sleep_for(40ms);
    EXPECT_FALSE(session.Silent(kMs)) << i;
  }
  ASSERT_TRUE(WaitFor([&] { return session.Silent(kMs); }));
  EXPECT_GE(Clock::now() - lastSent, std::chrono::milliseconds(kMs));

  const auto restarted = Clock::now();
  session.RestartReader();
  EXPECT_FALSE(session.Silent(kMs));
  ASSERT_TRUE(WaitFor([&] { return session.Silent(kMs); }));
  EXPECT_GE(Clock::now() - restarted, std::chrono::milliseconds(kMs));
}

// What a caller timing the receiver is told, in the order it was sent:
// every talker's word on the fix, and every acknowledgement.
TEST_F(SessionTest, FixReportsAndAcknowledgementsAreToldInStreamOrder) {
  struct Row {
    std::string sentence;
    const char* told;  // nullptr: nothing
  } rows[] = {
      {test::WithChecksum("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"), "fix 1"},
      {test::WithChecksum("GNGGA,123520,4807.038,N,01131.000,E,0,00,,,M,,M,,"), "fix 0"},
      {test::WithChecksum("GNGNS,123521,4807.038,N,01131.000,E,NA,08,0.9,545.4,46.9,,"), "fix 1"},
      {test::WithChecksum("GNGNS,123522,,,,,NN,00,,,,,"), "fix 0"},
      {test::WithChecksum("GLGSA,A,3,65,66,,,,,,,,,,,2.5,1.3,2.1"), "fix 1"},
      {test::WithChecksum("GPGSA,A,1,,,,,,,,,,,,,,,"), "fix 0"},
      {test::WithChecksum("GNRMC,123523,A,4807.038,N,01131.000,E,0.0,0.0,090126,,,A"), "fix 1"},
      {test::WithChecksum("GPRMC,123524,V,,,,,,,090126,,,N"), "fix 0"},
      {kGSV.substr(0, kGSV.size() - 2), nullptr},
      {test::WithChecksum("PQOL001,101,3"), "ack 101,3"},
      {test::WithChecksum("PQOL001,102,2"), "ack 102,2"},
  };
  std::mutex mutex;
  std::vector<std::string> told;
  session.OnFixReport = [&](bool fix) {
    std::lock_guard lock(mutex);
    told.push_back(fix ? "fix 1" : "fix 0");
  };
  session.OnAcknowledgement = [&](int32_t command, int32_t flag) {
    std::lock_guard lock(mutex);
    told.push_back("ack " + std::to_string(command) + "," + std::to_string(flag));
  };
  session.SetTalkers(TalkerSet::AllGnss());
  OpenAndRead();
  std::string stream;
  std::vector<std::string> expected;
  for (const Row& row : rows) {
    stream += row.sentence + "\r\n";
    if (row.told != nullptr) expected.push_back(row.told);
  }
  device().Feed(stream + "$GP");  // the last sentence ends where the next begins
  WaitFor([&] {
    std::lock_guard lock(mutex);
    return told.size() >= expected.size();
  });
  session.StopAndJoinAll();
  EXPECT_EQ(told, expected);
}

}  // namespace
}  // namespace vantrel
