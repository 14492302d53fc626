#pragma once
// The pages of vantrel-bench: a time-to-first-fix campaign over several
// receivers, a sensitivity run with its SNR-versus-level curves, and the
// runs kept in the results database. They
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
  // At the receiver: the first level lost (the window's result), none when
  // nothing was held (`failure` says why) or it held on down to the floor.
  std::optional<int64_t> dbm;
  std::string failure;
  std::optional<int64_t> heldDbm;  // the last level held
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

// How a kept run came out. A run that measured nothing has no result, never
// a failing value; a sensitivity step has a value but no verdict of its own.
enum class RunVerdict { Pass, Fail, NoResult, NoVerdict };

struct ResultsPageCount {
  std::string kind;
  int pass = 0, fail = 0, noResult = 0, noVerdict = 0;
};

// One restart kind's runs, grouped by unit (the serial, or the port when
// there is none); `port` of each group names the unit.
struct ResultsPageTtff {
  std::string restart;           // "hot", "warm", "cold"
  std::optional<double> limitS;  // when every run of it had the same limit
  std::vector<TtffPageReceiver> units;
};

struct ResultsPageLevel {
  std::string unit, phase;  // "acquisition", "tracking"
  int64_t iteration = 0;
  std::optional<double> heldDbm, lostDbm;  // at the receiver
  std::string reason;                      // why nothing was held
};

struct ResultsPageStation {
  std::string time, unit, port;
  bool pass = false;
  std::string reasons;  // every one, as the station printed them
};

struct ResultsPageMissing {
  std::string time, kind, unit;
  int64_t seq = 0;
  std::string reason;
};

struct ResultsPage {
  std::string selection;  // the filters, as a person reads them
  size_t runs = 0;
  std::vector<ResultsPageCount> counts;
  std::vector<ResultsPageTtff> ttff;
  std::vector<ResultsPageLevel> sensitivity;
  std::vector<ResultsPageStation> stations;
  std::vector<ResultsPageMissing> missing;  // every run without a value
  std::string tool, written;
};

void WriteResultsPage(std::FILE* out, const ResultsPage& page);

}  // namespace vantrel::evaluation
