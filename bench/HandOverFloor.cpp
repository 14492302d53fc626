// What the reader's rhythm costs before any byte is read: a thread that
// wakes at the pace of full-line-rate chunks and hands an empty call to an
// empty window's event loop, as the reader does with each chunk. The
// program's own work is what the live display costs above this floor.
//
//   handover_floor [--seconds N] [--per-second R]
//
// Prints the CPU (% of one core) of three rhythms, each measured alone:
//   sleep      the thread's timed wake-ups only
//   plain      and a synchronous hand-over to a thread without Qt
//   window     and a synchronous hand-over to the window's event loop
// Run it on the platform being measured (QT_QPA_PLATFORM, DISPLAY).
#include <sys/resource.h>

#include <QString>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>

#include "link/HandOver.h"
#include "ui/Application.h"
#include "ui/UiBridge.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The reader's cycle without its read: yield, sleep to the next chunk's
// time, hand over (when given a hand-over).
void Rhythm(Clock::duration period, Clock::time_point end, vantrel::UiHandOver* handOver,
            const std::atomic<bool>& stop) {
  Clock::time_point next = Clock::now();
  const std::function<void()> nothing = [] {};
  while (next < end && !stop.load()) {
    std::this_thread::yield();
    next += period;
    std::this_thread::sleep_until(next);
    if (handOver != nullptr) handOver->RunOnUiThread(nothing, stop);
  }
}

void Report(const char* name, double cpu, double seconds) {
  std::printf("%-7s %.2f %% of one core\n", name, 100.0 * cpu / seconds);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  vantrel::TApplication::PrepareEnvironment();
  vantrel::TApplication app(argc, argv);
  int seconds = 20;
  int perSecond = 115;  // 100-byte chunks at 115200 baud
  const QStringList args = QApplication::arguments();
  for (int i = 1; i + 1 < args.size(); ++i) {
    if (args[i] == "--seconds") seconds = args[i + 1].toInt();
    if (args[i] == "--per-second") perSecond = args[i + 1].toInt();
  }
  if (seconds <= 0 || perSecond <= 0) {
    std::fprintf(stderr, "usage: handover_floor [--seconds N] [--per-second R]\n");
    return 2;
  }
  const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) / perSecond;
  const std::atomic<bool> never{false};

  double start = CpuSeconds();
  Rhythm(period, Clock::now() + std::chrono::seconds(seconds), nullptr, never);
  Report("sleep", CpuSeconds() - start, seconds);

  {
    std::mutex mutex;
    std::condition_variable nudged;
    bool pending = false;
    bool quit = false;
    vantrel::UiHandOver handOver([&] {
      {
        std::lock_guard lock(mutex);
        pending = true;
      }
      nudged.notify_one();
    });
    std::thread ui([&] {
      std::unique_lock lock(mutex);
      while (true) {
        nudged.wait(lock, [&] { return pending || quit; });
        if (quit) return;
        pending = false;
        lock.unlock();
        handOver.Drain();
        lock.lock();
      }
    });
    start = CpuSeconds();
    Rhythm(period, Clock::now() + std::chrono::seconds(seconds), &handOver, never);
    Report("plain", CpuSeconds() - start, seconds);
    {
      std::lock_guard lock(mutex);
      quit = true;
    }
    nudged.notify_one();
    ui.join();
  }

  QWidget window;
  window.resize(640, 480);
  window.show();
  vantrel::UiBridge bridge;
  std::atomic<bool> stop{false};
  std::thread reader;
  double windowStart = 0;
  // Measured once the window is up and idle.
  QTimer::singleShot(1000, [&] {
    windowStart = CpuSeconds();
    reader = std::thread([&] { Rhythm(period, Clock::now() + std::chrono::seconds(seconds), &bridge.HandOver(), stop); });
    QTimer::singleShot(seconds * 1000 + 50, [&] {
      Report("window", CpuSeconds() - windowStart, seconds);
      stop.store(true);
      bridge.HandOver().WakeWaiters();
      QApplication::quit();
    });
  });
  const int rc = QApplication::exec();
  if (reader.joinable()) reader.join();
  return rc;
}
