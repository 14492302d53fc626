// The NMEA log writer: what reaches the file, when, and what is said when
// the file cannot be opened or written.
#include <gtest/gtest.h>
#include <signal.h>    // kill, SIGKILL
#include <sys/wait.h>  // waitpid
#include <unistd.h>    // fork, pipe, read, write, pause, _exit

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "logging/NmeaLog.h"
#include "tests/logging/TempFiles.h"

namespace vantrel {
namespace {

using namespace std::string_literals;

using testing::FileBytes;

class NmeaLogTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.Made()); }

  std::unique_ptr<NmeaLog> OpenLog() {
    std::string error;
    auto log = NmeaLog::Open(path_, &error);
    EXPECT_NE(log, nullptr) << error;
    return log;
  }

  testing::TempDir temp_;
  const std::string dir_ = temp_.Path();
  const std::string path_ = temp_.File("Vantrel.nma");
};

TEST_F(NmeaLogTest, EveryByteIsStoredAsItCame) {
  struct Case {
    const char* rule;
    std::vector<std::string> chunks;
    std::string file;
  };
  std::string allBytes;
  for (int b = 0; b < 256; ++b) allBytes += static_cast<char>(b);
  const std::string gga = "$GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,55.2,M,,*76\r\n";
  const Case cases[] = {
      {"the receiver's CR LF stays CR LF", {gga}, gga},
      {"a lone LF gets no CR", {"a\nb\n"}, "a\nb\n"},
      {"bytes after a zero byte are kept", {"$PQOL103*30\r\n\0$GPRMC,"s}, "$PQOL103*30\r\n\0$GPRMC,"s},
      {"a chunk of zero bytes only", {"\0\0\0"s}, "\0\0\0"s},
      {"every byte value", {allBytes}, allBytes},
      {"chunks follow each other without separators", {"$GPG", "GA,1*", "00\r\n"}, "$GPGGA,1*00\r\n"},
      {"an empty chunk adds nothing", {"x", "", "y"}, "xy"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(path_);
    auto log = OpenLog();
    for (const std::string& chunk : c.chunks) log->Append(chunk.data(), chunk.size());
    log->Close();
    EXPECT_EQ(FileBytes(path_), c.file) << c.rule;
  }
}

TEST_F(NmeaLogTest, AnExistingFileIsAppendedTo) {
  { std::ofstream(path_, std::ios::binary) << "earlier\r\n"; }
  auto first = OpenLog();
  first->Append("one\r\n", 5);
  first.reset();
  // The same name again: the second recording follows the first directly.
  auto second = OpenLog();
  second->Append("two\r\n", 5);
  second.reset();
  EXPECT_EQ(FileBytes(path_), "earlier\r\none\r\ntwo\r\n");
}

TEST_F(NmeaLogTest, EachBlockIsInTheFileWhenAppendReturns) {
  auto log = OpenLog();
  std::string expected;
  for (int i = 0; i < 5; ++i) {
    const std::string block = "$GPGSA,A,3," + std::to_string(i) + "*00\r\n";
    log->Append(block.data(), block.size());
    expected += block;
    // Read by another stream while the log stays open: nothing is held back.
    EXPECT_EQ(FileBytes(path_), expected) << "block " << i;
  }
}

TEST_F(NmeaLogTest, AKilledProgramLosesNothingItAppended) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const std::string bytes = "$GPGGA,1*00\r\n\0$GPRMC,2*00\r\n"s;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::string error;
    auto log = NmeaLog::Open(path_, &error);
    if (!log) _exit(1);
    log->Append(bytes.data(), bytes.size());
    const char one = 1;
    if (write(ready[1], &one, 1) != 1) _exit(2);
    for (;;) pause();  // still "logging" when the kill comes
  }
  close(ready[1]);
  char got = 0;
  ASSERT_EQ(read(ready[0], &got, 1), 1);
  close(ready[0]);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(FileBytes(path_), bytes);
}

TEST_F(NmeaLogTest, AFileThatCannotBeOpenedIsNamedWithTheReason) {
  struct Case {
    std::string path;
    int error;
  };
  const Case cases[] = {
      {dir_ + "/missing/Vantrel.nma", ENOENT},
      {dir_, EISDIR},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(NmeaLog::Open(c.path, &error), nullptr) << c.path;
    EXPECT_EQ(error, LogOpenFailureMessage(c.path, c.error));
    EXPECT_NE(error.find(c.path), std::string::npos) << error;
  }
  EXPECT_EQ(LogOpenFailureMessage("/x/y.nma", ENOENT),
            "Can't open NMEA log file /x/y.nma: No such file or directory");
}

TEST_F(NmeaLogTest, AFullDiskIsReportedOnceAndNothingMoreIsWritten) {
  std::string error;
  auto log = NmeaLog::Open("/dev/full", &error);
  ASSERT_NE(log, nullptr) << error;
  std::vector<std::string> reports;
  LogHook hook;
  log->Attach(hook, [&](const std::string& message) { reports.push_back(message); });
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(hook.Append("$GPGGA,1*00\r\n", 13));
  EXPECT_TRUE(log->WriteFailed());
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(
      reports[0],
      "Can't write NMEA log file /dev/full: No space left on device. Recording stopped; reading goes on.");
}

}  // namespace
}  // namespace vantrel
