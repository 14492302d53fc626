#include "evaluation/RecordingReport.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "evaluation/Svg.h"

namespace vantrel::evaluation {
namespace {

using svg::Num;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kUntimedSpacingS = 1.0;  // epochs without a time, between timed ones

// Rows in memory while few, then in a temporary file: flat memory.
template <class T>
class Spool {
 public:
  static constexpr size_t kInMemory = 16384;
  Spool() = default;
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;
  ~Spool() {
    if (file_) std::fclose(file_);
  }
  bool Append(const T& row) {
    if (!file_ && rows_.size() < kInMemory) {
      rows_.push_back(row);
      return true;
    }
    if (!file_ && (file_ = std::tmpfile()) == nullptr) return false;
    return std::fwrite(&row, sizeof row, 1, file_) == 1;
  }
  template <class F>
  bool ForEach(F&& each) const {
    for (const T& r : rows_) each(r);
    if (!file_) return true;
    if (std::fflush(file_) != 0) return false;
    std::rewind(file_);
    T buffer[512];
    size_t n;
    while ((n = std::fread(buffer, sizeof(T), 512, file_)) > 0)
      for (size_t i = 0; i < n; ++i) each(buffer[i]);
    const bool ok = !std::ferror(file_);
    std::fseek(file_, 0, SEEK_END);
    return ok;
  }

 private:
  std::vector<T> rows_;
  std::FILE* file_ = nullptr;
};

// The fix-quality lanes, top to bottom.
enum Lane : int8_t { kNoFix, kSps, kDgps, kRtkFloat, kRtkFixed, kOther, kLaneCount };
constexpr const char* kLaneNames[kLaneCount] = {"no fix", "SPS", "DGPS", "RTK float", "RTK fixed", "other"};
// Lightness apart: light grey, dark indigo, orange, pale green, dark green, purple.
constexpr const char* kLaneColours[kLaneCount] = {"#b8b8b8", "#253494", "#e08214",
                                                  "#8fd18a", "#1b7837", "#7b3294"};

Lane LaneOf(const Epoch& e) {
  if (!e.Fix()) return kNoFix;
  if (!e.quality) return kSps;  // a status without a quality: a plain fix
  switch (*e.quality) {
    case 1:
      return kSps;
    case 2:
      return kDgps;
    case 4:
      return kRtkFixed;
    case 5:
      return kRtkFloat;
    default:
      return kOther;
  }
}

struct EpochRow {
  double t;                              // seconds; NaN before the first epoch with a time
  double latitude, longitude, altitude;  // NaN where missing
  uint64_t index;
  int8_t lane;
};

struct SnrRow {
  double t;
  uint64_t index;
  uint16_t signal;
  int16_t snr;
};

struct SkyPoint {
  float x, y;
  uint16_t satellite;
};

// The sky plot's geometry: horizon radius and centre.
constexpr double kSkyRadius = 170, kSkyX = 210, kSkyY = 200;

std::string DateTimeText(const std::optional<Date>& d, int64_t ms) {
  char text[48];
  const int h = static_cast<int>(ms / 3'600'000), m = static_cast<int>(ms / 60'000 % 60);
  const double s = static_cast<double>(ms % 60'000) / 1000.0;
  if (d)
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%06.3f UTC", d->year, d->month, d->day, h, m,
                  s);
  else
    std::snprintf(text, sizeof text, "%02d:%02d:%06.3f UTC", h, m, s);
  return text;
}

std::string SignalGroupName(System system, int signal) {
  std::string name = SystemName(system);
  return signal < 0 ? name + ", no signal ID" : name + ", signal ID " + std::to_string(signal);
}

void Row(std::FILE* out, const std::string& name, const std::string& value) {
  std::fprintf(out, "<tr><th scope=\"row\">%s</th><td>%s</td></tr>\n", svg::Esc(name).c_str(),
               svg::Esc(value).c_str());
}

}  // namespace

struct RecordingReport::Rows {
  Spool<EpochRow> epochs;
  Spool<SnrRow> snr;
  bool failed = false;
  double dayOffset = 0;  // a recording without dates that runs past midnight
  svg::PixelGrid skyGrid{3};
  std::vector<SkyPoint> sky;
  std::map<std::pair<int, int>, uint16_t> satellites;  // system, PRN
  std::vector<SkyPoint> skyLast;                       // each satellite's latest place
};

RecordingReport::RecordingReport(std::optional<Position> reference)
    : stats_(reference), reference_(reference), rows_(std::make_unique<Rows>()) {}

RecordingReport::~RecordingReport() = default;

void RecordingReport::OnEpoch(const Epoch& e) {
  stats_.OnEpoch(e);
  Rows& r = *rows_;
  double t = kNaN;
  if (const std::optional<double> s = e.Seconds()) {
    t = *s + (e.date ? 0 : r.dayOffset);
    if (!e.date && lastT_ && t < *lastT_ - 43200) {
      r.dayOffset += 86400;
      t += 86400;
    }
    if (!firstT_) {
      firstT_ = t;
      firstTimedIndex_ = e.index;
      firstDate_ = e.date;
      firstMs_ = e.msOfDay;
    }
    lastT_ = t;
    lastTimedIndex_ = e.index;
    lastDate_ = e.date;
    lastMs_ = e.msOfDay;
  } else if (lastT_) {
    t = *lastT_ + static_cast<double>(e.index - lastTimedIndex_) * kUntimedSpacingS;
  }
  const Lane lane = LaneOf(e);
  const bool positioned = lane != kNoFix && e.HasPosition();
  if (!r.epochs.Append(EpochRow{t, positioned ? *e.latitude : kNaN, positioned ? *e.longitude : kNaN,
                                lane != kNoFix ? e.altitudeMsl.value_or(kNaN) : kNaN, e.index, lane}))
    r.failed = true;
  for (const SignalSeen& s : e.signals) {
    if (s.snr) {
      auto [it, added] = signalIndex_.try_emplace(SignalKey{s.system, s.prn, s.signal},
                                                  static_cast<uint16_t>(signalIndex_.size()));
      if (!added || signalIndex_.size() < 65535) {
        if (!r.snr.Append(SnrRow{t, e.index, it->second, static_cast<int16_t>(*s.snr)})) r.failed = true;
      }
    }
    if (s.elevation && s.azimuth) {
      auto [sat, added] = r.satellites.try_emplace({static_cast<int>(s.system), s.prn},
                                                   static_cast<uint16_t>(r.satellites.size()));
      const double radius = kSkyRadius * (90 - *s.elevation) / 90.0;
      const double az = *s.azimuth * 3.14159265358979323846 / 180.0;
      const SkyPoint p{static_cast<float>(kSkyX + radius * std::sin(az)),
                       static_cast<float>(kSkyY - radius * std::cos(az)), sat->second};
      if (added) r.skyLast.push_back(p);
      r.skyLast[sat->second] = p;
      if (r.skyGrid.Take(p.x, p.y, sat->second)) r.sky.push_back(p);
    }
  }
}

namespace {

constexpr int kTimeColumns = 620;

// One page: its figures in order, from the spools, over the statistics'
// own figures.
struct Page {
  Page(std::FILE* out_, const StatsReport& st_, const RecordingReport::Rows& rows_,
       std::optional<double> firstT_, uint64_t firstTimedIndex_, bool aroundReference_)
      : out(out_),
        st(st_),
        rows(rows_),
        firstT(firstT_),
        firstTimedIndex(firstTimedIndex_),
        aroundReference(aroundReference_) {}

