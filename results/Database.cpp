#include "results/Database.h"

#include <cstdlib>

namespace vantrel::results {

bool IsServerUrl(const std::string& target) {
  return target.rfind("postgresql://", 0) == 0 || target.rfind("postgres://", 0) == 0;
}

std::unique_ptr<Database> OpenDatabase(const std::string& target) {
  if (IsServerUrl(target)) return OpenPostgres(target);
  return OpenSqlite(target);
}

std::string DefaultDatabasePath() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
    return std::string(data) + "/vantrel/results.db";
  if (const char* home = std::getenv("HOME"); home && *home)
    return std::string(home) + "/.local/share/vantrel/results.db";
  return "";
}

}  // namespace vantrel::results
