#include "sim/Replay.h"

#include <cstdlib>
#include <cstring>

#include "sim/Sentence.h"

namespace vantrel::sim {

namespace {

constexpr int64_t kMsPerDay = 86'400'000;
constexpr int64_t kMaxGapMs = 3'600'000;

// The UTC time of a sentence with a right checksum that has one (field 1 of
// GGA, RMC and ZDA, field 5 of GLL, "hhmmss" with any fraction), and its
// talker and type.
std::optional<int64_t> SentenceTime(std::string_view line, std::string& key) {
  const size_t dollar = line.find('$');
  if (dollar == std::string_view::npos) return std::nullopt;
  line.remove_prefix(dollar);
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  ParsedLine parsed;
  if (!ParseLine(line, parsed) || parsed.name.size() != 6) return std::nullopt;
  const std::string type = parsed.name.substr(3);
  size_t field = 0;
  if (type == "GGA" || type == "RMC" || type == "ZDA") field = 0;
  else if (type == "GLL") field = 4;
  else return std::nullopt;
  key = parsed.name.substr(1);
  if (parsed.fields.size() <= field) return std::optional<int64_t>(-1);
  const std::string& t = parsed.fields[field];
  if (t.size() < 6) return std::optional<int64_t>(-1);  // empty: no fix yet
  // "hhmmss" and an optional "." with digits; anything else (an exponent,
  // a sign, a 25th hour) is no time of day.
  const auto digits = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
      if (t[i] < '0' || t[i] > '9') return false;
    return true;
  };
  if (!digits(0, 6) || (t.size() > 6 && (t[6] != '.' || !digits(7, t.size())))) return std::optional<int64_t>(-1);
  auto two = [&](size_t at) { return (t[at] - '0') * 10 + (t[at + 1] - '0'); };
  if (two(0) > 23 || two(2) > 59 || two(4) > 60) return std::optional<int64_t>(-1);
  // Below one second, whatever its length.
  const double fraction = t.size() > 7 ? std::strtod(("0" + t.substr(6)).c_str(), nullptr) : 0.0;
  return std::optional<int64_t>((two(0) * 3600 + two(2) * 60 + two(4)) * int64_t{1000} +
                                static_cast<int64_t>(fraction * 1000.0 + 0.5));
}

}  // namespace

void EpochCutter::Feed(std::string_view bytes) {
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    if (end == std::string_view::npos) {
      partial_.append(bytes);
      // A line that never ends is cut where an epoch would be.
      if (partial_.size() >= kMaxEpochBytes) {
        open_.bytes += partial_;
        partial_.clear();
        Cut();
      }
      return;
    }
    partial_.append(bytes.substr(0, end + 1));
    bytes.remove_prefix(end + 1);
    Line(partial_);
    partial_.clear();
  }
}

void EpochCutter::End() {
  if (!partial_.empty()) Line(partial_);
  partial_.clear();
  if (!open_.bytes.empty()) Cut();
}

void EpochCutter::Line(std::string_view line) {
  std::string key;
  const std::optional<int64_t> time = SentenceTime(line, key);
  if (time) {
    const bool hasTime = *time >= 0;
    bool again = false;
    for (size_t i = 0; i + 5 <= timedTypes_.size(); i += 5) again |= timedTypes_.compare(i, 5, key) == 0;
    const bool otherTime = hasTime && open_.msOfDay && *open_.msOfDay != *time;
    if (opened_ && (again || otherTime)) Cut();
    opened_ = true;
    timedTypes_ += key;
    if (hasTime && !open_.msOfDay) open_.msOfDay = *time;
  }
  open_.bytes.append(line);
  if (open_.bytes.size() >= kMaxEpochBytes) Cut();
}

void EpochCutter::Cut() {
  done_.push_back(std::move(open_));
  open_ = ReplayEpoch{};
  opened_ = false;
  timedTypes_.clear();
}

std::optional<ReplayEpoch> EpochCutter::Next() {
  if (done_.empty()) return std::nullopt;
  std::optional<ReplayEpoch> e = std::move(done_.front());
  done_.pop_front();
  return e;
}

double ReplaySchedule::DueAt(const ReplayEpoch& epoch) {
  double due = 0;
  const double speed = speed_;
  if (first_) {
    due = 0;
  } else if (speed <= 0) {
    due = lastDue_;
  } else {
    due = lastDue_ + spacingS_ / speed;
    if (epoch.msOfDay && anchor_) {
      int64_t gap = *epoch.msOfDay - anchor_->first;
      if (gap < -kMsPerDay / 2) gap += kMsPerDay;  // past midnight
      if (gap > 0 && gap <= kMaxGapMs) {
        due = anchor_->second + static_cast<double>(gap) / 1000.0 / speed;
        // The spacing of consecutive timed epochs, for the untimed ones.
        if (due > lastDue_) spacingS_ = (due - lastDue_) * speed;
      }
    }
  }
  if (due < lastDue_) due = lastDue_;
  if (epoch.msOfDay) anchor_ = std::make_pair(*epoch.msOfDay, due);
  first_ = false;
  lastDue_ = due;
  return due;
}

Replayer::Replayer(ReadFn read, RewindFn rewind, double speed, bool loop)
    : read_(std::move(read)), rewind_(std::move(rewind)), schedule_(speed), loop_(loop) {}

bool Replayer::Fill() {
  for (;;) {
    if (std::optional<ReplayEpoch> e = cutter_.Next()) {
      next_ = std::move(e);
      nextDue_ = schedule_.DueAt(*next_);
      return true;
    }
    if (ended_) {
      // End of a pass: stop, or start the recording again.
      if (!loop_ || epochs_ == 0 || !rewind_()) return false;
      ended_ = false;
      ++pass_;
      schedule_.Restart();
      continue;
    }
    char buffer[4096];
    const size_t n = read_(buffer, sizeof buffer);
    if (n == 0) {
      cutter_.End();
      ended_ = true;
    } else {
      cutter_.Feed(std::string_view(buffer, n));
    }
  }
}

std::optional<ReplayEpoch> Replayer::Due(double now) {
  if (finished_) return std::nullopt;
  if (!next_ && !Fill()) {
    finished_ = true;
    return std::nullopt;
  }
  if (now < nextDue_) return std::nullopt;
  std::optional<ReplayEpoch> e = std::move(next_);
  next_.reset();
  ++epochs_;
  return e;
}

bool ParseReplaySpeed(const char* text, double& speed) {
  if (std::strcmp(text, "max") == 0) {
    speed = 0;
    return true;
  }
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(v > 0) || v > 1e6) return false;
  speed = v;
  return true;
}

}  // namespace vantrel::sim
