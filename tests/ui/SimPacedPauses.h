#pragma once
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/sim/SimHarness.h"
#include "ui/Seams.h"

namespace vantrel::testing {

// A pause that lasts until the module has answered every command it was
// sent, instead of a fixed time: what the program's pauses are for. The
// restart's pause is kept whole: the epoch the module was still sending when
// it took the restart must be off the line before the new reader purges the
// input, or that reader would see the old fix.
class SimPacedPauses : public vantrel::IPauses {
 public:
  void Sleep(int milliseconds) override {
    Recorded.push_back(milliseconds);
    if (Sim == nullptr) return;
    vantrel::test::SimHarness::WaitUntil([&] { return Answered() >= Sent(); }, 3000);
    if (milliseconds >= 1000) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
  size_t Sent() const { return Count(Sim->ReceivedBytes(), "\n"); }
  size_t Answered() const {
    return Count(vantrel::test::SimHarness::ReadFile(Sim->Dir() + "/commands.log"), " -> ");
  }
  static size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + what.size())) ++n;
    return n;
  }
  vantrel::test::SimHarness* Sim = nullptr;
  std::vector<int> Recorded;
};

}  // namespace vantrel::testing