  std::FILE* out;
  const StatsReport& st;
  const RecordingReport::Rows& rows;
  std::optional<double> firstT;  // of the first epoch with a time
  uint64_t firstTimedIndex = 0;
  bool aroundReference = false;
  bool ok = true;
  // The extents, from the first pass.
  std::optional<double> t0;
  double span = 1, extent = 0, errMax = 0;
  uint64_t positioned = 0;
  std::optional<LocalFrame> frame;
  svg::TimeUnit unit{"s", 1};
  std::string timeName;
  // What the time plots draw, taken in the same pass as the map's points.
  svg::ColumnLine errLine{kTimeColumns}, altLine{kTimeColumns};
  std::vector<uint8_t> lanes = std::vector<uint8_t>(kTimeColumns, 0);
  int laneColumn = -1;
  int8_t lastLane = kNoFix;

  // Epochs before the first with a time count back from it.
  double TimeOf(double t, uint64_t index) const {
    if (!std::isnan(t) || !firstT) return t;
    return *firstT - static_cast<double>(firstTimedIndex - index) * kUntimedSpacingS;
  }
  double timeOf(const EpochRow& row) const { return TimeOf(row.t, row.index); }
  int column(double t) const {
    return std::clamp(static_cast<int>((t - *t0) / span * (kTimeColumns - 1) + 0.5), 0, kTimeColumns - 1);
  }
  svg::Frame timeFrame(double height) const {
    svg::Frame f;
    f.left = 70;
    f.top = 15;
    f.width = kTimeColumns;
    f.height = height;
    f.x = {0, span / unit.seconds};
    f.Fit();
    return f;
  }

