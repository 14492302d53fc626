#pragma once
// The satellites of every constellation, as a multi-constellation receiver
// reports them: one GSV group per talker and signal (NMEA 4.10 puts the
// signal ID after the last satellite) and one GSA per system (NMEA 4.11
// puts the system ID last). The window's record keeps one "$GP" group of 20;
// this keeps every complete group and merges them into one list, a
// satellite once, with its strongest signal. Plain C++, no I/O.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "nmea/Decoders.h"

namespace vantrel {

enum class GnssSystem : uint8_t { Gps, Glonass, Galileo, BeiDou, Qzss };
constexpr int kGnssSystems = 5;

// 'G', 'R', 'E', 'C', 'J': the letter a satellite is marked with.
char SystemLetter(GnssSystem system);

struct GnssSatellite {
  GnssSystem System = GnssSystem::Gps;
  int32_t Prn = 0;  // as the receiver numbers it
  int32_t Snr = 0;  // the strongest of its signals; 0 when none is tracked
  int32_t Elevation = 0;
  int32_t Azimuth = 0;
  bool Used = false;  // in the last GSA of its system
  bool operator==(const GnssSatellite&) const = default;
};

class GnssSatellites {
 public:
  GnssSatellites();
  // A piece as the dispatch reports it; only GSV and GSA pieces whose
  // checksum passed count.
  void Take(const PieceInfo& info, const char* s, size_t len);

  // The satellites of the complete groups, by system and then PRN.
  const std::vector<GnssSatellite>& Merged() const { return merged_; }
  // Merged() changed since the last ClearChanged().
  bool Changed() const { return changed_; }
  void ClearChanged() { changed_ = false; }

 private:
  struct Entry {
    int32_t Prn, Elevation, Azimuth, Snr;
  };
  // The GSV stream of one talker and one signal.
  struct Group {
    std::vector<Entry> pending;  // messages so far of the group being sent
    std::vector<Entry> complete;
    int nextMessage = 0;  // 0: waiting for a message 1
    bool present = false;
    bool seenThisRound = false;
  };
  static constexpr int kSignals = 16;  // one hexadecimal digit
  struct UsedPrn {
    GnssSystem gsa;  // the system of the GSA that named it
    GnssSystem system;
    int32_t prn;
  };

  void TakeGsv(Talker talker, const char* s, size_t len);
  void TakeGsa(Talker talker, const char* s, size_t len);
  void Complete(Group& group);
  void Merge();

  std::vector<Group> groups_;  // kTalkers x kSignals
  std::vector<UsedPrn> used_;
  std::vector<GnssSatellite> merged_;
  bool changed_ = false;
};

}  // namespace vantrel
