// How often the reader thread is woken per 100-byte read of a busy line.
// Devices hand bytes over in pieces (a UART's receive FIFO, a USB adapter's
// packets), so a read that waited on the port would wake at every piece.
// A pseudo-terminal is fed pieces at the pace of 115,200 baud.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "link/PosixSerialPort.h"

namespace {

using namespace vantrel;
using Clock = std::chrono::steady_clock;

void BM_ReadWakesPerChunk(benchmark::State& state) {
  const auto piece = static_cast<size_t>(state.range(0));
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  char name[128] = {};
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  PosixSerialPort port;
  if (!port.Open(name) || !port.Configure(115200)) {
    state.SkipWithError("port refused");
    return;
  }
  std::atomic<bool> stop{false};
  std::thread feeder([&] {
    const std::string bytes(piece, 'x');
    const auto every = std::chrono::nanoseconds(static_cast<long long>(piece) * 86806);  // ten bits at 115,200
    auto next = Clock::now();
    while (!stop.load()) {
      next += every;
      std::this_thread::sleep_until(next);
      if (write(master, bytes.data(), bytes.size()) < 0) break;
    }
  });
  char chunk[100];
  rusage before{};
  getrusage(RUSAGE_THREAD, &before);
  size_t bytes = 0;
  for (auto _ : state) bytes += port.Read(chunk, sizeof chunk, 30);
  rusage after{};
  getrusage(RUSAGE_THREAD, &after);
  stop = true;
  feeder.join();
  port.Close();
  close(master);
  const auto reads = static_cast<double>(state.iterations());
  state.counters["wakes/read"] = static_cast<double>(after.ru_nvcsw - before.ru_nvcsw) / reads;
  const auto micros = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_usec); };
  state.counters["reader_us/read"] = (micros(after.ru_utime) + micros(after.ru_stime) - micros(before.ru_utime) - micros(before.ru_stime)) / reads;
  state.counters["bytes/read"] = static_cast<double>(bytes) / reads;
}
// A 16550's FIFO trigger, the simulator's 4 ms pieces, a USB packet.
BENCHMARK(BM_ReadWakesPerChunk)->Arg(14)->Arg(46)->Arg(64)->Iterations(1000)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
