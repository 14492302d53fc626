#include "nmea/Decoders.h"

#include <cstring>

#include "nmea/FieldWalk.h"

namespace vantrel {

namespace {

using detail::FieldWalk;
using detail::ToInt32;
using detail::WholeOf;

constexpr double kKnotsToKmh = 1.8532;  // the receiver maker's factor, kept as the display expects
constexpr double kMinutesToDegrees = 1.0 / 60.0;
constexpr int kRmcCentury = 2000;
constexpr int kSatsPerGsvMessage = 4;
constexpr int kGsaPrnFields = 12;

// hhmmss.sss. Shorter than "hhmm" has no place for the parts: ignored.
void ApplyTime(ReceiverRecord& r, const char* f, size_t n) {
  if (n < 4) return;
  r.UtcHour = ToInt32(WholeOf(f, n, 0, 2));
  r.UtcMinute = ToInt32(WholeOf(f, n, 2, 2));
  r.UtcSecond = static_cast<float>(ReadDecimal(f + 4));
}

// ddmmyy; a shorter field is ignored.
void ApplyDate(ReceiverRecord& r, const char* f, size_t n) {
  if (n < 6) return;
  r.UtcDay = ToInt32(WholeOf(f, n, 0, 2));
  r.UtcMonth = ToInt32(WholeOf(f, n, 2, 2));
  r.UtcYear = kRmcCentury + ToInt32(WholeOf(f, n, 4, 2));
}

// (d)ddmm.mmmm: the two digits before the "." begin the minutes. Without a
// "." or without two characters before it the field is ignored, and so is
// the hemisphere after it.
bool ApplyCoordinate(float& target, const char* f, size_t n) {
  const char* point = static_cast<const char*>(std::memchr(f, '.', n));
  if (point == nullptr || point - f < 2) return false;
  const size_t minutesAt = static_cast<size_t>(point - f) - 2;
  const long degrees = WholeOf(f, n, 0, minutesAt);
  const double minutes = ReadDecimal(f + minutesAt);
  target = static_cast<float>(static_cast<double>(degrees) + minutes * kMinutesToDegrees);
  return true;
}

// The mode indicator of RMC, VTG and GLL.
void ApplyModeLetter(ReceiverRecord& r, char mode) {
  if (mode == 'A') r.FixQuality = 1;
  else if (mode == 'D') r.FixQuality = 2;
  else if (mode == 'E') r.FixQuality = 6;
}

void ClearFix(ReceiverRecord& r) {
  r.FixType = 0;
  r.FixQuality = 0;
}

// Latitude, N/S, longitude, E/W. False when the walk ran out of fields.
bool WalkPosition(ReceiverRecord& r, FieldWalk& w) {
  if (!w.Next()) return false;
  const bool lat = w.Read() && ApplyCoordinate(r.Latitude, w.text(), w.length());
  if (!w.Next()) return false;
  if (w.Read() && lat && w.text()[0] == 'S') r.Latitude = -r.Latitude;
  if (!w.Next()) return false;
  const bool lon = w.Read() && ApplyCoordinate(r.Longitude, w.text(), w.length());
  if (!w.Next()) return false;
  if (w.Read() && lon && w.text()[0] == 'W') r.Longitude = -r.Longitude;
  return true;
}

float Knots(const char* f) { return static_cast<float>(ReadDecimal(f) * kKnotsToKmh); }

}  // namespace

namespace checked {

// $GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,55.2,M,,*76
void DecodeGGA(ReceiverRecord& r, const char* s, size_t len) {
  FieldWalk w(s, len);
  if (!w.Next()) return;
  if (w.Read()) ApplyTime(r, w.text(), w.length());
  if (!WalkPosition(r, w)) return;
  if (!w.Next() || !w.Read()) return;  // fix quality
  r.FixQuality = static_cast<uint8_t>(w.Whole());
  if (r.FixQuality != 0 && r.FixType == 0) r.FixType = 1;
  if (!w.Next()) return;  // satellites used
  if (!w.Next()) return;
  if (w.Read()) r.Hdop = static_cast<float>(ReadDecimal(w.text()));
  if (!w.Next()) return;
  const bool altitude = w.Read();
  if (altitude) r.Altitude = static_cast<float>(ReadDecimal(w.text()));
  if (!w.Next()) return;  // altitude unit
  if (!w.Next()) return;
  if (w.Read() && altitude) r.Altitude = static_cast<float>(r.Altitude + ReadDecimal(w.text()));
}

// $GPRMC,092750.000,A,5321.6802,N,00630.3372,W,0.02,31.66,280511,,,A*43
void DecodeRMC(ReceiverRecord& r, const char* s, size_t len) {
  FieldWalk w(s, len);
  if (!w.Next()) return;
  if (w.Read()) ApplyTime(r, w.text(), w.length());
  if (!w.Next() || !w.Read()) return;  // status
  if (w.text()[0] == 'A') {
    if (r.FixType == 0) r.FixType = 1;
    if (r.FixQuality == 0) r.FixQuality = 1;
  } else {
    ClearFix(r);  // and go on: position, speed and date are still stored
  }
  if (!WalkPosition(r, w)) return;
  if (!w.Next()) return;
  if (w.Read()) r.SpeedKmh = Knots(w.text());
  if (!w.Next()) return;
  if (w.Read()) r.Course = static_cast<float>(ReadDecimal(w.text()));
  if (!w.Next()) return;
  if (w.Read()) ApplyDate(r, w.text(), w.length());
  if (!w.Next()) return;  // magnetic variation
  if (!w.Next()) return;  // its direction
  if (!w.Next() || !w.Read()) return;
  if (r.FixType != 0) ApplyModeLetter(r, w.text()[0]);
}

// $GPVTG,31.66,T,,M,0.02,N,0.04,K,A*3B
void DecodeVTG(ReceiverRecord& r, const char* s, size_t len) {
  FieldWalk w(s, len);
  if (!w.Next()) return;
  if (w.Read()) r.Course = static_cast<float>(ReadDecimal(w.text()));
  for (int skip = 0; skip < 3; ++skip)  // "T", magnetic course, "M"
    if (!w.Next()) return;
  if (!w.Next()) return;
  if (w.Read()) r.SpeedKmh = Knots(w.text());
  for (int skip = 0; skip < 3; ++skip)  // "N", km/h (not used), "K"
    if (!w.Next()) return;
  if (!w.Next() || !w.Read()) return;  // mode
  if (w.text()[0] == 'N') {
    ClearFix(r);
    return;
  }
  if (r.FixType == 0) r.FixType = 1;
  ApplyModeLetter(r, w.text()[0]);
}

// $GPGSA,A,3,10,07,05,02,29,04,08,13,,,,,1.72,1.03,1.38*0A
void DecodeGSA(ReceiverRecord& r, const char* s, size_t len) {
  for (int32_t& prn : r.UsedPrns) prn = 0;
  FieldWalk w(s, len);
  if (!w.Next() || !w.Read()) return;  // selection mode
  const char selection = w.text()[0];
  if (selection == 'A' || selection == 'M') {
    if (!w.Next() || !w.Read()) return;  // fix mode
    r.FixType = static_cast<uint8_t>(static_cast<unsigned long>(w.Whole()) - 1);
    if (r.FixType == 0) r.FixQuality = 0;
    else if (r.FixQuality == 0) r.FixQuality = 1;
  } else {
    // Any other selection means no fix, even when nothing follows it.
    ClearFix(r);
    if (!w.Next()) return;  // the fix mode is not read
  }
  int used = 0;
  for (int i = 0; i < kGsaPrnFields; ++i) {
    if (!w.Next()) return;
    if (w.Read() && used < kUsedPrnsMax) r.UsedPrns[used++] = ToInt32(w.Whole());
  }
  if (!w.Next() || !w.Read()) return;
  r.Pdop = static_cast<float>(ReadDecimal(w.text()));
  if (!w.Next() || !w.Read()) return;
  r.Hdop = static_cast<float>(ReadDecimal(w.text()));
  if (!w.Next()) return;
  if (w.Read()) r.Vdop = static_cast<float>(ReadDecimal(w.text()));
}

// $GPGSV,3,1,11,10,63,137,17,07,61,098,15,05,59,290,20,08,54,157,30*70
void DecodeGSV(ReceiverRecord& r, const char* s, size_t len) {
  FieldWalk w(s, len);
  if (!w.Next()) return;
  // Message number "1" (with a one-digit count) starts a new group; equal
  // count and number end it.
  if (w.At(2) == '1') {
    for (SatInView& e : r.SatsInView) e = SatInView{};
    r.GsvComplete = 0;
  }
  if (w.At(0) == w.At(2)) r.GsvComplete = 1;
  if (!w.Next() || !w.Read()) return;  // message number
  const long message = w.Whole();
  if (!w.Next() || !w.Read()) return;  // satellites in view
  r.SatsInViewCount = ToInt32(w.Whole());
  if (r.SatsInViewCount == 0) return;
  // Messages past the fifth (or numbered 0) have no room in the table.
  if (message < 1 || message > kSatsInViewMax / kSatsPerGsvMessage) return;
  const int base = static_cast<int>(message - 1) * kSatsPerGsvMessage;
  for (int k = 0; k < kSatsPerGsvMessage; ++k) {
    SatInView& e = r.SatsInView[base + k];
    if (!w.Next()) return;
    e.Prn = w.Read() ? ToInt32(w.Whole()) : 0;
    if (!w.Next()) return;
    e.Elevation = w.Read() ? ToInt32(w.Whole()) : 0;
    if (!w.Next()) return;
    e.Azimuth = w.Read() ? ToInt32(w.Whole()) : 0;
    if (!w.Next()) return;
    if (w.At(0) == '*') e.Snr = 0;
    else e.Snr = w.Read() ? ToInt32(w.Whole()) : 0;
    if (base + k + 1 == r.SatsInViewCount) return;
  }
}

// $GPGLL,5321.6802,N,00630.3372,W,092750.000,A,A*4B
void DecodeGLL(ReceiverRecord& r, const char* s, size_t len) {
  FieldWalk w(s, len);
  // GLL begins with the position; its time comes after it.
  if (!WalkPosition(r, w)) return;
  if (!w.Next()) return;
  if (w.Read()) ApplyTime(r, w.text(), w.length());
  if (!w.Next() || !w.Read()) return;  // status
  if (w.text()[0] != 'A') {
    ClearFix(r);
    return;
  }
  if (r.FixType == 0) r.FixType = 1;
  if (!w.Next()) return;
  if (w.Read()) ApplyModeLetter(r, w.text()[0]);
}

// $GPZDA,092750.000,28,05,2011,,*5A
void DecodeZDA(ReceiverRecord& r, const char* s, size_t len) {
  FieldWalk w(s, len);
  if (!w.Next()) return;
  if (w.Read()) ApplyTime(r, w.text(), w.length());
  if (!w.Next()) return;
  if (w.Read()) r.UtcDay = ToInt32(w.Whole());
  if (!w.Next()) return;
  if (w.Read()) r.UtcMonth = ToInt32(w.Whole());
  if (!w.Next()) return;
  if (w.Read()) r.UtcYear = ToInt32(w.Whole());  // four digits, no century added
}

}  // namespace checked

#define VANTREL_CHECKED_DECODER(Name)                                \
  void Name(ReceiverRecord& record, const char* s, size_t len) {     \
    if (SentenceChecksumOk(s, len)) checked::Name(record, s, len);   \
  }
VANTREL_CHECKED_DECODER(DecodeGGA)
VANTREL_CHECKED_DECODER(DecodeRMC)
VANTREL_CHECKED_DECODER(DecodeVTG)
VANTREL_CHECKED_DECODER(DecodeGSA)
VANTREL_CHECKED_DECODER(DecodeGSV)
VANTREL_CHECKED_DECODER(DecodeGLL)
VANTREL_CHECKED_DECODER(DecodeZDA)
#undef VANTREL_CHECKED_DECODER

}  // namespace vantrel
