#pragma once
// The pages of vantrel-bench: a time-to-first-fix campaign over several
// receivers, and a sensitivity run with its SNR-versus-level curves. They
// take plain figures; a run without a result carries its reason and is
// listed as a failure, never drawn as a number.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::evaluation {

struct TtffPageRun {
  int index = 0;                  // 1-based within its receiver
  std::optional<double> seconds;  // none: no fix, `failure` says why
  std::string failure;
};

struct TtffPageReceiver {
  std::string port;
  std::vector<TtffPageRun> runs;
  std::string failure;  // why the receiver dropped out; empty when it finished
  bool pass = false;
  double minS = 0, medianS = 0, p95S = 0, maxS = 0;  // of the timed runs
};

struct TtffPage {
  std::string kind;  // "cold", "warm", "hot"
  int runsAsked = 0;
  std::optional<double> limitS;
  bool pass = false;
  std::vector<TtffPageReceiver> receivers;
  std::string tool, written;  // "vantrel-bench 1.4.2"; when the page was written, UTC
};

void WriteTtffPage(std::FILE* out, const TtffPage& page);

struct SensitivityPagePoint {
  int iteration = 0;  // 1-based
  bool tracking = false;
  int levelDbm = 0;        // at the generator
  std::optional<int> snr;  // none: the satellite was not seen
};

struct SensitivityPageResult {
  int iteration = 0;
  bool tracking = false;
  std::optional<int64_t> dbm;  // at the receiver; none: `failure` says why
  std::string failure;
};

struct SensitivityPage {
  std::string port, generator;
  int sv = 0, degradeDb = 0, acqCnr = 0, trackCnr = 0;
  bool acquisition = false, tracking = false;  // the phases asked for
  int iterations = 0;
  std::vector<SensitivityPagePoint> curve;
  std::vector<SensitivityPageResult> results;
  std::string failure;
  bool pass = false;
  std::string tool, written;
};

void WriteSensitivityPage(std::FILE* out, const SensitivityPage& page);

}  // namespace vantrel::evaluation
