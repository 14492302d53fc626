#include "evaluation/Epochs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "nmea/Fields.h"

namespace vantrel::evaluation {

namespace {

constexpr int64_t kMsPerDay = 86'400'000;
constexpr double kKnotKmh = 1.852;
constexpr int kGsvSatellitesMax = 6;  // four a sentence, with room

struct TalkerRow {
  char letters[3];
  System system;
};
constexpr TalkerRow kTalkers[kTalkerCount] = {
    {"GP", System::GPS},  {"GL", System::GLONASS}, {"GA", System::Galileo}, {"GB", System::BeiDou},
    {"BD", System::BeiDou}, {"GQ", System::QZSS},  {"GI", System::NavIC},   {"GN", System::Unknown}};
constexpr const char* kSystemNames[kSystemCount] = {"GPS", "GLONASS", "Galileo", "BeiDou", "QZSS", "NavIC", "unknown"};
constexpr const char* kKindNames[kKindCount] = {"GGA", "GNS", "RMC", "GLL", "VTG", "GSA", "GSV", "GST", "ZDA"};
constexpr const char* kQualityNames[kQualityCount] = {
    "no fix", "SPS", "DGPS", "PPS", "RTK fixed", "RTK float", "dead reckoning", "manual", "simulated"};
// GNS mode letters in the order of the GGA qualities they stand for.
constexpr char kGnsModes[kQualityCount + 1] = "NADPRFEMS";

// Ranges a receiver reports within; anything else is no figure.
constexpr double kAltitudeMin = -1000, kAltitudeMax = 100'000;  // metres
constexpr double kSeparationMax = 200;
constexpr double kDopMax = 100;
constexpr double kSpeedMaxKmh = 10'000;
constexpr double kSigmaMax = 100'000;

std::optional<Talker> TalkerOf(char a, char b) {
  for (int t = 0; t < kTalkerCount; ++t)
    if (kTalkers[t].letters[0] == a && kTalkers[t].letters[1] == b) return static_cast<Talker>(t);
  return std::nullopt;
}

std::optional<Kind> KindOf(const char* type) {
  for (int k = 0; k < kKindCount; ++k)
    if (type[0] == kKindNames[k][0] && type[1] == kKindNames[k][1] && type[2] == kKindNames[k][2])
      return static_cast<Kind>(k);
  return std::nullopt;
}

bool Digit(char c) { return c >= '0' && c <= '9'; }

// A plain decimal as receivers write it: an optional sign, digits, at most
// one point, at least one digit; no exponent, no "inf".
bool PlainDecimal(const char* t, bool sign) {
  if (sign && (*t == '-' || *t == '+')) ++t;
  bool digits = false, point = false;
  for (; *t; ++t) {
    if (Digit(*t)) digits = true;
    else if (*t == '.' && !point) point = true;
    else return false;
  }
  return digits;
}

// Reads the fields of one sentence into values, counting what is out of range.
class Reader {
 public:
  Reader(const char* s, size_t len, uint64_t& outOfRange) : w_(s, len), outOfRange_(outOfRange) {}

