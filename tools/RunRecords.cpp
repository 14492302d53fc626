#include "tools/RunRecords.h"

#include "tools/BenchOptions.h"

namespace vantrel::benchtool {
namespace {

std::string NowUtc() { return UtcText(std::chrono::system_clock::now()); }

}  // namespace

results::RunRecord TtffRecord(const std::string& restart, const std::string& port, const std::string& serial,
                              const TtffRun& run, std::optional<int64_t> limitMs) {
  results::RunRecord r;
  r.time = run.startedAt ? UtcText(*run.startedAt) : NowUtc();
  r.kind = "ttff-" + restart;
  r.port = port;
  r.serial = serial;
  r.seq = run.index;
  r.unit = "ms";
  if (run.ttffMs) r.value = static_cast<double>(*run.ttffMs);
  r.pass = run.ttffMs && (!limitMs || *run.ttffMs <= *limitMs);
  r.reason = run.ttffMs ? "" : run.failure;
  if (run.ttffMs && !*r.pass) r.reason = "over the limit of " + std::to_string(*limitMs) + " ms";
  r.detail = limitMs ? "{\"limit_ms\": " + std::to_string(*limitMs) + "}" : "{}";
  return r;
}

results::RunRecord StepRecord(const std::string& port, const std::string& serial, int64_t seq,
                              const CurvePoint& point) {
  results::RunRecord r;
  r.time = NowUtc();
  r.kind = "sensitivity-step";
  r.port = port;
  r.serial = serial;
  r.seq = seq;
  r.unit = "dB-Hz";
  // The satellite not seen at this level has no SNR.
  if (point.snr)
    r.value = *point.snr;
  else
    r.reason = "satellite not seen";
  r.detail = "{\"iteration\": " + std::to_string(point.iteration) + ", \"phase\": \"" +
             (point.phase == TestPhase::Acquisition ? "acquisition" : "tracking") +
             "\", \"level_dbm\": " + std::to_string(point.levelDbm) + "}";
  return r;
}

results::RunRecord SensitivityRecord(const std::string& port, const std::string& serial, TestPhase phase,
                                     int iteration, const PhaseResult& result) {
  results::RunRecord r;
  r.time = NowUtc();
  r.kind = phase == TestPhase::Acquisition ? "sensitivity-acquisition" : "sensitivity-tracking";
  r.port = port;
  r.serial = serial;
  r.seq = iteration;
  r.unit = "dBm";
  // The figure is the last level held; the first level lost goes with it.
  if (result.heldDbm) r.value = static_cast<double>(*result.heldDbm);
  r.pass = r.value.has_value();
  r.reason = result.failure;
  const auto json = [](const std::optional<int64_t>& v) { return v ? std::to_string(*v) : std::string("null"); };
  r.detail = "{\"held_dbm\": " + json(result.heldDbm) + ", \"lost_dbm\": " + json(result.lostDbm) + "}";
  return r;
}

}  // namespace vantrel::benchtool
