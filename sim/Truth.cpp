#include "sim/Truth.h"

#include <cmath>
#include <ctime>

#include "sim/Sentence.h"

namespace vantrel::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kWgs84A = 6378137.0;
constexpr double kWgs84E2 = 6.69437999014e-3;

// A uniform number in (0, 1) from the epoch and a stream number.
double Uniform(uint64_t epoch, uint32_t stream) {
  uint64_t h = epoch * 0x9E3779B97F4A7C15ull + (uint64_t{stream} + 1) * 0xBF58476D1CE4E5B9ull;
  h ^= h >> 30;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 27;
  h *= 0x94D049BB133111EBull;
  h ^= h >> 31;
  return (static_cast<double>(h >> 11) + 0.5) / 9007199254740992.0;  // 2^53
}

// Box and Muller: two independent standard normal numbers from two uniform ones.
void Normal2(uint64_t epoch, uint32_t stream, double& a, double& b) {
  const double r = std::sqrt(-2.0 * std::log(Uniform(epoch, stream)));
  const double phi = 2.0 * kPi * Uniform(epoch, stream + 1);
  a = r * std::cos(phi);
  b = r * std::sin(phi);
}

}  // namespace

PositionNoise NoiseAt(uint64_t epoch, double sigmaH, double sigmaV) {
  double n = 0, e = 0, u = 0, unused = 0;
  Normal2(epoch, 0, n, e);
  Normal2(epoch, 2, u, unused);
  return PositionNoise{n * sigmaH, e * sigmaH, u * sigmaV};
}

void MoveBy(double& latitude, double& longitude, double north, double east) {
  const double lat = latitude * kPi / 180.0;
  const double w = 1.0 - kWgs84E2 * std::sin(lat) * std::sin(lat);
  const double meridian = kWgs84A * (1.0 - kWgs84E2) / (w * std::sqrt(w));
  const double normal = kWgs84A / std::sqrt(w);
  latitude += north / meridian * 180.0 / kPi;
  longitude += east / (normal * std::cos(lat)) * 180.0 / kPi;
}

const char kTruthHeader[] = "utc,fix,latitude,longitude,height_m,noise_north_m,noise_east_m,noise_up_m\n";

std::string TruthText(const TruthLine& t) {
  const std::time_t secs = static_cast<std::time_t>(t.utcMs / 1000);
  std::tm tm{};
  gmtime_r(&secs, &tm);
  return Format("%04d-%02d-%02dT%02d:%02d:%02d.%03dZ,%d,%.9f,%.9f,%.3f,%.4f,%.4f,%.4f\n", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(t.utcMs % 1000),
                t.fix ? 1 : 0, t.latitude, t.longitude, t.height, t.noise.north, t.noise.east, t.noise.up);
}

}  // namespace vantrel::sim
