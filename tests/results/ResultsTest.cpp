// The results database on both back-ends: the same statements against an
// SQLite file and against a PostgreSQL server of the tests' own (started by
// the postgres_server fixture; skipped where there is none).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "results/Database.h"
#include "results/Recorder.h"
#include "results/Results.h"

// Filters name only the fields they set.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace vantrel::results {
namespace {

// Each test gets a database of its own: a new file, or a new schema on the
// shared server (search_path keeps the statements as they are).
class ResultsTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->name());
    for (char& c : name)
      if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    if (GetParam() == "sqlite") {
      dir_ = std::filesystem::temp_directory_path() / ("vantrel-results-" + std::to_string(getpid()) + name);
      std::filesystem::remove_all(dir_);
      target_ = (dir_ / "sub" / "results.db").string();
      return;
    }
    const char* file = std::getenv("VANTREL_TEST_PG_URL_FILE");
    std::string url;
    if (file) std::getline(std::ifstream(file), url);
    if (!IsServerUrl(url)) GTEST_SKIP() << "no PostgreSQL server for the tests: " << url;
    const std::string schema = "t" + name;
    auto admin = OpenDatabase(url);
    admin->Exec("DROP SCHEMA IF EXISTS " + schema + " CASCADE");
    admin->Exec("CREATE SCHEMA " + schema);
    target_ = url + "&options=-csearch_path%3D" + schema;
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  std::unique_ptr<Database> Open() {
    auto db = OpenDatabase(target_);
    Migrate(*db);
    return db;
  }

  static RunRecord Run(const std::string& id, const std::string& time, const std::string& kind,
                       const std::string& serial, std::optional<double> value, std::optional<bool> pass) {
    RunRecord r;
    r.id = id;
    r.campaign = "c1";
    r.time = time;
    r.kind = kind;
    r.station = "line 1";
    r.port = "/dev/ttyUSB0";
    r.serial = serial;
    r.seq = std::stoll(id.substr(1));
    r.value = value;
    r.unit = "ms";
    r.pass = pass;
    r.reason = value ? "" : "timeout";
    r.detail = "{}";
    r.commandLine = "vantrel-bench ttff";
    r.version = "1.0";
    return r;
  }

  std::filesystem::path dir_;
  std::string target_;
};

TEST_P(ResultsTest, MigratesOnceAndRefusesANewerSchema) {
  auto db = Open();
  Migrate(*db);  // a second start changes nothing
  auto again = OpenDatabase(target_);
  Migrate(*again);
  const auto rows = db->Query("SELECT COUNT(*), MAX(version) FROM vantrel_schema");
  EXPECT_EQ(std::get<int64_t>(rows[0][0]), SchemaVersion());
  EXPECT_EQ(std::get<int64_t>(rows[0][1]), SchemaVersion());

  db->Exec("INSERT INTO vantrel_schema (version) VALUES (?)", {int64_t{SchemaVersion() + 1}});
  try {
    Migrate(*db);
    FAIL() << "a newer schema was taken";
  } catch (const DatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("newer than this program's"), std::string::npos) << e.what();
  }
}

