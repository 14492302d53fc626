#pragma once
// Where the simulated car is: a slow circle round a block at a fixed centre,
// so position, course and speed change all the time and stay near the place
// the module was started at. The datum shifts the whole circle, as a
// receiver set to a local datum reports other coordinates for the same spot.

namespace vantrel::sim {

struct DrivePoint {
  double latitude;   // degrees, north positive
  double longitude;  // degrees, east positive
  double course;     // degrees true, clockwise from north
  double knots;
  double altitude;  // metres above the geoid
};

DrivePoint DriveAt(double seconds, double centreLatitude, double centreLongitude, int datum);

// A module that stands still at the centre, at a fixed altitude, with the
// same datum shift.
DrivePoint ParkedAt(double centreLatitude, double centreLongitude, int datum);

}  // namespace vantrel::sim
