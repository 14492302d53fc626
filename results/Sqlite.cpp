// The embedded back-end: one SQLite file in write-ahead-log mode, so several
// benches on one PC write at once; a writer waits for another's lock rather
// than failing.
#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "results/Database.h"

namespace vantrel::results {
namespace {

constexpr int kBusyWaitMs = 30000;

class Sqlite final : public Database {
 public:
  explicit Sqlite(const std::string& path) : path_(path) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    if (ec) throw DatabaseError("cannot create " + folder.string() + ": " + ec.message(), false);
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
      const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      throw DatabaseError("cannot open " + path + ": " + why, false);
    }
    sqlite3_busy_timeout(db_, kBusyWaitMs);
    try {
      // The mode stays with the file: set once, by the first bench.
      const std::vector<Row> mode = Query("PRAGMA journal_mode", {});
      if (mode.empty() || mode[0].empty() || mode[0][0] != Value(std::string("wal")))
        Query("PRAGMA journal_mode=WAL", {});
      Exec("PRAGMA synchronous=NORMAL", {});
    } catch (...) {
      sqlite3_close(db_);
      throw;
    }
  }
  ~Sqlite() override { sqlite3_close(db_); }

  void Exec(const std::string& sql, const std::vector<Value>& params) override { Run(sql, params, nullptr); }
  std::vector<Row> Query(const std::string& sql, const std::vector<Value>& params) override {
    std::vector<Row> rows;
    Run(sql, params, &rows);
    return rows;
  }
  // IMMEDIATE takes the write lock at once: two writers never both read
  // and then find they cannot write.
  void Begin(bool) override { Exec("BEGIN IMMEDIATE", {}); }
  void Commit() override { Exec("COMMIT", {}); }
  void Rollback() noexcept override { sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr); }
  std::string Where() const override { return path_; }

 private:
  [[noreturn]] void Fail(const std::string& sql) {
    throw DatabaseError(path_ + ": " + sqlite3_errmsg(db_) + " (" + sql.substr(0, sql.find(' ', 12)) + ")",
                        false);
  }

  void Run(const std::string& sql, const std::vector<Value>& params, std::vector<Row>* rows) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK) Fail(sql);
    struct Finalize {
      sqlite3_stmt* s;
      ~Finalize() { sqlite3_finalize(s); }
    } finalize{stmt};
    for (size_t i = 0; i < params.size(); ++i) {
      const int at = static_cast<int>(i + 1);
      const Value& v = params[i];
      int rc = SQLITE_OK;
      if (const auto* n = std::get_if<int64_t>(&v))
        rc = sqlite3_bind_int64(stmt, at, *n);
      else if (const auto* d = std::get_if<double>(&v))
        rc = sqlite3_bind_double(stmt, at, *d);
      else if (const auto* s = std::get_if<std::string>(&v))
        rc = sqlite3_bind_text(stmt, at, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
      else
        rc = sqlite3_bind_null(stmt, at);
      if (rc != SQLITE_OK) Fail(sql);
    }
    for (;;) {
      const int rc = sqlite3_step(stmt);
      if (rc == SQLITE_DONE) return;
      if (rc != SQLITE_ROW) Fail(sql);
      if (!rows) continue;
      Row row;
      for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
        switch (sqlite3_column_type(stmt, c)) {
          case SQLITE_INTEGER:
            row.emplace_back(static_cast<int64_t>(sqlite3_column_int64(stmt, c)));
            break;
          case SQLITE_FLOAT:
            row.emplace_back(sqlite3_column_double(stmt, c));
            break;
          case SQLITE_NULL:
            row.emplace_back(std::monostate{});
            break;
          default:
            row.emplace_back(std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                                         static_cast<size_t>(sqlite3_column_bytes(stmt, c))));
        }
      }
      rows->push_back(std::move(row));
    }
  }

  std::string path_;
  sqlite3* db_ = nullptr;
};

}  // namespace

std::unique_ptr<Database> OpenSqlite(const std::string& path) { return std::make_unique<Sqlite>(path); }

}  // namespace vantrel::results
