#pragma once
// The report of a recording as one HTML page: a deviation map of the fixes
// with CEP50, CEP95 and 2DRMS, horizontal error and altitude over time, the
// fix quality over time with the first fix marked, the SNR of every
// satellite by system and signal, a sky plot of the satellites' tracks, and
// the figures of the statistics as a table.
//
// The epochs stream through: what a figure draws goes to a spool that stays
// in memory while small and goes to a temporary file beyond, so memory stays
// flat whatever the recording's length. The figures are the statistics'
// own, exact; only the drawing is thinned where marks would overlap.
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "evaluation/Epochs.h"
#include "evaluation/Stats.h"

namespace vantrel::evaluation {

struct RecordingInfo {
  std::string name;               // the file's name
  std::optional<uint64_t> bytes;  // none for a pipe
  std::string tool;               // "vantrel-log 1.4.2"
};

class RecordingReport final : public IEpochSink {
 public:
  explicit RecordingReport(std::optional<Position> reference = std::nullopt);
  ~RecordingReport();
  RecordingReport(const RecordingReport&) = delete;
  RecordingReport& operator=(const RecordingReport&) = delete;

  void OnEpoch(const Epoch& e) override;
  // Writes the page once the recording has ended; false when a spool could
  // not be written or read back (the page says so too).
  bool Write(std::FILE* out, const RecordingInfo& info, const SentenceTally& tally) const;

  struct Rows;  // the spools

 private:
  StatsCollector stats_;
  std::optional<Position> reference_;
  std::unique_ptr<Rows> rows_;
  std::map<SignalKey, uint16_t> signalIndex_;
  std::optional<Date> firstDate_, lastDate_;
  std::optional<int64_t> firstMs_, lastMs_;
  // Times: of the first and latest timed epoch, for epochs without one.
  std::optional<double> firstT_, lastT_;
  uint64_t firstTimedIndex_ = 0, lastTimedIndex_ = 0;
};

}  // namespace vantrel::evaluation
