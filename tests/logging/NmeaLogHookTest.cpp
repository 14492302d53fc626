// The reader's appends against the window's close, on two threads: every
// chunk is whole in the file, and nothing arrives after the close.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "logging/NmeaLog.h"
#include "tests/logging/TempFiles.h"

namespace vantrel {
namespace {

TEST(NmeaLogHook, CloseWaitsForTheAppendInProgressAndEndsTheRecording) {
  testing::TempDir temp;
  ASSERT_TRUE(temp.Made());
  const std::string chunk = "$GPGSV,3,1,11,10,63,137,17,07,61,098,15,05,59,290,20,08,54,157,30*70\r\n";
  for (int round = 0; round < 50; ++round) {
    const std::string path = temp.File("log" + std::to_string(round));
    std::string error;
    auto log = NmeaLog::Open(path, &error);
    ASSERT_NE(log, nullptr) << error;
    LogHook hook;
    log->Attach(hook, {});
    std::atomic<int> appended{0};
    std::atomic<bool> quit{false};
    std::thread reader([&] {
      while (!quit.load()) {
        if (hook.Append(chunk.data(), chunk.size())) appended.fetch_add(1);
      }
    });
    while (appended.load() < round % 7) std::this_thread::yield();
    log->Close();
    EXPECT_FALSE(hook.IsSet());
    quit = true;
    reader.join();

    // Every append the hook took is whole in the file; one taken after the
    // close would be missing from it.
    std::string expected;
    for (int i = 0; i < appended.load(); ++i) expected += chunk;
    EXPECT_EQ(testing::FileBytes(path), expected) << "round " << round;
  }
}

}  // namespace
}  // namespace vantrel
