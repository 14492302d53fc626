#include "link/HandOver.h"

#include <utility>

namespace vantrel {

UiHandOver::UiHandOver(std::function<void()> notify) : notify_(std::move(notify)) {}

void UiHandOver::Unlink(Call* call) {
  Call** link = &head_;
  Call* previous = nullptr;
  while (*link != nullptr && *link != call) {
    previous = *link;
    link = &(*link)->next;
  }
  if (*link == nullptr) return;
  *link = call->next;
  if (tail_ == call) tail_ = previous;
  call->next = nullptr;
}

bool UiHandOver::RunOnUiThread(const std::function<void()>& fn, const std::atomic<bool>& stop) {
  // The call lives on this stack frame; it stays reachable from the queue
  // only while this function waits, and leaves it before returning.
  Call call{&fn, &stop};
  {
    std::lock_guard lock(mutex_);
    if (stop.load(std::memory_order_acquire)) return false;
    if (tail_ != nullptr) {
      tail_->next = &call;
    } else {
      head_ = &call;
    }
    tail_ = &call;
  }
  if (notify_) notify_();
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] {
    return call.state == CallState::Done || call.state == CallState::Dropped ||
           (call.state == CallState::Queued && stop.load(std::memory_order_acquire));
  });
  if (call.state == CallState::Queued) {
    Unlink(&call);
    return false;
  }
  return call.state == CallState::Done;
}

void UiHandOver::Drain() {
  std::unique_lock lock(mutex_);
  while (head_ != nullptr) {
    Call* call = head_;
    Unlink(call);
    if (call->stop->load(std::memory_order_acquire)) {
      call->state = CallState::Dropped;
      changed_.notify_all();
      continue;
    }
    call->state = CallState::Running;
    lock.unlock();
    // The reader waits for Done, so `call` stays valid while fn runs; fn may
    // itself run a nested event loop that drains further calls.
    struct MarkDone {
      UiHandOver* self;
      Call* call;
      std::unique_lock<std::mutex>& lock;
      ~MarkDone() {
        lock.lock();
        call->state = CallState::Done;
        self->changed_.notify_all();
      }
    } markDone{this, call, lock};
    (*call->fn)();
  }
}

void UiHandOver::WakeWaiters() {
  // Taking the lock orders this wake after the waiter's last test of its
  // stop flag, so the wake cannot be lost.
  std::lock_guard lock(mutex_);
  changed_.notify_all();
}

int UiHandOver::Pending() {
  std::lock_guard lock(mutex_);
  int count = 0;
  for (Call* call = head_; call != nullptr; call = call->next) ++count;
  return count;
}

}  // namespace vantrel
