// The reader thread's read cycle and life, with a fake port or a
// pseudo-terminal and a test loop in place of the window.
#include "link/Thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/link/FakeSerialPort.h"
#include "link/PosixSerialPort.h"
#include "tests/link/PtyPair.h"
#include "tests/link/TestUiLoop.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;

const std::string kGGA = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
const std::string kRMC = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";
const std::string kGSA = "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n";
const std::string kGSV = "$GPGSV,1,1,02,04,45,120,40,05,30,200,35*7B\r\n";
const std::string kFixRateReply = "$PQOL500,1000*1A\r\n";
const std::string kAck314 = "$PQOL001,314,3*36\r\n";
const std::string kChannels = "$PQOLCHN,04402,05352*44\r\n";

// Records what the reader asks of the window, in order, on the UI thread.
class RecordingHost final : public ReaderHost {
 public:
  void AppendMonitorLines(const char* workText, size_t len) override {
    Add("monitor:" + std::string(workText, len));
  }
  void RefreshStatus(ReceiverRecord& record) override {
    char text[96];
    std::snprintf(text, sizeof text, "refresh:fix=%d quality=%d sats=%d channels=%d", record.FixType,
                  record.FixQuality, record.SatsInViewCount, record.ChannelsUpdated);
    Add(text);
  }
  void ShowReply(const Reply& reply, ReceiverRecord& record) override {
    Add("reply:" + std::to_string(static_cast<int>(reply.kind)) + " hz=" + std::to_string(record.FixRateHz));
  }

  std::vector<std::string> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  // Waits (bounded) until at least `count` events have been seen.
  bool WaitFor(size_t count, std::chrono::milliseconds limit = 5s) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return events_.size() >= count; });
  }
  // The events that begin with `prefix`.
  std::vector<std::string> Only(const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& e : Events()) {
      if (e.rfind(prefix, 0) == 0) out.push_back(e.substr(prefix.size()));
    }
    return out;
  }

 private:
  void Add(std::string event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
    changed_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> events_;
};

class ReaderTest : public ::testing::Test {
 protected:
  ReaderTest() {
    auto port = factory.Create();
    port->Open("/dev/fake");
    link = std::make_shared<PortLink>(std::move(port));
  }
  ReaderEnv Env() {
    ReaderEnv env;
    env.link = link;
    env.host = &host;
    env.handOver = &ui.handOver;
    env.acks = &acks;
    env.log = &log;
    return env;
  }
  FakePortDevice& device() { return factory.Device(); }
  // Feeds bytes (at most one read's worth) and waits until the reader has handed over the
  // cycle's status refresh.
  void FeedCycle(const std::string& bytes) {
    const size_t before = host.Only("refresh:").size();
    device().Feed(bytes);
    for (int i = 0; i < 500 && host.Only("refresh:").size() <= before; ++i) std::this_thread::sleep_for(2ms);
  }
  // The reader publishes its snapshots just after the refresh hand-over, so
  // a test that reads them waits for them.
  template <typename Condition>
  static void WaitFor(Condition done) {
    for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(2ms);
  }

  FakeSerialPortFactory factory;
  std::shared_ptr<PortLink> link;
  RecordingHost host;
  test::TestUiLoop ui;
  AckSlots acks;
  LogHook log;
};

TEST_F(ReaderTest, SentenceWaitsForTheNextStartAsInTheWorkedExample) {
  TNMEAThread reader(Env());
  FeedCycle(kGGA + "$GPRM");
  FeedCycle(kRMC.substr(5) + "$GPGSA,A,3");
  EXPECT_EQ(host.Only("monitor:"), (std::vector<std::string>{kGGA, kRMC}));
  EXPECT_EQ(host.Only("refresh:"),
            (std::vector<std::string>{"fix=1 quality=1 sats=0 channels=0", "fix=1 quality=1 sats=0 channels=0"}));
}

