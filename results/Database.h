#pragma once
// One small interface over the results' two back-ends: an SQLite file on the
// bench PC and a PostgreSQL server shared by a line. Both run the same
// statements, written with "?" for each parameter; values are always bound,
// never pasted into the text, so a serial number with quotes in it stays text.
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace vantrel::results {

// A bound parameter or a column read back; monostate is SQL NULL.
using Value = std::variant<std::monostate, int64_t, double, std::string>;
using Row = std::vector<Value>;

// Why a statement failed. `lost` says the connection itself is gone (a
// server stopped, a network cut): worth trying again on a new one.
class DatabaseError : public std::runtime_error {
 public:
  DatabaseError(const std::string& what, bool lost) : std::runtime_error(what), lost_(lost) {}
  bool Lost() const { return lost_; }

 private:
  bool lost_;
};

class Database {
 public:
  virtual ~Database() = default;
  // A statement that returns no rows.
  virtual void Exec(const std::string& sql, const std::vector<Value>& params = {}) = 0;
  virtual std::vector<Row> Query(const std::string& sql, const std::vector<Value>& params = {}) = 0;
  // A transaction for writing; Exclusive also keeps every other writer out
  // until it ends (the schema's migration, run by several benches at once).
  virtual void Begin(bool exclusive = false) = 0;
  virtual void Commit() = 0;
  virtual void Rollback() noexcept = 0;
  // Where it is, for messages: the file or the server without its password.
  virtual std::string Where() const = 0;
};

// "postgresql://..." or "postgres://..." opens a server connection, anything
// else an SQLite file (created with its folder). Throws DatabaseError.
std::unique_ptr<Database> OpenDatabase(const std::string& target);
bool IsServerUrl(const std::string& target);

// The default SQLite file: $XDG_DATA_HOME/vantrel/results.db, or
// ~/.local/share/vantrel/results.db; empty when neither is known.
std::string DefaultDatabasePath();

// Rolls back on the way out unless committed: no half-written row.
class Transaction {
 public:
  Transaction(Database& db, bool exclusive = false) : db_(db) { db_.Begin(exclusive); }
  ~Transaction() {
    if (!done_) db_.Rollback();
  }
  void Commit() {
    db_.Commit();
    done_ = true;
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

 private:
  Database& db_;
  bool done_ = false;
};

// Each back-end's constructor.
std::unique_ptr<Database> OpenSqlite(const std::string& path);
std::unique_ptr<Database> OpenPostgres(const std::string& url);

}  // namespace vantrel::results