  // Moves to field `i` (forward only); false when the sentence ends first.
  bool To(int i) {
    for (; at_ < i; ++at_)
      if (!w_.Next()) return false;
    return true;
  }
  // The field's text when present and not longer than the walker reads.
  const char* Text(int i) {
    if (!To(i) || !w_.Read()) return nullptr;
    if (w_.FullLength() > static_cast<size_t>(kFieldMax)) return Bad();
    return w_.text();
  }
  char Letter(int i) {
    const char* t = Text(i);
    return t != nullptr && t[1] == '\0' ? t[0] : '\0';
  }
  std::optional<double> Decimal(int i, double low, double high, bool sign = true) {
    const char* t = Text(i);
    if (t == nullptr) return std::nullopt;
    if (!PlainDecimal(t, sign)) return Bad(), std::nullopt;
    const double v = ReadDecimal(t);
    if (!std::isfinite(v) || v < low || v > high) return Bad(), std::nullopt;
    return v;
  }
  std::optional<int> Whole(int i, int low, int high);
  // A whole number in range, or nothing without counting it: for values
  // the figures do not use, whose odd forms (a negative elevation, an
  // azimuth of 360) many receivers send.
  std::optional<int> WholeQuiet(int i, int low, int high) {
    if (!To(i) || !w_.Read() || w_.FullLength() > static_cast<size_t>(kFieldMax)) return std::nullopt;
    const char* t = w_.text();
    if (*t == '\0') return std::nullopt;
    for (const char* p = t; *p; ++p)
      if (!Digit(*p)) return std::nullopt;
    const long v = ReadWhole(t);
    if (v < low || v > high) return std::nullopt;
    return static_cast<int>(v);
  }
  // "hhmmss" with optional decimals of the second.
  std::optional<int64_t> Time(int i) {
    const char* t = Text(i);
    if (t == nullptr) return std::nullopt;
    if (w_.length() < 6 || !Digit(t[0]) || !Digit(t[1]) || !Digit(t[2]) || !Digit(t[3]) || !Digit(t[4]) ||
        !PlainDecimal(t + 4, false))
      return Bad(), std::nullopt;
    const long h = w_.WholeAt(0, 2), m = w_.WholeAt(2, 2);
    const double sec = ReadDecimal(t + 4);
    // Second 60 is a leap second, at the end of a UTC day only.
    if (h > 23 || m > 59 || !(sec < (h == 23 && m == 59 ? 61 : 60))) return Bad(), std::nullopt;
    return (static_cast<int64_t>(h) * 60 + m) * 60'000 + std::llround(sec * 1000.0);
  }
  // "ddmm.mmmm" or "dddmm.mmmm" and its hemisphere in the next field; the
  // degrees and the minutes are read apart so no digit written is lost.
  std::optional<double> Coordinate(int i, double maxDegrees, char positive, char negative) {
    const char* t = Text(i);
    if (t == nullptr) return std::nullopt;
    const size_t n = w_.length();
    size_t dot = 0;
    while (dot < n && t[dot] != '.') ++dot;
    if (dot < 2 || !PlainDecimal(t, false)) return Bad(), std::nullopt;
    const long degrees = w_.WholeAt(0, dot - 2);
    const double minutes = ReadDecimal(t + dot - 2);
    const char hemisphere = Letter(i + 1);
    if (hemisphere != positive && hemisphere != negative) return Bad(), std::nullopt;
    const double v = static_cast<double>(degrees) + minutes / 60.0;
    if (!(minutes < 60) || v > maxDegrees) return Bad(), std::nullopt;
    return hemisphere == negative ? -v : v;
  }
  std::nullptr_t Bad() {
    ++outOfRange_;
    return nullptr;
  }

 private:
  FieldWalk w_;
  int at_ = 0;
  uint64_t& outOfRange_;
};

// Digits only, within [low, high]; empty text is no value.
std::optional<int> WholeText(const char* t, int low, int high, Reader& r) {
  if (t == nullptr || *t == '\0') return std::nullopt;
  for (const char* p = t; *p; ++p)
    if (!Digit(*p)) return r.Bad(), std::nullopt;
  const long v = ReadWhole(t);
  if (v < low || v > high) return r.Bad(), std::nullopt;
  return static_cast<int>(v);
}

std::optional<int> Reader::Whole(int i, int low, int high) { return WholeText(Text(i), low, high, *this); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

std::optional<Date> CheckedDate(std::optional<int> d, std::optional<int> m, std::optional<int> y, Reader& r) {
  if (!d || !m || !y) return std::nullopt;
  if (*m < 1 || *m > 12 || *d < 1 || *d > DaysInMonth(*y, *m)) return r.Bad(), std::nullopt;
  return Date{*y, *m, *d};
}

bool IsPosition(Kind kind) { return kind == Kind::GGA || kind == Kind::GNS || kind == Kind::RMC || kind == Kind::GLL; }
int PositionRank(Kind kind) { return kind == Kind::GGA ? 4 : kind == Kind::GNS ? 3 : kind == Kind::RMC ? 2 : 1; }

uint32_t SatelliteKey(System system, int prn) { return static_cast<uint32_t>(system) << 16 | static_cast<uint32_t>(prn); }

// The system of a GSA: its talker's, or for "GN" the NMEA 4.11 system ID.
System SystemOfId(std::optional<int> id) {
  if (!id || *id < 1 || *id > 6) return System::Unknown;
  return static_cast<System>(*id - 1);
}

}  // namespace

const char* TalkerName(Talker t) { return kTalkers[static_cast<int>(t)].letters; }
const char* SystemName(System s) { return kSystemNames[static_cast<int>(s)]; }
const char* KindName(Kind k) { return kKindNames[static_cast<int>(k)]; }
const char* QualityName(int q) { return q >= 0 && q < kQualityCount ? kQualityNames[q] : ""; }

int64_t DaysFromCivil(const Date& date) {
  int64_t y = date.year;
  const unsigned m = static_cast<unsigned>(date.month), d = static_cast<unsigned>(date.day);
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

Date CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return Date{static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2)), static_cast<int>(m),
              static_cast<int>(d)};
}

