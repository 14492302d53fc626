#include "evaluation/Stats.h"

#include <algorithm>
#include <charconv>  // from_chars: the reference is read in the C locale, whatever the user's
#include <cmath>
#include <limits>

#include "evaluation/Json.h"

namespace vantrel::evaluation {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kWgs84A = 6378137.0;          // semi-major axis, metres
constexpr double kWgs84E2 = 6.69437999014e-3;  // first eccentricity squared
constexpr double kDayS = 86400.0;
constexpr double kDefaultSpacingS = 1.0;  // epochs a second, when the recording does not tell
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr size_t kCollectMax = 16384;  // values sorted in memory at once
constexpr int kBins = 4096;            // narrowing a range that holds more

// Seconds from epoch `a` to epoch `b`, both with a time. Without both dates
// (or with dates a day or more apart: a two-digit year that rolled over),
// the time of day alone: a recording that crosses midnight wraps round once.
double Between(const Epoch& a, const Epoch& b) {
  if (a.date && b.date) {
    const double d = *b.Seconds() - *a.Seconds();
    if (d >= 0 && d < kDayS) return d;
  }
  double d = static_cast<double>(*b.msOfDay - *a.msOfDay) / 1000.0;
  if (d < 0) d += kDayS;
  return d;
}

Epoch WithoutSignals(const Epoch& e) {
  Epoch copy;
  copy.index = e.index;
  copy.msOfDay = e.msOfDay;
  copy.date = e.date;
  return copy;
}

std::string Padded(const std::string& label, size_t width = 24) {
  std::string s = "  " + label;
  if (s.size() < width) s.resize(width, ' ');
  return s;
}

// The value of 0-based rank `k` among the finite values, by narrowing a
// range until it holds few enough to sort. Each round reads the spool.
double SelectRank(const FixSpool& spool, const std::function<double(const FixRow&)>& value, uint64_t k) {
  double lo = -std::numeric_limits<double>::infinity(), hi = std::numeric_limits<double>::infinity();
  bool hiClosed = true;
  auto in = [&](double v) { return v >= lo && (hiClosed ? v <= hi : v < hi); };
  for (;;) {
    uint64_t count = 0;
    double min = 0, max = 0;
    spool.ForEach([&](const FixRow& r) {
      const double v = value(r);
      if (!std::isfinite(v) || !in(v)) return;
      min = count == 0 ? v : std::min(min, v);
      max = count == 0 ? v : std::max(max, v);
      ++count;
    });
    if (count == 0) return kNaN;  // cannot happen for a rank below the count
    if (min == max) return min;
    if (count <= kCollectMax) {
      std::vector<double> values;
      values.reserve(count);
      spool.ForEach([&](const FixRow& r) {
        const double v = value(r);
        if (std::isfinite(v) && in(v)) values.push_back(v);
      });
      std::nth_element(values.begin(), values.begin() + static_cast<long>(k), values.end());
      return values[k];
    }
    // Bins of equal width between min and max, a value in the last bin
    // whose lower edge it reaches; the rank's bin is the next range.
    const double width = (max - min) / kBins;
    auto edge = [&](int i) { return i == kBins ? max : min + width * i; };
    auto binOf = [&](double v) {
      int b = std::clamp(static_cast<int>((v - min) / width), 0, kBins - 1);
      while (b > 0 && v < edge(b)) --b;
      while (b < kBins - 1 && v >= edge(b + 1)) ++b;
      return b;
    };
    std::vector<uint64_t> bins(kBins, 0);
    spool.ForEach([&](const FixRow& r) {
      const double v = value(r);
      if (std::isfinite(v) && in(v)) ++bins[static_cast<size_t>(binOf(v))];
    });
    int b = 0;
    for (; b < kBins - 1 && k >= bins[static_cast<size_t>(b)]; ++b) k -= bins[static_cast<size_t>(b)];
    lo = edge(b);
    hi = edge(b + 1);
    hiClosed = b == kBins - 1;
  }
}

}  // namespace

FixSpool::~FixSpool() {
  if (file_ != nullptr) std::fclose(file_);
}

bool FixSpool::Append(const FixRow& row) {
  rows_.push_back(row);
  ++size_;
  if (rows_.size() < kRowsInMemory) return true;
  if (file_ == nullptr) file_ = std::tmpfile();
  const bool ok = file_ != nullptr && std::fwrite(rows_.data(), sizeof(FixRow), rows_.size(), file_) == rows_.size();
  rows_.clear();
  return ok;
}

