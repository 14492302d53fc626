// The replay of a recording on any bytes: cut into epochs in any chunking,
// nothing is lost or changed, no epoch grows past its bound, and the times
// they are due are finite and never go back.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/Replay.h"

using namespace vantrel::sim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the chunk size and the speed.
  const size_t chunk = 1 + data[0] % 97;
  const double speeds[] = {0, 0.5, 1, 10, 1e6};
  const double speed = speeds[data[0] % 5];
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  EpochCutter cutter;
  ReplaySchedule schedule(speed);
  std::string joined;
  double last = 0;
  const auto take = [&] {
    while (std::optional<ReplayEpoch> e = cutter.Next()) {
      if (e->bytes.size() > kMaxEpochBytes + 4096) std::abort();
      if (e->msOfDay && (*e->msOfDay < 0 || *e->msOfDay > 86'401'000)) std::abort();
      const double due = schedule.DueAt(*e);
      if (!std::isfinite(due) || due < last) std::abort();
      last = due;
      joined += e->bytes;
    }
  };
  for (size_t at = 0; at < bytes.size(); at += chunk) {
    cutter.Feed(bytes.substr(at, chunk));
    take();
  }
  cutter.End();
  take();
  if (joined != bytes) std::abort();
  return 0;
}
