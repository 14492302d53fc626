#include "evaluation/Exports.h"

#include <algorithm>
#include <charconv>  // to_chars: exact decimals, and the shortest text that reads back as a value
#include <cmath>
#include <cstring>

#include "evaluation/Text.h"

namespace vantrel::evaluation {

namespace {

// A row or a track point is gathered here and written with one call: the
// many small pieces through stdio cost a sixth of a long export.
class Line {
 public:
  explicit Line(std::FILE* out) : out_(out) {}
  ~Line() { std::fwrite(text_, 1, length_, out_); }
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;
  void Add(const char* text, size_t n) {
    if (length_ + n > sizeof text_) {
      std::fwrite(text_, 1, length_, out_);
      length_ = 0;
      if (n > sizeof text_) {
        std::fwrite(text, 1, n, out_);
        return;
      }
    }
    std::memcpy(text_ + length_, text, n);
    length_ += n;
  }

 private:
  std::FILE* out_;
  char text_[1024];
  size_t length_ = 0;
};

void Put(const char* text, Line& out) { out.Add(text, std::strlen(text)); }
void PutChar(char c, Line& out) { out.Add(&c, 1); }
void Put(const char* text, std::FILE* out) { std::fputs(text, out); }

// The value as the receiver wrote it (the shortest text that reads back as
// the same double), or nothing where there is none.
void Figure(Line& out, const std::optional<double>& v) {
  if (!v) return;
  char text[40];
  // Receivers write a few decimals: the fewest, k, for which the whole
  // number v 10^k divided by 10^k is v again give the same text as the
  // general shortest form (both operands exact, the division correctly
  // rounded), in a fraction of its time.
  static constexpr double kTen[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
  const double magnitude = std::fabs(*v);
  for (int k = 0; magnitude < 1e9 && k < 7; ++k) {
    const double scaled = std::nearbyint(magnitude * kTen[k]);
    if (scaled / kTen[k] != magnitude) continue;
    auto whole = static_cast<long long>(scaled);
    char* p = text + sizeof text;
    for (int d = 0; d < k; ++d, whole /= 10) *--p = static_cast<char>('0' + whole % 10);
    if (k > 0) *--p = '.';
    do *--p = static_cast<char>('0' + whole % 10); while ((whole /= 10) != 0);
    if (std::signbit(*v) && scaled != 0) *--p = '-';
    out.Add(p, static_cast<size_t>(text + sizeof text - p));
    return;
  }
  const auto r = std::to_chars(text, text + sizeof text - 1, *v);
  *r.ptr = '\0';
  Put(text, out);
}

// `v` with `decimals` decimals: to_chars, which the long exports need, is
// several times faster than printf and as exact.
void Fixed(Line& out, double v, int decimals) {
  char text[64];
  const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals);
  out.Add(text, static_cast<size_t>(r.ptr - text));
}

void Whole(Line& out, const std::optional<int>& v) {
  if (!v) return;
  char text[16];
  const auto r = std::to_chars(text, text + sizeof text, *v);
  out.Add(text, static_cast<size_t>(r.ptr - text));
}

// "2D", "3D" from the GSA; empty for a fix whose kind no GSA told.
const char* FixType(const Epoch& e) {
  if (!e.Fix()) return "none";
  if (e.gsaMode == 2) return "2D";
  if (e.gsaMode == 3) return "3D";
  return "";
}

// GPX's fix element (none, 2d, 3d, dgps, pps); RTK is "dgps", the nearest
// GPX has. Null where nothing tells.
const char* GpxFix(const Epoch& e) {
  if (e.quality == 2 || e.quality == 4 || e.quality == 5) return "dgps";
  if (e.quality == 3) return "pps";
  if (e.gsaMode == 2) return "2d";
  if (e.gsaMode == 3) return "3d";
  return nullptr;
}

// "2026-04-08T10:10:10.000Z", or empty without a date and a time, and in a
// leap second, which the XML schemas' dateTime cannot write.
std::string IsoTime(const Epoch& e) {
  if (!e.date || !e.msOfDay || *e.msOfDay >= 86'400'000) return {};
  return DateText(e) + "T" + TimeText(e) + "Z";
}

}  // namespace

namespace {
// `value` in `width` digits, zero-padded, at `at`.
char* Digits(char* at, long long value, int width) {
  for (int i = width - 1; i >= 0; --i, value /= 10) at[i] = static_cast<char>('0' + value % 10);
  return at + width;
}
}  // namespace

std::string DateText(const Epoch& e) {
  if (!e.date) return {};
  char text[10];
  char* p = Digits(text, e.date->year % 10000, 4);
  *p++ = '-';
  p = Digits(p, e.date->month, 2);
  *p++ = '-';
  Digits(p, e.date->day, 2);
  return std::string(text, 10);
}

std::string TimeText(const Epoch& e) {
  if (!e.msOfDay) return {};
  const long long ms = *e.msOfDay;
  // A leap second (23:59:60) counts past the day's end: it stays a 60.
  const long long hours = std::min(ms / 3'600'000, 23LL), rest = ms - hours * 3'600'000;
  char text[12];
  char* p = Digits(text, hours, 2);
  *p++ = ':';
  p = Digits(p, std::min(rest / 60'000, 59LL), 2);
  *p++ = ':';
  const long long secondsMs = rest - std::min(rest / 60'000, 59LL) * 60'000;
  p = Digits(p, secondsMs / 1000, 2);
  *p++ = '.';
  Digits(p, secondsMs % 1000, 3);
  return std::string(text, 12);
}

void CsvWriter::Head() {
  Put("utc_date,utc_time,latitude,longitude,altitude_msl_m,geoid_separation_m,ellipsoid_height_m,"
             "fix_type,fix_quality,fix_quality_name,speed_kmh,course_deg,pdop,hdop,vdop,"
             "sigma_lat_m,sigma_lon_m,sigma_alt_m,sats_in_view,sats_used\n",
             out_);
}

void CsvWriter::Write(const Epoch& e) {
  Line out(out_);
  Put(DateText(e).c_str(), out);
  PutChar(',', out);
  Put(TimeText(e).c_str(), out);
  PutChar(',', out);
  const bool at = e.Fix() && e.HasPosition();
  if (at) {
    Fixed(out, *e.latitude, 9);
    PutChar(',', out);
    Fixed(out, *e.longitude, 9);
  } else {
    PutChar(',', out);
  }
  PutChar(',', out);
  if (at) Figure(out, e.altitudeMsl);
  PutChar(',', out);
  if (at) Figure(out, e.geoidSeparation);
  PutChar(',', out);
  if (at && e.altitudeMsl && e.geoidSeparation) Fixed(out, *e.altitudeMsl + *e.geoidSeparation, 3);
  PutChar(',', out);
  Put(FixType(e), out);
  PutChar(',', out);
  Whole(out, e.quality);
  PutChar(',', out);
  Put(e.quality ? QualityName(*e.quality) : "", out);
  PutChar(',', out);
  if (e.Fix()) {
    if (e.speedKmh) Fixed(out, *e.speedKmh, 3);
    PutChar(',', out);
    Figure(out, e.courseDeg);
  } else {
    PutChar(',', out);
  }
  for (const auto* v : {&e.pdop, &e.hdop, &e.vdop, &e.sigmaLatitude, &e.sigmaLongitude, &e.sigmaAltitude}) {
    PutChar(',', out);
    Figure(out, *v);
  }
  PutChar(',', out);
  Whole(out, e.satsInView);
  PutChar(',', out);
  Whole(out, e.satsUsed);
  PutChar('\n', out);
}

void GpxWriter::Head() {
  std::fprintf(out_,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<gpx version=\"1.1\" creator=\"vantrel-log\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
               "  <trk>\n    <name>%s</name>\n",
               XmlEscaped(name_).c_str());
}

void GpxWriter::Write(const Epoch& e) {
  if (!e.Fix() || !e.HasPosition()) {
    if (inSegment_) Put("    </trkseg>\n", out_);
    inSegment_ = false;
    return;
  }
  Line out(out_);
  if (!inSegment_) Put("    <trkseg>\n", out);
  inSegment_ = true;
  // The elements in the order the GPX schema wants them.
  Put("      <trkpt lat=\"", out);
  Fixed(out, *e.latitude, 9);
  Put("\" lon=\"", out);
  Fixed(out, *e.longitude, 9);
  Put("\">", out);
  auto element = [&](const char* name, const std::optional<double>& v) {
    if (!v) return;
    PutChar('<', out);
    Put(name, out);
    PutChar('>', out);
    Figure(out, v);
    Put("</", out);
    Put(name, out);
    PutChar('>', out);
  };
  element("ele", e.altitudeMsl);
  const std::string when = IsoTime(e);
  if (!when.empty()) {
    Put("<time>", out);
    Put(when.c_str(), out);
    Put("</time>", out);
  }
  element("geoidheight", e.geoidSeparation);
  if (const char* fix = GpxFix(e)) {
    Put("<fix>", out);
    Put(fix, out);
    Put("</fix>", out);
  }
  if (e.satsUsed) {
    Put("<sat>", out);
    Whole(out, e.satsUsed);
    Put("</sat>", out);
  }
  element("hdop", e.hdop);
  element("vdop", e.vdop);
  element("pdop", e.pdop);
  Put("</trkpt>\n", out);
}

void GpxWriter::End() {
  if (inSegment_) Put("    </trkseg>\n", out_);
  inSegment_ = false;
  Put("  </trk>\n</gpx>\n", out_);
}

void KmlWriter::Head() {
  std::fprintf(out_,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\n"
               "  <Document>\n    <name>%s</name>\n",
               XmlEscaped(name_).c_str());
}

void KmlWriter::Placemark(const char* name, const Point& p) {
  Line out(out_);
  Put("    <Placemark>\n      <name>", out);
  Put(name, out);
  Put("</name>\n", out);
  if (!p.when.empty()) {
    Put("      <TimeStamp><when>", out);
    Put(p.when.c_str(), out);
    Put("</when></TimeStamp>\n", out);
  }
  Put("      <Point><altitudeMode>", out);
  Put(p.hasAltitude ? "absolute" : "clampToGround", out);
  Put("</altitudeMode><coordinates>", out);
  Fixed(out, p.longitude, 9);
  PutChar(',', out);
  Fixed(out, p.latitude, 9);
  if (p.hasAltitude) PutChar(',', out), Fixed(out, p.altitude, 3);
  Put("</coordinates></Point>\n    </Placemark>\n", out);
}

void KmlWriter::Write(const Epoch& e) {
  if (!e.Fix() || !e.HasPosition()) {
    Flush();
    return;
  }
  Point p{*e.latitude, *e.longitude, e.altitudeMsl.has_value(), e.altitudeMsl.value_or(0), IsoTime(e)};
  if (points_++ == 0) {
    Placemark("First fix", p);
    first_ = p;
  }
  if (!piece_.empty() && (pieceTimed_ != !p.when.empty() || piece_.size() >= kPiece)) Flush();
  if (piece_.empty()) pieceTimed_ = !p.when.empty();
  piece_.push_back(p);
  last_ = p;
}

void KmlWriter::Flush() {
  if (piece_.empty()) return;
  Line out(out_);
  if (!trackOpen_) {
    Put("    <Placemark>\n      <name>Track</name>\n      <MultiGeometry>\n", out);
    trackOpen_ = true;
  }
  if (pieceTimed_) {
    Put("        <gx:Track>\n          <altitudeMode>absolute</altitudeMode>\n", out);
    for (const Point& p : piece_) {
      Put("          <when>", out);
      Put(p.when.c_str(), out);
      Put("</when>\n", out);
    }
    for (const Point& p : piece_) {
      Put("          <gx:coord>", out);
      Fixed(out, p.longitude, 9);
      PutChar(' ', out);
      Fixed(out, p.latitude, 9);
      if (p.hasAltitude) PutChar(' ', out), Fixed(out, p.altitude, 3);
      Put("</gx:coord>\n", out);
    }
    Put("        </gx:Track>\n", out);
  } else {
    // A line wants two points: a lone one is a point.
    Put(piece_.size() > 1 ? "        <LineString>\n" : "        <Point>\n", out);
    Put("          <altitudeMode>absolute</altitudeMode>\n          <coordinates>", out);
    for (const Point& p : piece_) {
      if (&p != &piece_.front()) PutChar(' ', out);
      Fixed(out, p.longitude, 9);
      PutChar(',', out);
      Fixed(out, p.latitude, 9);
      if (p.hasAltitude) PutChar(',', out), Fixed(out, p.altitude, 3);
    }
    Put(piece_.size() > 1 ? "</coordinates>\n        </LineString>\n" : "</coordinates>\n        </Point>\n",
               out);
  }
  piece_.clear();
}

void KmlWriter::End() {
  Flush();
  if (trackOpen_) Put("      </MultiGeometry>\n    </Placemark>\n", out_);
  if (points_ > 0) Placemark("Last fix", last_);
  Put("  </Document>\n</kml>\n", out_);
}

}  // namespace vantrel::evaluation
