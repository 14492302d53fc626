#pragma once
// The figures of a receiver evaluation from its epochs: time to first fix,
// fix availability, horizontal and vertical scatter, HDOP, the SNR of each
// satellite and signal, the sentences of each talker and type.
//
// Quantiles are exact: the q-quantile of n sorted values x[0..n-1] is
// x[k] + (h - k) (x[k+1] - x[k]) with h = (n - 1) q and k = floor(h), linear
// interpolation between order statistics. The fixes are kept in a spool
// that stays in memory while small and goes to a temporary file beyond, so
// memory stays flat whatever the length of the recording and one pass over
// the recording suffices (a pipe or a device is never read twice).
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "evaluation/Epochs.h"

namespace vantrel::evaluation {

struct Position {
  double latitude = 0, longitude = 0, altitude = 0;  // degrees, degrees, metres above sea level
};

// East, north and up, in metres, of `p` from `origin` on the WGS 84
// ellipsoid: exact enough for the few hundred metres a scatter spans.
struct LocalOffset {
  double east = 0, north = 0, up = 0;
};
LocalOffset OffsetFrom(const Position& origin, const Position& p);

// The same for many points from one origin: its radii computed once.
class LocalFrame {
 public:
  explicit LocalFrame(const Position& origin);
  LocalOffset Offset(const Position& p) const;

 private:
  Position origin_;
  double northPerDegree_ = 0, eastPerDegree_ = 0;
};

// Parses "LAT,LON,ALT" (decimal degrees, metres). False when it is not three
// numbers with latitude and longitude in range.
bool ParseReference(const std::string& text, Position& out);

// One fix, as the statistics keep it; NaN where the epoch had no value.
struct FixRow {
  double latitude, longitude, altitude, hdop;
};

// The fixes of a recording: in memory up to kRowsInMemory, then in a
// temporary file. Without one, Append reports the failure.
class FixSpool {
 public:
  static constexpr size_t kRowsInMemory = 8192;
  FixSpool() = default;
  ~FixSpool();
  FixSpool(const FixSpool&) = delete;
  FixSpool& operator=(const FixSpool&) = delete;

  bool Append(const FixRow& row);
  uint64_t Size() const { return size_; }
  // Every row in order; false when the temporary file could not be read.
  bool ForEach(const std::function<void(const FixRow&)>& each) const;

 private:
  std::vector<FixRow> rows_;
  std::FILE* file_ = nullptr;
  uint64_t size_ = 0;
};

// The q-quantile (0 <= q <= 1) of the finite values `value` gives for the
// spool's rows, by the method above; none when there is none.
std::optional<double> SpoolQuantile(const FixSpool& spool, const std::function<double(const FixRow&)>& value,
                                    double q);
// Several quantiles at once, in the order of `qs`; empty when there is no value.
std::vector<double> SpoolQuantiles(const FixSpool& spool, const std::function<double(const FixRow&)>& value,
                                   const std::vector<double>& qs);

struct Scatter {
  bool aroundReference = false;
  Position centre;
  uint64_t fixes = 0, withAltitude = 0;
  double cep50 = 0, cep95 = 0, drms2 = 0;  // horizontal, metres
  std::optional<double> vertical50, vertical95;  // of the height difference, metres
};

struct SignalSnr {
  uint64_t epochs = 0;   // epochs whose GSVs listed it
  uint64_t tracked = 0;  // of those, with an SNR
  int min = 0, max = 0;
  uint64_t sum = 0;
};

// Satellite and signal: system, PRN, signal ID (-1 none).
struct SignalKey {
  System system;
  int prn, signal;
  bool operator<(const SignalKey& o) const {
    return std::tie(system, prn, signal) < std::tie(o.system, o.prn, o.signal);
  }
};

struct StatsReport {
  SentenceTally sentences;
  uint64_t epochs = 0, fixEpochs = 0, fixesWithoutPosition = 0;
  uint64_t byQuality[kQualityCount] = {};
  uint64_t fixByStatusOnly = 0;  // fixes an RMC or GLL status told, no quality
  // Seconds from the start of the recording; none when the recording starts
  // with a fix (ttffNote says so) or has none.
  std::optional<double> timeToFirstFix;
  std::string ttffNote;
  std::optional<double> availabilityAfterFirstFix;  // percent
  double availability = 0;                          // percent of all epochs
  std::optional<Scatter> scatter;                   // none without a fix
  uint64_t hdopSamples = 0;
  double hdopMin = 0, hdopMean = 0, hdopMax = 0, hdop50 = 0, hdop95 = 0;
  std::map<SignalKey, SignalSnr> signals;
  bool spoolFailed = false;
};

// Gathers the figures from the epochs as they arrive.
class StatsCollector final : public IEpochSink {
 public:
  explicit StatsCollector(std::optional<Position> reference = std::nullopt) : reference_(reference) {}
  void OnEpoch(const Epoch& e) override;
  // The figures, once the recording has ended; `sentences` from the model.
  StatsReport Report(const SentenceTally& sentences) const;

 private:
  std::optional<Position> reference_;
  uint64_t epochs_ = 0, fixes_ = 0, noPosition_ = 0, statusOnly_ = 0;
  uint64_t byQuality_[kQualityCount] = {};
  bool startsWithFix_ = false;
  std::optional<Epoch> firstTimed_, previousTimed_, firstFix_;  // without their signals
  std::optional<double> spacing_;
  FixSpool spool_;
  bool spoolFailed_ = false;
  double latSum_ = 0, lonSum_ = 0, altSum_ = 0;
  uint64_t altCount_ = 0;
  uint64_t hdopCount_ = 0;
  double hdopMin_ = 0, hdopMax_ = 0, hdopSum_ = 0;
  std::map<SignalKey, SignalSnr> signals_;
};

void WriteStatsText(std::FILE* out, const std::string& name, const StatsReport& report);
void WriteStatsJson(std::FILE* out, const std::string& name, const StatsReport& report);

}  // namespace vantrel::evaluation
