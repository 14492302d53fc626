#include "results/Results.h"

#include <array>
#include <string_view>

namespace vantrel::results {
namespace {

// Each version's statements, in order. Types both back-ends read alike;
// a new version is a new entry, never an edit of an old one.
const std::vector<std::vector<const char*>> kMigrations = {
    {
        "CREATE TABLE runs ("
        " run_id TEXT PRIMARY KEY,"
        " campaign TEXT NOT NULL,"
        " recorded_at TEXT NOT NULL,"
        " kind TEXT NOT NULL,"
        " station TEXT NOT NULL,"
        " port TEXT NOT NULL,"
        " serial TEXT NOT NULL,"
        " seq BIGINT NOT NULL,"
        " value DOUBLE PRECISION,"
        " unit TEXT NOT NULL,"
        " pass INTEGER,"
        " reason TEXT NOT NULL,"
        " detail TEXT NOT NULL,"
        " limits TEXT NOT NULL,"
        " command_line TEXT NOT NULL,"
        " version TEXT NOT NULL)",
        "CREATE INDEX runs_serial ON runs (serial)",
        "CREATE INDEX runs_recorded_at ON runs (recorded_at)",
    },
};

constexpr const char kColumns[] =
    "run_id, campaign, recorded_at, kind, station, port, serial, seq, value, unit, pass, reason, detail, "
    "limits, command_line, version";

std::string TextOf(const Value& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* n = std::get_if<int64_t>(&v)) return std::to_string(*n);
  return "";
}

std::optional<double> NumberOf(const Value& v) {
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* n = std::get_if<int64_t>(&v)) return static_cast<double>(*n);
  return std::nullopt;
}

// The version written, or nothing for a database without our schema.
std::optional<int> VersionOf(Database& db) {
  try {
    const std::vector<Row> rows = db.Query("SELECT MAX(version) FROM vantrel_schema");
    const std::optional<double> found = rows.empty() ? std::nullopt : NumberOf(rows[0][0]);
    return found ? static_cast<int>(*found) : 0;
  } catch (const DatabaseError& e) {
    if (e.Lost()) throw;
    return std::nullopt;
  }
}

}  // namespace

int SchemaVersion() { return static_cast<int>(kMigrations.size()); }

void Migrate(Database& db) {
  // Up to date: nothing written, so a reader without the right to write
  // reads, and benches that start together do not queue for the lock.
  if (VersionOf(db) == SchemaVersion()) return;
  Transaction t(db, true);
  db.Exec("CREATE TABLE IF NOT EXISTS vantrel_schema (version INTEGER NOT NULL)");
  const int version = VersionOf(db).value_or(0);
  if (version > SchemaVersion())
    throw DatabaseError(db.Where() + " has results of schema version " + std::to_string(version) +
                            ", newer than this program's " + std::to_string(SchemaVersion()) +
                            ": update vantrel-bench",
                        false);
  for (int v = version; v < SchemaVersion(); ++v) {
    for (const char* sql : kMigrations[static_cast<size_t>(v)]) db.Exec(sql);
    db.Exec("INSERT INTO vantrel_schema (version) VALUES (?)", {int64_t{v + 1}});
  }
  t.Commit();
}

void Store(Database& db, const std::vector<RunRecord>& runs) {
  const std::string sql = std::string("INSERT INTO runs (") + kColumns +
                          ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
                          " ON CONFLICT (run_id) DO NOTHING";
  Transaction t(db);
  for (const RunRecord& r : runs) {
    db.Exec(sql, {r.id, r.campaign, r.time, r.kind, r.station, r.port, r.serial, r.seq,
                  r.value ? Value(*r.value) : Value(), r.unit, r.pass ? Value(int64_t{*r.pass}) : Value(), r.reason,
                  r.detail, r.limits, r.commandLine, r.version});
  }
  t.Commit();
}

std::vector<RunRecord> List(Database& db, const Filter& f) {
  std::string sql = std::string("SELECT ") + kColumns + " FROM runs WHERE 1 = 1";
  std::vector<Value> params;
  for (auto [column, wanted] : std::array{std::pair{"serial", &f.serial}, std::pair{"station", &f.station}}) {
    if (wanted->empty()) continue;
    sql += std::string(" AND ") + column + " = ?";
    params.emplace_back(*wanted);
  }
  if (!f.kind.empty()) {
    // A family is one of ours, never the user's text: no LIKE pattern from outside.
    bool family = false;
    for (const char* name : kKindFamilies) family = family || f.kind == name;
    if (family) {
      sql += " AND (kind = ? OR kind LIKE ?)";
      params.emplace_back(f.kind);
      params.emplace_back(f.kind + "-%");
    } else {
      sql += " AND kind = ?";
      params.emplace_back(f.kind);
    }
  }
  if (f.pass) {
    sql += " AND pass = ?";
    params.emplace_back(int64_t{*f.pass});
  }
  if (!f.since.empty()) {
    sql += " AND recorded_at >= ?";
    params.emplace_back(f.since);
  }
  if (!f.until.empty()) {
    // "~" sorts after every character of a time: a date takes its whole day.
    sql += " AND recorded_at <= ?";
    params.emplace_back(f.until + "~");
  }
  sql += " ORDER BY recorded_at, campaign, seq, run_id";
  std::vector<RunRecord> out;
  for (const Row& row : db.Query(sql, params)) {
    RunRecord r;
    r.id = TextOf(row[0]);
    r.campaign = TextOf(row[1]);
    r.time = TextOf(row[2]);
    r.kind = TextOf(row[3]);
    r.station = TextOf(row[4]);
    r.port = TextOf(row[5]);
    r.serial = TextOf(row[6]);
    r.seq = static_cast<int64_t>(NumberOf(row[7]).value_or(0));
    r.value = NumberOf(row[8]);
    r.unit = TextOf(row[9]);
    if (const std::optional<double> p = NumberOf(row[10])) r.pass = *p != 0;
    r.reason = TextOf(row[11]);
    r.detail = TextOf(row[12]);
    r.limits = TextOf(row[13]);
    r.commandLine = TextOf(row[14]);
    r.version = TextOf(row[15]);
    out.push_back(std::move(r));
  }
  return out;
}

std::string Describe(const RunRecord& run) {
  std::string text = run.kind + " " + run.port;
  if (!run.serial.empty()) text += " (" + run.serial + ")";
  return text + (run.kind == "station" ? " test " : " run ") + std::to_string(run.seq);
}

}  // namespace vantrel::results
