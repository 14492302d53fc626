#pragma once
// Writes a bench's runs to the results database from a thread of its own,
// so a slow or stopped server never holds up a measurement. Runs that could
// not be written wait, in order, and are written once the database is back;
// what is still waiting at the end is named, never dropped in silence.
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "results/Database.h"
#include "results/Results.h"

namespace vantrel::results {

class Recorder {
 public:
  // What every run of this process shares.
  struct Context {
    std::string station, commandLine, version;
  };
  // Progress for the user ("the database is gone...", "...back"): called
  // from the writer's thread.
  using Notice = std::function<void(const std::string&)>;

  // Opens the database, migrates it and proves it takes a write before any
  // test starts. Throws DatabaseError with the reason.
  Recorder(const std::string& target, Context context, Notice notice, int retryMs = 500);
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Queues a run (its id, campaign, station, command line and version are
  // filled here). Never blocks on the database.
  void Record(RunRecord run);

  // Waits up to `waitMs` for every queued run to be written and stops the
  // writer. Gives the runs that were not, in the order they were made.
  std::vector<RunRecord> Finish(int waitMs);

  const std::string& Where() const { return where_; }
  const std::string& Campaign() const { return campaign_; }

 private:
  void Loop();

  std::string target_;
  std::string where_;
  Context context_;
  Notice notice_;
  int retryMs_;
  std::string campaign_;
  int64_t next_ = 0;
  std::unique_ptr<Database> db_;  // the writer's; null while it is gone

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable drained_;
  std::deque<RunRecord> queue_;
  bool writing_ = false;  // a batch is on its way
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace vantrel::results