  // A fix quality holds until the next epoch: the lanes are filled between.
  void overTime(const EpochRow& row, double t, const LocalOffset* o) {
    if (!std::isfinite(t) || !t0) return;
    const int c = column(t);
    for (int k = std::max(laneColumn, 0); k < c; ++k) lanes[k] |= static_cast<uint8_t>(1u << lastLane);
    lanes[c] |= static_cast<uint8_t>(1u << row.lane);
    laneColumn = c;
    lastLane = row.lane;
    if (row.lane == kNoFix) {
      errLine.Break();
      altLine.Break();
    }
    if (!std::isnan(row.altitude)) altLine.Add(c, row.altitude);
    if (o) errLine.Add(c, std::hypot(o->east, o->north));
  }

  void Measure() {
    // First pass: the extents.
    double tEnd = 0;
    if (st.scatter) {
      const Position& c = st.scatter->centre;
      frame.emplace(Position{c.latitude, c.longitude, std::isfinite(c.altitude) ? c.altitude : 0});
    }
    ok = rows.epochs.ForEach([&](const EpochRow& row) {
      const double t = timeOf(row);
      if (std::isfinite(t)) {
        if (!t0) t0 = t;
        tEnd = std::max(tEnd, t);
      }
      if (frame && !std::isnan(row.latitude)) {
        const LocalOffset o = frame->Offset(Position{row.latitude, row.longitude, 0});
        extent = std::max({extent, std::fabs(o.east), std::fabs(o.north)});
        errMax = std::max(errMax, std::hypot(o.east, o.north));
        ++positioned;
      }
    }) && ok;
    span = t0 ? std::max(tEnd - *t0, 1.0) : 1.0;
    unit = svg::TimeUnitFor(span);
    timeName = std::string("time since the first epoch (") + unit.name + ")";
  }

