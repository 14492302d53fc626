#pragma once
// How the simulated module is set up when it starts: its settings as they
// come out of its flash, and the behaviour of its simulated sky, fix and
// signal generator. The program fills this from its command line.
#include <ctime>

namespace vantrel::sim {

// Output rate of each sentence type: output once every n fixes, 0 = never.
struct OutputRates {
  int gll = 0, rmc = 1, vtg = 1, gga = 1, gsa = 1, gsv = 1, zda = 0, chn = 1;
  bool operator==(const OutputRates&) const = default;
};

struct ModuleOptions {
  int baud = 38400;
  int fixPeriodMs = 1000;
  OutputRates rates;
  double ttffHot = 1.0;  // seconds from a restart command to the first fix
  double ttffWarm = 30.0;
  double ttffCold = 35.0;
  double latitude = 48.1173;  // centre of the simulated drive, degrees
  double longitude = 11.5167;
  double skySpeed = 30.0;  // how much faster than real the satellites move
  bool stationary = false;  // stands at the centre instead of driving round it
  double noiseH = 0;        // standard deviation of the error added north and east, metres
  double noiseV = 0;        // and up
  int flashWrites = 10;
  bool flood = false;        // stream epochs back to back, as fast as the line takes them
  bool asleep = false;       // no NMEA until the wake-up command, as some GPS mice do
  std::time_t utcStart = 0;  // UTC of the first epoch; 0 = the current time
  double genLossDb = 40.0;   // attenuation between signal generator and receiver
  double genNoiseFigureDb = 3.0;
  int genTrackBelow = 12;  // SNR under which the generator's satellite is lost
  int genAcquireAt = 20;   // SNR needed to acquire it again
};

}  // namespace vantrel::sim
