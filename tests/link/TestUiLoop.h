#pragma once
// A stand-in for the window's event loop: a thread that runs the hand-over
// queue whenever a reader queues a call. It can be held busy, like a UI
// thread sleeping after a command.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "link/HandOver.h"

namespace vantrel::test {

class TestUiLoop {
 public:
  TestUiLoop() : thread_([this] { Run(); }) {}
  ~TestUiLoop() {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
      busy_ = false;
    }
    wake_.notify_all();
    thread_.join();
  }
  TestUiLoop(const TestUiLoop&) = delete;
  TestUiLoop& operator=(const TestUiLoop&) = delete;

  // While busy, queued calls wait, as they do during a blocking pause.
  void SetBusy(bool busy) {
    {
      std::lock_guard lock(mutex_);
      busy_ = busy;
    }
    wake_.notify_all();
  }

  UiHandOver handOver{[this] { Notify(); }};

 private:
  void Notify() {
    {
      std::lock_guard lock(mutex_);
      posted_ = true;
    }
    wake_.notify_all();
  }
  void Run() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
      wake_.wait(lock, [this] { return quit_ || (posted_ && !busy_); });
      if (quit_) break;
      posted_ = false;
      lock.unlock();
      handOver.Drain();
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool posted_ = false;
  bool busy_ = false;
  bool quit_ = false;
  std::thread thread_;  // last: starts when the rest exists
};

}  // namespace vantrel::test
