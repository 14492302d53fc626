#include "tools/Epochs.h"

#include <cmath>  // lround
#include <cstring>  // memchr

#include "nmea/Fields.h"

namespace vantrel::logtool {

namespace {

constexpr int64_t kMsPerDay = 86'400'000;
static_assert(kTalkers * kPieceKinds <= 64, "a bit for each talker and type");

bool Timed(PieceKind kind) {
  return kind == PieceKind::GGA || kind == PieceKind::RMC || kind == PieceKind::GLL || kind == PieceKind::ZDA;
}

// Whether the sentence's time field holds a time the decoder stored (four
// characters at least): field 5 of GLL, field 1 of the others.
bool CarriesTime(PieceKind kind, const char* s, size_t len) {
  FieldWalk w(s, len);
  const int field = kind == PieceKind::GLL ? 5 : 1;
  for (int i = 0; i < field; ++i)
    if (!w.Next()) return false;
  return w.Read() && w.length() >= 4;
}

// Whether the sentence's latitude field holds a coordinate the decoder
// stored (it needs a "."): field 1 of GLL, 2 of GGA, 3 of RMC.
bool CarriesPosition(PieceKind kind, const char* s, size_t len) {
  const int field = kind == PieceKind::GLL ? 1 : kind == PieceKind::GGA ? 2 : kind == PieceKind::RMC ? 3 : 0;
  if (field == 0) return false;
  FieldWalk w(s, len);
  for (int i = 0; i < field; ++i)
    if (!w.Next()) return false;
  return w.Read() && std::memchr(w.text(), '.', w.length()) != nullptr;
}

// The GSV sentence ends its group: its count of messages equals its number,
// the decoder's own rule.
bool EndsGsvGroup(const char* s, size_t len) {
  FieldWalk w(s, len);
  return w.Next() && w.At(0) == w.At(2);
}

int64_t MsOfDay(const ReceiverRecord& r) {
  return (static_cast<int64_t>(r.UtcHour) * 60 + r.UtcMinute) * 60'000 + std::lround(r.UtcSecond * 1000.0);
}

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

}  // namespace

double EpochSeconds(const EpochFix& e) {
  const double inDay = static_cast<double>(e.msOfDay) / 1000.0;
  if (!e.hasDate) return inDay;
  return static_cast<double>(DaysFromCivil(e.year, static_cast<unsigned>(e.month), static_cast<unsigned>(e.day))) *
             86400.0 + inDay;
}

EpochTracker::EpochTracker(IEpochSink& sink) : sink_(sink) {
  for (int k = 0; k < kKeys; ++k) order_[k] = orderBefore_[k] = -1;
}

void EpochTracker::Piece(const PieceInfo& info, const char* s, size_t len, const ReceiverRecord& r) {
  if (!info.checksumOk || info.talker == Talker::None) return;  // standard kinds carry a talker
  const int key = static_cast<int>(info.talker) * kPieceKinds + static_cast<int>(info.kind);
  const bool again = (seen_ >> key) & 1u;
  // Earlier in the last epoch's order than the sentence before it.
  const bool wrapped =
      lastKey_ >= 0 && orderBefore_[key] >= 0 && orderBefore_[lastKey_] >= 0 && orderBefore_[key] < orderBefore_[lastKey_];
  if (Timed(info.kind)) {
    const bool hasTime = CarriesTime(info.kind, s, len);
    const int64_t ms = hasTime ? MsOfDay(r) % kMsPerDay : 0;
    const bool timeTells = hasTime && current_.hasTime;
    if (!open_ || (timeTells ? ms != current_.msOfDay : again || wrapped)) Begin();
    if (hasTime && !current_.hasTime) {
      current_.hasTime = true;
      current_.msOfDay = ms;
    }
  } else if (!open_ || (again && key != lastKey_) || wrapped) {
    Begin();
  }
  if (order_[key] < 0) order_[key] = ordered_++;
  seen_ |= uint64_t{1} << key;
  lastKey_ = key;
  if (!positionKnown_) positionKnown_ = CarriesPosition(info.kind, s, len);

  const int t = static_cast<int>(info.talker);
  if (info.kind == PieceKind::GSV) {
    inView_[t] = r.SatsInViewCount;
    if (EndsGsvGroup(s, len)) sink_.OnSatellites(info.talker, r);
  } else if (info.kind == PieceKind::GSA) {
    gsaThisEpoch_ = true;
    for (int k = 0; k < kUsedPrnsMax && r.UsedPrns[k] != 0; ++k) ++usedThisEpoch_;
  }

  EpochFix& e = current_;
  // The record starts at 0, 0: no fix is reported where no sentence put it.
  e.fix = r.FixType != 0 && r.FixQuality != 0 && positionKnown_;
  e.latitude = r.Latitude;
  e.longitude = r.Longitude;
  e.altitude = r.Altitude;
  e.fixType = r.FixType;
  e.fixQuality = r.FixQuality;
  e.speedKmh = r.SpeedKmh;
  e.course = r.Course;
  e.pdop = r.Pdop;
  e.hdop = r.Hdop;
  e.vdop = r.Vdop;
  e.hasDate = r.UtcYear != 0 && r.UtcMonth >= 1 && r.UtcMonth <= 12 && r.UtcDay >= 1 && r.UtcDay <= 31;
  e.year = r.UtcYear;
  e.month = r.UtcMonth;
  e.day = r.UtcDay;
}

void EpochTracker::Finish() {
  if (open_) End();
  open_ = false;
}

void EpochTracker::Begin() {
  if (open_) End();
  // The record carries over, as it does in the window: the new epoch starts
  // from what the last one ended with, without its time.
  current_.index = next_++;
  current_.hasTime = false;
  current_.msOfDay = 0;
  seen_ = 0;
  ordered_ = 0;
  usedThisEpoch_ = 0;
  gsaThisEpoch_ = false;
  open_ = true;
}

void EpochTracker::End() {
  int inView = -1;
  for (int v : inView_)
    if (v >= 0) inView = (inView < 0 ? 0 : inView) + v;
  current_.satsInView = inView;
  if (gsaThisEpoch_) usedLast_ = usedThisEpoch_;
  current_.satsUsed = usedLast_;
  sink_.OnEpoch(current_);
  for (int k = 0; k < kKeys; ++k) {
    orderBefore_[k] = order_[k];
    order_[k] = -1;
  }
}

}  // namespace vantrel::logtool
