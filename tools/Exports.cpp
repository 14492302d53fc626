#include "tools/Exports.h"

namespace vantrel::logtool {

namespace {

const char* FixTypeName(const EpochFix& e) {
  if (!e.fix) return "none";
  return e.fixType >= 2 ? "3D" : "2D";
}

// GPX's fix element: none, 2d, 3d or dgps.
const char* GpxFix(const EpochFix& e) {
  if (e.fixQuality == 2) return "dgps";
  return e.fixType >= 2 ? "3d" : "2d";
}

// "2026-04-08T10:10:10.000Z", or empty without a date and a time.
std::string IsoTime(const EpochFix& e) {
  if (!e.hasDate || !e.hasTime) return {};
  return DateText(e) + "T" + TimeText(e) + "Z";
}

void KmlPlacemark(std::FILE* out, const char* name, const EpochFix& e) {
  std::fprintf(out, "    <Placemark>\n      <name>%s</name>\n", name);
  const std::string when = IsoTime(e);
  if (!when.empty()) std::fprintf(out, "      <TimeStamp><when>%s</when></TimeStamp>\n", when.c_str());
  std::fprintf(out,
               "      <Point><altitudeMode>absolute</altitudeMode><coordinates>%.7f,%.7f,%.2f</coordinates></Point>\n"
               "    </Placemark>\n",
               e.longitude, e.latitude, e.altitude);
}

}  // namespace

std::string DateText(const EpochFix& e) {
  if (!e.hasDate) return {};
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", e.year % 10000, e.month, e.day);
  return text;
}

std::string TimeText(const EpochFix& e) {
  if (!e.hasTime) return {};
  const long long ms = e.msOfDay;
  char text[48];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", ms / 3'600'000, ms / 60'000 % 60, ms / 1000 % 60,
                ms % 1000);
  return text;
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

void CsvWriter::Head() {
  std::fputs("utc_date,utc_time,latitude,longitude,altitude_m,fix_type,fix_quality,speed_kmh,course_deg,"
             "pdop,hdop,vdop,sats_in_view,sats_used\n",
             out_);
}

void CsvWriter::Epoch(const EpochFix& e) {
  std::fprintf(out_, "%s,%s,", DateText(e).c_str(), TimeText(e).c_str());
  if (e.fix)
    std::fprintf(out_, "%.7f,%.7f,%.2f,", e.latitude, e.longitude, e.altitude);
  else
    std::fputs(",,,", out_);
  std::fprintf(out_, "%s,%d,", FixTypeName(e), e.fixQuality);
  if (e.fix)
    std::fprintf(out_, "%.2f,%.2f,%.2f,%.2f,%.2f,", e.speedKmh, e.course, e.pdop, e.hdop, e.vdop);
  else
    std::fputs(",,,,,", out_);
  if (e.satsInView >= 0) std::fprintf(out_, "%d", e.satsInView);
  std::fputc(',', out_);
  if (e.satsUsed >= 0) std::fprintf(out_, "%d", e.satsUsed);
  std::fputc('\n', out_);
}

void GpxWriter::Head() {
  std::fprintf(out_,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<gpx version=\"1.1\" creator=\"vantrel-log\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
               "  <trk>\n    <name>%s</name>\n",
               XmlEscaped(name_).c_str());
}

void GpxWriter::Epoch(const EpochFix& e) {
  if (!e.fix) {
    if (inSegment_) std::fputs("    </trkseg>\n", out_);
    inSegment_ = false;
    return;
  }
  if (!inSegment_) std::fputs("    <trkseg>\n", out_);
  inSegment_ = true;
  // The elements in the order the GPX schema wants them.
  std::fprintf(out_, "      <trkpt lat=\"%.7f\" lon=\"%.7f\"><ele>%.2f</ele>", e.latitude, e.longitude, e.altitude);
  const std::string when = IsoTime(e);
  if (!when.empty()) std::fprintf(out_, "<time>%s</time>", when.c_str());
  std::fprintf(out_, "<fix>%s</fix>", GpxFix(e));
  if (e.satsUsed >= 0) std::fprintf(out_, "<sat>%d</sat>", e.satsUsed);
  std::fprintf(out_, "<hdop>%.2f</hdop><vdop>%.2f</vdop><pdop>%.2f</pdop></trkpt>\n", e.hdop, e.vdop, e.pdop);
}

void GpxWriter::End() {
  if (inSegment_) std::fputs("    </trkseg>\n", out_);
  inSegment_ = false;
  std::fputs("  </trk>\n</gpx>\n", out_);
}

void KmlWriter::Head() {
  std::fprintf(out_,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n  <Document>\n    <name>%s</name>\n",
               XmlEscaped(name_).c_str());
}

namespace {
void KmlCoordinates(std::FILE* out, const EpochFix& e) {
  std::fprintf(out, "          %.7f,%.7f,%.2f\n", e.longitude, e.latitude, e.altitude);
}
}  // namespace

void KmlWriter::Epoch(const EpochFix& e) {
  if (!e.fix) return;
  if (points_ == 0) {
    // The first fix is known at once; the line, which needs two points,
    // begins with the second and then follows point by point.
    KmlPlacemark(out_, "First fix", e);
    first_ = e;
  } else {
    if (points_ == 1) {
      std::fputs("    <Placemark>\n      <name>Track</name>\n      <LineString>\n"
                 "        <altitudeMode>absolute</altitudeMode>\n        <coordinates>\n",
                 out_);
      KmlCoordinates(out_, first_);
    }
    KmlCoordinates(out_, e);
  }
  ++points_;
  last_ = e;
}

void KmlWriter::End() {
  if (points_ > 1) std::fputs("        </coordinates>\n      </LineString>\n    </Placemark>\n", out_);
  if (points_ > 0) {
    KmlPlacemark(out_, "Last fix", last_);
  }
  std::fputs("  </Document>\n</kml>\n", out_);
}

}  // namespace vantrel::logtool