bool FixSpool::ForEach(const std::function<void(const FixRow&)>& each) const {
  bool ok = true;
  if (file_ != nullptr) {
    std::rewind(file_);
    std::vector<FixRow> block(kRowsInMemory);
    for (;;) {
      const size_t n = std::fread(block.data(), sizeof(FixRow), block.size(), file_);
      for (size_t i = 0; i < n; ++i) each(block[i]);
      if (n < block.size()) break;
    }
    ok = !std::ferror(file_);
    std::fseek(file_, 0, SEEK_END);
  }
  for (const FixRow& r : rows_) each(r);
  return ok;
}

std::vector<double> SpoolQuantiles(const FixSpool& spool, const std::function<double(const FixRow&)>& value,
                                   const std::vector<double>& qs) {
  std::vector<double> sorted;
  uint64_t n = 0;
  spool.ForEach([&](const FixRow& r) {
    const double v = value(r);
    if (!std::isfinite(v)) return;
    // Few enough to sort in memory: kept from this very pass.
    if (++n <= kCollectMax) sorted.push_back(v);
  });
  if (n == 0) return {};
  const bool inMemory = n <= kCollectMax;
  if (inMemory) std::sort(sorted.begin(), sorted.end());
  else sorted = {};
  auto rank = [&](uint64_t k) { return inMemory ? sorted[k] : SelectRank(spool, value, k); };
  std::vector<double> out;
  for (double q : qs) {
    const double h = static_cast<double>(n - 1) * q;
    const uint64_t k = static_cast<uint64_t>(std::floor(h));
    const double low = rank(k);
    out.push_back(k + 1 >= n || h == static_cast<double>(k) ? low
                                                             : low + (h - static_cast<double>(k)) * (rank(k + 1) - low));
  }
  return out;
}

std::optional<double> SpoolQuantile(const FixSpool& spool, const std::function<double(const FixRow&)>& value,
                                    double q) {
  const std::vector<double> v = SpoolQuantiles(spool, value, {q});
  if (v.empty()) return std::nullopt;
  return v[0];
}

LocalFrame::LocalFrame(const Position& origin) : origin_(origin) {
  const double lat = origin.latitude * kPi / 180.0;
  const double s = std::sin(lat);
  const double w = 1.0 - kWgs84E2 * s * s;
  const double meridian = kWgs84A * (1.0 - kWgs84E2) / (w * std::sqrt(w));  // radius of curvature north-south
  const double normal = kWgs84A / std::sqrt(w);                             // and east-west
  northPerDegree_ = kPi / 180.0 * (meridian + origin.altitude);
  eastPerDegree_ = kPi / 180.0 * (normal + origin.altitude) * std::cos(lat);
}

LocalOffset LocalFrame::Offset(const Position& p) const {
  double dLon = p.longitude - origin_.longitude;
  if (dLon > 180) dLon -= 360;
  if (dLon < -180) dLon += 360;
  return LocalOffset{dLon * eastPerDegree_, (p.latitude - origin_.latitude) * northPerDegree_,
                     p.altitude - origin_.altitude};
}

LocalOffset OffsetFrom(const Position& origin, const Position& p) { return LocalFrame(origin).Offset(p); }

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

void StatsCollector::OnEpoch(const Epoch& e) {
  ++epochs_;
  for (const SignalSeen& s : e.signals) {
    SignalSnr& n = signals_[SignalKey{s.system, s.prn, s.signal}];
    ++n.epochs;
    if (!s.snr) continue;
    n.min = n.tracked == 0 ? *s.snr : std::min(n.min, *s.snr);
    n.max = n.tracked == 0 ? *s.snr : std::max(n.max, *s.snr);
    ++n.tracked;
    n.sum += static_cast<uint64_t>(*s.snr);
  }
  if (e.msOfDay) {
    if (!firstTimed_) firstTimed_ = WithoutSignals(e);
    if (!spacing_ && previousTimed_ && previousTimed_->index + 1 == e.index) {
      const double d = Between(*previousTimed_, e);
      if (d > 0 && d <= 60) spacing_ = d;
    }
    previousTimed_ = WithoutSignals(e);
  }
  if (!e.Fix()) return;
  if (e.index == 0) startsWithFix_ = true;
  if (!firstFix_) firstFix_ = WithoutSignals(e);
  ++fixes_;
  if (e.quality) ++byQuality_[*e.quality];
  else ++statusOnly_;
  if (!e.HasPosition()) {
    ++noPosition_;
    return;
  }
  latSum_ += *e.latitude;
  lonSum_ += *e.longitude;
  if (e.altitudeMsl) {
    altSum_ += *e.altitudeMsl;
    ++altCount_;
  }
  if (e.hdop) {
    hdopMin_ = hdopCount_ == 0 ? *e.hdop : std::min(hdopMin_, *e.hdop);
    hdopMax_ = hdopCount_ == 0 ? *e.hdop : std::max(hdopMax_, *e.hdop);
    hdopSum_ += *e.hdop;
    ++hdopCount_;
  }
  if (!spool_.Append(FixRow{*e.latitude, *e.longitude, e.altitudeMsl.value_or(kNaN), e.hdop.value_or(kNaN)}))
    spoolFailed_ = true;
}

