#pragma once
// What the simulated module knows and a real one never tells: where it
// truly is at each epoch and the error it added to the position it
// reports. Written down one line per epoch (truth.csv in the run
// directory) so that figures computed from a recording (CEP, availability,
// time to first fix) can be checked against the truth.
#include <cstdint>
#include <string>

namespace vantrel::sim {

// North, east and up error added to the reported position, in metres.
struct PositionNoise {
  double north = 0, east = 0, up = 0;
};

// Normally distributed errors with standard deviations `sigmaH` (north and
// east, each) and `sigmaV` (up): the same for the same epoch number, so a
// run can be repeated sentence for sentence.
PositionNoise NoiseAt(uint64_t epoch, double sigmaH, double sigmaV);

// Latitude and longitude of the point `north` and `east` metres from
// (`latitude`, `longitude`), on the WGS 84 ellipsoid.
void MoveBy(double& latitude, double& longitude, double north, double east);

struct TruthLine {
  int64_t utcMs = 0;
  bool fix = false;
  double latitude = 0, longitude = 0;  // true position, degrees
  double height = 0;                   // true height: GGA altitude plus geoid separation, metres
  PositionNoise noise;                 // added to the reported position (none without a fix)
};

// The header line and one line of truth.csv, each with its line end.
extern const char kTruthHeader[];
std::string TruthText(const TruthLine& line);

}  // namespace vantrel::sim
