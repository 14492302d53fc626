#pragma once
// The module's counters: what the line carried, lost or garbled, and what
// the module made of the PC's commands. Every part of the module adds to the
// one record the program reports.
#include <cstdint>
#include <string>

namespace vantrel::sim {

// What a sentence on the line is, for the statistics.
// Other: replayed lines of any other kind.
enum class Kind : int { GGA, GLL, GSA, GSV, RMC, VTG, ZDA, CHN, Reply, Ack, Other, Count };
const char* KindName(Kind kind);
constexpr int kKinds = static_cast<int>(Kind::Count);

struct Stats {
  uint64_t sent[kKinds] = {};     // sentences the line carried whole and readable
  uint64_t garbled[kKinds] = {};  // carried while the PC listened at another rate
  uint64_t cut[kKinds] = {};      // the pseudo-terminal refused some of their bytes
  uint64_t overrun[kKinds] = {};  // dropped before the line because it was busy
  uint64_t bytesWritten = 0;
  uint64_t bytesLost = 0;
  uint64_t epochs = 0;
  uint64_t commands = 0;         // well-formed sentences received
  uint64_t badChecksums = 0;     // lines dropped for their checksum
  uint64_t unreadableBytes = 0;  // received while the PC talked at another rate
  uint64_t acksDone = 0;         // acknowledgements sent with the success flag
  uint64_t acksFailed = 0;       // and with the failure flag
};

// "key value" lines, the last one the module's current baud rate.
std::string StatsText(const Stats& stats, int baud);

}  // namespace vantrel::sim
