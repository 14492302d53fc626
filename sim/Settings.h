#pragma once
// The receiver settings the PC's commands change and its queries read back,
// as the module holds them while it runs. The baud rate is not among them:
// it belongs to the line, which switches only once an acknowledgement is out.
#include "sim/ModuleOptions.h"

namespace vantrel::sim {

// Where differential corrections come from; the number is what the
// DGPS-mode command and its reply carry.
enum class DgpsMode : int { None = 0, Rtcm = 1, Sbas = 2 };

// Which SBAS satellites are used; the number is what the command and its
// reply carry.
enum class SbasMode : int { Test = 0, Integrity = 1 };

struct Settings {
  int fixPeriodMs = 1000;
  OutputRates rates;
  int datum = 0;
  DgpsMode dgps = DgpsMode::None;
  bool sbasEnabled = true;  // SBAS satellites searched for; corrections need it and the SBAS mode
  SbasMode sbasMode = SbasMode::Integrity;
  bool rtcmInput = false;  // listening for RTCM corrections, at rtcmBaud
  int rtcmBaud = 9600;
  int flashWritesLeft = 10;
  bool flashProtected = false;
  bool lowCurrent = false;  // the current test: drop the current while there is a fix
  bool asleep = false;      // no NMEA output until the wake-up command

  bool operator==(const Settings&) const = default;
};

}  // namespace vantrel::sim
