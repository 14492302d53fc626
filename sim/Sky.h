#pragma once
// A small GPS constellation: 30 satellites on six circular orbital planes,
// seen from a fixed place on a rotating Earth. Accurate enough to make
// satellites rise, cross the sky and set the way real ones do; `speed`
// compresses a six-hour pass into minutes for a lively display.
#include <vector>

namespace vantrel::sim {

struct SkySat {
  int prn = 0;
  double elevation = 0;  // degrees, -90..90
  double azimuth = 0;    // degrees, 0..360, clockwise from north
};

class Sky {
 public:
  Sky(double latitudeDeg, double longitudeDeg, double speed);

  // Every satellite of the constellation at `t` seconds of simulated time,
  // whether above the horizon or not, in constellation order.
  std::vector<SkySat> At(double t) const;

 private:
  double lat_;
  double lon_;
  double speed_;
};

}  // namespace vantrel::sim
