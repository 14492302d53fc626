#pragma once
// A recording played back as the module's output: a Vantrel log or any raw
// capture of a receiver's line, cut into epochs by the UTC times in its
// sentences and put on the line at the recording's own pace, N times
// faster, or as fast as the line takes it, once or in a loop. The bytes go
// out exactly as they were recorded, junk between sentences included.
//
// Plain C++ without I/O: the program hands in how to read the file and how
// to start it again; the tests hand in a string. Memory stays bounded: one
// epoch is read ahead, and an epoch is cut at kMaxEpochBytes at the latest.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel::sim {

constexpr size_t kMaxEpochBytes = 64 * 1024;

// One epoch of the recording: its bytes, and its UTC time when one of its
// sentences had one.
struct ReplayEpoch {
  std::string bytes;
  std::optional<int64_t> msOfDay;
};

// Cuts bytes into epochs. An epoch begins at the start of the line that
// holds a sentence with a right checksum and a UTC time (GGA, RMC, GLL,
// ZDA, any talker) other than the open epoch's, or another sentence of the
// same talker and type as one with a time the open epoch has had (a
// receiver without a fix may leave the time empty).
class EpochCutter {
 public:
  void Feed(std::string_view bytes);
  // End of the recording: what is left is the last epoch.
  void End();
  // The next complete epoch, if there is one.
  std::optional<ReplayEpoch> Next();

 private:
  void Line(std::string_view line);
  void Cut();

  std::string partial_;  // a line still without its end
  ReplayEpoch open_;
  bool opened_ = false;  // the open epoch has had a sentence that counts
  std::string timedTypes_;  // talker and type of its sentences with a time, five letters each
  std::deque<ReplayEpoch> done_;  // cut, not yet taken
};

// When each epoch is due, in seconds after the replay began. At speed 1 the
// recording's own spacing of the UTC times; at speed N that spacing
// divided by N; at speed 0 every epoch is due at once and only the line
// holds them back. An epoch without a time follows the one before at the
// last spacing seen (1 s until there is one); a time that goes backwards
// (a recording that starts again) or jumps more than an hour ahead does the
// same. Midnight is crossed as the recording crosses it.
class ReplaySchedule {
 public:
  explicit ReplaySchedule(double speed) : speed_(speed) {}
  double DueAt(const ReplayEpoch& epoch);
  // The next epoch follows the last at the last spacing: a loop starts over.
  void Restart() { anchor_.reset(); }

 private:
  double speed_;
  std::optional<std::pair<int64_t, double>> anchor_;  // the last epoch with a time, and its due time
  double lastDue_ = 0;
  double spacingS_ = 1.0;
  bool first_ = true;
};

class Replayer {
 public:
  using ReadFn = std::function<size_t(char* buffer, size_t size)>;
  using RewindFn = std::function<bool()>;

  // `speed` as ReplaySchedule takes it; with `loop` the recording starts
  // over at its end.
  Replayer(ReadFn read, RewindFn rewind, double speed, bool loop);

  // The next epoch once it is due at `now` seconds after the replay began.
  std::optional<ReplayEpoch> Due(double now);
  // True once the recording has been played to its end (never with a loop).
  bool Finished() const { return finished_; }
  uint64_t Epochs() const { return epochs_; }
  // Passes through the recording begun, from 1.
  int Pass() const { return pass_; }

 private:
  bool Fill();

  ReadFn read_;
  RewindFn rewind_;
  ReplaySchedule schedule_;
  bool loop_;
  EpochCutter cutter_;
  std::optional<ReplayEpoch> next_;
  double nextDue_ = 0;
  bool finished_ = false;
  bool ended_ = false;  // the cutter has had End() for this pass
  uint64_t epochs_ = 0;
  int pass_ = 1;
};

// "max" or a number above 0: the replay speed (0 for max). False otherwise.
bool ParseReplaySpeed(const char* text, double& speed);

}  // namespace vantrel::sim
