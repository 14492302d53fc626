#include "results/Recorder.h"

#include <chrono>
#include <cstdio>
#include <random>

namespace vantrel::results {
namespace {

// 128 random bits: no two benches' campaigns meet.
std::string NewCampaignId() {
  std::random_device random;
  std::string id;
  for (int i = 0; i < 4; ++i) {
    char part[9];
    std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(random()));
    id += part;
  }
  return id;
}

// Runs a bench may write in one transaction.
constexpr size_t kBatchMax = 200;

}  // namespace

Recorder::Recorder(const std::string& target, Context context, Notice notice, int retryMs)
    : target_(target), context_(std::move(context)), notice_(std::move(notice)), retryMs_(retryMs),
      campaign_(NewCampaignId()) {
  db_ = OpenDatabase(target_);
  where_ = db_->Where();
  Migrate(*db_);
  // A write that is rolled back: a read-only file or a user without the
  // right to insert is found now, not after the first run.
  Transaction probe(*db_);
  db_->Exec("DELETE FROM runs WHERE run_id = ?", {campaign_});
  thread_ = std::thread([this] { Loop(); });
}

Recorder::~Recorder() {
  if (thread_.joinable()) Finish(0);
}

void Recorder::Record(RunRecord run) {
  std::lock_guard lock(mutex_);
  run.id = campaign_ + "-" + std::to_string(++next_);
  run.campaign = campaign_;
  run.station = context_.station;
  run.commandLine = context_.commandLine;
  run.version = context_.version;
  queue_.push_back(std::move(run));
  wake_.notify_all();
}

void Recorder::Loop() {
  bool gone = false;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return quit_ || !queue_.empty(); });
    if (quit_) return;
    const size_t n = std::min(queue_.size(), kBatchMax);
    const std::vector<RunRecord> batch(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(n));
    writing_ = true;
    lock.unlock();
    std::string why;
    try {
      if (!db_) {
        db_ = OpenDatabase(target_);
        Migrate(*db_);
      }
      Store(*db_, batch);
    } catch (const DatabaseError& e) {
      why = e.what();
      db_.reset();  // a new connection next time: the old one may be half dead
    }
    if (why.empty() && gone) {
      gone = false;
      if (notice_) notice_("the results database " + where_ + " is back; writing the waiting results");
    } else if (!why.empty() && !gone) {
      gone = true;
      if (notice_) notice_("cannot write to the results database (" + why + "); the results wait until it is back");
    }
    lock.lock();
    writing_ = false;
    drained_.notify_all();
    if (why.empty()) {
      queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(n));
    } else {
      wake_.wait_for(lock, std::chrono::milliseconds(retryMs_), [&] { return quit_; });
    }
  }
}

std::vector<RunRecord> Recorder::Finish(int waitMs) {
  std::unique_lock lock(mutex_);
  drained_.wait_for(lock, std::chrono::milliseconds(waitMs), [&] { return queue_.empty() && !writing_; });
  // A batch on its way is let finish: it is stored or it is not, never half.
  drained_.wait(lock, [&] { return !writing_; });
  quit_ = true;
  wake_.notify_all();
  lock.unlock();
  if (thread_.joinable()) thread_.join();
  return std::vector<RunRecord>(queue_.begin(), queue_.end());
}

}  // namespace vantrel::results
