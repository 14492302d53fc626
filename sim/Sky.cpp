#include "sim/Sky.h"

#include <cmath>

namespace vantrel::sim {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;
constexpr double kEarthRadiusKm = 6371.0;
constexpr double kOrbitRadiusKm = 26560.0;
constexpr double kOrbitPeriodS = 43082.0;     // half a sidereal day
constexpr double kSiderealDayS = 86164.0;
constexpr double kInclination = 55.0 * kDeg;

constexpr int kPlanes = 6;
constexpr int kSlots = 5;
// PRN of each slot (plane-major); like a real almanac, some PRNs are unused.
constexpr int kPrns[kPlanes * kSlots] = {31, 7, 8, 27, 24, 9, 26, 5, 28, 30, 3, 6, 25, 21, 10,
                                         4, 16, 20, 22, 32, 2, 11, 13, 19, 29, 1, 14, 18, 23, 15};
}  // namespace

Sky::Sky(double latitudeDeg, double longitudeDeg, double speed)
    : lat_(latitudeDeg * kDeg), lon_(longitudeDeg * kDeg), speed_(speed) {}

std::vector<SkySat> Sky::At(double t) const {
  const double ts = t * speed_;
  const double theta = lon_ + 2 * kPi * ts / kSiderealDayS;  // observer's inertial longitude
  const double ox = kEarthRadiusKm * std::cos(lat_) * std::cos(theta);
  const double oy = kEarthRadiusKm * std::cos(lat_) * std::sin(theta);
  const double oz = kEarthRadiusKm * std::sin(lat_);
  // East, north and up unit vectors at the observer.
  const double ex = -std::sin(theta), ey = std::cos(theta), ez = 0;
  const double nx = -std::sin(lat_) * std::cos(theta), ny = -std::sin(lat_) * std::sin(theta),
               nz = std::cos(lat_);
  const double ux = ox / kEarthRadiusKm, uy = oy / kEarthRadiusKm, uz = oz / kEarthRadiusKm;

  std::vector<SkySat> sats;
  sats.reserve(kPlanes * kSlots);
  for (int plane = 0; plane < kPlanes; ++plane) {
    const double raan = plane * 60.0 * kDeg;
    for (int slot = 0; slot < kSlots; ++slot) {
      // Slots are staggered between planes so the sky never empties.
      const double u = (slot * 72.0 + plane * 12.0) * kDeg + 2 * kPi * ts / kOrbitPeriodS;
      const double sx = kOrbitRadiusKm * (std::cos(raan) * std::cos(u) -
                                          std::sin(raan) * std::sin(u) * std::cos(kInclination));
      const double sy = kOrbitRadiusKm * (std::sin(raan) * std::cos(u) +
                                          std::cos(raan) * std::sin(u) * std::cos(kInclination));
      const double sz = kOrbitRadiusKm * std::sin(u) * std::sin(kInclination);
      const double dx = sx - ox, dy = sy - oy, dz = sz - oz;
      const double range = std::sqrt(dx * dx + dy * dy + dz * dz);
      const double e = dx * ex + dy * ey + dz * ez;
      const double n = dx * nx + dy * ny + dz * nz;
      const double up = dx * ux + dy * uy + dz * uz;
      SkySat s;
      s.prn = kPrns[plane * kSlots + slot];
      s.elevation = std::asin(up / range) / kDeg;
      double az = std::atan2(e, n) / kDeg;
      if (az < 0) az += 360.0;
      s.azimuth = az;
      sats.push_back(s);
    }
  }
  return sats;
}

}  // namespace vantrel::sim