  void DeviationMap() {
    // The deviation map: equal axes around the centre.
    std::fputs("<h2>Deviation map</h2>\n", out);
    const double cep95 = st.scatter ? st.scatter->cep95 : 0;
    const double drms2 = st.scatter ? st.scatter->drms2 : 0;
    // The rings stay inside; far outliers, which would shrink the crowd to a
    // dot, are drawn at the edge.
    double mapExtent = std::max(extent, drms2 * 1.05);
    const double cap = std::max(4 * cep95, drms2 * 1.05);
    const bool capped = cap > 0 && mapExtent > cap;
    if (capped) mapExtent = cap;
    if (!(mapExtent > 0)) mapExtent = 1;
    mapExtent =
        std::ceil(mapExtent / svg::NiceStep(2 * mapExtent, 8) * 1.0001) * svg::NiceStep(2 * mapExtent, 8);

    uint64_t drawn = 0, beyond = 0, byLane[kLaneCount] = {};
    // The time plots are taken in the same pass as the map's points.
    if (!st.scatter) {
      std::fputs("<p>No fix with a position: nothing to map.</p>\n", out);
      ok = rows.epochs.ForEach([&](const EpochRow& row) { overTime(row, timeOf(row), nullptr); }) && ok;
    } else {
      svg::Frame f;
      f.left = 70;
      f.top = 20;
      f.width = f.height = 460;
      f.x = {-mapExtent, mapExtent};
      f.y = {-mapExtent, mapExtent};
      f.Fit();
      const Scatter& sc = *st.scatter;
      svg::FigureBegin(out, "deviation", 560, 560,
                       "Deviation map: every fix in metres east and north of the " +
                           std::string(sc.aroundReference ? "reference" : "mean position"));
      svg::Axes(out, f, "east (m)", "north (m)", 8, 8);
      const double ppm = f.x.PixelsPerUnit();
      std::fprintf(
          out, "<clipPath id=\"map-clip\"><rect x=\"%s\" y=\"%s\" width=\"%s\" height=\"%s\"/></clipPath>\n",
          Num(f.left - 3).c_str(), Num(f.top - 3).c_str(), Num(f.width + 6).c_str(),
          Num(f.height + 6).c_str());
      std::fprintf(out,
                   "<g class=\"fixes\" clip-path=\"url(#map-clip)\" data-fixes=\"%llu\" "
                   "data-pixels-per-metre=\"%s\">\n",
                   static_cast<unsigned long long>(sc.fixes), Num(ppm, 6).c_str());
      // The colours once, not on each of the many points.
      std::fputs("<style>", out);
      for (int l = 0; l < kLaneCount; ++l) std::fprintf(out, "#deviation .q%d{fill:%s}", l, kLaneColours[l]);
      std::fputs("#deviation .beyond{fill:#fff;stroke-width:1;stroke:#000}</style>\n", out);
      // Marks 5 px across on a 3 px grid: a crowd stays a crowd, a page stays small.
      svg::PixelGrid grid(3);
      ok = rows.epochs.ForEach([&](const EpochRow& row) {
        const double t = timeOf(row);
        if (std::isnan(row.latitude)) return overTime(row, t, nullptr);
        const LocalOffset o = frame->Offset(Position{row.latitude, row.longitude, 0});
        overTime(row, t, &o);
        ++byLane[row.lane];
        const bool out_ = std::fabs(o.east) > mapExtent || std::fabs(o.north) > mapExtent;
        beyond += out_ ? 1 : 0;
        const double x = f.x(std::clamp(o.east, -mapExtent, mapExtent));
        const double y = f.y(std::clamp(o.north, -mapExtent, mapExtent));
        if (!grid.Take(x, y, row.lane)) return;
        ++drawn;
        std::fprintf(out, "<circle class=\"fix q%d%s\" cx=\"%s\" cy=\"%s\" r=\"2.5\"/>\n", row.lane,
                     out_ ? " beyond" : "", Num(x).c_str(), Num(y).c_str());
      }) && ok;
      std::fputs("</g>\n", out);
      const std::string cx = Num(f.x(0)), cy = Num(f.y(0));
      std::fprintf(out,
                   "<path class=\"centre\" d=\"M%s,%sh12M%s,%sv12\" stroke=\"#000\" stroke-width=\"1.5\" "
                   "transform=\"translate(-6 -6)\"/>\n",
                   cx.c_str(), Num(f.y(0) + 6).c_str(), Num(f.x(0) + 6).c_str(), cy.c_str());
      struct Ring {
        const char* cls;
        const char* name;
        double radius;
        const char* dash;
        double angle;  // of the label, degrees from east: apart, as CEP95 and 2DRMS are often close
      };
      const Ring rings[] = {{"cep50", "CEP50", sc.cep50, "", 45},
                            {"cep95", "CEP95", sc.cep95, "6 3", 15},
                            {"drms2", "2DRMS", sc.drms2, "2 3", 75}};
      std::fputs("<g class=\"rings\" clip-path=\"url(#map-clip)\">\n", out);
      for (const Ring& ring : rings) {
        const double r = ring.radius * ppm;
        std::fprintf(out,
                     "<circle class=\"%s\" cx=\"%s\" cy=\"%s\" r=\"%s\" data-metres=\"%s\" fill=\"none\" "
                     "stroke=\"#000\" stroke-width=\"1.5\"%s%s%s/>\n",
                     ring.cls, cx.c_str(), cy.c_str(), Num(r, 3).c_str(), Num(ring.radius, 4).c_str(),
                     *ring.dash ? " stroke-dasharray=\"" : "", ring.dash, *ring.dash ? "\"" : "");
        const double a = ring.angle * 3.14159265358979323846 / 180;
        if (r < f.width / 2) {
          const std::string label = std::string(ring.name) + " " + Num(ring.radius, 3) + " m";
          const double x = f.x(0) + r * std::cos(a) + 3;
          // About 7 px a character: a label that would run past the frame ends
          // at the ring instead.
          const bool flip = x + 7.0 * static_cast<double>(label.size()) > f.left + f.width;
          std::fprintf(out,
                       // A light halo: the label stays readable over a crowd, and a
                       // fix under it still shows.
                       "<text x=\"%s\" y=\"%s\" class=\"ring-label\"%s stroke=\"#fff\" stroke-width=\"3\" "
                       "stroke-opacity=\"0.6\" paint-order=\"stroke\">%s</text>\n",
                       Num(flip ? x - 6 : x).c_str(), Num(f.y(0) - r * std::sin(a) - 3).c_str(),
                       flip ? " text-anchor=\"end\"" : "", label.c_str());
        }
      }
      std::fputs("</g>\n", out);
      // The scale bar, bottom left inside the map.
      const double barMetres = svg::NiceStep(2 * mapExtent, 4);
      const double barX = f.left + 15, barY = f.top + f.height - 15, barPx = barMetres * ppm;
      std::fprintf(
          out,
          "<g class=\"scale-bar\" data-metres=\"%s\"><rect x=\"%s\" y=\"%s\" width=\"%s\" height=\"30\" "
          "fill=\"#fff\" opacity=\"0.85\"/><path class=\"bar\" d=\"M%s,%sv6h%sv-6\" fill=\"none\" "
          "stroke=\"#000\" stroke-width=\"2\"/><text x=\"%s\" y=\"%s\" text-anchor=\"middle\">%s "
          "m</text></g>\n",
          Num(barMetres, 6).c_str(), Num(barX - 5).c_str(), Num(barY - 20).c_str(), Num(barPx + 10).c_str(),
          Num(barX).c_str(), Num(barY - 2).c_str(), Num(barPx, 3).c_str(), Num(barX + barPx / 2).c_str(),
          Num(barY - 7).c_str(), Num(barMetres, svg::DecimalsFor(barMetres)).c_str());
      std::vector<svg::LegendItem> legend;
      for (int l = kSps; l < kLaneCount; ++l)
        if (byLane[l] > 0) legend.push_back({kLaneNames[l], kLaneColours[l], "", true});
      svg::Legend(out, 70, 555, legend, 100);
      std::string caption = std::to_string(sc.fixes) + " fixes around the " +
                            (sc.aroundReference ? "reference " : "mean position ") +
                            Num(sc.centre.latitude, 9) + ", " + Num(sc.centre.longitude, 9) + "; CEP50 " +
                            Num(sc.cep50, 3) + " m (solid), CEP95 " + Num(sc.cep95, 3) +
                            " m (dashed), 2DRMS " + Num(sc.drms2, 3) + " m (dotted).";
      for (int l = kSps; l < kLaneCount; ++l)
        if (byLane[l] > 0)
          caption += " " + std::string(kLaneNames[l]) + ": " + std::to_string(byLane[l]) + ".";
      if (drawn < positioned)
        caption += " Fixes on the same spot are drawn once: " + std::to_string(drawn) + " marks.";
      if (beyond > 0)
        caption += " " + std::to_string(beyond) + " fixes farther than " + Num(mapExtent, 3) +
                   " m are drawn at the edge.";
      svg::FigureEnd(out, "deviation", caption);
    }
  }

