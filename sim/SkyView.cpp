#include "sim/SkyView.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vantrel::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr size_t kMaxInView = 16;

// Deterministic noise, so a run can be repeated sentence for sentence.
uint32_t Hash(uint32_t a, uint32_t b) {
  uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u + (a << 6) + (a >> 2));
  h ^= h >> 15;
  h *= 0x85EBCA77u;
  h ^= h >> 13;
  return h;
}

}  // namespace

SkyView::SkyView(const ModuleOptions& options, double now)
    : opt_(options),
      sky_(options.latitude, options.longitude, options.skySpeed),
      fixAt_(now + options.ttffHot) {}

void SkyView::Restart(RestartKind kind, double now) {
  restartKind_ = kind;
  restartAt_ = now;
  fixAt_ = now + (kind == RestartKind::Hot    ? opt_.ttffHot
                  : kind == RestartKind::Warm ? opt_.ttffWarm
                                              : opt_.ttffCold);
  if (kind == RestartKind::Cold) genAcquired_ = false;
}

void SkyView::GeneratorSv(int prn) {
  if (prn != genSv_) genAcquired_ = false;
  genSv_ = prn;
}

void SkyView::GeneratorLevel(double dbm) {
  genLevel_ = dbm;
  genLevelSet_ = true;
}

std::vector<SatView> SkyView::At(double now, double skyTime, bool fix) {
  const double sinceRestart = now - restartAt_;
  const double ttff = fixAt_ - restartAt_;
  const bool searching = !fix && restartKind_ != RestartKind::None && now < fixAt_;
  // A cold start knows no almanac: nothing is in view until signals are found.
  if (searching && restartKind_ == RestartKind::Cold && sinceRestart < 0.4 * ttff) return {};
  // A warm start has the almanac but must find each signal again.
  const bool snrKnown = !(searching && restartKind_ == RestartKind::Warm && sinceRestart < 0.3 * ttff);
  const uint32_t slow = static_cast<uint32_t>(skyTime / 3.0);
  const uint32_t slower = static_cast<uint32_t>(skyTime / 8.0);

  std::vector<SatView> sats;
  for (const SkySat& s : sky_.At(skyTime)) {
    if (s.elevation < 0.0) continue;
    SatView v{s.prn, static_cast<int>(std::lround(s.elevation)),
              static_cast<int>(std::lround(s.azimuth)) % 360, -1, false};
    const double sinEl = std::sin(s.elevation * kPi / 180.0);
    const int jitter = static_cast<int>(Hash(s.prn, slow) % 5) - 2;
    // Low satellites are still searched for, and now and then one fades.
    const bool fading = Hash(s.prn, slower) % 23 == 0;
    if (s.elevation >= 8.0 && !fading && snrKnown && !fixBlocked_)
      v.snr = std::clamp(30 + static_cast<int>(std::lround(18.0 * sinEl)) + jitter, 0, 99);
    sats.push_back(v);
  }

  if (genTest_ && genSv_ > 0 && genLevelSet_) {
    // The generator's satellite: its SNR follows the RF level at the antenna.
    const double snrDb = genLevel_ - opt_.genLossDb + 174.0 - opt_.genNoiseFigureDb;
    const int snr = std::clamp(static_cast<int>(std::lround(snrDb)), 0, 99);
    // Tracking holds on down to a weaker signal than acquisition needs; a
    // cold start (which returned above while it knows nothing) must acquire anew.
    if (snr < opt_.genTrackBelow) genAcquired_ = false;
    if (snr >= opt_.genAcquireAt) genAcquired_ = true;
    auto it = std::find_if(sats.begin(), sats.end(), [&](const SatView& v) { return v.prn == genSv_; });
    if (it == sats.end()) {
      sats.insert(sats.begin(), SatView{genSv_, 62, 135, -1, false});
      it = sats.begin();
    }
    it->snr = genAcquired_ ? snr : -1;
  }

  std::stable_sort(sats.begin(), sats.end(),
                   [](const SatView& a, const SatView& b) { return a.elevation > b.elevation; });
  if (sats.size() > kMaxInView) sats.resize(kMaxInView);
  if (fix) {
    // The fix uses strong satellites above the elevation mask only.
    int used = 0;
    for (SatView& v : sats)
      if (used < 12 && v.snr >= 34 && v.elevation >= 15) {
        v.used = true;
        ++used;
      }
  }
  return sats;
}

}  // namespace vantrel::sim
