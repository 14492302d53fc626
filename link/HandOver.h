#pragma once
// The synchronous hand-over from a reader thread to the UI thread. The
// reader queues a call and blocks until the UI thread has run it; the UI
// side runs the queue from its event loop (Drain). Plain mutex and condition
// variable, so ThreadSanitizer sees every edge, and no Qt, so the link tests
// run without a window.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace vantrel {

class UiHandOver {
 public:
  // `notify` runs on the reader thread after a call was queued, outside the
  // lock; it must make Drain() run on the UI thread soon (the window posts a
  // queued event, tests signal their loop).
  explicit UiHandOver(std::function<void()> notify);
  UiHandOver(const UiHandOver&) = delete;
  UiHandOver& operator=(const UiHandOver&) = delete;

  // Reader side. Runs `fn` on the UI thread and returns true once it has
  // run. Returns false without running it when `stop` is set before the UI
  // thread gets to it: a stopped reader never waits for a UI thread that
  // may be waiting for it. Once `fn` has started, it is waited for.
  bool RunOnUiThread(const std::function<void()>& fn, const std::atomic<bool>& stop);

  // UI side: runs every queued call whose reader has not been stopped.
  void Drain();

  // Wakes readers waiting in RunOnUiThread so they look at their stop flag.
  // Call after setting a stop flag.
  void WakeWaiters();

  // Number of calls waiting for the UI thread (for tests).
  int Pending();

 private:
  enum class CallState { Queued, Running, Done, Dropped };
  struct Call {
    const std::function<void()>* fn;
    const std::atomic<bool>* stop;
    CallState state = CallState::Queued;
    Call* next = nullptr;
  };
  void Unlink(Call* call);  // mutex_ held

  std::function<void()> notify_;
  std::mutex mutex_;
  std::condition_variable changed_;
  Call* head_ = nullptr;  // queue of calls on the readers' stacks
  Call* tail_ = nullptr;
};

}  // namespace vantrel
