// The termios port against a pseudo-terminal pair made here.
#include "link/PosixSerialPort.h"

#include <gtest/gtest.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/link/PtyPair.h"

namespace vantrel {
namespace {

using Clock = std::chrono::steady_clock;
using test::PtyPair;

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class PosixSerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pty.Ok()) << "no pseudo-terminals here"; }
  void OpenConfigured(PosixSerialPort& port, long baud = 38400) {
    ASSERT_TRUE(port.Open(pty.SlavePath())) << port.LastError();
    ASSERT_TRUE(port.Configure(baud)) << port.LastError();
  }
  PtyPair pty;
};

TEST(PosixSerialPortOpen, MissingDeviceFailsWithItsErrno) {
  PosixSerialPort port;
  EXPECT_FALSE(port.Open("/dev/vantrel-no-such-port"));
  EXPECT_EQ(port.LastError(), ENOENT);
}

TEST(PosixSerialPortOpen, NonTerminalOpensButRefusesConfigurationAndCanBeOpenedAgain) {
  PosixSerialPort port;
  ASSERT_TRUE(port.Open("/dev/null"));
  EXPECT_FALSE(port.Configure(38400));
  EXPECT_EQ(port.LastError(), ENOTTY);
  port.Close();
  EXPECT_TRUE(port.Open("/dev/null"));
}