  void linePlot(const char* id, const svg::ColumnLine& line, const std::string& title,
                const std::string& yName, const std::string& caption) {
    if (line.Empty() || !t0) {
      std::fprintf(out, "<p>%s: no value to draw.</p>\n", svg::Esc(title).c_str());
      return;
    }
    svg::Frame f = timeFrame(180);
    double lo = line.Min(), hi = line.Max();
    if (std::string(id) == "error") lo = 0;
    if (hi - lo < 1e-6) {
      lo -= 0.5;
      hi += 0.5;
    }
    const double pad = (hi - lo) * 0.05;
    f.y = {lo == 0 ? 0 : lo - pad, hi + pad};
    f.Fit();
    svg::FigureBegin(out, id, 720, 240, title);
    svg::Axes(out, f, timeName, yName);
    std::fprintf(out,
                 "<path class=\"line\" d=\"%s\" fill=\"none\" stroke=\"#253494\" stroke-width=\"1.5\"/>\n",
                 line.Path(f.left, f.y).c_str());
    svg::FigureEnd(out, id, caption);
  }

  void LinePlots() {
    // Horizontal error and altitude over time.
    std::fputs("<h2>Over time</h2>\n", out);
    linePlot("error", errLine, "Horizontal error over time", "error (m)",
             "Distance of each fix from the " + std::string(aroundReference ? "reference" : "mean position") +
                 "; largest " + Num(errMax, 3) + " m. Gaps are epochs without a fix.");
    linePlot("altitude", altLine, "Altitude above mean sea level over time", "altitude (m)",
             "Altitude above mean sea level as the receiver gave it, for every fix.");
  }

