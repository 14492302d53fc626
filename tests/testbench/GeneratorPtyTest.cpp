// The generator link on a pseudo-terminal: the lines reach the line exactly
// as built (a raw line adds no CR), and a generator that goes away costs the
// writes their deadline, never a hang.
#include <gtest/gtest.h>

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

TEST(GeneratorOnPseudoTerminal, LinesArriveExactlyAsBuilt) {
  test::PtyPair pty;
  ASSERT_TRUE(pty.Ok());
  auto ports = MakePosixSerialPortFactory();
  CountedPauses pauses;
  GeneratorLink link(pauses);
  ASSERT_EQ(link.Open(*ports, pty.SlavePath(), "19200"), GeneratorLink::OpenOutcome::Opened);
  link.SendStartLines("14");
  ASSERT_TRUE(link.SendRFLevel(-145));
  const std::string expected = "MAIN:TEST 1\r\nMAIN:SV 14\r\nMAIN:RFLVL -145\r\n";
  EXPECT_EQ(pty.Receive(expected.size()), expected);
  EXPECT_EQ(pauses.Recorded, (std::vector<int>{500, 400, 400, 400}));
}

TEST(GeneratorOnPseudoTerminal, AGeneratorThatVanishesDoesNotHangTheSender) {
  test::PtyPair pty;
  ASSERT_TRUE(pty.Ok());
  auto ports = MakePosixSerialPortFactory();
  CountedPauses pauses;
  GeneratorLink link(pauses);
  ASSERT_EQ(link.Open(*ports, pty.SlavePath(), "19200"), GeneratorLink::OpenOutcome::Opened);
  pty.CloseMaster();
  // The writes fail or time out; the link still counts as open until it is
  // closed, as a port whose cable was pulled does.
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(link.SendRFLevel(-90 - i));
  link.Close();
  EXPECT_FALSE(link.IsOpen());
}

}  // namespace
}  // namespace vantrel
