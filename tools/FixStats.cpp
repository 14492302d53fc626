#include "tools/FixStats.h"

#include <algorithm>
#include <charconv>  // from_chars: the reference is read in the C locale, whatever the user's
#include <cmath>

#include "tools/Json.h"

namespace vantrel::logtool {

namespace {

constexpr double kHistogramLow = 1e-3;    // metres
constexpr double kHistogramRatio = 1.001;  // each bin 0.1 % wider than the one before
constexpr double kHistogramHigh = 1e7;
const double kLogRatio = std::log(kHistogramRatio);
const size_t kBins = static_cast<size_t>(std::log(kHistogramHigh / kHistogramLow) / kLogRatio) + 2;

constexpr double kPi = 3.14159265358979323846;
constexpr double kWgs84A = 6378137.0;               // semi-major axis, metres
constexpr double kWgs84E2 = 6.69437999014e-3;       // first eccentricity squared
constexpr double kDayS = 86400.0;
constexpr double kDefaultSpacingS = 1.0;  // epochs a second, when the recording does not tell

const char* const kStandardNames[kStandardKinds] = {"GGA", "RMC", "VTG", "GSA", "GSV", "GLL", "ZDA"};

// Seconds from epoch `a` to epoch `b`. Without both dates, the time of day
// alone: a recording that crosses midnight wraps round once.
double Between(const EpochFix& a, const EpochFix& b) {
  if (a.hasDate && b.hasDate) return EpochSeconds(b) - EpochSeconds(a);
  double d = static_cast<double>(b.msOfDay - a.msOfDay) / 1000.0;
  if (d < 0) d += kDayS;
  return d;
}

std::string Padded(const std::string& label) {
  std::string s = "  " + label;
  if (s.size() < 24) s.resize(24, ' ');
  return s;
}

}  // namespace

Histogram::Histogram() : bins_(kBins, 0) {}

void Histogram::Add(double value) {
  size_t bin = 0;
  if (value > kHistogramLow) bin = std::min(kBins - 1, static_cast<size_t>(std::log(value / kHistogramLow) / kLogRatio) + 1);
  ++bins_[bin];
  ++count_;
}

double Histogram::Quantile(double q) const {
  if (count_ == 0) return 0;
  const uint64_t rank = std::max<uint64_t>(1, static_cast<uint64_t>(std::ceil(q * static_cast<double>(count_))));
  uint64_t seen = 0;
  for (size_t bin = 0; bin < kBins; ++bin) {
    seen += bins_[bin];
    if (seen < rank) continue;
    if (bin == 0) return kHistogramLow / 2;
    // Bin b holds (low * ratio^(b-1), low * ratio^b]: its geometric middle.
    return kHistogramLow * std::exp((static_cast<double>(bin) - 0.5) * kLogRatio);
  }
  return kHistogramHigh;
}

LocalOffset OffsetFrom(const Position& origin, const Position& p) {
  const double lat = origin.latitude * kPi / 180.0;
  const double s = std::sin(lat);
  const double w = 1.0 - kWgs84E2 * s * s;
  const double meridian = kWgs84A * (1.0 - kWgs84E2) / (w * std::sqrt(w));  // radius of curvature north-south
  const double normal = kWgs84A / std::sqrt(w);                             // and east-west
  double dLon = p.longitude - origin.longitude;
  if (dLon > 180) dLon -= 360;
  if (dLon < -180) dLon += 360;
  LocalOffset o;
  o.north = (p.latitude - origin.latitude) * kPi / 180.0 * (meridian + origin.altitude);
  o.east = dLon * kPi / 180.0 * (normal + origin.altitude) * std::cos(lat);
  o.up = p.altitude - origin.altitude;
  return o;
}

bool ParseReference(const std::string& text, Position& out) {
  double v[3];
  const char* p = text.data();
  const char* const end = p + text.size();
  for (int i = 0; i < 3; ++i) {
    const auto r = std::from_chars(p, end, v[i]);
    if (r.ec != std::errc() || !std::isfinite(v[i])) return false;
    p = r.ptr;
    if (i < 2) {
      if (p == end || *p != ',') return false;
      ++p;
    }
  }
  if (p != end || std::fabs(v[0]) > 90 || std::fabs(v[1]) > 180) return false;
  out = Position{v[0], v[1], v[2]};
  return true;
}

StatsPass::StatsPass() : snr_(static_cast<size_t>(kTalkers) * kPrns) {}

void StatsPass::OnEpoch(const EpochFix& e) {
  ++epochs_;
  if (e.hasTime) {
    if (!firstTimed_) firstTimed_ = e;
    if (!spacing_ && previousTimed_ && previousTimed_->index + 1 == e.index) {
      const double d = Between(*previousTimed_, e);
      if (d > 0 && d <= 60) spacing_ = d;
    }
    previousTimed_ = e;
  }
  if (!e.fix) return;
  if (!firstFix_) firstFix_ = e;
  ++fixes_;
  latSum_ += e.latitude;
  lonSum_ += e.longitude;
  altSum_ += e.altitude;
  hdopMin_ = fixes_ == 1 ? e.hdop : std::min(hdopMin_, e.hdop);
  hdopMax_ = fixes_ == 1 ? e.hdop : std::max(hdopMax_, e.hdop);
  hdopSum_ += e.hdop;
  hdop_.Add(e.hdop);
}

void StatsPass::OnSatellites(Talker talker, const ReceiverRecord& r) {
  for (int i = 0; i < r.WalkedSats(); ++i) {
    const SatInView& s = r.SatsInView[i];
    if (s.Prn < 1 || s.Prn >= kPrns) continue;
    Snr& n = snr_[static_cast<size_t>(talker) * kPrns + static_cast<size_t>(s.Prn)];
    ++n.groups;
    if (s.Snr <= 0) continue;
    n.min = n.tracked == 0 ? s.Snr : std::min(n.min, static_cast<int>(s.Snr));
    n.max = n.tracked == 0 ? s.Snr : std::max(n.max, static_cast<int>(s.Snr));
    ++n.tracked;
    n.sum += static_cast<uint64_t>(s.Snr);
  }
}

std::optional<Position> StatsPass::MeanFix() const {
  if (fixes_ == 0) return std::nullopt;
  const double n = static_cast<double>(fixes_);
  return Position{latSum_ / n, lonSum_ / n, altSum_ / n};
}

StatsReport StatsPass::Report() const {
  StatsReport r;
  r.epochs = epochs_;
  r.fixEpochs = fixes_;
  r.availability = epochs_ == 0 ? 0 : 100.0 * static_cast<double>(fixes_) / static_cast<double>(epochs_);
  if (firstFix_) {
    r.availabilityAfterFirstFix =
        100.0 * static_cast<double>(fixes_) / static_cast<double>(epochs_ - firstFix_->index);
    // The start of the recording is its first epoch. Epochs before the first
    // one with a time (a receiver without a fix may leave it empty) count
    // at the spacing of the epochs that have one.
    const double spacing = spacing_.value_or(kDefaultSpacingS);
    if (firstFix_->hasTime) {
      r.timeToFirstFix = Between(*firstTimed_, *firstFix_) + static_cast<double>(firstTimed_->index) * spacing;
    } else {
      r.timeToFirstFix = static_cast<double>(firstFix_->index) * spacing;
    }
  }
  if (fixes_ > 0) {
    r.hdopSamples = fixes_;
    r.hdopMin = hdopMin_;
    r.hdopMax = hdopMax_;
    r.hdopMean = hdopSum_ / static_cast<double>(fixes_);
    r.hdop50 = hdop_.Quantile(0.5);
    r.hdop95 = hdop_.Quantile(0.95);
  }
  for (int t = 0; t < kTalkers; ++t) {
    for (int prn = 1; prn < kPrns; ++prn) {
      const Snr& n = snr_[static_cast<size_t>(t) * kPrns + static_cast<size_t>(prn)];
      if (n.groups == 0) continue;
      SatelliteSnr s;
      s.talker = static_cast<Talker>(t);
      s.prn = prn;
      s.groups = n.groups;
      s.tracked = n.tracked;
      s.min = n.min;
      s.max = n.max;
      s.mean = n.tracked == 0 ? 0 : static_cast<double>(n.sum) / static_cast<double>(n.tracked);
      r.satellites.push_back(s);
    }
  }
  return r;
}

ScatterPass::ScatterPass(const Position& centre, bool aroundReference)
    : centre_(centre), aroundReference_(aroundReference) {}

void ScatterPass::OnEpoch(const EpochFix& e) {
  if (!e.fix) return;
  const LocalOffset o = OffsetFrom(centre_, Position{e.latitude, e.longitude, e.altitude});
  const double h2 = o.east * o.east + o.north * o.north;
  ++fixes_;
  sumSquares_ += h2;
  horizontal_.Add(std::sqrt(h2));
  vertical_.Add(std::fabs(o.up));
}

Scatter ScatterPass::Result() const {
  Scatter s;
  s.aroundReference = aroundReference_;
  s.centre = centre_;
  s.fixes = fixes_;
  if (fixes_ == 0) return s;
  s.cep50 = horizontal_.Quantile(0.5);
  s.cep95 = horizontal_.Quantile(0.95);
  s.drms2 = 2.0 * std::sqrt(sumSquares_ / static_cast<double>(fixes_));
  s.vertical50 = vertical_.Quantile(0.5);
  s.vertical95 = vertical_.Quantile(0.95);
  return s;
}

void WriteStatsText(std::FILE* out, const std::string& name, const StatsReport& r) {
  auto u = [](uint64_t v) { return static_cast<unsigned long long>(v); };
  std::fprintf(out, "recording               %s\n", name.c_str());
  std::fputs("sentences\n", out);
  for (int t = 0; t < kTalkers; ++t)
    for (int k = 0; k < kStandardKinds; ++k)
      if (r.sentences.standard[t][k] != 0)
        std::fprintf(out, "%s%llu\n", Padded(std::string(TalkerName(static_cast<Talker>(t))) + kStandardNames[k]).c_str(),
                     u(r.sentences.standard[t][k]));
  if (r.sentences.channelStatus) std::fprintf(out, "%s%llu\n", Padded("PQOLCHN").c_str(), u(r.sentences.channelStatus));
  if (r.sentences.replies) std::fprintf(out, "%s%llu\n", Padded("PQOL").c_str(), u(r.sentences.replies));
  std::fprintf(out, "%s%llu\n", Padded("checksum failures").c_str(), u(r.sentences.checksumFailures));
  std::fprintf(out, "%s%llu\n", Padded("ignored pieces").c_str(), u(r.sentences.ignored));
  std::fprintf(out, "%s%llu\n", Padded("cut at the end").c_str(), u(r.sentences.cutAtEnd));

  std::fprintf(out, "epochs                  %llu (%llu with a fix)\n", u(r.epochs), u(r.fixEpochs));
  if (r.timeToFirstFix)
    std::fprintf(out, "time to first fix       %.1f s\n", *r.timeToFirstFix);
  else
    std::fputs("time to first fix       no fix\n", out);
  std::fprintf(out, "fix availability        %.1f %%", r.availability);
  if (r.availabilityAfterFirstFix) std::fprintf(out, " (%.1f %% after the first fix)", *r.availabilityAfterFirstFix);
  std::fputc('\n', out);

  if (r.scatter && r.scatter->fixes > 0) {
    const Scatter& s = *r.scatter;
    std::fprintf(out, "scatter around the %s %.7f, %.7f, %.2f m\n", s.aroundReference ? "reference" : "mean",
                 s.centre.latitude, s.centre.longitude, s.centre.altitude);
    std::fprintf(out, "  CEP50                 %.2f m\n", s.cep50);
    std::fprintf(out, "  CEP95                 %.2f m\n", s.cep95);
    std::fprintf(out, "  2DRMS                 %.2f m\n", s.drms2);
    std::fprintf(out, "  vertical 50 %%         %.2f m\n", s.vertical50);
    std::fprintf(out, "  vertical 95 %%         %.2f m\n", s.vertical95);
    std::fprintf(out, "HDOP                    min %.2f, mean %.2f, 50 %% %.2f, 95 %% %.2f, max %.2f\n", r.hdopMin,
                 r.hdopMean, r.hdop50, r.hdop95, r.hdopMax);
  } else {
    std::fputs("scatter                 no fix\n", out);
  }
  if (!r.satellites.empty()) {
    std::fputs("SNR per satellite       talker  PRN  groups  tracked   min   mean   max\n", out);
    for (const SatelliteSnr& s : r.satellites) {
      std::fprintf(out, "                        %-6s %4d %7llu %8llu", TalkerName(s.talker), s.prn, u(s.groups),
                   u(s.tracked));
      if (s.tracked > 0)
        std::fprintf(out, " %5d %6.1f %5d\n", s.min, s.mean, s.max);
      else
        std::fputs("     -      -     -\n", out);
    }
  }
}

void WriteStatsJson(std::FILE* out, const std::string& name, const StatsReport& r) {
  JsonWriter j(out);
  j.Open('{');
  j.StringEscaped("recording", name.c_str());
  j.Key("sentences");
  j.Open('{');
  for (int t = 0; t < kTalkers; ++t)
    for (int k = 0; k < kStandardKinds; ++k)
      if (r.sentences.standard[t][k] != 0)
        j.Int((std::string(TalkerName(static_cast<Talker>(t))) + kStandardNames[k]).c_str(),
              static_cast<long long>(r.sentences.standard[t][k]));
  j.Int("PQOLCHN", static_cast<long long>(r.sentences.channelStatus));
  j.Int("PQOL", static_cast<long long>(r.sentences.replies));
  j.Close('}');
  j.Int("checksum_failures", static_cast<long long>(r.sentences.checksumFailures));
  j.Int("ignored_pieces", static_cast<long long>(r.sentences.ignored));
  j.Int("cut_at_end", static_cast<long long>(r.sentences.cutAtEnd));
  j.Int("epochs", static_cast<long long>(r.epochs));
  j.Int("fix_epochs", static_cast<long long>(r.fixEpochs));
  if (r.timeToFirstFix) j.Fixed("time_to_first_fix_s", *r.timeToFirstFix, 3);
  else j.Null("time_to_first_fix_s");
  j.Fixed("fix_availability_percent", r.availability, 3);
  if (r.availabilityAfterFirstFix) j.Fixed("fix_availability_after_first_fix_percent", *r.availabilityAfterFirstFix, 3);
  else j.Null("fix_availability_after_first_fix_percent");
  if (r.scatter && r.scatter->fixes > 0) {
    const Scatter& s = *r.scatter;
    j.Key("scatter");
    j.Open('{');
    j.String("around", s.aroundReference ? "reference" : "mean");
    j.Fixed("latitude", s.centre.latitude, 8);
    j.Fixed("longitude", s.centre.longitude, 8);
    j.Fixed("altitude_m", s.centre.altitude, 3);
    j.Int("fixes", static_cast<long long>(s.fixes));
    j.Fixed("cep50_m", s.cep50, 3);
    j.Fixed("cep95_m", s.cep95, 3);
    j.Fixed("drms2_m", s.drms2, 3);
    j.Fixed("vertical50_m", s.vertical50, 3);
    j.Fixed("vertical95_m", s.vertical95, 3);
    j.Close('}');
    j.Key("hdop");
    j.Open('{');
    j.Fixed("min", r.hdopMin, 2);
    j.Fixed("mean", r.hdopMean, 3);
    j.Fixed("p50", r.hdop50, 2);
    j.Fixed("p95", r.hdop95, 2);
    j.Fixed("max", r.hdopMax, 2);
    j.Close('}');
  } else {
    j.Null("scatter");
    j.Null("hdop");
  }
  j.Key("snr");
  j.Open('[');
  for (const SatelliteSnr& s : r.satellites) {
    j.Open('{');
    j.String("talker", TalkerName(s.talker));
    j.Int("prn", s.prn);
    j.Int("groups", static_cast<long long>(s.groups));
    j.Int("tracked", static_cast<long long>(s.tracked));
    if (s.tracked > 0) {
      j.Int("min", s.min);
      j.Fixed("mean", s.mean, 2);
      j.Int("max", s.max);
    } else {
      j.Null("min");
      j.Null("mean");
      j.Null("max");
    }
    j.Close('}');
  }
  j.Close(']');
  j.Close('}');
  std::fputc('\n', out);
}

}  // namespace vantrel::logtool