TEST_F(PosixSerialPortTest, ConfiguresRawEightNoneOneAtTheRate) {
  PosixSerialPort port;
  OpenConfigured(port, 115200);
  termios t{};
  ASSERT_EQ(tcgetattr(port.Descriptor(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B115200));
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_NE(t.c_cflag & CLOCAL, 0u);
  EXPECT_NE(t.c_cflag & CREAD, 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
}

// A terminal hands over at most 64 bytes per read call and the port asks
// it to wake the reader only for the whole request; either way a request
// whose bytes already wait is met at once and in full, and the rest of a
// request the line never completes comes at its deadline.
TEST_F(PosixSerialPortTest, WaitingBytesMeetALargeRequestAndAShortOneEndsAtItsDeadline) {
  PosixSerialPort port;
  OpenConfigured(port, 115200);
  std::string sent;
  for (int i = 0; i < 200; ++i) sent += static_cast<char>('A' + i % 26);
  pty.Send(sent);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  char buffer[200] = {};
  ASSERT_EQ(port.Read(buffer, 150, 1000), 150u);
  EXPECT_EQ(std::string(buffer, 150), sent.substr(0, 150));
  // 50 bytes wait; 100 are asked for.
  EXPECT_EQ(std::string(buffer, port.Read(buffer, 100, 60)), sent.substr(150));
  termios t{};
  ASSERT_EQ(tcgetattr(port.Descriptor(), &t), 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);
  // Configuring again starts from reads that wake at the first byte.
  ASSERT_TRUE(port.Configure(115200));
  ASSERT_EQ(tcgetattr(port.Descriptor(), &t), 0);
  EXPECT_EQ(t.c_cc[VMIN], 0);
}

TEST_F(PosixSerialPortTest, SpeedWithoutAConstantIsSetAndReadBack) {
  PosixSerialPort port;
  OpenConfigured(port, 250000);
  EXPECT_EQ(ReadCustomSpeed(port.Descriptor()), 250000);
  ASSERT_TRUE(port.Configure(4800));  // and back to a standard one
  termios t{};
  ASSERT_EQ(tcgetattr(port.Descriptor(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));
}

TEST_F(PosixSerialPortTest, RefusesSpeedsNoDriverHas) {
  PosixSerialPort port;
  ASSERT_TRUE(port.Open(pty.SlavePath()));
  EXPECT_FALSE(port.Configure(0));
  EXPECT_EQ(port.LastError(), EINVAL);
  EXPECT_FALSE(port.Configure(-9600));
  EXPECT_TRUE(port.Configure(9600));
}

TEST_F(PosixSerialPortTest, SecondOpenOfTheSameDeviceIsRefusedUntilTheFirstLetsGo) {
  PosixSerialPort first;
  OpenConfigured(first);
  PosixSerialPort second;
  EXPECT_FALSE(second.Open(pty.SlavePath()));
  EXPECT_EQ(second.LastError(), EBUSY);
  // A close in progress on another thread gives the device up at once.
  first.Interrupt();
  EXPECT_TRUE(second.Open(pty.SlavePath())) << second.LastError();
}

TEST_F(PosixSerialPortTest, BytesPassUnchangedBothWays) {
  PosixSerialPort port;
  OpenConfigured(port);
  const std::string command = "$PQOL414*33\r\n";
  EXPECT_EQ(port.Write(command.data(), command.size(), kWriteTimeoutMs), command.size());
  EXPECT_EQ(pty.Receive(command.size()), command);

  const std::string reply = std::string("$PQOL500,1000*12\r\n\x00\x11\x13\r", 22);
  pty.Send(reply);
  char buffer[64] = {};
  size_t got = port.Read(buffer, reply.size(), 2000);
  EXPECT_EQ(std::string(buffer, got), reply);
}

TEST_F(PosixSerialPortTest, ReadGathersBytesThatArriveInPiecesBeforeTheDeadline) {
  PosixSerialPort port;
  OpenConfigured(port);
  pty.Send("abc");
  std::thread later([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pty.Send("def");
  });
  char buffer[8] = {};
  size_t got = port.Read(buffer, 6, 5000);
  later.join();
  EXPECT_EQ(std::string(buffer, got), "abcdef");
}

TEST_F(PosixSerialPortTest, ReadReturnsWhatCameWhenTheTimeIsUp) {
  PosixSerialPort port;
  OpenConfigured(port);
  pty.Send("$GP");
  char buffer[100] = {};
  EXPECT_EQ(std::string(buffer, port.Read(buffer, 100, kReadTimeoutMs)), "$GP");
  EXPECT_EQ(port.Read(buffer, 100, kReadTimeoutMs), 0u);
}

// The rest of a chunk at 50 baud would take seconds: only the deadline may
// end the read (the bound is a hang guard, far above the 30 ms).
TEST_F(PosixSerialPortTest, SlowRateNeverHoldsAPartialReadPastItsDeadline) {
  PosixSerialPort port;
  OpenConfigured(port, 50);
  pty.Send("$GP");
  char buffer[100] = {};
  auto start = Clock::now();
  EXPECT_EQ(std::string(buffer, port.Read(buffer, 100, kReadTimeoutMs)), "$GP");
  EXPECT_LT(MsSince(start), 2000);
  // What came during the sleep is read by the next call, not lost.
  pty.Send("GA,1*");
  pty.Send("77");
  EXPECT_EQ(std::string(buffer, port.Read(buffer, 7, 2000)), "GA,1*77");
}

TEST_F(PosixSerialPortTest, InterruptEndsAPartialReadWithWhatCame) {
  PosixSerialPort port;
  OpenConfigured(port, 50);
  pty.Send("abc");
  std::thread closer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    port.Interrupt();
  });
  char buffer[100] = {};
  auto start = Clock::now();
  EXPECT_EQ(std::string(buffer, port.Read(buffer, 100, 60000)), "abc");
  closer.join();
  EXPECT_LT(MsSince(start), 10000);  // the rest of 100 bytes at 50 baud: 19 s
}

// Pieces trickling in are gathered whole and in order across reads, at any
// configured rate.
TEST_F(PosixSerialPortTest, PiecesOfAChunkAreGatheredAtEveryRate) {
  for (long baud : {4800L, 115200L, 921600L}) {
    PosixSerialPort port;
    OpenConfigured(port, baud);
    std::vector<std::string> pieces;
    std::string sent;
    for (int i = 0; i < 40; ++i) {
      pieces.push_back("$GPGSV," + std::to_string(i) + "*");
      sent += pieces.back();
    }
    std::thread writer([&] {
      for (const std::string& piece : pieces) {
        pty.Send(piece);
        std::this_thread::sleep_for(std::chrono::microseconds(300));
      }
    });
    std::string got;
    char buffer[100];
    for (int reads = 0; got.size() < sent.size() && reads < 1000; ++reads)
      got.append(buffer, port.Read(buffer, sizeof buffer, kReadTimeoutMs));
    writer.join();
    EXPECT_EQ(got, sent) << baud << " baud";
  }
}

TEST_F(PosixSerialPortTest, HungUpLineWaitsOutTheReadInsteadOfSpinning) {
  PosixSerialPort port;
  OpenConfigured(port);
  pty.CloseMaster();
  char buffer[100];
  for (int i = 0; i < 3; ++i) {
    auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, 100, kReadTimeoutMs), 0u);
    EXPECT_GE(MsSince(start), kReadTimeoutMs - 1) << "read " << i << " returned early";
  }
  EXPECT_TRUE(port.Gone());
}

