#include "sim/Stats.h"

#include "sim/Sentence.h"

namespace vantrel::sim {

const char* KindName(Kind kind) {
  static const char* const names[] = {"GGA", "GLL", "GSA", "GSV", "RMC", "VTG", "ZDA", "CHN", "reply", "ack", "other"};
  return names[static_cast<int>(kind)];
}

std::string StatsText(const Stats& stats, int baud) {
  auto u = [](uint64_t v) { return static_cast<unsigned long long>(v); };
  auto sum = [&](const uint64_t(&a)[kKinds]) {
    uint64_t t = 0;
    for (uint64_t v : a) t += v;
    return u(t);
  };
  std::string s;
  for (int k = 0; k < kKinds; ++k)
    s += Format("sent_%s %llu\n", KindName(static_cast<Kind>(k)), u(stats.sent[k]));
  s += Format("sent_total %llu\n", sum(stats.sent));
  s += Format("garbled_total %llu\n", sum(stats.garbled));
  s += Format("cut_total %llu\n", sum(stats.cut));
  s += Format("overrun_total %llu\n", sum(stats.overrun));
  s += Format("bytes_written %llu\n", u(stats.bytesWritten));
  s += Format("bytes_lost %llu\n", u(stats.bytesLost));
  s += Format("epochs %llu\n", u(stats.epochs));
  s += Format("commands %llu\n", u(stats.commands));
  s += Format("bad_checksums %llu\n", u(stats.badChecksums));
  s += Format("unreadable_bytes %llu\n", u(stats.unreadableBytes));
  s += Format("acks_done %llu\n", u(stats.acksDone));
  s += Format("acks_refused %llu\n", u(stats.acksFailed));
  s += Format("baud %d\n", baud);
  return s;
}

}  // namespace vantrel::sim