  void QualityTimeline() {
    // The fix-quality timeline.
    if (!t0) return;
    {
      svg::Frame f = timeFrame(kLaneCount * 18);
      f.left = 90;
      f.y = {0, kLaneCount};
      f.Fit();
      svg::FigureBegin(out, "quality", 720, static_cast<int>(f.height) + 60, "Fix quality over time");
      std::fputs("<g class=\"lanes\">\n", out);
      for (int l = 0; l < kLaneCount; ++l) {
        const double y = f.top + l * 18;
        std::fprintf(out, "<text x=\"%s\" y=\"%s\" text-anchor=\"end\">%s</text>\n", Num(f.left - 5).c_str(),
                     Num(y + 13).c_str(), kLaneNames[l]);
        for (int c = 0; c < kTimeColumns;) {
          if (!(lanes[c] & (1u << l))) {
            ++c;
            continue;
          }
          int e = c;
          while (e < kTimeColumns && (lanes[e] & (1u << l))) ++e;
          std::fprintf(out,
                       "<rect class=\"q%d\" x=\"%s\" y=\"%s\" width=\"%d\" height=\"14\" fill=\"%s\"/>\n", l,
                       Num(f.left + c - 0.5).c_str(), Num(y + 2).c_str(), e - c, kLaneColours[l]);
          c = e;
        }
      }
      std::fputs("</g>\n", out);
      std::fprintf(out, "<rect class=\"axis\" x=\"%s\" y=\"%s\" width=\"%s\" height=\"%s\"/>\n",
                   Num(f.left).c_str(), Num(f.top).c_str(), Num(f.width).c_str(), Num(f.height).c_str());
      for (double tick : svg::NiceTicks(0, span / unit.seconds, 8))
        std::fprintf(out, "<text x=\"%s\" y=\"%s\" text-anchor=\"middle\">%s</text>\n",
                     Num(f.x(tick)).c_str(), Num(f.top + f.height + 15).c_str(),
                     Num(tick, svg::DecimalsFor(svg::NiceStep(span / unit.seconds, 8))).c_str());
      std::fprintf(out, "<text x=\"%s\" y=\"%s\" text-anchor=\"middle\">%s</text>\n",
                   Num(f.left + f.width / 2).c_str(), Num(f.top + f.height + 32).c_str(),
                   svg::Esc(timeName).c_str());
      std::string caption = "Which fix the receiver had in each epoch.";
      if (st.timeToFirstFix) {
        const double x = f.x(*st.timeToFirstFix / unit.seconds);
        std::fprintf(out,
                     "<g class=\"ttff\"><line x1=\"%s\" y1=\"%s\" x2=\"%s\" y2=\"%s\" stroke=\"#000\" "
                     "stroke-width=\"2\" "
                     "stroke-dasharray=\"4 2\"/><text x=\"%s\" y=\"%s\">first fix %s s</text></g>\n",
                     Num(x).c_str(), Num(f.top - 4).c_str(), Num(x).c_str(), Num(f.top + f.height).c_str(),
                     Num(x + 4).c_str(), Num(f.top + 10).c_str(), Num(*st.timeToFirstFix, 3).c_str());
        caption += " Time to first fix " + Num(*st.timeToFirstFix, 3) + " s (dashed line).";
      } else if (!st.ttffNote.empty()) {
        caption += " Time to first fix " + st.ttffNote + ".";
      }
      svg::FigureEnd(out, "quality", caption);
    }
  }

  void SnrPlots(const std::map<SignalKey, uint16_t>& signalIndex) {
    // SNR of every satellite, one plot per system and signal.
    std::fputs("<h2>Signals</h2>\n", out);
    if (signalIndex.empty() || !t0) {
      std::fputs("<p>No satellite with an SNR.</p>\n", out);
    } else {
      std::vector<SignalKey> keys(signalIndex.size(), SignalKey{System::Unknown, 0, 0});
      for (const auto& [key, i] : signalIndex) keys[i] = key;
      std::vector<svg::ColumnLine> lines(keys.size(), svg::ColumnLine(kTimeColumns));
      std::vector<uint64_t> lastIndex(keys.size(), std::numeric_limits<uint64_t>::max());
      ok = rows.snr.ForEach([&](const SnrRow& row) {
        const double t = TimeOf(row.t, row.index);
        if (std::isnan(t)) return;
        svg::ColumnLine& line = lines[row.signal];
        if (lastIndex[row.signal] != std::numeric_limits<uint64_t>::max() &&
            row.index > lastIndex[row.signal] + 1)
          line.Break();
        lastIndex[row.signal] = row.index;
        line.Add(column(t), row.snr);
      }) && ok;
      // Groups in the order of the keys: system, then signal.
      std::map<std::pair<int, int>, std::vector<size_t>> groups;
      for (size_t i = 0; i < keys.size(); ++i)
        groups[{static_cast<int>(keys[i].system), keys[i].signal}].push_back(i);
      int g = 0;
      for (const auto& [group, members] : groups) {
        double hi = 55;
        for (size_t i : members) hi = std::max(hi, lines[i].Max() + 3);
        svg::Frame f = timeFrame(150);
        f.y = {0, hi};
        f.Fit();
        const std::string id = "snr-" + std::to_string(g++);
        const std::string name = SignalGroupName(static_cast<System>(group.first), group.second);
        svg::FigureBegin(out, id, 760, 210, "SNR over time: " + name);
        svg::Axes(out, f, timeName, "SNR (dB-Hz)");
        std::string prns;
        for (size_t k = 0; k < members.size(); ++k) {
          const size_t i = members[k];
          std::fprintf(
              out,
              "<path class=\"snr\" data-prn=\"%d\" d=\"%s\" fill=\"none\" stroke=\"%s\" "
              "stroke-width=\"1.3\"%s%s%s/>\n",
              keys[i].prn, lines[i].Path(f.left, f.y).c_str(), svg::SeriesColour(static_cast<int>(k)),
              *svg::SeriesDash(static_cast<int>(k)) ? " stroke-dasharray=\"" : "",
              svg::SeriesDash(static_cast<int>(k)), *svg::SeriesDash(static_cast<int>(k)) ? "\"" : "");
          prns += (k ? ", " : "") + std::to_string(keys[i].prn);
        }
        // PRN labels at the right edge, at each satellite's last level.
        for (size_t k = 0; k < members.size() && k < 40; ++k)
          std::fprintf(out, "<text x=\"%s\" y=\"%s\" font-size=\"10\">%d</text>\n",
                       Num(f.left + f.width + 4 + 22 * static_cast<double>(k % 3)).c_str(),
                       Num(f.top + 10 + 12 * static_cast<double>(k / 3)).c_str(), keys[members[k]].prn);
        svg::FigureEnd(out, id,
                       name + ": SNR of PRN " + prns +
                           " in dB-Hz, one line each; gaps where a satellite was not tracked.");
      }
    }
  }