// A busy line is waited for by the clock, not by the port: a hang-up in
// that wait must still be noticed, without spinning. (The hang-up flushes
// what the driver held, so only a clean prefix can have been read.)
TEST_F(PosixSerialPortTest, HangUpWhileBytesArriveIsNoticed) {
  PosixSerialPort port;
  OpenConfigured(port, 115200);
  pty.Send("$GPGGA,1");
  std::thread closer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    pty.Send(",2");
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    pty.CloseMaster();
  });
  std::string got;
  char buffer[100];
  auto start = Clock::now();
  for (int reads = 0; reads < 5 && !port.Gone(); ++reads) got.append(buffer, port.Read(buffer, 100, kReadTimeoutMs));
  closer.join();
  EXPECT_EQ(std::string("$GPGGA,1,2").substr(0, got.size()), got);
  EXPECT_TRUE(port.Gone());
  EXPECT_LT(MsSince(start), 2000);
}

TEST_F(PosixSerialPortTest, SilentDeviceIsNotGone) {
  PosixSerialPort port;
  OpenConfigured(port);
  char buffer[100];
  for (int i = 0; i < 3; ++i) EXPECT_EQ(port.Read(buffer, 100, kReadTimeoutMs), 0u);
  EXPECT_FALSE(port.Gone());
  pty.Send("$GP");
  EXPECT_EQ(port.Read(buffer, 3, 1000), 3u);
  EXPECT_FALSE(port.Gone());
}

// The terminal as `stty -g` would see it.
struct TerminalState {
  termios settings{};
  int modem = 0;
  bool operator==(const TerminalState& o) const {
    return settings.c_iflag == o.settings.c_iflag && settings.c_oflag == o.settings.c_oflag &&
           settings.c_cflag == o.settings.c_cflag && settings.c_lflag == o.settings.c_lflag &&
           std::equal(std::begin(settings.c_cc), std::end(settings.c_cc), std::begin(o.settings.c_cc)) &&
           cfgetospeed(&settings) == cfgetospeed(&o.settings) && modem == o.modem;
  }
};
TerminalState StateOf(const std::string& path) {
  TerminalState state;
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  tcgetattr(fd, &state.settings);
  ioctl(fd, TIOCMGET, &state.modem);  // a pseudo-terminal has none: stays 0
  close(fd);
  return state;
}

