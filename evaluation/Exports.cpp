#include "evaluation/Exports.h"

#include <algorithm>
#include <charconv>  // to_chars: the shortest text that reads back as the value, as the receiver wrote it

#include "evaluation/Text.h"

namespace vantrel::evaluation {

namespace {

// The value as the receiver wrote it (the shortest text that reads back as
// the same double), or nothing where there is none.
void Figure(std::FILE* out, const std::optional<double>& v) {
  if (!v) return;
  char text[40];
  const auto r = std::to_chars(text, text + sizeof text - 1, *v);
  *r.ptr = '\0';
  std::fputs(text, out);
}

// `v` with `decimals` decimals: to_chars, which the long exports need, is
// several times faster than printf and as exact.
void Fixed(std::FILE* out, double v, int decimals) {
  char text[64];
  const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals);
  std::fwrite(text, 1, static_cast<size_t>(r.ptr - text), out);
}

void Whole(std::FILE* out, const std::optional<int>& v) {
  if (v) std::fprintf(out, "%d", *v);
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

// "2026-04-08T10:10:10.000Z", or empty without a date and a time.
std::string IsoTime(const Epoch& e) {
  if (!e.date || !e.msOfDay) return {};
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
  // A leap second's 60 is hour 24 of the day's count: it stays a 60.
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
  std::fputs("utc_date,utc_time,latitude,longitude,altitude_msl_m,geoid_separation_m,ellipsoid_height_m,"
             "fix_type,fix_quality,fix_quality_name,speed_kmh,course_deg,pdop,hdop,vdop,"
             "sigma_lat_m,sigma_lon_m,sigma_alt_m,sats_in_view,sats_used\n",
             out_);
}

void CsvWriter::Write(const Epoch& e) {
  std::fprintf(out_, "%s,%s,", DateText(e).c_str(), TimeText(e).c_str());
  const bool at = e.Fix() && e.HasPosition();
  if (at) {
    Fixed(out_, *e.latitude, 9);
    std::fputc(',', out_);
    Fixed(out_, *e.longitude, 9);
  } else {
    std::fputc(',', out_);
  }
  std::fputc(',', out_);
  if (at) Figure(out_, e.altitudeMsl);
  std::fputc(',', out_);
  if (at) Figure(out_, e.geoidSeparation);
  std::fputc(',', out_);
  if (at && e.altitudeMsl && e.geoidSeparation) Fixed(out_, *e.altitudeMsl + *e.geoidSeparation, 3);
  std::fprintf(out_, ",%s,", FixType(e));
  Whole(out_, e.quality);
  std::fprintf(out_, ",%s,", e.quality ? QualityName(*e.quality) : "");
  if (e.Fix()) {
    if (e.speedKmh) Fixed(out_, *e.speedKmh, 3);
    std::fputc(',', out_);
    Figure(out_, e.courseDeg);
  } else {
    std::fputc(',', out_);
  }
  for (const auto* v : {&e.pdop, &e.hdop, &e.vdop, &e.sigmaLatitude, &e.sigmaLongitude, &e.sigmaAltitude}) {
    std::fputc(',', out_);
    Figure(out_, *v);
  }
  std::fputc(',', out_);
  Whole(out_, e.satsInView);
  std::fputc(',', out_);
  Whole(out_, e.satsUsed);
  std::fputc('\n', out_);
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
    if (inSegment_) std::fputs("    </trkseg>\n", out_);
    inSegment_ = false;
    return;
  }
  if (!inSegment_) std::fputs("    <trkseg>\n", out_);
  inSegment_ = true;
  // The elements in the order the GPX schema wants them.
  std::fputs("      <trkpt lat=\"", out_);
  Fixed(out_, *e.latitude, 9);
  std::fputs("\" lon=\"", out_);
  Fixed(out_, *e.longitude, 9);
  std::fputs("\">", out_);
  auto element = [&](const char* name, const std::optional<double>& v) {
    if (!v) return;
    std::fputc('<', out_);
    std::fputs(name, out_);
    std::fputc('>', out_);
    Figure(out_, v);
    std::fputs("</", out_);
    std::fputs(name, out_);
    std::fputc('>', out_);
  };
  element("ele", e.altitudeMsl);
  const std::string when = IsoTime(e);
  if (!when.empty()) {
    std::fputs("<time>", out_);
    std::fputs(when.c_str(), out_);
    std::fputs("</time>", out_);
  }
  element("geoidheight", e.geoidSeparation);
  if (const char* fix = GpxFix(e)) {
    std::fputs("<fix>", out_);
    std::fputs(fix, out_);
    std::fputs("</fix>", out_);
  }
  if (e.satsUsed) {
    std::fputs("<sat>", out_);
    Whole(out_, e.satsUsed);
    std::fputs("</sat>", out_);
  }
  element("hdop", e.hdop);
  element("vdop", e.vdop);
  element("pdop", e.pdop);
  std::fputs("</trkpt>\n", out_);
}

void GpxWriter::End() {
  if (inSegment_) std::fputs("    </trkseg>\n", out_);
  inSegment_ = false;
  std::fputs("  </trk>\n</gpx>\n", out_);
}

void KmlWriter::Head() {
  std::fprintf(out_,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\n"
               "  <Document>\n    <name>%s</name>\n",
               XmlEscaped(name_).c_str());
}

void KmlWriter::Placemark(const char* name, const Point& p) {
  std::fprintf(out_, "    <Placemark>\n      <name>%s</name>\n", name);
  if (!p.when.empty()) std::fprintf(out_, "      <TimeStamp><when>%s</when></TimeStamp>\n", p.when.c_str());
  std::fprintf(out_, "      <Point><altitudeMode>%s</altitudeMode><coordinates>%.9f,%.9f",
               p.hasAltitude ? "absolute" : "clampToGround", p.longitude, p.latitude);
  if (p.hasAltitude) std::fprintf(out_, ",%.3f", p.altitude);
  std::fputs("</coordinates></Point>\n    </Placemark>\n", out_);
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
  if (!trackOpen_) {
    std::fputs("    <Placemark>\n      <name>Track</name>\n      <MultiGeometry>\n", out_);
    trackOpen_ = true;
  }
  if (pieceTimed_) {
    std::fputs("        <gx:Track>\n          <altitudeMode>absolute</altitudeMode>\n", out_);
    for (const Point& p : piece_) {
      std::fputs("          <when>", out_);
      std::fputs(p.when.c_str(), out_);
      std::fputs("</when>\n", out_);
    }
    for (const Point& p : piece_) {
      std::fputs("          <gx:coord>", out_);
      Fixed(out_, p.longitude, 9);
      std::fputc(' ', out_);
      Fixed(out_, p.latitude, 9);
      if (p.hasAltitude) std::fputc(' ', out_), Fixed(out_, p.altitude, 3);
      std::fputs("</gx:coord>\n", out_);
    }
    std::fputs("        </gx:Track>\n", out_);
  } else {
    // A line wants two points: a lone one is a point.
    std::fputs(piece_.size() > 1 ? "        <LineString>\n" : "        <Point>\n", out_);
    std::fputs("          <altitudeMode>absolute</altitudeMode>\n          <coordinates>", out_);
    for (const Point& p : piece_) {
      if (&p != &piece_.front()) std::fputc(' ', out_);
      Fixed(out_, p.longitude, 9);
      std::fputc(',', out_);
      Fixed(out_, p.latitude, 9);
      if (p.hasAltitude) std::fputc(',', out_), Fixed(out_, p.altitude, 3);
    }
    std::fputs(piece_.size() > 1 ? "</coordinates>\n        </LineString>\n" : "</coordinates>\n        </Point>\n",
               out_);
  }
  piece_.clear();
}

void KmlWriter::End() {
  Flush();
  if (trackOpen_) std::fputs("      </MultiGeometry>\n    </Placemark>\n", out_);
  if (points_ > 0) Placemark("Last fix", last_);
  std::fputs("  </Document>\n</kml>\n", out_);
}

}  // namespace vantrel::evaluation
