#pragma once
// What the receiver sees of the sky at an epoch: the satellites above the
// horizon with their SNR, which of them a fix would use, the signal
// generator's satellite at the SNR its RF level gives, and how a restart
// blinds the receiver until its time to first fix has passed. The geometry
// comes from `Sky`; the module asks once per epoch.
#include <vector>

#include "sim/ModuleOptions.h"
#include "sim/Sky.h"

namespace vantrel::sim {

// What a restart command forgets; the number is the command's last digit.
enum class RestartKind : int { None = 0, Hot = 1, Warm = 2, Cold = 3 };

struct SatView {
  int prn, elevation, azimuth, snr;  // snr -1: not tracked, empty field
  bool used;
};

class SkyView {
 public:
  // A module that was powered on with a fix already stored: it fixes after
  // the hot-start time.
  SkyView(const ModuleOptions& options, double now);

  void Restart(RestartKind kind, double now);
  // The antenna pulled (true) or plugged in again.
  void SetFixBlocked(bool blocked) { fixBlocked_ = blocked; }
  bool HasFix(double now) const { return !fixBlocked_ && now >= fixAt_; }

  void GeneratorTest(bool on) { genTest_ = on; }
  void GeneratorSv(int prn);
  void GeneratorLevel(double dbm);

  // The satellites in view at `now`, highest first, at most 16; with `fix`
  // the strong ones a fix uses are marked. `skyTime` moves the constellation
  // (it runs ahead of `now` in flood mode). Not const: the generator's
  // satellite is acquired and lost as its level crosses the thresholds.
  std::vector<SatView> At(double now, double skyTime, bool fix);

 private:
  ModuleOptions opt_;
  Sky sky_;
  double restartAt_ = -1e9;
  double fixAt_ = 0;
  RestartKind restartKind_ = RestartKind::None;
  bool fixBlocked_ = false;

  bool genTest_ = false;
  int genSv_ = 0;
  bool genLevelSet_ = false;
  double genLevel_ = 0;
  bool genAcquired_ = false;
};

}  // namespace vantrel::sim