  void SkyPlot() {
    if (rows.sky.empty()) {
      std::fputs("<p>No satellite with an elevation and azimuth: no sky plot.</p>\n", out);
    } else {
      svg::FigureBegin(out, "sky", 440, 420, "Sky plot: the satellites' tracks by azimuth and elevation");
      for (int el : {0, 30, 60})
        std::fprintf(out,
                     "<circle class=\"grid\" cx=\"%s\" cy=\"%s\" r=\"%s\" fill=\"none\"/><text x=\"%s\" "
                     "y=\"%s\">%d°</text>\n",
                     Num(kSkyX).c_str(), Num(kSkyY).c_str(), Num(kSkyRadius * (90 - el) / 90.0).c_str(),
                     Num(kSkyX + 3).c_str(), Num(kSkyY - kSkyRadius * (90 - el) / 90.0 + 12).c_str(), el);
      const char* compass[] = {"N", "E", "S", "W"};
      for (int k = 0; k < 4; ++k) {
        const double a = k * 3.14159265358979323846 / 2;
        std::fprintf(out, "<text x=\"%s\" y=\"%s\" text-anchor=\"middle\">%s</text>\n",
                     Num(kSkyX + (kSkyRadius + 12) * std::sin(a)).c_str(),
                     Num(kSkyY - (kSkyRadius + 12) * std::cos(a) + 4).c_str(), compass[k]);
      }
      std::vector<std::pair<int, int>> satKeys(rows.satellites.size());
      for (const auto& [key, i] : rows.satellites) satKeys[i] = key;
      std::fputs("<g class=\"tracks\">\n", out);
      for (const SkyPoint& p : rows.sky)
        std::fprintf(out, "<circle cx=\"%s\" cy=\"%s\" r=\"1.6\" fill=\"%s\"/>\n", Num(p.x).c_str(),
                     Num(p.y).c_str(), svg::SeriesColour(satKeys[p.satellite].first));
      std::fputs("</g>\n", out);
      std::vector<svg::LegendItem> legend;
      bool present[kSystemCount] = {};
      for (const SkyPoint& p : rows.skyLast) {
        const int system = satKeys[p.satellite].first;
        present[system] = true;
        std::fprintf(out, "<text x=\"%s\" y=\"%s\" font-size=\"10\">%d</text>\n", Num(p.x + 3).c_str(),
                     Num(p.y - 3).c_str(), satKeys[p.satellite].second);
      }
      for (int s = 0; s < kSystemCount; ++s)
        if (present[s])
          legend.push_back({SystemName(static_cast<System>(s)), svg::SeriesColour(s), "", true});
      svg::Legend(out, 10, 412, legend, 85);
      svg::FigureEnd(
          out, "sky",
          std::to_string(rows.satellites.size()) +
              " satellites; north up, the horizon at the rim, the zenith in the centre, each labelled with "
              "its PRN at its last place.");
    }
  }

