// The generator link on a pseudo-terminal: the lines reach the line exactly
// as built (a raw line adds no CR), and a generator that goes away costs the
// writes their deadline, never a hang.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/SerialPort.h"
#include "testbench/GeneratorLink.h"
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

TEST_F(GeneratorOnPseudoTerminal, AGeneratorThatVanishesDoesNotHangTheSender) {
  pty.CloseMaster();
  // The writes fail or time out; the link still counts as open until it is
  // closed, as a port whose cable was pulled does.
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(link.SendRFLevel(-90 - i));
  link.Close();
  EXPECT_FALSE(link.IsOpen());
}

}  // namespace
}  // namespace vantrel
