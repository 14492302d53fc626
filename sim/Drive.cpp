#include "sim/Drive.h"

#include <cmath>

namespace vantrel::sim {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kDriveRadiusM = 120.0;
constexpr double kDriveSpeedMs = 3.0;
constexpr double kMetresPerDegree = 111320.0;
constexpr double kKnotsPerMs = 1.0 / 0.514444;
constexpr double kAltitudeM = 519.2;
}  // namespace

DrivePoint DriveAt(double seconds, double centreLatitude, double centreLongitude, int datum) {
  const double angle = seconds * kDriveSpeedMs / kDriveRadiusM;
  // Some hundred metres of datum shift, different for each datum.
  const double north = kDriveRadiusM * std::cos(angle) + (datum ? (datum * 53 % 400) - 200 : 0);
  const double east = kDriveRadiusM * std::sin(angle) + (datum ? (datum * 97 % 400) - 200 : 0);
  DrivePoint p;
  p.latitude = centreLatitude + north / kMetresPerDegree;
  p.longitude = centreLongitude + east / (kMetresPerDegree * std::cos(centreLatitude * kPi / 180.0));
  p.course = std::fmod(90.0 + angle * 180.0 / kPi, 360.0);  // clockwise round the centre
  p.knots = kDriveSpeedMs * kKnotsPerMs;
  p.altitude = kAltitudeM + 2.5 * std::sin(seconds / 40.0);
  return p;
}

DrivePoint ParkedAt(double centreLatitude, double centreLongitude, int datum) {
  const double north = datum ? (datum * 53 % 400) - 200 : 0;
  const double east = datum ? (datum * 97 % 400) - 200 : 0;
  DrivePoint p;
  p.latitude = centreLatitude + north / kMetresPerDegree;
  p.longitude = centreLongitude + east / (kMetresPerDegree * std::cos(centreLatitude * kPi / 180.0));
  p.course = 0;
  p.knots = 0;
  p.altitude = kAltitudeM;
  return p;
}

}  // namespace vantrel::sim