std::optional<double> Epoch::Seconds() const {
  if (!msOfDay) return std::nullopt;
  const double inDay = static_cast<double>(*msOfDay) / 1000.0;
  return date ? static_cast<double>(DaysFromCivil(*date)) * 86400.0 + inDay : inDay;
}

// What one sentence said.
struct EpochModel::Said {
  std::optional<int64_t> ms;
  std::optional<Date> date;
  std::optional<double> lat, lon, alt, sep, pdop, hdop, vdop, speedKmh, course, sLat, sLon, sAlt;
  std::optional<int> quality, gsaMode, sats, systemId;
  std::optional<bool> status;
  int prns[12] = {};
  int prnCount = 0;
  SignalSeen inView[kGsvSatellitesMax];
  int inViewCount = 0;
  bool gsvSaid = false;
};

EpochModel::EpochModel(IEpochSink& sink, Reads reads) : sink_(sink), reads_(reads) {
  std::fill(std::begin(order_), std::end(order_), -1);
  std::fill(std::begin(orderBefore_), std::end(orderBefore_), -1);
}

void EpochModel::Sentence(const char* s, size_t len, bool checksumRight) {
  if (len < 7 || s[0] != '$') {
    if (len > 0) ++tally_.ignored;
    return;
  }
  const ChecksumCase sum = checksumRight ? ChecksumCase::Upper : ReadChecksumCase(s, len);
  if (sum == ChecksumCase::Wrong) {
    ++tally_.checksumFailures;
    return;
  }
  if (sum == ChecksumCase::Lower) ++tally_.lowercaseChecksums;
  if (s[1] == 'P') {
    ++tally_.vendor;
    return;
  }
  const std::optional<Talker> talker = TalkerOf(s[1], s[2]);
  const std::optional<Kind> kind = s[6] == ',' ? KindOf(s + 3) : std::nullopt;
  if (!talker || !kind) {
    ++tally_.otherTypes;
    return;
  }
  ++tally_.byTalker[static_cast<int>(*talker)][static_cast<int>(*kind)];
  if (!reads_.values || (*kind == Kind::GSV && !reads_.satellites) || (*kind == Kind::VTG && !reads_.motion)) return;

  Said said;
  Reader r(s, len, tally_.outOfRange);
  // The epoch first, from the time: a position the open epoch has from a
  // better sentence is not read again.
  if (*kind == Kind::GLL) {
    Reader timeOnly(s, len, tally_.outOfRange);
    said.ms = timeOnly.Time(5);
  } else if (*kind != Kind::VTG && *kind != Kind::GSA && *kind != Kind::GSV && *kind != Kind::GST) {
    said.ms = r.Time(1);
  }
  Place(*kind, *talker, said.ms);
  const bool wantPosition = IsPosition(*kind) && PositionRank(*kind) > positionRank_;
  switch (*kind) {
    case Kind::GGA:
    case Kind::GNS: {
      const bool gga = *kind == Kind::GGA;
      if (wantPosition) {
        said.lat = r.Coordinate(2, 90, 'N', 'S');
        said.lon = r.Coordinate(4, 180, 'E', 'W');
      }
      if (gga) {
        said.quality = r.Whole(6, 0, kQualityCount - 1);
      } else if (const char* mode = r.Text(6)) {
        // One letter per system: the best any of them has.
        int best = -1;
        for (const char* p = mode; *p; ++p) {
          const char* at = std::find(kGnsModes, kGnsModes + kQualityCount, *p);
          if (at == kGnsModes + kQualityCount) {
            best = -2;
            break;
          }
          best = std::max(best, static_cast<int>(at - kGnsModes));
        }
        if (best >= 0) said.quality = best;
        else r.Bad();
      }
      said.sats = r.Whole(7, 0, 999);
      said.hdop = r.Decimal(8, 0, kDopMax);
      said.alt = r.Decimal(9, kAltitudeMin, kAltitudeMax);
      said.sep = r.Decimal(gga ? 11 : 10, -kSeparationMax, kSeparationMax);
      break;
    }
    case Kind::RMC: {
      const char status = r.Letter(2);
      if (status == 'A' || status == 'V') said.status = status == 'A';
      if (wantPosition) {
        said.lat = r.Coordinate(3, 90, 'N', 'S');
        said.lon = r.Coordinate(5, 180, 'E', 'W');
      }
      if (reads_.motion) {
        if (auto knots = r.Decimal(7, 0, kSpeedMaxKmh / kKnotKmh, false)) said.speedKmh = *knots * kKnotKmh;
        said.course = r.Decimal(8, 0, 360, false);
      }
      if (const char* d = r.Text(9)) {
        bool digits = std::strlen(d) == 6;
        for (int k = 0; k < 6 && digits; ++k) digits = Digit(d[k]);
        if (digits) {
          const int day = (d[0] - '0') * 10 + d[1] - '0', month = (d[2] - '0') * 10 + d[3] - '0';
          said.date = CheckedDate(day, month, 2000 + (d[4] - '0') * 10 + d[5] - '0', r);
        } else {
          r.Bad();
        }
      }
      break;
    }
    case Kind::GLL: {
      if (wantPosition) {
        said.lat = r.Coordinate(1, 90, 'N', 'S');
        said.lon = r.Coordinate(3, 180, 'E', 'W');
      }
      const char status = r.Letter(6);
      if (status == 'A' || status == 'V') said.status = status == 'A';
      break;
    }
    case Kind::VTG:
      said.course = r.Decimal(1, 0, 360, false);
      if (auto knots = r.Decimal(5, 0, kSpeedMaxKmh / kKnotKmh, false)) said.speedKmh = *knots * kKnotKmh;
      if (auto kmh = r.Decimal(7, 0, kSpeedMaxKmh, false)) said.speedKmh = kmh;  // the receiver's own figure
      break;
    case Kind::GSA:
      said.gsaMode = r.Whole(2, 1, 3);
      for (int i = 3; i <= 14; ++i)
        if (auto prn = r.Whole(i, 1, 999)) said.prns[said.prnCount++] = *prn;
      said.pdop = r.Decimal(15, 0, kDopMax);
      said.hdop = r.Decimal(16, 0, kDopMax);
      said.vdop = r.Decimal(17, 0, kDopMax);
      said.systemId = r.Whole(18, 0, 15);
      break;
    case Kind::GSV: {
      said.gsvSaid = true;
      // Four fields a satellite after the three of the header; a lone field
      // after the last group is the NMEA 4.10 signal ID.
      int signal = -1;
      const System system = kTalkers[static_cast<int>(*talker)].system;
      for (int g = 4; said.inViewCount < kGsvSatellitesMax && r.To(g); g += 4) {
        const char* t = r.Text(g);
        char first[kFieldMax + 1] = {};
        if (t != nullptr) std::memcpy(first, t, sizeof first);
        if (!r.To(g + 1)) {
          const bool hex = first[1] == '\0' && ((first[0] >= '0' && first[0] <= '9') || (first[0] >= 'A' && first[0] <= 'F'));
          if (hex) signal = first[0] <= '9' ? first[0] - '0' : first[0] - 'A' + 10;
          else if (first[0] != '\0') r.Bad();
          break;
        }
        const std::optional<int> prn = WholeText(first, 0, 999, r);
        const std::optional<int> elevation = r.WholeQuiet(g + 1, 0, 90);
        const std::optional<int> azimuth = r.WholeQuiet(g + 2, 0, 359);
        const std::optional<int> snr = r.Whole(g + 3, 0, 99);
        if (prn && *prn != 0)
          said.inView[said.inViewCount++] = SignalSeen{system, *prn, -1, snr, elevation, azimuth};
      }
      for (int i = 0; i < said.inViewCount; ++i) said.inView[i].signal = signal;
      break;
    }
    case Kind::GST:
      said.sLat = r.Decimal(6, 0, kSigmaMax, false);
      said.sLon = r.Decimal(7, 0, kSigmaMax, false);
      said.sAlt = r.Decimal(8, 0, kSigmaMax, false);
      break;
    case Kind::ZDA: {
      // Fields in order: the walker goes forward only.
      const std::optional<int> day = r.Whole(2, 1, 31), month = r.Whole(3, 1, 12), year = r.Whole(4, 1980, 9999);
      said.date = CheckedDate(day, month, year, r);
      break;
    }
  }
  Apply(*kind, *talker, said);
}

