#pragma once
// The epoch model of an evaluation: what a receiver said in each of its fix
// cycles, in double precision, from every talker and signal. It is not the
// window's record (32-bit fields, "$GP" only, 0 where nothing was said): a
// value a sentence did not give, or gave out of its range, stays missing.
//
// An epoch is keyed by the receiver's time of its position sentences (GGA,
// GNS, RMC, GLL): one with another time than the open epoch's begins the
// next. ZDA gives the date only (before the RMC's: its year has four
// digits); many receivers send it ahead of the fix cycle it belongs to. Where the time cannot tell (a receiver without a fix
// may leave it empty), a sentence of a talker and type the epoch has had
// already begins the next one, unless it continues a run of its own kind
// (the GSA of each system, the messages of a GSV group).
//
// The fix comes from the GGA (or GNS) quality where the epoch has one, else
// from the RMC (or GLL) status; a mode letter never overrides a quality.
// Checksums with lowercase digits are accepted and counted apart.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vantrel::evaluation {

// Talkers, one table (TalkerName).
enum class Talker : uint8_t { GP, GL, GA, GB, BD, GQ, GI, GN };
constexpr int kTalkerCount = 8;
const char* TalkerName(Talker talker);

// Constellations; a combined talker ("GN") names one in its GSA, or not.
enum class System : uint8_t { GPS, GLONASS, Galileo, BeiDou, QZSS, NavIC, Unknown };
constexpr int kSystemCount = 7;
const char* SystemName(System system);

// The sentence types the model reads, one table (KindName).
enum class Kind : uint8_t { GGA, GNS, RMC, GLL, VTG, GSA, GSV, GST, ZDA };
constexpr int kKindCount = 9;
const char* KindName(Kind kind);

// GGA quality 0 .. 8: "no fix", "SPS", "DGPS", "PPS", "RTK fixed",
// "RTK float", "dead reckoning", "manual", "simulated".
constexpr int kQualityCount = 9;
const char* QualityName(int quality);

struct Date {
  int year = 0, month = 0, day = 0;
  bool operator==(const Date&) const = default;
};

// Days from 1970-01-01 of a Gregorian date, and back.
int64_t DaysFromCivil(const Date& date);
Date CivilFromDays(int64_t days);

// One satellite on one signal as a GSV listed it.
struct SignalSeen {
  System system = System::Unknown;
  int prn = 0;
  int signal = -1;  // the NMEA 4.10 signal ID, -1 where the sentence names none
  std::optional<int> snr;  // dB-Hz, missing while not tracked
  std::optional<int> elevation, azimuth;  // degrees; read for the sky plot, never counted as out of range
};

struct Epoch {
  uint64_t index = 0;  // from 0, in the order of the recording
  std::optional<int64_t> msOfDay;  // UTC milliseconds since midnight
  std::optional<Date> date;        // UTC
  std::optional<double> latitude, longitude;  // degrees, north and east positive
  std::optional<double> altitudeMsl;          // metres above mean sea level
  std::optional<double> geoidSeparation;      // metres, geoid above the ellipsoid
  std::optional<int> quality;                 // GGA or GNS, 0 .. 8
  std::optional<bool> statusValid;            // RMC, else GLL: "A" true, "V" false
  std::optional<int> gsaMode;                 // 1 no fix, 2 2D, 3 3D
  std::optional<int> satsUsed;                // distinct satellites of the GSAs, else the GGA count
  std::optional<int> satsInView;              // distinct satellites of the GSVs
  std::optional<double> pdop, hdop, vdop;
  std::optional<double> speedKmh, courseDeg;
  std::optional<double> sigmaLatitude, sigmaLongitude, sigmaAltitude;  // GST, metres
  std::vector<SignalSeen> signals;            // every satellite and signal of the GSVs

  bool Fix() const { return quality ? *quality > 0 : statusValid.value_or(false); }
  bool HasPosition() const { return latitude.has_value() && longitude.has_value(); }
  // Seconds since 1970 with a date, since midnight without; none without a time.
  std::optional<double> Seconds() const;
};

// Sentences of a recording, counted.
struct SentenceTally {
  uint64_t byTalker[kTalkerCount][kKindCount] = {};
  uint64_t otherTypes = 0;          // other standard sentences, checksum right
  uint64_t vendor = 0;              // proprietary ("$P...") sentences, checksum right
  uint64_t checksumFailures = 0;    // sentences whose checksum is wrong or missing
  uint64_t lowercaseChecksums = 0;  // right, with a lowercase digit: read
  uint64_t outOfRange = 0;          // values out of their range or no number: dropped
  uint64_t ignored = 0;             // text that is no sentence
  uint64_t cutAtEnd = 0;            // 1: the end of the recording cut off a last sentence
};

class IEpochSink {
 public:
  // Each epoch once the next has begun or the recording has ended.
  virtual void OnEpoch(const Epoch& epoch) = 0;

 protected:
  ~IEpochSink() = default;
};

// What a sink uses beyond positions, fixes, times, DOPs and satellites
// used: an export that lists neither satellites in view nor speeds is
// spared the GSV and VTG sentences (counted, not read), a third of the work.
struct Reads {
  bool values = true;      // false: the sentences are counted, no epoch is made
  bool satellites = true;  // GSV: in view, SNR
  bool motion = true;      // VTG, and the RMC's speed and course
};

class EpochModel {
 public:
  explicit EpochModel(IEpochSink& sink, Reads reads = {});

  // One piece of the stream without its line end; `checksumRight` when the
  // caller found its checksum right in upper case already.
  void Sentence(const char* s, size_t len, bool checksumRight = false);
  // End of the recording: the open epoch ends too.
  void Finish();

  SentenceTally& Tally() { return tally_; }
  uint64_t Epochs() const { return next_; }

 private:
  struct Said;
  void Place(Kind kind, Talker talker, const std::optional<int64_t>& ms);
  void Apply(Kind kind, Talker talker, const Said& said);
  void Begin();
  void End();

  IEpochSink& sink_;
  Reads reads_;
  SentenceTally tally_;
  bool open_ = false;
  Epoch current_;
  uint64_t next_ = 0;
  uint64_t seen_[2] = {};  // a bit per talker and type the open epoch has had
  int lastKey_ = -1;
  static constexpr int kKeys = kTalkerCount * kKindCount;
  int order_[kKeys], orderBefore_[kKeys];  // where each key first came in the open epoch and the one before, -1 not
  int ordered_ = 0;
  int positionRank_ = 0;   // of the sentence the open epoch's position came from
  bool rmcDate_ = false;   // the open epoch's date is an RMC's
  std::optional<Date> zdaDate_;  // the latest ZDA's date, and its time of day
  int64_t zdaMs_ = 0;
  std::optional<int> ggaSats_;
  bool anyGsa_ = false, anyGsv_ = false;
  std::vector<uint32_t> used_, inView_;  // satellite keys of the open epoch
  std::optional<int64_t> lastDay_;  // the date and time of the epoch before
  int64_t lastMs_ = 0;
};

// What one sentence says of the fix, for a watch that needs no epochs: a
// GGA or GNS quality, a GSA mode, an RMC status, of any talker; nothing for
// other sentences or a checksum that is not right.
std::optional<bool> FixOfSentence(const char* s, size_t len);

}  // namespace vantrel::evaluation
