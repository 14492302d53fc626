#pragma once
// Cuts a decoded recording into epochs, the receiver's fix cycles, and says
// what each one ended with: the receiver record as the window would show it
// once the epoch's last sentence was decoded, plus the satellites in view
// and used summed over every talker of a multi-constellation receiver.
//
// An epoch begins with a sentence that carries a UTC time (GGA, RMC, GLL,
// ZDA) other than the open epoch's. Where the time cannot tell (a receiver
// without a fix may leave it empty; GSA, GSV and VTG have none), an epoch
// begins with a sentence whose talker and type the open epoch has had
// already (a second one of a type with a time, or one of a type without
// after other types came between), or with one that came before the last
// sentence in the order of the epoch before: the receiver began its next
// cycle, even when the sentence that opens it was lost. Runs of one talker
// and type (the GSA of each constellation, the messages of a GSV group)
// stay in one epoch. Only sentences whose checksum is right count.
#include <cstddef>
#include <cstdint>

#include "nmea/Decoders.h"
#include "nmea/Record.h"
#include "nmea/Talkers.h"

namespace vantrel::logtool {

// What an epoch ended with.
struct EpochFix {
  uint64_t index = 0;  // from 0, in the order of the recording
  bool hasTime = false;
  int64_t msOfDay = 0;  // UTC milliseconds since midnight, with hasTime
  bool hasDate = false;
  int year = 0, month = 0, day = 0;  // UTC, with hasDate
  bool fix = false;  // a fix type and quality other than none, at a position a sentence gave
  double latitude = 0, longitude = 0, altitude = 0;
  int fixType = 0;     // 0 none, 1 2D, 2 3D: as the record holds it
  int fixQuality = 0;  // the GGA quality code
  double speedKmh = 0, course = 0;
  double pdop = 0, hdop = 0, vdop = 0;
  int satsInView = -1;  // summed over the talkers; -1 while no GSV was seen
  int satsUsed = -1;    // summed over the epoch's GSA sentences; -1 while none was seen
};

// Seconds of the epoch's UTC time, counted from 1970 when its date is
// known, else from its midnight.
double EpochSeconds(const EpochFix& epoch);

class IEpochSink {
 public:
  // Each epoch, once the next one has begun or the recording has ended.
  virtual void OnEpoch(const EpochFix& epoch) = 0;
  // A complete GSV group of `talker`: the record's satellite table holds it.
  virtual void OnSatellites(Talker talker, const ReceiverRecord& record) { (void)talker, (void)record; }

 protected:
  ~IEpochSink() = default;
};

class EpochTracker {
 public:
  explicit EpochTracker(IEpochSink& sink);

  // Every piece, after the decoder ran on it; `record` is the decoder's.
  void Piece(const PieceInfo& info, const char* s, size_t len, const ReceiverRecord& record);
  // End of the recording: the open epoch ends too.
  void Finish();

  uint64_t Epochs() const { return next_; }

 private:
  void Begin();
  void End();

  IEpochSink& sink_;
  bool open_ = false;
  EpochFix current_;  // the open epoch, as of its latest sentence
  uint64_t next_ = 0;
  // Talker and type make a key, 0 .. kKeys - 1.
  static constexpr int kKeys = kTalkers * kPieceKinds;
  uint64_t seen_ = 0;          // a bit for each key the open epoch has had
  int lastKey_ = -1;           // of the sentence before
  int order_[kKeys];           // where each key first came in the open epoch, -1 not at all
  int orderBefore_[kKeys];     // and in the epoch before
  int ordered_ = 0;            // keys the open epoch has had
  bool positionKnown_ = false;  // a GGA, RMC or GLL has given a latitude
  int inView_[kTalkers] = {-1, -1, -1, -1, -1};  // latest GSV count of each talker
  int usedThisEpoch_ = 0;
  bool gsaThisEpoch_ = false;
  int usedLast_ = -1;  // of the last epoch that had a GSA
};

}  // namespace vantrel::logtool