TEST_F(ReaderTest, CycleStepsComeInTheirOrderWithRepliesInStreamOrder) {
  TNMEAThread reader(Env());
  FeedCycle(kGSA + kFixRateReply + kAck314 + "$GP");  // one read: under 100 bytes
  EXPECT_EQ(host.Events(), (std::vector<std::string>{
                               "monitor:" + kGSA + kFixRateReply + kAck314,
                               "reply:" + std::to_string(static_cast<int>(ReplyKind::FixRate)) + " hz=1",
                               "refresh:fix=2 quality=1 sats=0 channels=0",
                           }));
  // The acknowledgement goes straight to the window's slot, no hand-over.
  EXPECT_EQ(acks.AckedCommand.load(), 314);
  WaitFor([&] { return reader.FixType() == 2; });
  EXPECT_EQ(reader.FixType(), 2);
}

// The count that measurements compare with what the receiver sent: every
// sentence of a known kind whose checksum passed, replies included; a bad
// checksum, another talker or the sentence still waiting is not counted.
TEST_F(ReaderTest, CountsTheSentencesThatPassedTheirChecksum) {
  TNMEAThread reader(Env());
  std::string badChecksum = kGGA;
  badChecksum[badChecksum.size() - 3] = '8';  // *47 becomes *48
  FeedCycle(kGGA + "$GP");
  FeedCycle(kGSV.substr(3) + "$GL");
  FeedCycle("GSV,1,1,00*00\r\n" + kAck314 + "$GP");  // another talker, then a reply
  FeedCycle(badChecksum.substr(3) + "$GP");
  FeedCycle("GLL,x*00\r\n" + kChannels + "$GP");  // a wrong checksum, then a channel table
  EXPECT_EQ(reader.DecodedSentences(), 4u);      // GGA, GSV, the acknowledgement, the channel table
}

TEST_F(ReaderTest, LogGetsEveryChunkUnchangedBeforeFraming) {
  std::string logged;  // written by the reader under the hook's lock
  log.Set([&](const char* data, size_t len) { logged.append(data, len); });
  TNMEAThread reader(Env());
  FeedCycle("noise before any sentence ");
  FeedCycle(kGGA.substr(0, 20));
  log.Set({});
  FeedCycle(kGGA.substr(20));
  EXPECT_EQ(logged, "noise before any sentence " + kGGA.substr(0, 20));
}

TEST_F(ReaderTest, ConstructionDiscardsWhatWaitsInTheDriver) {
  device().Feed(kGGA + kGGA);
  TNMEAThread reader(Env());
  EXPECT_EQ(device().InputLeft(), 0u);
  EXPECT_EQ(device().Discards(), 0) << "read empty, not flushed";
  FeedCycle(kRMC + "$GP");
  EXPECT_EQ(host.Only("monitor:"), (std::vector<std::string>{kRMC}));
}

// What waited in the driver is stale, except an acknowledgement: the answer
// to the command that made the window replace its reader. The receiver may
// be in the middle of it when the new reader empties the queue.
TEST_F(ReaderTest, ConstructionKeepsTheAcknowledgementItFindsWaitingWholeOrBegun) {
  const struct {
    std::string waiting, after;
    int32_t acked;
  } cases[] = {
      {kGGA + kAck314, "", 314},
      {kGGA + kAck314.substr(0, 1), kAck314.substr(1), 314},
      {kGGA + kAck314.substr(0, 6), kAck314.substr(6), 314},
      {kGGA + kAck314.substr(0, 11), kAck314.substr(11), 314},
      {kGGA + kAck314.substr(0, 16), kAck314.substr(16), 314},
      {kGGA + kAck314.substr(0, 17), kAck314.substr(17), 314},
      {kGGA + kRMC.substr(0, 10), kRMC.substr(10), 0},  // a begun sentence of the old stream stays dropped
      {kFixRateReply.substr(0, 10), kFixRateReply.substr(10), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.waiting + "|" + c.after);
    acks.AckedCommand.store(0);
    device().Feed(c.waiting);
    TNMEAThread reader(Env());
    const size_t before = host.Only("monitor:").size();
    const auto shownSince = [&] {
      std::string shown;
      const std::vector<std::string> lines = host.Only("monitor:");
      for (size_t i = before; i < lines.size(); ++i) shown += lines[i];
      return shown;
    };
    // A busy machine may read it in two cycles: wait for the one with the GSA.
    device().Feed(c.after + kGSA + "$GP");
    WaitFor([&] { return shownSince().find(kGSA) != std::string::npos; });
    EXPECT_EQ(acks.AckedCommand.load(), c.acked);
    const std::string shown = shownSince();
    EXPECT_EQ(shown.find("$GPGGA"), std::string::npos) << "the stale sentence was shown";
    EXPECT_NE(shown.find(kGSA), std::string::npos);
  }
  // Read empty, the queue is not flushed as well: that would throw away what
  // arrives meanwhile.
  EXPECT_EQ(device().Discards(), 0);
}

