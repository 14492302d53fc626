#pragma once
// The results' schema and the statements both back-ends run: one row per
// run a bench made (a restart, a sensitivity step or result, a station
// test), kept with where, when and how it was made.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/Database.h"

namespace vantrel::results {

// The schema version this program writes; older files and servers are
// brought up to it at start.
int SchemaVersion();

// Brings the schema up to date in one exclusive transaction, so benches that
// start together migrate once. Throws DatabaseError, also for a schema newer
// than this program knows.
void Migrate(Database& db);

// One run. A run without a result has no value and says why in `reason`;
// a 0 is never written for a figure nobody measured.
struct RunRecord {
  std::string id;           // unique over every bench: a repeated write stores it once
  std::string campaign;     // the process that made it
  std::string time;         // UTC, ISO 8601 to the millisecond
  std::string kind;         // one of kKinds
  std::string station;
  std::string port;
  std::string serial;       // empty when not given
  int64_t seq = 0;          // the run's number on its port
  std::optional<double> value;
  std::string unit;         // of the value: "ms", "dBm", "dB-Hz"
  std::optional<bool> pass; // nothing for a run that has no verdict of its own
  std::string reason;       // why there is no value, or why it failed
  std::string detail;       // a JSON object with the rest
  std::string limits;       // the limits file's text, for a station test
  std::string commandLine;
  std::string version;
};

// What a run can be. A family ("ttff", "sensitivity") selects all of its kinds.
inline constexpr const char* kKinds[] = {"ttff-hot",        "ttff-warm",           "ttff-cold",
                                         "sensitivity-step", "sensitivity-acquisition", "sensitivity-tracking",
                                         "station"};
inline constexpr const char* kKindFamilies[] = {"ttff", "sensitivity"};

// Writes the runs in one transaction: all of them or none. A run whose id is
// there already is left as it is.
void Store(Database& db, const std::vector<RunRecord>& runs);

struct Filter {
  std::string serial, station, kind;  // empty: any
  std::optional<bool> pass;
  std::string since, until;           // ISO dates or times, both ends included
};

// Oldest first.
std::vector<RunRecord> List(Database& db, const Filter& filter);

// A run as a person names it: "ttff-hot /dev/ttyUSB0 run 3".
std::string Describe(const RunRecord& run);

}  // namespace vantrel::results
