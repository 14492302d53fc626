#pragma once
// Every run vantrel-bench makes goes to the results database: the options
// that say which database and which station, the writer opened before the
// first test, and each kind of run as a row.
#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "results/Recorder.h"
#include "tools/RunRecords.h"

namespace vantrel::benchtool {

struct DatabaseOptions {
  std::string db;       // empty: $VANTREL_DB, then the SQLite file under the data directory
  std::string station;  // empty: the host's name
  std::vector<std::string> serials;
  double waitS = 60;    // for a database that is gone when the runs are done
};
// --db, --station, --db-wait; --serial when `serials` (one a port).
void DeclareDatabaseOptions(CLI::App& sub, DatabaseOptions& db, bool serials);

// The database the options name.
std::string DatabaseTarget(const std::string& db);

// The whole command line, as main() was given it.
void SetCommandLine(int argc, char** argv);

// Opens the database and proves it takes a write; nothing (and the message
// printed) when it cannot: no test starts whose result would be lost.
std::unique_ptr<results::Recorder> OpenRecorder(const DatabaseOptions& options);

// Waits for the runs still on their way; true when every one is stored,
// otherwise names each that is not.
bool FinishRecorder(results::Recorder& recorder, const DatabaseOptions& options);

// The serial number of the i-th port, empty when none was given.
std::string SerialOf(const DatabaseOptions& options, size_t i);

}  // namespace vantrel::benchtool
