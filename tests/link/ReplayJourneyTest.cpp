// A recording replayed by the simulator and read by the window's reader
// thread over the pseudo-terminal, as it would read the live module: every
// byte as recorded, the sentences to the monitor as they were, each epoch
// at the recording's spacing, and a command only acknowledged.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "link/PosixSerialPort.h"
#include "link/Thread.h"
#include "tests/link/TestUiLoop.h"
#include "tests/nmea/SentenceText.h"
#include "tests/sim/SimHarness.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr double kSpacingS = 0.5;  // the recording's: two epochs a second
constexpr int kEpochs = 8;

// A 2 Hz recording with a proprietary sentence and some junk between
// sentences, as a raw capture holds them; and where each epoch begins.
std::string Recording(std::vector<size_t>& starts) {
  std::string r;
  for (int i = 0; i < kEpochs; ++i) {
    char t[16];
    std::snprintf(t, sizeof t, "1010%02d.%d00", 10 + i / 2, (i % 2) * 5);
    starts.push_back(r.size());
    r += test::WithChecksum(std::string("GPGGA,") + t + ",4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,") + "\r\n";
    r += test::WithChecksum("GPGSA,A,3,04,05,09,12,,,,,,,,,1.8,0.9,1.5") + "\r\n";
    if (i == 3) r += "\x01\xfe noise on the line\r\n";
    r += test::WithChecksum(std::string("GPRMC,") + t + ",A,4807.0380,N,01131.0000,E,0.02,31.66,080426,,,A") + "\r\n";
    r += test::WithChecksum("PQOLCHN,10451,07432") + "\r\n";
  }
  return r;
}

// What the reader hands over: the monitor's text, and every chunk it read
// with the time it arrived.
class Journal final : public ReaderHost {
 public:
  void AppendMonitorLines(const char* text, size_t len) override {
    std::lock_guard lock(mutex_);
    monitor.append(text, len);
    changed_.notify_all();
  }
  void RefreshStatus(ReceiverRecord&) override {}
  void ShowReply(const Reply&, ReceiverRecord&) override {}
  void Chunk(const char* data, size_t len) {
    std::lock_guard lock(mutex_);
    chunks.push_back({bytes.size(), Clock::now()});
    bytes.append(data, len);
    changed_.notify_all();
  }
  template <typename Pred>
  bool WaitFor(Pred pred, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return pred(); });
  }
  // When the byte at `offset` arrived.
  Clock::time_point ArrivalOf(size_t offset) {
    std::lock_guard lock(mutex_);
    Clock::time_point at{};
    for (const auto& c : chunks)
      if (c.offset <= offset) at = c.at;
    return at;
  }
  std::string Bytes() {
    std::lock_guard lock(mutex_);
    return bytes;
  }
  std::string Monitor() {
    std::lock_guard lock(mutex_);
    return monitor;
  }

  struct Arrival {
    size_t offset;
    Clock::time_point at;
  };
  std::string monitor, bytes;
  std::vector<Arrival> chunks;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
};

TEST(ReplayJourney, TheReaderGetsTheRecordingAsRecordedAtItsPace) {
  std::vector<size_t> starts;
  const std::string recording = Recording(starts);
  const std::string path = ::testing::TempDir() + "replay_journey.nma";
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(recording.data(), 1, recording.size(), f);
    std::fclose(f);
  }
  // In a loop, so that a whole pass arrives after the reader started.
  test::SimHarness sim({"--replay", path, "--replay-loop", "--baud", "115200"});
  ASSERT_TRUE(sim.Started()) << sim.Error();
  auto port = std::make_unique<PosixSerialPort>();
  ASSERT_TRUE(port->Open(sim.ReceiverPath()) && port->Configure(115200)) << port->LastError();
  auto link = std::make_shared<PortLink>(std::move(port));
  test::TestUiLoop ui;
  Journal journal;
  AckSlots acks;
  LogHook log;
  log.Set([&](const char* data, size_t len) { journal.Chunk(data, len); });
  TNMEAThread reader(ReaderEnv{link, &journal, &ui.handOver, &acks, &log});

  // A whole pass, and the start of the next so its last sentence is framed.
  size_t pass = std::string::npos;
  ASSERT_TRUE(journal.WaitFor(
      [&] {
        pass = journal.bytes.find(recording);
        return pass != std::string::npos && journal.bytes.size() > pass + recording.size() + 10;
      },
      20s))
      << "no whole pass of the recording among " << journal.Bytes().size() << " bytes";

  // The bytes as recorded: the whole file, junk included, reaches the
  // monitor as the window shows it (with the refresh that follows).
  EXPECT_TRUE(journal.WaitFor([&] { return journal.monitor.find(recording) != std::string::npos; }, 5s));

  // At the recording's pace, not as fast as the line goes. The spacing of
  // each epoch is the replayer's own schedule, checked to the millisecond
  // in sim/ReplayTest; here the machine's load may delay a read now and
  // then, so the whole pass is checked, and the spacing printed.
  double worst = 0;
  for (int i = 1; i < kEpochs; ++i) {
    const double gap = std::chrono::duration<double>(journal.ArrivalOf(pass + starts[i]) -
                                                     journal.ArrivalOf(pass + starts[i - 1]))
                           .count();
    worst = std::max(worst, std::fabs(gap - kSpacingS));
  }
  const double span =
      std::chrono::duration<double>(journal.ArrivalOf(pass + starts[kEpochs - 1]) - journal.ArrivalOf(pass)).count();
  EXPECT_NEAR(span, (kEpochs - 1) * kSpacingS, 0.2);
  std::printf("[ spacing  ] epochs %.3f s apart as recorded: at most %.1f ms off, the pass %.3f s for %.3f s\n",
              kSpacingS, worst * 1000, span, (kEpochs - 1) * kSpacingS);

  // A command is logged and acknowledged, and nothing more.
  const std::string query = "$PQOL414*33\r\n";
  ASSERT_EQ(link->Write(query.data(), query.size()), query.size());
  EXPECT_TRUE(journal.WaitFor([&] { return journal.bytes.find("$PQOL001,414,3*31\r\n", pass) != std::string::npos; }, 5s));
  EXPECT_TRUE(test::SimHarness::WaitUntil(
      [&] {
        const auto commands = sim.Commands();
        return !commands.empty() && commands.back().line == "$PQOL414*33" &&
               commands.back().answer == "$PQOL001,414,3*31";
      },
      3000));
  EXPECT_EQ(journal.Bytes().find("$PQOL514"), std::string::npos) << "a replayed receiver only acknowledges";

  link->Close();
  reader.RequestStop();
  reader.Join();
  std::remove(path.c_str());
}

}  // namespace
}  // namespace vantrel