void EpochModel::Place(Kind kind, Talker talker, const std::optional<int64_t>& ms) {
  const int key = static_cast<int>(talker) * kKindCount + static_cast<int>(kind);
  const bool again = (seen_[key / 64] >> (key % 64)) & 1u;
  // Earlier in the last epoch's order than the sentence before it: the
  // receiver began its next cycle, though the sentence that opens it was lost.
  const bool wrapped = lastKey_ >= 0 && orderBefore_[key] >= 0 && orderBefore_[lastKey_] >= 0 &&
                       orderBefore_[key] < orderBefore_[lastKey_];
  if (kind == Kind::ZDA) {
    if (!open_) Begin();
  } else if (IsPosition(kind) && ms) {
    if (!open_ || (current_.msOfDay ? *current_.msOfDay != *ms : again || wrapped)) Begin();
    current_.msOfDay = ms;
  } else if (!open_ || (again && (key != lastKey_ || IsPosition(kind))) || wrapped) {
    // Runs of one kind (the GSA of each system, a GSV group) stay together;
    // a position sentence once more is the next cycle.
    Begin();
  }
  if (order_[key] < 0) order_[key] = ordered_++;
  seen_[key / 64] |= uint64_t{1} << (key % 64);
  lastKey_ = key;
}

void EpochModel::Apply(Kind kind, Talker talker, const Said& said) {
  const bool position = IsPosition(kind);
  if (kind == Kind::ZDA && said.date && said.ms) {
    zdaDate_ = said.date;
    zdaMs_ = *said.ms;
  }
  Epoch& e = current_;

  if (position) {
    // GGA before GNS before RMC before GLL: the position of the best one.
    const int rank = PositionRank(kind);
    if (said.lat && said.lon && rank > positionRank_) {
      positionRank_ = rank;
      e.latitude = said.lat;
      e.longitude = said.lon;
    }
  }
  if (said.quality && (!e.quality || kind == Kind::GGA)) e.quality = said.quality;
  if (said.alt && (!e.altitudeMsl || kind == Kind::GGA)) e.altitudeMsl = said.alt;
  if (said.sep && (!e.geoidSeparation || kind == Kind::GGA)) e.geoidSeparation = said.sep;
  if (said.status && (!e.statusValid || kind == Kind::RMC)) e.statusValid = said.status;
  if (said.sats && kind == Kind::GGA) ggaSats_ = said.sats;
  if (said.date && kind == Kind::RMC) {
    e.date = said.date;
    rmcDate_ = true;
  }
  if (said.speedKmh && (!e.speedKmh || kind == Kind::VTG)) e.speedKmh = said.speedKmh;
  if (said.course && (!e.courseDeg || kind == Kind::VTG)) e.courseDeg = said.course;
  if (kind == Kind::GSA) {
    anyGsa_ = true;
    if (said.gsaMode) e.gsaMode = said.gsaMode;
    if (said.pdop) e.pdop = said.pdop;
    if (said.hdop) e.hdop = said.hdop;
    if (said.vdop) e.vdop = said.vdop;
    const System system = talker == Talker::GN ? SystemOfId(said.systemId) : kTalkers[static_cast<int>(talker)].system;
    for (int i = 0; i < said.prnCount; ++i) used_.push_back(SatelliteKey(system, said.prns[i]));
  } else if (said.hdop && !e.hdop) {
    e.hdop = said.hdop;  // GGA or GNS, where no GSA gives it
  }
  if (kind == Kind::GST) {
    e.sigmaLatitude = said.sLat;
    e.sigmaLongitude = said.sLon;
    e.sigmaAltitude = said.sAlt;
  }
  if (said.gsvSaid) {
    anyGsv_ = true;
    for (int i = 0; i < said.inViewCount; ++i) {
      const SignalSeen& s = said.inView[i];
      inView_.push_back(SatelliteKey(s.system, s.prn));
      auto same = std::find_if(e.signals.begin(), e.signals.end(), [&](const SignalSeen& o) {
        return o.system == s.system && o.prn == s.prn && o.signal == s.signal;
      });
      if (same == e.signals.end()) e.signals.push_back(s);
      else *same = s;
    }
  }
}