TEST_F(PosixSerialPortTest, TerminalIsGivenBackAsItWasFound) {
  // Canonical mode with echo, as a terminal typed into the list would be.
  const TerminalState before = StateOf(pty.SlavePath());
  ASSERT_NE(before.settings.c_lflag & ECHO, 0u);
  {
    PosixSerialPort port;
    OpenConfigured(port, 115200);
    char buffer[100];
    port.Read(buffer, 100, kReadTimeoutMs);  // a reader has set its wake-up count
    EXPECT_FALSE(StateOf(pty.SlavePath()) == before);
    port.Close();
  }
  EXPECT_TRUE(StateOf(pty.SlavePath()) == before);

  // Interrupted first (the window's close), let go later (the last reader).
  PosixSerialPort port;
  OpenConfigured(port);
  port.Interrupt();
  EXPECT_TRUE(StateOf(pty.SlavePath()) == before);
  char buffer[100];
  port.Read(buffer, 100, kReadTimeoutMs);  // the reader's last read changes nothing
  port.Close();
  EXPECT_TRUE(StateOf(pty.SlavePath()) == before);
}

TEST(PortFailureText, NamesTheReasonAndWhatHelps) {
  struct Case {
    int error;
    const char* path;
    const char* text;
  } cases[] = {
      {ENOENT, "/dev/ttyUSB0",
       "No such device: /dev/ttyUSB0. Is the receiver plugged in? Right after plugging it in, `dmesg` names its "
       "device."},
      {EBUSY, "/dev/ttyUSB0",
       "Busy: /dev/ttyUSB0 is held by another program (a terminal, gpsd, ModemManager, another Vantrel). Close it "
       "and try again."},
      // A device that cannot be looked at: the usual serial group.
      {EACCES, "/dev/vantrel-absent",
       "Permission denied: /dev/vantrel-absent belongs to the group \"dialout\". Add yourself to it (sudo usermod "
       "-aG dialout $USER), then log out and in again."},
      {ENOTTY, "/dev/null", "Not a serial port: /dev/null."},
      {EMFILE, "/dev/ttyS0", "Too many open files: /dev/ttyS0."},
  };
  for (const Case& c : cases) EXPECT_EQ(PortFailureText(c.error, c.path), c.text) << c.error;

  // The group is read off the device: a file of ours belongs to our group.
  char path[] = "/tmp/vantrel-port-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  const std::string group = getgrgid(getegid())->gr_name;
  EXPECT_EQ(PortFailureText(EACCES, path), std::string("Permission denied: ") + path + " belongs to the group \"" +
                                                group + "\". Add yourself to it (sudo usermod -aG " + group +
                                                " $USER), then log out and in again.");
  unlink(path);
}

TEST_F(PosixSerialPortTest, InterruptWakesABlockedReadAndEveryLaterOne) {
  PosixSerialPort port;
  OpenConfigured(port);
  auto start = Clock::now();
  std::thread closer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    port.Interrupt();
  });
  char buffer[100];
  EXPECT_EQ(port.Read(buffer, 100, 60000), 0u);
  closer.join();
  EXPECT_LT(MsSince(start), 30000);
  start = Clock::now();
  EXPECT_EQ(port.Read(buffer, 100, 60000), 0u);
  EXPECT_LT(MsSince(start), 30000);
}

TEST_F(PosixSerialPortTest, DiscardInputDropsWhatWaits) {
  PosixSerialPort port;
  OpenConfigured(port);
  pty.Send("$GPGGA,stale");
  // The bytes must have reached the slave's queue before the flush.
  pollfd p{port.Descriptor(), POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 2000), 1);
  port.DiscardInput();
  pty.Send("$GPRMC");
  char buffer[100] = {};
  EXPECT_EQ(std::string(buffer, port.Read(buffer, 6, 2000)), "$GPRMC");
}

TEST_F(PosixSerialPortTest, WriteAfterHangUpGivesUpWithinItsLimit) {
  PosixSerialPort port;
  OpenConfigured(port);
  pty.CloseMaster();
  auto start = Clock::now();
  port.Write("$PQOL400*36\r\n", 13, kWriteTimeoutMs);
  EXPECT_LT(MsSince(start), 5000);
  EXPECT_NE(port.LastError(), 0);
}

}  // namespace
}  // namespace vantrel