  void Figures() {
    std::fputs("<h2>Figures</h2>\n<table class=\"figures\">\n", out);
    Row(out, "epochs", std::to_string(st.epochs));
    Row(out, "epochs with a fix", std::to_string(st.fixEpochs));
    for (int q = 0; q < kQualityCount; ++q)
      if (st.byQuality[q] > 0)
        Row(out, std::string("fixes: ") + QualityName(q), std::to_string(st.byQuality[q]));
    if (st.fixByStatusOnly > 0) Row(out, "fixes by status only", std::to_string(st.fixByStatusOnly));
    Row(out, "time to first fix",
        st.timeToFirstFix
            ? Num(*st.timeToFirstFix, 3) + " s" + (st.ttffNote.empty() ? "" : " (" + st.ttffNote + ")")
            : (st.ttffNote.empty() ? "no fix" : st.ttffNote));
    Row(out, "fix availability", Num(st.availability, 3) + " %");
    if (st.availabilityAfterFirstFix)
      Row(out, "fix availability from the first fix", Num(*st.availabilityAfterFirstFix, 3) + " %");
    if (st.scatter) {
      const Scatter& s = *st.scatter;
      Row(out, "scatter around",
          std::string(s.aroundReference ? "reference " : "mean ") + Num(s.centre.latitude, 9) + ", " +
              Num(s.centre.longitude, 9) +
              (std::isfinite(s.centre.altitude) ? ", " + Num(s.centre.altitude, 3) + " m" : ""));
      Row(out, "CEP50", Num(s.cep50, 4) + " m");
      Row(out, "CEP95", Num(s.cep95, 4) + " m");
      Row(out, "2DRMS", Num(s.drms2, 4) + " m");
      if (s.vertical50) Row(out, "vertical 50 %", Num(*s.vertical50, 4) + " m");
      if (s.vertical95) Row(out, "vertical 95 %", Num(*s.vertical95, 4) + " m");
    }
    if (st.hdopSamples > 0)
      Row(out, "HDOP min / mean / 50 % / 95 % / max",
          Num(st.hdopMin, 2) + " / " + Num(st.hdopMean, 3) + " / " + Num(st.hdop50, 3) + " / " +
              Num(st.hdop95, 3) + " / " + Num(st.hdopMax, 2));
    Row(out, "checksum failures", std::to_string(st.sentences.checksumFailures));
    Row(out, "values out of range", std::to_string(st.sentences.outOfRange));
    std::fputs("</table>\n", out);
    if (!st.signals.empty()) {
      std::fputs(
          "<table class=\"signals\">\n<caption>SNR of each satellite and signal (dB-Hz)</caption>\n"
          "<tr><th>system</th><th>PRN</th><th>signal</th><th>epochs</th><th>tracked</th><th>min</th>"
          "<th>mean</th><th>max</th></tr>\n",
          out);
      for (const auto& [key, s] : st.signals) {
        std::fprintf(out,
                     "<tr><td>%s</td><td class=\"n\">%d</td><td class=\"n\">%s</td><td class=\"n\">%llu</td>"
                     "<td class=\"n\">%llu</td>",
                     SystemName(key.system), key.prn,
                     key.signal < 0 ? "-" : std::to_string(key.signal).c_str(),
                     static_cast<unsigned long long>(s.epochs), static_cast<unsigned long long>(s.tracked));
        if (s.tracked > 0)
          std::fprintf(out, "<td class=\"n\">%d</td><td class=\"n\">%s</td><td class=\"n\">%d</td></tr>\n",
                       s.min, Num(static_cast<double>(s.sum) / static_cast<double>(s.tracked), 1).c_str(),
                       s.max);
        else
          std::fputs("<td colspan=\"3\">not tracked</td></tr>\n", out);
      }
      std::fputs("</table>\n", out);
    }
  }
};

}  // namespace

bool RecordingReport::Write(std::FILE* out, const RecordingInfo& info, const SentenceTally& tally) const {
  const StatsReport st = stats_.Report(tally);
  Page page(out, st, *rows_, firstT_, firstTimedIndex_, reference_.has_value());
  page.ok = !rows_->failed && !st.spoolFailed;
  page.Measure();
  svg::PageBegin(out, "Recording " + info.name);
  std::fputs("<h2>Recording</h2>\n<table class=\"recording\">\n", out);
  Row(out, "file", info.name);
  Row(out, "size", info.bytes ? std::to_string(*info.bytes) + " bytes" : "read from a pipe");
  if (firstMs_) {
    Row(out, "from", DateTimeText(firstDate_, *firstMs_));
    Row(out, "to", DateTimeText(lastDate_, *lastMs_));
    Row(out, "time span", Num(*lastT_ - *firstT_, 3) + " s");
  } else {
    Row(out, "time span", "no epoch has a time");
  }
  Row(out, "epochs", std::to_string(st.epochs));
  Row(out, "report by", info.tool);
  std::fputs("</table>\n", out);
  if (!page.ok)
    std::fputs(
        "<p class=\"fail\">A temporary file could not be written or read: the plots are incomplete.</p>\n",
        out);

  page.DeviationMap();
  page.LinePlots();
  page.QualityTimeline();
  page.SnrPlots(signalIndex_);
  page.SkyPlot();
  page.Figures();
  svg::PageEnd(out);
  return page.ok;
}

}  // namespace vantrel::evaluation