void EpochModel::Finish() {
  if (open_) End();
  open_ = false;
}

void EpochModel::Begin() {
  if (open_) End();
  std::vector<SignalSeen> signals = std::move(current_.signals);
  signals.clear();  // keeps its room: no allocation per epoch
  current_ = Epoch{};
  current_.signals = std::move(signals);
  current_.index = next_++;
  seen_[0] = seen_[1] = 0;
  std::copy(std::begin(order_), std::end(order_), std::begin(orderBefore_));
  std::fill(std::begin(order_), std::end(order_), -1);
  ordered_ = 0;
  positionRank_ = 0;
  rmcDate_ = false;
  ggaSats_.reset();
  anyGsa_ = anyGsv_ = false;
  used_.clear();
  inView_.clear();
  open_ = true;
}

void EpochModel::End() {
  Epoch& e = current_;
  auto distinct = [](std::vector<uint32_t>& keys) {
    std::sort(keys.begin(), keys.end());
    return static_cast<int>(std::unique(keys.begin(), keys.end()) - keys.begin());
  };
  if (anyGsa_) e.satsUsed = distinct(used_);
  else e.satsUsed = ggaSats_;
  if (anyGsv_) e.satsInView = distinct(inView_);

  // The date: the latest ZDA's, whose year has four digits, a day on or
  // back where its time is across midnight from the epoch's; else the
  // epoch's RMC; else the date before, a day on where the time of day went
  // back.
  if (zdaDate_ && e.msOfDay) {
    int64_t day = DaysFromCivil(*zdaDate_);
    const int64_t ahead = zdaMs_ - *e.msOfDay;
    if (ahead < -kMsPerDay / 2) --day;      // the ZDA is past midnight, the epoch not yet
    else if (ahead > kMsPerDay / 2) ++day;  // the other way round
    e.date = CivilFromDays(day);
  } else if (!rmcDate_ && e.msOfDay && lastDay_) {
    e.date = CivilFromDays(*e.msOfDay < lastMs_ ? *lastDay_ + 1 : *lastDay_);
  }
  if (e.date && e.msOfDay) {
    lastDay_ = DaysFromCivil(*e.date);
    lastMs_ = *e.msOfDay;
  }
  zdaDate_.reset();
  sink_.OnEpoch(e);
}

std::optional<bool> FixOfSentence(const char* s, size_t len) {
  if (len < 7 || s[0] != '$' || ReadChecksumCase(s, len) == ChecksumCase::Wrong || s[6] != ',') return std::nullopt;
  if (!TalkerOf(s[1], s[2])) return std::nullopt;
  const std::optional<Kind> kind = KindOf(s + 3);
  if (!kind) return std::nullopt;
  uint64_t ignored = 0;
  Reader r(s, len, ignored);
  switch (*kind) {
    case Kind::GGA:
      if (auto q = r.Whole(6, 0, kQualityCount - 1)) return *q > 0;
      return std::nullopt;
    case Kind::GNS:
      if (const char* mode = r.Text(6)) return std::any_of(mode, mode + std::strlen(mode), [](char c) { return c != 'N'; });
      return std::nullopt;
    case Kind::GSA:
      if (auto m = r.Whole(2, 1, 3)) return *m > 1;
      return std::nullopt;
    case Kind::RMC: {
      const char status = r.Letter(2);
      if (status == 'A' || status == 'V') return status == 'A';
      return std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace vantrel::evaluation
