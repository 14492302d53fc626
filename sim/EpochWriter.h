#pragma once
// The sentences of one fix: GGA, GLL, GSA, GSV, RMC, VTG, ZDA and the
// channel status "$PQOLCHN", each only at the fixes its output rate asks
// for, in the order the module sends them. Pure text; the module queues
// what comes out.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/Drive.h"
#include "sim/ModuleOptions.h"
#include "sim/SkyView.h"
#include "sim/Stats.h"

namespace vantrel::sim {

struct Epoch {
  uint64_t number = 0;  // fixes since power-on: a sentence at rate n goes out when n divides it
  int64_t utcMs = 0;
  bool fix = false;           // a position, from at least three used satellites
  bool dgps = false;          // the position is corrected
  std::vector<SatView> sats;  // `used` marked only with a fix
  DrivePoint where{};
};

// The geoid separation the module reports in GGA, metres.
constexpr double kGeoidSeparationM = 47.6;

// Gets each finished sentence (with checksum and CR LF).
using SentenceSink = std::function<void(std::string sentence, Kind kind)>;

void WriteEpoch(const Epoch& epoch, const OutputRates& rates, const SentenceSink& sink);

}  // namespace vantrel::sim
