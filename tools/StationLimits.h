#pragma once
// A production-line station's limits, read from a TOML file, and the
// verdict on one unit's measurements against them. No I/O beyond the text.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vantrel::benchtool {

// An example, and every key there is:
//
//   baud = 38400             # the unit's baud rate (38400)
//   [hot_start]
//   limit_s = 5              # the longest time to first fix that passes
//   timeout_s = 30           # how long to wait for it (twice the limit)
//   [cnr]
//   sv = 14                  # the generator's satellite
//   generator_dbm = -95      # the generator's fixed level
//   generator_baud = 19200   # the generator's baud rate (19200)
//   min_db_hz = 35           # the lowest C/N0 that passes
//   settle_s = 3             # after setting the level, before reading (3)
//   read_s = 2               # how long the C/N0 is averaged over (2)
//   [cold_start]             # optional: a cold start as well
//   limit_s = 60
//   timeout_s = 120
struct StartLimits {
  double limitS = 0;
  double timeoutS = 0;
};

struct StationLimits {
  long baud = 38400;
  StartLimits hot;
  int sv = 0;
  int generatorDbm = 0;
  long generatorBaud = 19200;
  double minDbHz = 0;
  double settleS = 3;
  double readS = 2;
  std::optional<StartLimits> cold;
};

// The limits, or why the text is refused: "FILE:LINE: what is wrong".
std::variant<StationLimits, std::string> ParseStationLimits(const std::string& text, const std::string& file);

// What was measured on one unit: each figure, or why there is none.
struct Measured {
  std::optional<double> value;
  std::string reason;
};
struct StationMeasurements {
  Measured hotMs;
  Measured cnrDbHz;
  std::optional<Measured> coldMs;  // nothing when no cold start was asked for
};

struct StationVerdict {
  bool pass = false;
  std::vector<std::string> reasons;  // every one, in the order of the test
};

StationVerdict Judge(const StationLimits& limits, const StationMeasurements& m);

}  // namespace vantrel::benchtool
