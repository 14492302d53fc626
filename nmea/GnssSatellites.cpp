#include "nmea/GnssSatellites.h"

#include <algorithm>
#include <tuple>

#include "nmea/Fields.h"

namespace vantrel {

namespace {

constexpr int kSatsPerGsvMessage = 4;
constexpr int kGsaPrnFields = 12;
constexpr int kGsaSystemField = 18;

// PRN ranges of the NMEA numbering, for the talkers that mix systems: "$GN"
// (and "$GP", whose QZSS satellites NMEA 4.10 numbers 193 and up).
GnssSystem SystemOfPrn(Talker talker, int32_t prn) {
  switch (talker) {
    case Talker::GL: return GnssSystem::Glonass;
    case Talker::GA: return GnssSystem::Galileo;
    case Talker::GB: return GnssSystem::BeiDou;
    default: break;
  }
  if (prn >= 193 && prn <= 202) return GnssSystem::Qzss;
  if (talker == Talker::GN) {
    if (prn >= 65 && prn <= 96) return GnssSystem::Glonass;
    if (prn >= 301 && prn <= 336) return GnssSystem::Galileo;
    if (prn >= 401 && prn <= 437) return GnssSystem::BeiDou;
  }
  return GnssSystem::Gps;  // SBAS included, as NMEA counts it
}

// The hexadecimal digit of a signal ID; -1 for anything else.
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

char SystemLetter(GnssSystem system) {
  static constexpr char kLetters[kGnssSystems] = {'G', 'R', 'E', 'C', 'J'};
  return kLetters[static_cast<int>(system)];
}

GnssSatellites::GnssSatellites() : groups_(static_cast<size_t>(kTalkers * kSignals)) {}

void GnssSatellites::Take(const PieceInfo& info, const char* s, size_t len) {
  if (!info.checksumOk || info.talker == Talker::None) return;
  if (info.kind == PieceKind::GSV) TakeGsv(info.talker, s, len);
  else if (info.kind == PieceKind::GSA) TakeGsa(info.talker, s, len);
}

// $GPGSV,3,1,11,10,63,137,17,07,61,098,15,05,59,290,20,08,54,157,30,1*5C
void GnssSatellites::TakeGsv(Talker talker, const char* s, size_t len) {
  FieldWalk w(s, len);
  int header[3] = {};
  for (int& value : header) {
    if (!w.Next() || !w.Read()) return;
    value = ToInt32(w.Whole());
  }
  const int total = header[0], message = header[1];
  // The satellites' fields and, when one is left over, the signal ID.
  constexpr int kFields = kSatsPerGsvMessage * 4 + 1;
  int32_t values[kFields] = {};
  int fields = 0;
  while (fields < kFields && w.Next()) {
    if (w.Read()) values[fields] = ToInt32(w.Whole());
    ++fields;
  }
  int signal = 0;
  if (fields % 4 == 1) {
    signal = w.length() == 1 ? HexDigit(w.text()[0]) : -1;
    if (signal < 0) return;
    --fields;
  }
  Group& group = groups_[static_cast<size_t>(static_cast<int>(talker) * kSignals + signal)];
  if (message == 1) {
    group.pending.clear();
    group.nextMessage = 1;
  }
  // A message lost or out of turn spoils the group: wait for the next one.
  if (message != group.nextMessage || total < message) {
    group.nextMessage = 0;
    return;
  }
  for (int i = 0; i + 3 < fields; i += 4)
    if (values[i] > 0) group.pending.push_back({values[i], values[i + 1], values[i + 2], values[i + 3]});
  if (message < total) {
    ++group.nextMessage;
    return;
  }
  group.nextMessage = 0;
  Complete(group);
}

void GnssSatellites::Complete(Group& group) {
  // A group that comes again begins a new round; the groups not sent in the
  // whole round before (a system or signal the receiver stopped) go.
  if (group.seenThisRound) {
    for (Group& other : groups_) {
      if (!other.seenThisRound) {
        other.present = false;
        other.complete.clear();
      }
      other.seenThisRound = false;
    }
  }
  group.seenThisRound = true;
  group.present = true;
  group.complete.swap(group.pending);
  group.pending.clear();
  Merge();
}

// $GNGSA,A,3,80,71,73,79,69,,,,,,,,1.83,1.09,1.47,2*05
void GnssSatellites::TakeGsa(Talker talker, const char* s, size_t len) {
  FieldWalk w(s, len);
  int32_t prns[kGsaPrnFields];
  int count = 0;
  int systemId = 0;
  for (int field = 1; field <= kGsaSystemField && w.Next(); ++field) {
    if (!w.Read()) continue;
    if (field >= 3 && field < 3 + kGsaPrnFields) prns[count++] = ToInt32(w.Whole());
    if (field == kGsaSystemField) systemId = ToInt32(w.Whole());
  }
  GnssSystem gsa;
  if (systemId >= 1 && systemId <= kGnssSystems) gsa = static_cast<GnssSystem>(systemId - 1);
  else if (systemId != 0) return;  // a system not shown here
  else if (count > 0) gsa = SystemOfPrn(talker, prns[0]);
  else if (talker != Talker::GN) gsa = SystemOfPrn(talker, 0);
  else return;  // an empty "$GN" GSA without its system names none
  std::erase_if(used_, [gsa](const UsedPrn& u) { return u.gsa == gsa; });
  for (int i = 0; i < count; ++i) {
    const GnssSystem system = systemId != 0 && gsa != GnssSystem::Gps ? gsa : SystemOfPrn(talker, prns[i]);
    used_.push_back({gsa, system, prns[i]});
  }
  Merge();
}

void GnssSatellites::Merge() {
  std::vector<GnssSatellite> next;
  next.reserve(merged_.size());
  for (size_t key = 0; key < groups_.size(); ++key) {
    const Talker talker = static_cast<Talker>(key / kSignals);
    for (const Entry& e : groups_[key].complete)
      next.push_back({SystemOfPrn(talker, e.Prn), e.Prn, e.Snr, e.Elevation, e.Azimuth, false});
  }
  // Strongest signal first, so it is the one kept of each satellite.
  std::sort(next.begin(), next.end(), [](const GnssSatellite& a, const GnssSatellite& b) {
    return std::tie(a.System, a.Prn, b.Snr) < std::tie(b.System, b.Prn, a.Snr);
  });
  size_t kept = 0;
  for (size_t i = 0; i < next.size(); ++i) {
    GnssSatellite& sat = next[i];
    if (kept > 0 && next[kept - 1].System == sat.System && next[kept - 1].Prn == sat.Prn) {
      // Another signal of the same satellite: its position if the first had none.
      GnssSatellite& first = next[kept - 1];
      if (first.Elevation == 0 && first.Azimuth == 0) first.Elevation = sat.Elevation, first.Azimuth = sat.Azimuth;
      continue;
    }
    for (const UsedPrn& u : used_)
      if (u.system == sat.System && u.prn == sat.Prn) sat.Used = true;
    next[kept++] = sat;
  }
  next.resize(kept);
  if (next != merged_) {
    merged_.swap(next);
    changed_ = true;
  }
}

}  // namespace vantrel