TEST_P(ResultsTest, KeepsEveryFieldAsWrittenAndTextAsText) {
  auto db = Open();
  const std::string hostile[] = {"SN'); DROP TABLE runs; --", "O\"Brien's \\ ?$1 %_", "Ünïcødé 基準"};
  std::vector<RunRecord> runs;
  for (int i = 0; i < 3; ++i) {
    RunRecord r = Run("r" + std::to_string(i + 1), "2026-12-09T03:00:0" + std::to_string(i) + ".000Z",
                      "ttff-hot", hostile[i], i == 1 ? std::nullopt : std::optional(1234.5 + i),
                      i == 2 ? std::nullopt : std::optional(i == 0));
    r.station = hostile[(i + 1) % 3];
    r.limits = "[hot_start]\nlimit_s = 5 # '\"\n";
    runs.push_back(r);
  }
  Store(*db, runs);
  const std::vector<RunRecord> back = List(*db, {});
  const auto fields = [](const RunRecord& r) {
    return std::tie(r.serial, r.station, r.value, r.pass, r.reason, r.limits, r.time, r.seq);
  };
  ASSERT_EQ(back.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(fields(back[i]), fields(runs[i])) << i;
  ASSERT_EQ(List(*db, {.serial = hostile[0]}).size(), 1u);
  EXPECT_EQ(List(*db, {.serial = "%"}).size(), 0u);
}

TEST_P(ResultsTest, FiltersByEachField) {
  auto db = Open();
  Store(*db, {Run("r1", "2026-12-08T23:59:59.999Z", "ttff-cold", "A", 1000, true),
              Run("r2", "2026-12-09T00:00:00.000Z", "ttff-hot", "A", std::nullopt, false),
              Run("r3", "2026-12-09T12:00:00.000Z", "station", "B", std::nullopt, true),
              Run("r4", "2026-12-10T00:00:00.000Z", "sensitivity-step", "B", 30, std::nullopt)});
  struct Case {
    Filter filter;
    std::vector<std::string> ids;
  };
  const Case cases[] = {
      {{}, {"r1", "r2", "r3", "r4"}},
      {{.serial = "A"}, {"r1", "r2"}},
      {{.station = "line 2"}, {}},
      {{.kind = "ttff"}, {"r1", "r2"}},
      {{.kind = "ttff-hot"}, {"r2"}},
      {{.kind = "ttf"}, {}},
      {{.pass = true}, {"r1", "r3"}},
      {{.pass = false}, {"r2"}},
      {{.since = "2026-12-09"}, {"r2", "r3", "r4"}},
      {{.until = "2026-12-09"}, {"r1", "r2", "r3"}},
      {{.since = "2026-12-09T06:00", .until = "2026-12-09T12:00"}, {"r3"}},
      {{.serial = "B", .pass = true}, {"r3"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> ids;
    for (const RunRecord& r : List(*db, c.filter)) ids.push_back(r.id);
    EXPECT_EQ(ids, c.ids) << c.filter.serial << c.filter.kind << c.filter.since << c.filter.until;
  }
}

TEST_P(ResultsTest, StoresARunOnceAndABatchWholeOrNotAtAll) {
  auto db = Open();
  Store(*db, {Run("r1", "2026-12-09T00:00:00.000Z", "ttff-hot", "A", 1, true)});
  // Written again after a connection lost before its answer: still one row.
  Store(*db, {Run("r1", "2026-12-09T00:00:00.000Z", "ttff-hot", "A", 1, true),
              Run("r2", "2026-12-09T00:00:01.000Z", "ttff-hot", "A", 2, true)});
  EXPECT_EQ(List(*db, {}).size(), 2u);
  {
    Transaction t(*db);
    db->Exec("DELETE FROM runs");
  }  // not committed: rolled back
  EXPECT_EQ(List(*db, {}).size(), 2u);
}

TEST_P(ResultsTest, RecorderWritesEveryRunAndNamesTheCampaign) {
  std::vector<std::string> notices;
  Recorder recorder(target_, {"bench 7", "vantrel-bench ttff --port 'x'", "1.2"},
                    [&](const std::string& n) { notices.push_back(n); });
  for (int i = 1; i <= 50; ++i) recorder.Record(Run("r" + std::to_string(i), "2026-12-09T00:00:00.000Z",
                                                    "ttff-warm", "", i, true));
  EXPECT_TRUE(recorder.Finish(10000).empty());
  auto db = Open();
  const auto runs = List(*db, {.station = "bench 7"});
  ASSERT_EQ(runs.size(), 50u);
  EXPECT_EQ(runs[0].campaign, recorder.Campaign());
  EXPECT_EQ(runs[49].commandLine, "vantrel-bench ttff --port 'x'");
  EXPECT_TRUE(notices.empty());
}

INSTANTIATE_TEST_SUITE_P(Backends, ResultsTest, ::testing::Values("sqlite", "postgresql"));

// Before any test starts: a database that cannot be reached or written is
// refused with the reason.
TEST(ResultsOpen, RefusesWhatCannotBeWritten) {
  const std::string dir = std::filesystem::temp_directory_path() / ("vantrel-ro-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  { Recorder first(dir + "/results.db", {}, {}); }
  std::filesystem::permissions(dir + "/results.db", std::filesystem::perms::owner_read |
                                                        std::filesystem::perms::group_read);
  const struct {
    std::string target, expected;
  } cases[] = {
      {"postgresql:///postgres?host=/nonexistent-vantrel&user=x", "cannot reach postgresql:///postgres"},
      {"postgresql://bench:secret@/postgres?host=/nonexistent-vantrel", "postgresql://bench@/postgres"},
      {"/proc/vantrel/results.db", "cannot create /proc/vantrel"},
      {dir + "/results.db", geteuid() == 0 ? "" : "readonly"},
  };
  for (const auto& c : cases) {
    if (c.expected.empty()) continue;  // root writes a read-only file
    try {
      Recorder r(c.target, {}, {});
      ADD_FAILURE() << c.target << " was taken";
    } catch (const DatabaseError& e) {
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).find("secret"), std::string::npos) << e.what();
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vantrel::results