StatsReport StatsCollector::Report(const SentenceTally& sentences) const {
  StatsReport r;
  r.sentences = sentences;
  r.epochs = epochs_;
  r.fixEpochs = fixes_;
  r.fixesWithoutPosition = noPosition_;
  r.fixByStatusOnly = statusOnly_;
  std::copy(std::begin(byQuality_), std::end(byQuality_), std::begin(r.byQuality));
  r.spoolFailed = spoolFailed_;
  r.availability = epochs_ == 0 ? 0 : 100.0 * static_cast<double>(fixes_) / static_cast<double>(epochs_);
  if (firstFix_) {
    r.availabilityAfterFirstFix =
        100.0 * static_cast<double>(fixes_) / static_cast<double>(epochs_ - firstFix_->index);
    if (startsWithFix_) {
      r.ttffNote = "not measured: the recording starts with a fix";
    } else if (firstFix_->msOfDay && firstTimed_->index == 0) {
      r.timeToFirstFix = Between(*firstTimed_, *firstFix_);
    } else {
      // Epochs without a time (a receiver without a fix may leave it empty)
      // count at the spacing of the epochs that have one.
      const double spacing = spacing_.value_or(kDefaultSpacingS);
      char note[96];
      std::snprintf(note, sizeof note, "epochs without a time counted at %.1f s each", spacing);
      r.ttffNote = note;
      if (firstFix_->msOfDay && firstTimed_)
        r.timeToFirstFix = Between(*firstTimed_, *firstFix_) + static_cast<double>(firstTimed_->index) * spacing;
      else
        r.timeToFirstFix = static_cast<double>(firstFix_->index) * spacing;
    }
  }
  const uint64_t positioned = spool_.Size();
  if (positioned > 0) {
    Scatter s;
    s.aroundReference = reference_.has_value();
    const double n = static_cast<double>(positioned);
    s.centre = reference_.value_or(
        Position{latSum_ / n, lonSum_ / n, altCount_ > 0 ? altSum_ / static_cast<double>(altCount_) : kNaN});
    s.fixes = positioned;
    s.withAltitude = altCount_;
    const Position centre = s.centre;
    const LocalFrame frame(
        Position{centre.latitude, centre.longitude, std::isfinite(centre.altitude) ? centre.altitude : 0});
    auto horizontal = [&frame](const FixRow& f) {
      const LocalOffset o = frame.Offset(Position{f.latitude, f.longitude, 0});
      return std::hypot(o.east, o.north);
    };
    auto vertical = [centre](const FixRow& f) { return std::fabs(f.altitude - centre.altitude); };
    const std::vector<double> h = SpoolQuantiles(spool_, horizontal, {0.5, 0.95});
    s.cep50 = h[0];
    s.cep95 = h[1];
    double squares = 0;
    spool_.ForEach([&](const FixRow& f) { squares += horizontal(f) * horizontal(f); });
    s.drms2 = 2.0 * std::sqrt(squares / n);
    const std::vector<double> v = SpoolQuantiles(spool_, vertical, {0.5, 0.95});
    if (!v.empty()) {
      s.vertical50 = v[0];
      s.vertical95 = v[1];
    }
    r.scatter = s;
  }
  if (hdopCount_ > 0) {
    auto hdop = [](const FixRow& f) { return f.hdop; };
    r.hdopSamples = hdopCount_;
    r.hdopMin = hdopMin_;
    r.hdopMax = hdopMax_;
    r.hdopMean = hdopSum_ / static_cast<double>(hdopCount_);
    const std::vector<double> q = SpoolQuantiles(spool_, hdop, {0.5, 0.95});
    r.hdop50 = q[0];
    r.hdop95 = q[1];
  }
  r.signals = signals_;
  return r;
}

namespace {

std::string SentenceName(int t, int k) {
  return std::string(TalkerName(static_cast<Talker>(t))) + KindName(static_cast<Kind>(k));
}

std::string SignalText(int signal) { return signal < 0 ? "-" : std::to_string(signal); }

}  // namespace

