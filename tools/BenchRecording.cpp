#include "tools/BenchRecording.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "Version.h"
#include "tools/BenchCommands.h"
#include "tools/BenchOptions.h"

namespace vantrel::benchtool {
namespace {

std::string gCommandLine;

// A word as a shell would read it back.
std::string ShellWord(const std::string& word) {
  if (!word.empty() && word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                                              "-_./=:,@+%") == std::string::npos)
    return word;
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0 || !*name) return "localhost";
  return name;
}

}  // namespace

void DeclareDatabaseOptions(CLI::App& sub, DatabaseOptions& db, bool serials) {
  sub.add_option("--db", db.db,
                 "where the results go: an SQLite file or postgresql://... (default:\n"
                 "$VANTREL_DB, else ~/.local/share/vantrel/results.db)")
      ->type_name("DB");
  sub.add_option("--station", db.station, "the bench's name in the results (default: the host's name)")
      ->type_name("NAME");
  if (serials)
    sub.add_option("--serial", db.serials, "a unit's serial number; one for each --port, in order")
        ->allow_extra_args(false)
        ->type_name("SN");
  sub.add_option("--db-wait", db.waitS,
                 "seconds to wait at the end for a database that is gone, 0 to 86400 (60)")
      ->check(Number(0, 86400, false))
      ->type_name("S");
}

std::string DatabaseTarget(const std::string& db) {
  if (!db.empty()) return db;
  if (const char* env = std::getenv("VANTREL_DB"); env && *env) return env;
  return results::DefaultDatabasePath();
}

void SetCommandLine(int argc, char** argv) {
  gCommandLine.clear();
  for (int i = 0; i < argc; ++i) gCommandLine += (i ? " " : "") + ShellWord(argv[i]);
}

std::unique_ptr<results::Recorder> OpenRecorder(const DatabaseOptions& options) {
  const std::string target = DatabaseTarget(options.db);
  if (target.empty()) {
    SetupError("no results database: give --db, set VANTREL_DB or HOME");
    return nullptr;
  }
  try {
    return std::make_unique<results::Recorder>(
        target, results::Recorder::Context{options.station.empty() ? HostName() : options.station, gCommandLine,
                                           kVersion},
        [](const std::string& notice) { std::fprintf(stderr, "vantrel-bench: %s\n", notice.c_str()); });
  } catch (const results::DatabaseError& e) {
    SetupError(std::string("the results database cannot be used, nothing was tested: ") + e.what());
    return nullptr;
  }
}

bool FinishRecorder(results::Recorder& recorder, const DatabaseOptions& options) {
  const std::vector<results::RunRecord> left = recorder.Finish(static_cast<int>(options.waitS * 1000));
  if (left.empty()) return true;
  std::fprintf(stderr, "vantrel-bench: %zu result(s) not stored in %s:\n", left.size(), recorder.Where().c_str());
  for (const results::RunRecord& r : left)
    std::fprintf(stderr, "  %s %s: %s\n", r.time.c_str(), results::Describe(r).c_str(),
                 r.value ? (std::to_string(*r.value) + " " + r.unit).c_str() : r.reason.c_str());
  return false;
}

std::string SerialOf(const DatabaseOptions& options, size_t i) {
  return i < options.serials.size() ? options.serials[i] : "";
}

}  // namespace vantrel::benchtool
