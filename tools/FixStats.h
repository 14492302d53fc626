#pragma once
// The figures of `vantrel-log stats`: epochs, time to first fix, fix
// availability, horizontal and vertical scatter, HDOP and the SNR of each
// satellite. Gathered from the epochs as they arrive, in memory of a fixed
// size: percentiles come from histograms with bins 0.1 % wide, not from a
// list of every fix.
//
// The scatter is measured around a reference position when one is given,
// else around the mean of the fixes, which takes a second pass over the
// recording (ScatterPass) once the first (StatsPass) has found the mean.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "nmea/Record.h"
#include "nmea/Talkers.h"
#include "tools/Epochs.h"
#include "tools/LogReader.h"

namespace vantrel::logtool {

// Counts values from 1 mm to 10,000 km in bins whose edges grow by 0.1 %;
// smaller values fall in the first bin, larger in the last.
class Histogram {
 public:
  Histogram();
  void Add(double value);
  uint64_t Count() const { return count_; }
  // The smallest value that at least `q` of the values do not exceed
  // (nearest rank), as the middle of its bin. 0 when empty.
  double Quantile(double q) const;

 private:
  std::vector<uint64_t> bins_;
  uint64_t count_ = 0;
};

struct Position {
  double latitude = 0, longitude = 0, altitude = 0;  // degrees, degrees, metres
};

// East, north and up, in metres, of `p` from `origin` on the WGS 84
// ellipsoid: exact enough for the few hundred metres a scatter spans.
struct LocalOffset {
  double east = 0, north = 0, up = 0;
};
LocalOffset OffsetFrom(const Position& origin, const Position& p);

// Parses "LAT,LON,ALT" (decimal degrees, metres). False when it is not three
// numbers with latitude and longitude in range.
bool ParseReference(const std::string& text, Position& out);

struct Scatter {
  bool aroundReference = false;
  Position centre;
  uint64_t fixes = 0;
  double cep50 = 0, cep95 = 0, drms2 = 0;  // horizontal, metres
  double vertical50 = 0, vertical95 = 0;   // of the height difference, metres
};

struct SatelliteSnr {
  Talker talker = Talker::GP;
  int prn = 0;
  uint64_t groups = 0;   // complete GSV groups that listed it
  uint64_t tracked = 0;  // of those, with an SNR
  int min = 0, max = 0;
  double mean = 0;
};

struct StatsReport {
  SentenceCounts sentences;
  uint64_t epochs = 0;
  uint64_t fixEpochs = 0;
  std::optional<double> timeToFirstFix;  // seconds from the start of the recording
  std::optional<double> availabilityAfterFirstFix;  // percent
  double availability = 0;                          // percent of all epochs
  std::optional<Scatter> scatter;                   // none without a fix
  uint64_t hdopSamples = 0;
  double hdopMin = 0, hdopMean = 0, hdopMax = 0, hdop50 = 0, hdop95 = 0;
  std::vector<SatelliteSnr> satellites;  // by talker, then PRN
};

// The first pass: everything but the scatter.
class StatsPass final : public IEpochSink {
 public:
  StatsPass();
  void OnEpoch(const EpochFix& e) override;
  void OnSatellites(Talker talker, const ReceiverRecord& record) override;

  // The mean position of the fixes, where the second pass measures from.
  std::optional<Position> MeanFix() const;
  // The figures, without the scatter.
  StatsReport Report() const;

 private:
  struct Snr {
    uint64_t groups = 0, tracked = 0, sum = 0;
    int min = 0, max = 0;
  };
  static constexpr int kPrns = 256;  // PRNs 1..255 of each talker

  uint64_t epochs_ = 0, fixes_ = 0;
  // For the time to first fix: the first epoch with a time, the spacing of
  // the first two consecutive ones, and the first fix.
  std::optional<EpochFix> firstTimed_;
  std::optional<EpochFix> previousTimed_;
  std::optional<double> spacing_;
  std::optional<EpochFix> firstFix_;
  double latSum_ = 0, lonSum_ = 0, altSum_ = 0;
  double hdopMin_ = 0, hdopMax_ = 0, hdopSum_ = 0;
  Histogram hdop_;
  std::vector<Snr> snr_;  // kTalkers * kPrns
};

// Hands each epoch to two sinks: the first pass and the scatter, when the
// reference is known from the start.
class BothSinks final : public IEpochSink {
 public:
  BothSinks(IEpochSink& a, IEpochSink& b) : a_(a), b_(b) {}
  void OnEpoch(const EpochFix& e) override {
    a_.OnEpoch(e);
    b_.OnEpoch(e);
  }
  void OnSatellites(Talker talker, const ReceiverRecord& record) override {
    a_.OnSatellites(talker, record);
    b_.OnSatellites(talker, record);
  }

 private:
  IEpochSink& a_;
  IEpochSink& b_;
};

// Measures the scatter of the fixes around `centre`.
class ScatterPass final : public IEpochSink {
 public:
  ScatterPass(const Position& centre, bool aroundReference);
  void OnEpoch(const EpochFix& e) override;
  Scatter Result() const;

 private:
  Position centre_;
  bool aroundReference_;
  uint64_t fixes_ = 0;
  double sumSquares_ = 0;
  Histogram horizontal_, vertical_;
};

void WriteStatsText(std::FILE* out, const std::string& name, const StatsReport& report);
void WriteStatsJson(std::FILE* out, const std::string& name, const StatsReport& report);

}  // namespace vantrel::logtool