TEST_F(ReaderTest, ConstructionFlushesAFloodedQueueItCannotReadEmpty) {
  std::string flood;
  while (flood.size() < 100 * 1000) flood += kGGA;
  device().Feed(flood);
  TNMEAThread reader(Env());
  EXPECT_EQ(device().Discards(), 1);
  FeedCycle(kRMC + "$GP");
  EXPECT_EQ(host.Only("monitor:"), (std::vector<std::string>{kRMC}));
}

// A new reader drops the queue for decoding, but the log keeps every byte
// the port delivered, in order: the old reader's, the queue's, the new
// reader's. A queue longer than the unlogged bound is read empty, not
// flushed.
TEST_F(ReaderTest, WithALogTheQueueANewReaderDropsIsLoggedInOrder) {
  std::string logged;  // written under the hook's lock, read after the joins
  log.Set([&](const char* data, size_t len) { logged.append(data, len); });
  std::string flood;
  while (flood.size() < 30 * 1000) flood += kGGA;
  for (const std::string& waiting : {kGGA + kAck314.substr(0, 11), flood}) {
    SCOPED_TRACE(waiting.size());
    logged.clear();
    const int discards = device().Discards();
    {
      TNMEAThread old(Env());
      FeedCycle(kRMC + "$GP");
      old.RequestStop();
      old.Join();
      device().Feed(waiting);
      TNMEAThread next(Env(), old.BegunAcknowledgement());
      FeedCycle(kAck314.substr(11) + kGSA + "$GP");
    }
    EXPECT_EQ(logged, kRMC + "$GP" + waiting + kAck314.substr(11) + kGSA + "$GP");
    EXPECT_EQ(device().Discards(), discards);
    EXPECT_EQ(host.Only("monitor:").back().find("$GPGGA"), std::string::npos) << "the queue was decoded";
  }
}

TEST_F(ReaderTest, SnapshotsAndClearRequestsForTheUiThread) {
  TNMEAThread reader(Env());
  FeedCycle(kGSV + kChannels + "$GPGG");
  SatInView sats[kSatsInViewMax];
  WaitFor([&] { return reader.SatsInViewSnapshot(sats) == 2; });
  EXPECT_EQ(reader.SatsInViewSnapshot(sats), 2);
  EXPECT_EQ(sats[0].Prn, 4);
  EXPECT_EQ(sats[1].Snr, 35);
  EXPECT_EQ(host.Only("refresh:").back(), "fix=0 quality=0 sats=2 channels=1");
  reader.RequestClearChannelsUpdated();
  FeedCycle(kGGA.substr(5) + "$GPRMC");
  EXPECT_EQ(host.Only("refresh:").back(), "fix=1 quality=1 sats=2 channels=0");
  // The first message of the next group empties the record's table; the
  // snapshot keeps the last whole group until the new one is whole.
  FeedCycle("\r\n$GPGSV,2,1,05,07,45,120,40,08,30,200,35,09,10,010,30,10,11,011,31*78\r\n$GP");
  EXPECT_EQ(host.Only("refresh:").back(), "fix=1 quality=1 sats=5 channels=0");
  FeedCycle("GGA");  // that cycle's snapshot is published by now
  EXPECT_EQ(reader.SatsInViewSnapshot(sats), 2);
  EXPECT_EQ(sats[0].Prn, 4);
}

TEST_F(ReaderTest, StopWhileTheUiThreadIsBusyEndsWithoutTheHandOver) {
  ui.SetBusy(true);  // the window sleeps after a command
  TNMEAThread reader(Env());
  device().Feed(kGGA + "$GP");
  while (ui.handOver.Pending() == 0) std::this_thread::sleep_for(1ms);
  reader.RequestStop();
  reader.Join();  // would hang if the reader still waited for the window
  EXPECT_TRUE(reader.Finished());
  ui.SetBusy(false);
  EXPECT_TRUE(host.Events().empty());
}

