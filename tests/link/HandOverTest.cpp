// The synchronous hand-over between a reader thread and the UI thread.
#include "link/HandOver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/link/TestUiLoop.h"

namespace vantrel {
namespace {

TEST(UiHandOver, RunsOnTheUiThreadAndReturnsAfterwards) {
  test::TestUiLoop ui;
  std::atomic<bool> stop{false};
  std::thread::id ranOn;
  int value = 0;
  std::thread reader([&] {
    EXPECT_TRUE(ui.handOver.RunOnUiThread([&] { ranOn = std::this_thread::get_id(), value = 42; }, stop));
    EXPECT_EQ(value, 42);  // the call's writes are seen once it returns
  });
  const auto readerId = reader.get_id();
  reader.join();
  EXPECT_NE(ranOn, readerId);
  EXPECT_NE(ranOn, std::thread::id());
}

TEST(UiHandOver, CallsOfOneReaderRunInOrder) {
  test::TestUiLoop ui;
  std::atomic<bool> stop{false};
  std::vector<int> seen;
  std::thread reader([&] {
    for (int i = 0; i < 50; ++i) ui.handOver.RunOnUiThread([&, i] { seen.push_back(i); }, stop);
  });
  reader.join();
  ASSERT_EQ(seen.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(seen[static_cast<size_t>(i)], i);
}

TEST(UiHandOver, StoppedReaderDoesNotWaitForABusyUiThread) {
  test::TestUiLoop ui;
  ui.SetBusy(true);
  std::atomic<bool> stop{false};
  std::atomic<bool> ran{false};
  std::atomic<bool> result{true};
  std::thread reader([&] { result = ui.handOver.RunOnUiThread([&] { ran = true; }, stop); });
  while (ui.handOver.Pending() == 0) std::this_thread::yield();
  stop = true;
  ui.handOver.WakeWaiters();
  reader.join();  // would hang if the reader kept waiting
  EXPECT_FALSE(result);
  EXPECT_EQ(ui.handOver.Pending(), 0);
  ui.SetBusy(false);
  EXPECT_FALSE(ran);
}

TEST(UiHandOver, CallOfAReaderStoppedBeforeTheUiThreadGetsToItIsDropped) {
  int posts = 0;
  UiHandOver handOver([&] { ++posts; });
  std::atomic<bool> stop{true};
  bool ran = false;
  EXPECT_FALSE(handOver.RunOnUiThread([&] { ran = true; }, stop));
  handOver.Drain();
  EXPECT_FALSE(ran);
  EXPECT_EQ(posts, 0);
}

TEST(UiHandOver, StopDuringARunningCallWaitsForItsEnd) {
  test::TestUiLoop ui;
  std::atomic<bool> stop{false};
  std::atomic<bool> inside{false};
  std::atomic<bool> release{false};
  std::atomic<bool> finished{false};
  bool result = false;
  std::thread reader([&] {
    result = ui.handOver.RunOnUiThread(
        [&] {
          inside = true;
          while (!release) std::this_thread::yield();
          finished = true;
        },
        stop);
    // The call may use the reader's data: it must be over before we return.
    EXPECT_TRUE(finished);
  });
  while (!inside) std::this_thread::yield();
  stop = true;
  ui.handOver.WakeWaiters();
  release = true;
  reader.join();
  EXPECT_TRUE(result);
}

TEST(UiHandOver, ManyReadersAtOnce) {
  test::TestUiLoop ui;
  std::atomic<bool> stop{false};
  int total = 0;  // touched only on the UI thread
  std::vector<std::thread> readers;
  for (int r = 0; r < 4; ++r) {
    readers.emplace_back([&] {
      for (int i = 0; i < 200; ++i) ui.handOver.RunOnUiThread([&] { ++total; }, stop);
    });
  }
  for (auto& reader : readers) reader.join();
  EXPECT_EQ(total, 800);
}

TEST(UiHandOver, NestedDrainFromInsideACallRunsLaterCalls) {
  // A modal box inside a call runs the event loop, which drains again.
  UiHandOver* self = nullptr;
  std::atomic<int> posted{0};
  UiHandOver handOver([&] { ++posted; });
  self = &handOver;
  std::atomic<bool> stop{false};
  std::vector<int> order;
  std::atomic<bool> secondQueued{false};
  std::thread a([&] {
    handOver.RunOnUiThread(
        [&] {
          order.push_back(1);
          while (!secondQueued) std::this_thread::yield();
          self->Drain();
          order.push_back(3);
        },
        stop);
  });
  std::thread b([&] {
    while (posted < 1) std::this_thread::yield();
    handOver.RunOnUiThread([&] { order.push_back(2); }, stop);
  });
  while (posted < 1) std::this_thread::yield();
  std::thread ui([&] {
    while (handOver.Pending() < 1) std::this_thread::yield();
    // Drain the first call; it waits for the second to be queued.
    std::thread watcher([&] {
      while (posted < 2) std::this_thread::yield();
      secondQueued = true;
    });
    handOver.Drain();
    watcher.join();
  });
  a.join();
  b.join();
  ui.join();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

}  // namespace
}  // namespace vantrel