void WriteStatsText(std::FILE* out, const std::string& name, const StatsReport& r) {
  auto u = [](uint64_t v) { return static_cast<unsigned long long>(v); };
  std::fprintf(out, "recording               %s\n", name.c_str());
  std::fputs("sentences\n", out);
  const SentenceTally& c = r.sentences;
  for (int t = 0; t < kTalkerCount; ++t)
    for (int k = 0; k < kKindCount; ++k)
      if (c.byTalker[t][k] != 0) std::fprintf(out, "%s%llu\n", Padded(SentenceName(t, k)).c_str(), u(c.byTalker[t][k]));
  if (c.otherTypes) std::fprintf(out, "%s%llu\n", Padded("other types").c_str(), u(c.otherTypes));
  if (c.vendor) std::fprintf(out, "%s%llu\n", Padded("vendor sentences").c_str(), u(c.vendor));
  std::fprintf(out, "%s%llu\n", Padded("checksum failures").c_str(), u(c.checksumFailures));
  std::fprintf(out, "%s%llu\n", Padded("lowercase checksums").c_str(), u(c.lowercaseChecksums));
  std::fprintf(out, "%s%llu\n", Padded("values out of range").c_str(), u(c.outOfRange));
  std::fprintf(out, "%s%llu\n", Padded("ignored pieces").c_str(), u(c.ignored));
  std::fprintf(out, "%s%llu\n", Padded("cut at the end").c_str(), u(c.cutAtEnd));

  std::fprintf(out, "epochs                  %llu (%llu with a fix)\n", u(r.epochs), u(r.fixEpochs));
  if (r.fixEpochs > 0) {
    std::fputs("fix quality            ", out);
    const char* sep = " ";
    for (int q = 1; q < kQualityCount; ++q)
      if (r.byQuality[q]) std::fprintf(out, "%s%s %llu", sep, QualityName(q), u(r.byQuality[q])), sep = ", ";
    if (r.fixByStatusOnly) std::fprintf(out, "%sstatus only %llu", sep, u(r.fixByStatusOnly));
    std::fputc('\n', out);
  }
  if (r.timeToFirstFix)
    std::fprintf(out, "time to first fix       %.1f s%s%s%s\n", *r.timeToFirstFix, r.ttffNote.empty() ? "" : " (",
                 r.ttffNote.c_str(), r.ttffNote.empty() ? "" : ")");
  else if (!r.ttffNote.empty())
    std::fprintf(out, "time to first fix       %s\n", r.ttffNote.c_str());
  else
    std::fputs("time to first fix       no fix\n", out);
  std::fprintf(out, "fix availability        %.1f %%", r.availability);
  if (r.availabilityAfterFirstFix) std::fprintf(out, " (%.1f %% after the first fix)", *r.availabilityAfterFirstFix);
  std::fputc('\n', out);

  if (r.scatter) {
    const Scatter& s = *r.scatter;
    std::fprintf(out, "scatter around the %s %.9f, %.9f", s.aroundReference ? "reference" : "mean", s.centre.latitude,
                 s.centre.longitude);
    if (std::isfinite(s.centre.altitude)) std::fprintf(out, ", %.3f m", s.centre.altitude);
    std::fprintf(out, " (%llu fixes)\n", u(s.fixes));
    std::fprintf(out, "  CEP50                 %.3f m\n", s.cep50);
    std::fprintf(out, "  CEP95                 %.3f m\n", s.cep95);
    std::fprintf(out, "  2DRMS                 %.3f m\n", s.drms2);
    if (s.vertical50) {
      std::fprintf(out, "  vertical 50 %%         %.3f m\n", *s.vertical50);
      std::fprintf(out, "  vertical 95 %%         %.3f m\n", *s.vertical95);
    } else {
      std::fputs("  vertical              no altitude\n", out);
    }
  } else {
    std::fputs("scatter                 no fix with a position\n", out);
  }
  if (r.hdopSamples > 0)
    std::fprintf(out, "HDOP                    min %.2f, mean %.2f, 50 %% %.2f, 95 %% %.2f, max %.2f\n", r.hdopMin,
                 r.hdopMean, r.hdop50, r.hdop95, r.hdopMax);
  if (!r.signals.empty()) {
    std::fputs("SNR per satellite and signal\n", out);
    std::fputs("  system    PRN  signal  epochs  tracked   min   mean   max\n", out);
    for (const auto& [key, s] : r.signals) {
      std::fprintf(out, "  %-8s %4d  %6s %7llu %8llu", SystemName(key.system), key.prn, SignalText(key.signal).c_str(),
                   u(s.epochs), u(s.tracked));
      if (s.tracked > 0)
        std::fprintf(out, " %5d %6.1f %5d\n", s.min, static_cast<double>(s.sum) / static_cast<double>(s.tracked), s.max);
      else
        std::fputs("     -      -     -\n", out);
    }
  }
  if (r.spoolFailed) std::fputs("warning                 the fixes could not all be kept: no temporary file\n", out);
}