TEST_F(ReaderTest, AcknowledgementTakenInTheLastReadOfAStoppingReaderIsKept) {
  TNMEAThread reader(Env());
  FeedCycle(kAck314);  // read, but waiting for the next sentence's start
  EXPECT_EQ(acks.AckedCommand.load(), 0);
  reader.RequestStop();
  reader.Join();
  EXPECT_EQ(acks.AckedCommand.load(), 314);
}

TEST_F(ReaderTest, CloseEndsTheReaderAndTheLastHolderClosesTheDevice) {
  auto reader = std::make_unique<TNMEAThread>(Env());
  FeedCycle(kGGA + "$GP");
  EXPECT_EQ(device().OpenPorts(), 1);
  link->Close();
  link.reset();  // the window forgets the port; the reader still holds it
  for (int i = 0; i < 1000 && !reader->Finished(); ++i) std::this_thread::sleep_for(2ms);
  EXPECT_TRUE(reader->Finished()) << "a closed link must end its reader";
  EXPECT_EQ(device().OpenPorts(), 0);
  reader.reset();
}

TEST_F(ReaderTest, ReaderSetJoinsStoppedReadersOnTheNextStart) {
  ReaderSet readers;
  TNMEAThread* first = readers.Start(Env());
  first->RequestStop();
  while (!first->Finished()) std::this_thread::sleep_for(1ms);
  readers.Start(Env());
  EXPECT_EQ(readers.Size(), 1u);
  readers.StopAndJoinAll();
  EXPECT_EQ(readers.Size(), 0u);
}

// The window replaces its reader right after writing a command; the
// stopped reader may still take part of the answer in its last read.
TEST_F(ReaderTest, AcknowledgementSplitBetweenAStoppedReaderAndItsSuccessorIsKept) {
  ReaderSet readers;
  TNMEAThread* first = readers.Start(Env());
  FeedCycle(kGGA + kAck314.substr(0, 11));
  first->RequestStop();
  TNMEAThread* second = readers.Start(Env());
  EXPECT_EQ(readers.Size(), 1u) << "the first must have ended: two readers must not share the line";
  FeedCycle(kAck314.substr(11) + kGSA + "$GP");
  EXPECT_EQ(acks.AckedCommand.load(), 314);
  EXPECT_EQ(host.Only("monitor:").back(), kAck314 + kGSA);
  second->RequestStop();
  readers.StopAndJoinAll();
}

// Many opens and closes of a pseudo-terminal while the receiver streams and
// readers hand over to the UI: run under ThreadSanitizer in CI.
TEST(ReaderOnPseudoTerminal, TwoHundredCloseOpenCyclesWhileDataFlows) {
  test::PtyPair pty;
  ASSERT_TRUE(pty.Ok());
  test::TestUiLoop ui;
  RecordingHost host;
  AckSlots acks;
  LogHook log;
  std::atomic<bool> quit{false};
  std::thread receiver([&] {
    const std::string burst = kGGA + kGSA + kGSV + kRMC;
    while (!quit) {
      pty.Send(burst);
      std::this_thread::sleep_for(1ms);
    }
  });
  ReaderSet readers;
  int opened = 0;
  for (int cycle = 0; cycle < 200; ++cycle) {
    auto port = std::make_unique<PosixSerialPort>();
    if (!port->Open(pty.SlavePath()) || !port->Configure(115200)) {
      ADD_FAILURE() << "cycle " << cycle << ": errno " << port->LastError();
      break;
    }
    ++opened;
    auto link = std::make_shared<PortLink>(std::move(port));
    ReaderEnv env{link, &host, &ui.handOver, &acks, &log};
    TNMEAThread* reader = readers.Start(env);
    if (cycle % 3 == 0) {
      // A restart: a second reader replaces the first on the same port.
      reader->RequestStop();
      reader = readers.Start(env);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200 * (cycle % 10)));
    link->Close();
    reader->RequestStop();
  }
  readers.StopAndJoinAll();
  quit = true;
  receiver.join();
  EXPECT_EQ(opened, 200);
  EXPECT_FALSE(host.Only("refresh:").empty());
}

}  // namespace
}  // namespace vantrel
