// The generator link on a pseudo-terminal: the lines reach the line exactly
// as built (a raw line adds no CR), and a generator that goes away costs the
// writes their deadline, never a hang.
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "link/SerialPort.h"
#include "testbench/GeneratorLink.h"
#include "tests/link/FakeSerialPort.h"
#include "tests/link/PtyPair.h"

namespace vantrel {
namespace {

class CountedPauses : public IPauses {
 public:
  void Sleep(int milliseconds) override { Recorded.push_back(milliseconds); }
  std::vector<int> Recorded;
};

// The generator's link opened on the slave side of a fresh pair.
class GeneratorOnPseudoTerminal : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.Ok());
    ASSERT_EQ(link.Open(*ports, pty.SlavePath(), "19200"), GeneratorLink::OpenOutcome::Opened);
  }
  test::PtyPair pty;
  std::unique_ptr<SerialPortFactory> ports = MakePosixSerialPortFactory();
  CountedPauses pauses;
  GeneratorLink link{pauses};
};

TEST_F(GeneratorOnPseudoTerminal, LinesArriveExactlyAsBuilt) {
  link.SendStartLines("14");
  ASSERT_TRUE(link.SendRFLevel(-145));
  const std::string expected = "MAIN:TEST 1\r\nMAIN:SV 14\r\nMAIN:RFLVL -145\r\n";
  EXPECT_EQ(pty.Receive(expected.size()), expected);
  EXPECT_EQ(pauses.Recorded, (std::vector<int>{500, 400, 400, 400}));
}

TEST_F(GeneratorOnPseudoTerminal, AGeneratorThatVanishesIsFoundAndNotWrittenToAgain) {
  EXPECT_EQ(link.Failure(), "");
  pty.CloseMaster();
  // Found by looking at the line, without a write: the reason names the port.
  const std::string why = link.Failure();
  EXPECT_EQ(why, GeneratorLostMessage(pty.SlavePath(), EIO));
  EXPECT_NE(why.find("The generator on " + pty.SlavePath() + " stopped taking commands."), std::string::npos);
  pauses.Recorded.clear();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(link.SendRFLevel(-90 - i));
  EXPECT_TRUE(pauses.Recorded.empty()) << "no pause after a line that was not taken";
  link.Close();
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(link.Failure(), "") << "closed, it is no generator of a test";
}

TEST(GeneratorOnAFakePort, AWriteThatFailsIsTheFailure) {
  FakeSerialPortFactory ports;
  CountedPauses pauses;
  GeneratorLink link{pauses};
  ASSERT_EQ(link.Open(ports, "COM2", "19200"), GeneratorLink::OpenOutcome::Opened);
  ASSERT_TRUE(link.SendRFLevel(-85));
  ports.Device().Unplug();
  EXPECT_FALSE(link.SendRFLevel(-90));
  EXPECT_EQ(link.Failure(), GeneratorLostMessage("COM2", EIO));
  EXPECT_EQ(ports.Device().Writes().size(), 1u);
  // A new open is a new generator.
  ASSERT_EQ(link.Open(ports, "COM2", "19200"), GeneratorLink::OpenOutcome::Opened);
  EXPECT_EQ(link.Failure(), "");
}

}  // namespace
}  // namespace vantrel
