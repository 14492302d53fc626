#include "nmea/Decoders.h"

#include <cstring>

#include "nmea/Fields.h"

namespace vantrel {

namespace {

constexpr double kKnotsToKmh = 1.8532;  // the receiver maker's factor, kept as the display expects
constexpr double kMinutesToDegrees = 1.0 / 60.0;
constexpr int kRmcCentury = 2000;
constexpr int kSatsPerGsvMessage = 4;
constexpr int kGsaPrnFields = 12;

// hhmmss.sss, the field last read. Shorter than "hhmm" has no place for the
// parts: ignored.
void ApplyTime(ReceiverRecord& r, const FieldWalk& w) {
  if (w.length() < 4) return;
  r.UtcHour = ToInt32(w.WholeAt(0, 2));
  r.UtcMinute = ToInt32(w.WholeAt(2, 2));
  r.UtcSecond = static_cast<float>(ReadDecimal(w.text() + 4));
}

// ddmmyy; a shorter field is ignored.
void ApplyDate(ReceiverRecord& r, const FieldWalk& w) {
  if (w.length() < 6) return;
  r.UtcDay = ToInt32(w.WholeAt(0, 2));
  r.UtcMonth = ToInt32(w.WholeAt(2, 2));
  r.UtcYear = kRmcCentury + ToInt32(w.WholeAt(4, 2));
}

// (d)ddmm.mmmm: the two digits before the "." begin the minutes. Without a
// "." or without two characters before it the field is ignored, and so is
// the hemisphere after it.
bool ApplyCoordinate(float& target, const FieldWalk& w) {
  const char* f = w.text();
  const char* point = static_cast<const char*>(std::memchr(f, '.', w.length()));
  if (point == nullptr || point - f < 2) return false;
  const size_t minutesAt = static_cast<size_t>(point - f) - 2;
  const long degrees = w.WholeAt(0, minutesAt);
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
  const bool lat = w.Read() && ApplyCoordinate(r.Latitude, w);
  if (!w.Next()) return false;
  if (w.Read() && lat && w.text()[0] == 'S') r.Latitude = -r.Latitude;
  if (!w.Next()) return false;
  const bool lon = w.Read() && ApplyCoordinate(r.Longitude, w);
  if (!w.Next()) return false;
  if (w.Read() && lon && w.text()[0] == 'W') r.Longitude = -r.Longitude;
  return true;
}

float Knots(const FieldWalk& w) { return static_cast<float>(w.Decimal() * kKnotsToKmh); }

// The decoders below take a sentence whose checksum DecodeSentence has
// tested.

// $GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,55.2,M,,*76
void DecodeGGA(ReceiverRecord& r, const char* s, size_t len) {
  FieldWalk w(s, len);
  if (!w.Next()) return;
  if (w.Read()) ApplyTime(r, w);
  if (!WalkPosition(r, w)) return;
  if (!w.Next() || !w.Read()) return;  // fix quality
  r.FixQuality = static_cast<uint8_t>(w.Whole());
  if (r.FixQuality != 0 && r.FixType == 0) r.FixType = 1;
  if (!w.Next()) return;  // satellites used
  if (!w.Next()) return;
  if (w.Read()) r.Hdop = static_cast<float>(w.Decimal());
  if (!w.Next()) return;
  const bool altitude = w.Read();
  if (altitude) r.Altitude = static_cast<float>(w.Decimal());
  if (!w.Next()) return;  // altitude unit
  if (!w.Next()) return;
  if (w.Read() && altitude) r.Altitude = static_cast<float>(r.Altitude + w.Decimal());
}

// $GPRMC,092750.000,A,5321.6802,N,00630.3372,W,0.02,31.66,280511,,,A*43
void DecodeRMC(ReceiverRecord& r, const char* s, size_t len) {
  FieldWalk w(s, len);
  if (!w.Next()) return;
  if (w.Read()) ApplyTime(r, w);
  if (!w.Next() || !w.Read()) return;  // status
  if (w.text()[0] == 'A') {
    if (r.FixType == 0) r.FixType = 1;
    if (r.FixQuality == 0) r.FixQuality = 1;
  } else {
    ClearFix(r);  // and go on: position, speed and date are still stored
  }
  if (!WalkPosition(r, w)) return;
  if (!w.Next()) return;
  if (w.Read()) r.SpeedKmh = Knots(w);
  if (!w.Next()) return;
  if (w.Read()) r.Course = static_cast<float>(w.Decimal());
  if (!w.Next()) return;
  if (w.Read()) ApplyDate(r, w);
  if (!w.Next()) return;  // magnetic variation
  if (!w.Next()) return;  // its direction
  if (!w.Next() || !w.Read()) return;
  if (r.FixType != 0) ApplyModeLetter(r, w.text()[0]);
}

// $GPVTG,31.66,T,,M,0.02,N,0.04,K,A*3B
void DecodeVTG(ReceiverRecord& r, const char* s, size_t len) {
  FieldWalk w(s, len);
  if (!w.Next()) return;
  if (w.Read()) r.Course = static_cast<float>(w.Decimal());
  for (int skip = 0; skip < 3; ++skip)  // "T", magnetic course, "M"
    if (!w.Next()) return;
  if (!w.Next()) return;
  if (w.Read()) r.SpeedKmh = Knots(w);
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
  r.Pdop = static_cast<float>(w.Decimal());
  if (!w.Next() || !w.Read()) return;
  r.Hdop = static_cast<float>(w.Decimal());
  if (!w.Next()) return;
  if (w.Read()) r.Vdop = static_cast<float>(w.Decimal());
}

// $GPGSV,3,1,11,10,63,137,17,07,61,098,15,05,59,290,20,08,54,157,30*70
void DecodeGSV(ReceiverRecord& r, const char* s, size_t len) {
  FieldWalk w(s, len);
  if (!w.Next()) return;
  // Message number "1" (with a one-digit count) starts a new group; equal
  // count and number end it.
  if (w.At(2) == '1') {
    for (SatInView& e : r.SatsInView) e = SatInView{};
    r.GsvComplete = false;
  }
  if (w.At(0) == w.At(2)) r.GsvComplete = true;
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
  if (w.Read()) ApplyTime(r, w);
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
  if (w.Read()) ApplyTime(r, w);
  if (!w.Next()) return;
  if (w.Read()) r.UtcDay = ToInt32(w.Whole());
  if (!w.Next()) return;
  if (w.Read()) r.UtcMonth = ToInt32(w.Whole());
  if (!w.Next()) return;
  if (w.Read()) r.UtcYear = ToInt32(w.Whole());  // four digits, no century added
}

// $PQOLCHN,10451,07432,05412,...*5C: per channel 2 digits satellite id,
// 2 digits SNR, 1 digit status.
void DecodeChannelStatus(ReceiverRecord& r, const char* s, size_t len) {
  FieldWalk w(s, len);
  if (!w.Next()) return;
  for (int i = 0; i < kChannelsMax; ++i) {
    // An empty field ends the sentence early; it is not a complete update.
    if (!w.Read()) return;
    Channel& c = r.Channels[i];
    c.SvId = ToInt32(w.WholeAt(0, 2));
    c.Snr = ToInt32(w.WholeAt(2, 2));
    const char status = w.length() >= 5 ? w.text()[4] : '\0';
    c.Status = status == '0' ? 0 : (status == '1' ? 1 : 2);
    if (!w.Next() || i + 1 == kChannelsMax) {
      r.ChannelsUpdated = true;
      return;
    }
  }
}

bool StartsWith(const char* s, size_t len, const char* prefix, size_t prefixLen) {
  return len >= prefixLen && std::memcmp(s, prefix, prefixLen) == 0;
}

struct StandardType {
  char name[4];
  PieceKind kind;
  void (*decode)(ReceiverRecord&, const char*, size_t);
};

constexpr StandardType kStandardTypes[] = {
    {"GLL", PieceKind::GLL, DecodeGLL}, {"RMC", PieceKind::RMC, DecodeRMC}, {"VTG", PieceKind::VTG, DecodeVTG},
    {"GSA", PieceKind::GSA, DecodeGSA}, {"GSV", PieceKind::GSV, DecodeGSV}, {"GGA", PieceKind::GGA, DecodeGGA},
    {"ZDA", PieceKind::ZDA, DecodeZDA},
};

// Shortest standard piece ("$GPGGA" and a field) handed to a decoder is 11
// characters.
constexpr size_t kStandardMinLength = 11;

}  // namespace

const char* PieceKindName(PieceKind kind) {
  switch (kind) {
    case PieceKind::GGA: return "GGA";
    case PieceKind::RMC: return "RMC";
    case PieceKind::VTG: return "VTG";
    case PieceKind::GSA: return "GSA";
    case PieceKind::GSV: return "GSV";
    case PieceKind::GLL: return "GLL";
    case PieceKind::ZDA: return "ZDA";
    case PieceKind::ChannelStatus: return "PQOLCHN";
    case PieceKind::Reply: return "PQOL";
    case PieceKind::Ignored: break;
  }
  return "ignored";
}

const char* TalkerName(Talker talker) {
  switch (talker) {
    case Talker::GP: return "GP";
    case Talker::GN: return "GN";
    case Talker::GL: return "GL";
    case Talker::GA: return "GA";
    case Talker::GB: return "GB";
    case Talker::None: break;
  }
  return "";
}

PieceInfo DecodeSentence(ReceiverRecord& record, const char* s, size_t len, TalkerSet talkers) {
  PieceInfo info;
  void (*decode)(ReceiverRecord&, const char*, size_t) = nullptr;
  if (StartsWith(s, len, "$PQOLCHN", 8)) {
    info.kind = PieceKind::ChannelStatus;
    decode = DecodeChannelStatus;
  } else if (StartsWith(s, len, "$PQOL", 5)) {
    info.kind = PieceKind::Reply;
  } else if (len >= kStandardMinLength && s[0] == '$' && s[1] == 'G' && talkers.HasLetter(s[2])) {
    for (const StandardType& t : kStandardTypes) {
      if (std::memcmp(s + 3, t.name, 3) != 0) continue;
      info.kind = t.kind;
      info.talker = TalkerOfLetter(s[2]);
      decode = t.decode;
      break;
    }
  }
  if (info.kind == PieceKind::Ignored) return info;
  info.checksumOk = SentenceChecksumOk(s, len);
  if (info.checksumOk && decode != nullptr) decode(record, s, len);
  return info;
}

}  // namespace vantrel