void WriteStatsJson(std::FILE* out, const std::string& name, const StatsReport& r) {
  auto ll = [](uint64_t v) { return static_cast<long long>(v); };
  JsonWriter j(out);
  j.Open('{');
  j.StringEscaped("recording", name.c_str());
  j.Key("sentences");
  j.Open('{');
  const SentenceTally& c = r.sentences;
  for (int t = 0; t < kTalkerCount; ++t)
    for (int k = 0; k < kKindCount; ++k)
      if (c.byTalker[t][k] != 0) j.Int(SentenceName(t, k).c_str(), ll(c.byTalker[t][k]));
  if (c.otherTypes) j.Int("other_types", ll(c.otherTypes));
  if (c.vendor) j.Int("vendor", ll(c.vendor));
  j.Close('}');
  j.Int("checksum_failures", ll(c.checksumFailures));
  j.Int("lowercase_checksums", ll(c.lowercaseChecksums));
  j.Int("values_out_of_range", ll(c.outOfRange));
  j.Int("ignored_pieces", ll(c.ignored));
  j.Int("cut_at_end", ll(c.cutAtEnd));
  j.Int("epochs", ll(r.epochs));
  j.Int("fix_epochs", ll(r.fixEpochs));
  j.Key("fix_quality");
  j.Open('{');
  for (int q = 1; q < kQualityCount; ++q)
    if (r.byQuality[q]) j.Int(QualityName(q), ll(r.byQuality[q]));
  if (r.fixByStatusOnly) j.Int("status only", ll(r.fixByStatusOnly));
  j.Close('}');
  if (r.timeToFirstFix) j.Fixed("time_to_first_fix_s", *r.timeToFirstFix, 3);
  else j.Null("time_to_first_fix_s");
  if (!r.ttffNote.empty()) j.StringEscaped("time_to_first_fix_note", r.ttffNote.c_str());
  j.Fixed("fix_availability_percent", r.availability, 3);
  if (r.availabilityAfterFirstFix) j.Fixed("fix_availability_after_first_fix_percent", *r.availabilityAfterFirstFix, 3);
  else j.Null("fix_availability_after_first_fix_percent");
  if (r.scatter) {
    const Scatter& s = *r.scatter;
    j.Key("scatter");
    j.Open('{');
    j.String("around", s.aroundReference ? "reference" : "mean");
    j.Fixed("latitude", s.centre.latitude, 9);
    j.Fixed("longitude", s.centre.longitude, 9);
    j.Fixed("altitude_m", s.centre.altitude, 3);
    j.Int("fixes", ll(s.fixes));
    j.Fixed("cep50_m", s.cep50, 4);
    j.Fixed("cep95_m", s.cep95, 4);
    j.Fixed("drms2_m", s.drms2, 4);
    j.Fixed("vertical50_m", s.vertical50.value_or(kNaN), 4);
    j.Fixed("vertical95_m", s.vertical95.value_or(kNaN), 4);
    j.Close('}');
  } else {
    j.Null("scatter");
  }
  if (r.hdopSamples > 0) {
    j.Key("hdop");
    j.Open('{');
    j.Fixed("min", r.hdopMin, 2);
    j.Fixed("mean", r.hdopMean, 3);
    j.Fixed("p50", r.hdop50, 3);
    j.Fixed("p95", r.hdop95, 3);
    j.Fixed("max", r.hdopMax, 2);
    j.Close('}');
  } else {
    j.Null("hdop");
  }
  j.Key("snr");
  j.Open('[');
  for (const auto& [key, s] : r.signals) {
    j.Open('{');
    j.String("system", SystemName(key.system));
    j.Int("prn", key.prn);
    if (key.signal >= 0) j.Int("signal", key.signal);
    else j.Null("signal");
    j.Int("epochs", ll(s.epochs));
    j.Int("tracked", ll(s.tracked));
    if (s.tracked > 0) {
      j.Int("min", s.min);
      j.Fixed("mean", static_cast<double>(s.sum) / static_cast<double>(s.tracked), 2);
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

}  // namespace vantrel::evaluation
