// The port and the reader against vantrel-sim, a receiver that behaves like
// the module rather than like our code expects.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "link/PosixSerialPort.h"
#include "link/Thread.h"
#include "tests/link/TestUiLoop.h"
#include "tests/sim/SimHarness.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;

const std::string kOpenQueries =
    "$PQOL414*33\r\n$PQOL400*36\r\n$PQOL602*36\r\n$PQOL401*37\r\n$PQOL419*3E\r\n$PQOL490*3F\r\n$PQOL430*35\r\n";

class CountingHost final : public ReaderHost {
 public:
  void AppendMonitorLines(const char* workText, size_t len) override {
    std::lock_guard lock(mutex_);
    monitor_.append(workText, len);
  }
  void RefreshStatus(ReceiverRecord& record) override {
    std::lock_guard lock(mutex_);
    ++refreshes_;
    fixQuality_ = record.FixQuality;
    changed_.notify_all();
  }
  void ReceiverGone() override {
    std::lock_guard lock(mutex_);
    ++gone_;
    changed_.notify_all();
  }
  void ShowReply(const Reply& reply, ReceiverRecord&) override {
    std::lock_guard lock(mutex_);
    replies_.insert(reply.kind);
    changed_.notify_all();
  }
  template <typename Pred>
  bool WaitFor(Pred pred, std::chrono::milliseconds limit = 10s) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return pred(*this); });
  }
  int Refreshes() {
    std::lock_guard lock(mutex_);
    return refreshes_;
  }
  std::set<ReplyKind> replies_;
  int refreshes_ = 0;
  int gone_ = 0;
  int fixQuality_ = 0;
  std::string monitor_;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
};

struct OpenLink {
  explicit OpenLink(const std::string& path, long baud = 38400) {
    auto port = std::make_unique<PosixSerialPort>();
    ok = port->Open(path) && port->Configure(baud);
    error = port->LastError();
    link = std::make_shared<PortLink>(std::move(port));
  }
  std::shared_ptr<PortLink> link;
  bool ok = false;
  int error = 0;
};

TEST(SimLink, OpenQueriesGoOutExactlyAndEveryReplyReachesTheWindow) {
  test::SimHarness sim;
  ASSERT_TRUE(sim.Started()) << sim.Error();
  test::TestUiLoop ui;
  CountingHost host;
  AckSlots acks;
  OpenLink open(sim.ReceiverPath());
  ASSERT_TRUE(open.ok) << open.error;
  TNMEAThread reader(ReaderEnv{open.link, &host, &ui.handOver, &acks, nullptr});
  for (size_t start = 0; start < kOpenQueries.size(); start += 13) {
    open.link->Write(kOpenQueries.data() + start, 13);
    std::this_thread::sleep_for(50ms);  // the receiver's pace, not a window pause
  }
  ASSERT_TRUE(sim.WaitForReceived(kOpenQueries));
  EXPECT_EQ(sim.ReceivedBytes(), kOpenQueries);
  // The RTCM baud reply counts only while RTCM is on, so it may not come.
  const std::set<ReplyKind> expected = {ReplyKind::OutputRates, ReplyKind::FixRate,  ReplyKind::DgpsMode,
                                          ReplyKind::SbasMode,    ReplyKind::FlashWrites, ReplyKind::Datum};
  EXPECT_TRUE(host.WaitFor([&](CountingHost& h) {
    return std::includes(h.replies_.begin(), h.replies_.end(), expected.begin(), expected.end());
  }));
  EXPECT_TRUE(host.WaitFor([](CountingHost& h) { return h.fixQuality_ > 0; })) << "no fix decoded from the stream";
}

TEST(SimLink, CloseAndReopenAtOnceWhileTheReceiverStreams) {
  test::SimHarness sim({"--flood"});
  ASSERT_TRUE(sim.Started()) << sim.Error();
  test::TestUiLoop ui;
  CountingHost host;
  AckSlots acks;
  ReaderSet readers;
  for (int cycle = 0; cycle < 50; ++cycle) {
    OpenLink open(sim.ReceiverPath());
    ASSERT_TRUE(open.ok) << "cycle " << cycle << ": errno " << open.error;
    TNMEAThread* reader = readers.Start(ReaderEnv{open.link, &host, &ui.handOver, &acks, nullptr});
    if (cycle % 10 == 0) {
      const int before = host.Refreshes();
      EXPECT_TRUE(host.WaitFor([&](CountingHost& h) { return h.refreshes_ > before; })) << "cycle " << cycle;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(cycle % 7));
    }
    open.link->Close();
    reader->RequestStop();
  }
  readers.StopAndJoinAll();
}

TEST(SimLink, ReceiverThatVanishesIsReportedOnceAndItsReaderEnds) {
  test::SimHarness sim;
  ASSERT_TRUE(sim.Started()) << sim.Error();
  test::TestUiLoop ui;
  CountingHost host;
  AckSlots acks;
  OpenLink open(sim.ReceiverPath());
  ASSERT_TRUE(open.ok) << open.error;
  TNMEAThread reader(ReaderEnv{open.link, &host, &ui.handOver, &acks, nullptr});
  ASSERT_TRUE(host.WaitFor([](CountingHost& h) { return h.refreshes_ > 0; }));
  ASSERT_TRUE(sim.Stop());  // the line hangs up
  ASSERT_TRUE(host.WaitFor([](CountingHost& h) { return h.gone_ > 0; }));
  ASSERT_TRUE(test::SimHarness::WaitUntil([&] { return reader.Finished(); }, 2000));  // it reads no more
  EXPECT_EQ(host.WaitFor([](CountingHost& h) { return h.gone_ > 1; }, 100ms), false);  // told once
  // Writes to the dead line give up within their limit.
  EXPECT_LE(open.link->Write("$PQOL400*36\r\n", 13), 13u);
  open.link->Close();
  reader.RequestStop();
  reader.Join();
  EXPECT_TRUE(reader.Finished());
}

}  // namespace
}  // namespace vantrel
