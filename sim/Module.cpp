#include "sim/Module.h"

#include <algorithm>
#include <ctime>

#include "sim/Drive.h"
#include "sim/EpochWriter.h"

namespace vantrel::sim {

namespace {

Settings InitialSettings(const ModuleOptions& o) {
  Settings s;
  s.fixPeriodMs = o.fixPeriodMs;
  s.rates = o.rates;
  s.flashWritesLeft = o.flashWrites;
  s.asleep = o.asleep;
  return s;
}

}  // namespace

Module::Module(const ModuleOptions& options, double now)
    : opt_(options),
      settings_(InitialSettings(options)),
      line_(options.baud, now, stats_),
      sky_(options, now),
      commands_(settings_, line_, stats_, *this),
      start_(now),
      nextEpoch_(now) {
  const std::time_t utc = options.utcStart ? options.utcStart : std::time(nullptr);
  utcMs_ = static_cast<int64_t>(utc) * 1000;
}

double Module::OscillatorOffset() const {
  // A few tenths of a ppm that wander a little from fix to fix.
  return 0.000000312 + 0.000000001 * static_cast<double>(epoch_ % 7);
}

void Module::StartReplay(std::unique_ptr<Replayer> replay, double now) {
  replay_ = std::move(replay);
  replayStart_ = now;
  commands_.SetAckOnly(true);
}

void Module::Tick(double now) {
  if (replay_) return ReplayTick(now);
  if (opt_.flood) {
    // Keep a little more than one epoch queued so the line never idles; a
    // module with every output off has nothing to flood with.
    for (int i = 0; i < 100 && line_.QueuedBytes() < 2048; ++i) {
      const size_t before = line_.QueuedBytes();
      EmitEpoch(now);
      if (line_.QueuedBytes() == before) break;
    }
    return;
  }
  if (now - nextEpoch_ > 2.0) nextEpoch_ = now;  // after a stall, do not burst
  while (now >= nextEpoch_) {
    EmitEpoch(nextEpoch_);
    nextEpoch_ += settings_.fixPeriodMs / 1000.0;
  }
}

namespace {

// What a replayed line is, for the counters.
Kind ReplayedKind(std::string_view line) {
  const size_t dollar = line.find('$');
  if (dollar == std::string_view::npos) return Kind::Other;
  line.remove_prefix(dollar);
  if (line.starts_with("$PQOLCHN")) return Kind::CHN;
  if (line.starts_with("$PQOL001")) return Kind::Ack;
  if (line.starts_with("$PQOL")) return Kind::Reply;
  if (line.size() < 6 || line[1] != 'G') return Kind::Other;
  const std::string_view type = line.substr(3, 3);
  constexpr std::pair<std::string_view, Kind> kTypes[] = {{"GGA", Kind::GGA}, {"GLL", Kind::GLL}, {"GSA", Kind::GSA},
                                                          {"GSV", Kind::GSV}, {"RMC", Kind::RMC}, {"VTG", Kind::VTG},
                                                          {"ZDA", Kind::ZDA}};
  for (const auto& [name, kind] : kTypes)
    if (type == name) return kind;
  return Kind::Other;
}

}  // namespace

void Module::ReplayTick(double now) {
  // Epochs go onto the line when they are due and the line has room: a line
  // slower than the recording's makes the replay fall behind, never drop.
  const size_t room = std::max<size_t>(1024, static_cast<size_t>(Baud()) / 10);
  while (line_.QueuedBytes() < room && !line_.Dead()) {
    std::optional<ReplayEpoch> e = replay_->Due(now - replayStart_);
    if (!e) return;
    ++stats_.epochs;
    std::string_view bytes = e->bytes;
    while (!bytes.empty()) {
      const size_t end = bytes.find('\n');
      const std::string_view line = bytes.substr(0, end == std::string_view::npos ? bytes.size() : end + 1);
      line_.Push(std::string(line), ReplayedKind(line), false);
      bytes.remove_prefix(line.size());
    }
  }
}

void Module::EmitEpoch(double now) {
  Epoch e;
  e.number = epoch_++;
  ++stats_.epochs;
  e.utcMs = utcMs_;
  utcMs_ += settings_.fixPeriodMs;
  double skyTime;
  if (opt_.flood) {
    skyTime = floodSkyTime_;
    floodSkyTime_ += settings_.fixPeriodMs / 1000.0;
  } else {
    skyTime = now - start_;
  }
  if (line_.Dead() || settings_.asleep) return;

  e.fix = sky_.HasFix(now);
  e.sats = sky_.At(now, skyTime, e.fix);
  int used = 0;
  for (const SatView& v : e.sats) used += v.used;
  if (used < 3) e.fix = false;  // not enough satellites for a position
  if (!e.fix)
    for (SatView& v : e.sats) v.used = false;
  // No RTCM source is simulated: only SBAS corrects the position.
  e.dgps = e.fix && settings_.dgps == DgpsMode::Sbas && settings_.sbasEnabled;
  e.where = opt_.stationary ? ParkedAt(opt_.latitude, opt_.longitude, settings_.datum)
                            : DriveAt(skyTime, opt_.latitude, opt_.longitude, settings_.datum);
  TruthLine truth{e.utcMs, e.fix, e.where.latitude, e.where.longitude, e.where.altitude + kGeoidSeparationM, {}};
  if (e.fix && (opt_.noiseH > 0 || opt_.noiseV > 0)) {
    truth.noise = NoiseAt(e.number, opt_.noiseH, opt_.noiseV);
    MoveBy(e.where.latitude, e.where.longitude, truth.noise.north, truth.noise.east);
    e.where.altitude += truth.noise.up;
  }
  if (truthLog_) truthLog_(truth);
  WriteEpoch(e, settings_.rates,
             [&](std::string sentence, Kind kind) { line_.Push(std::move(sentence), kind, true); });
}

}  // namespace vantrel::sim
