// The shared back-end: a PostgreSQL server through libpq's C API. Every
// parameter goes as text in its own slot (PQexecParams), never in the
// statement; the server reads each as its column's type.
#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>

#include "results/Database.h"

namespace vantrel::results {
namespace {

// A bench waits this long for a server that does not answer.
constexpr const char kConnectTimeoutS[] = "5";

// "?" to "$1", "$2"...: our statements hold no "?" inside a literal.
std::string Numbered(const std::string& sql) {
  std::string out;
  int n = 0;
  for (char c : sql) {
    if (c == '?')
      out += "$" + std::to_string(++n);
    else
      out += c;
  }
  return out;
}

// The URL without its password, for messages.
std::string WithoutPassword(const std::string& url) {
  const size_t scheme = url.find("://");
  const size_t at = url.find('@');
  if (scheme == std::string::npos || at == std::string::npos) return url;
  const size_t colon = url.find(':', scheme + 3);
  if (colon == std::string::npos || colon > at) return url;
  return url.substr(0, colon) + url.substr(at);
}

class Postgres final : public Database {
 public:
  explicit Postgres(const std::string& url) : where_(WithoutPassword(url)) {
    // A server cut off by the network is noticed within seconds instead of
    // blocking a write for good; the URL's own settings come after and win.
    const char* keys[] = {"connect_timeout", "application_name", "keepalives_idle", "keepalives_interval",
                          "keepalives_count", "tcp_user_timeout", "dbname", nullptr};
    const char* values[] = {kConnectTimeoutS, "vantrel-bench", "5", "2", "3", "10000", url.c_str(), nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (PQstatus(conn_) != CONNECTION_OK) {
      std::string why = conn_ ? PQerrorMessage(conn_) : "out of memory";
      while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
      PQfinish(conn_);
      throw DatabaseError("cannot reach " + where_ + ": " + why, true);
    }
    Exec("SET client_min_messages TO WARNING", {});
  }
  ~Postgres() override { PQfinish(conn_); }

  void Exec(const std::string& sql, const std::vector<Value>& params) override { Run(sql, params, nullptr); }
  std::vector<Row> Query(const std::string& sql, const std::vector<Value>& params) override {
    std::vector<Row> rows;
    Run(sql, params, &rows);
    return rows;
  }
  void Begin(bool exclusive) override {
    Exec("BEGIN", {});
    // One migration at a time across the line's benches; freed at the end
    // of the transaction.
    if (exclusive) Query("SELECT pg_advisory_xact_lock(7361746)", {});
  }
  void Commit() override { Exec("COMMIT", {}); }
  void Rollback() noexcept override {
    if (PQstatus(conn_) == CONNECTION_OK) PQclear(PQexec(conn_, "ROLLBACK"));
  }
  std::string Where() const override { return where_; }

 private:
  void Run(const std::string& sql, const std::vector<Value>& params, std::vector<Row>* rows) {
    std::vector<std::string> texts(params.size());
    std::vector<const char*> slots(params.size(), nullptr);
    for (size_t i = 0; i < params.size(); ++i) {
      const Value& v = params[i];
      if (const auto* n = std::get_if<int64_t>(&v)) {
        texts[i] = std::to_string(*n);
      } else if (const auto* d = std::get_if<double>(&v)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.17g", *d);
        texts[i] = buffer;
      } else if (const auto* s = std::get_if<std::string>(&v)) {
        texts[i] = *s;
      } else {
        continue;  // NULL
      }
      slots[i] = texts[i].c_str();
    }
    PGresult* result = PQexecParams(conn_, Numbered(sql).c_str(), static_cast<int>(params.size()), nullptr,
                                    slots.data(), nullptr, nullptr, 0);
    struct Clear {
      PGresult* r;
      ~Clear() { PQclear(r); }
    } clear{result};
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
      std::string why = PQerrorMessage(conn_);
      while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
      throw DatabaseError(where_ + ": " + why, PQstatus(conn_) != CONNECTION_OK);
    }
    if (!rows) return;
    const int columns = PQnfields(result);
    for (int r = 0; r < PQntuples(result); ++r) {
      Row row;
      for (int c = 0; c < columns; ++c) {
        if (PQgetisnull(result, r, c)) {
          row.emplace_back(std::monostate{});
          continue;
        }
        const char* text = PQgetvalue(result, r, c);
        switch (PQftype(result, c)) {
          case 20:  // int8
          case 21:  // int2
          case 23:  // int4
            row.emplace_back(static_cast<int64_t>(std::strtoll(text, nullptr, 10)));
            break;
          case 700:  // float4
          case 701:  // float8
            row.emplace_back(std::strtod(text, nullptr));  // the server writes the C locale's point
            break;
          default:
            row.emplace_back(std::string(text, static_cast<size_t>(PQgetlength(result, r, c))));
        }
      }
      rows->push_back(std::move(row));
    }
  }

  std::string where_;
  PGconn* conn_ = nullptr;
};

}  // namespace

std::unique_ptr<Database> OpenPostgres(const std::string& url) { return std::make_unique<Postgres>(url); }

}  // namespace vantrel::results
