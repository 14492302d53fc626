// vantrel-bench results: the runs kept in the results database, filtered,
// as a table, CSV, JSON or an HTML page.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "evaluation/Json.h"
#include "results/Results.h"
#include "tools/BenchCommands.h"
#include "tools/BenchOptions.h"
#include "tools/BenchRecording.h"
#include "tools/BenchReport.h"

namespace vantrel::benchtool {
namespace {

constexpr const char kResultsHelp[] =
    "Lists the runs vantrel-bench has kept in the results database, oldest\n"
    "first: time-to-first-fix runs (ttff-hot, ttff-warm, ttff-cold), sensitivity\n"
    "steps and results (sensitivity-step, sensitivity-acquisition,\n"
    "sensitivity-tracking) and station tests (station), each with its station,\n"
    "port, serial number, value or the reason it has none, and verdict. The\n"
    "filters combine; --since and --until take a date (2026-12-09) or a UTC time\n"
    "(2026-12-09T14:30) and include both ends. The last line counts the runs\n"
    "listed. --report writes them as one page: their counts by kind and\n"
    "verdict (pass, fail, no result), the times to first fix as one cumulative\n"
    "distribution per unit (serial, or port without one) and restart, the\n"
    "sensitivity results, the station tests with every reason, and each run\n"
    "without a value with its reason. Exit status: 0 listed (also none), 2 a\n"
    "wrong command line, a database that cannot be read or an output file that\n"
    "exists or cannot be written.";

struct ResultsOptions : OutputOptions {
  DatabaseOptions db;
  results::Filter filter;
  bool pass = false, fail = false;
};

std::string ValueText(const std::optional<double>& v) {
  if (!v) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", *v);
  return text;
}

const char* VerdictText(const std::optional<bool>& pass) { return !pass ? "" : *pass ? "pass" : "FAIL"; }

class ResultsCommand final : public BenchCommand {
 public:
  void Declare(CLI::App& sub) override {
    sub.footer(kResultsHelp);
    sub.add_option("--db", o_.db.db,
                   "the database: an SQLite file or postgresql://... (default:\n"
                   "$VANTREL_DB, else ~/.local/share/vantrel/results.db)")
        ->type_name("DB");
    sub.add_option("--serial", o_.filter.serial, "one unit's runs")->type_name("SN");
    sub.add_option("--station", o_.filter.station, "one station's runs")->type_name("NAME");
    std::vector<std::string> kinds(std::begin(results::kKindFamilies), std::end(results::kKindFamilies));
    kinds.insert(kinds.end(), std::begin(results::kKinds), std::end(results::kKinds));
    sub.add_option("--kind", o_.filter.kind, "one kind of run, or ttff or sensitivity for all of theirs")
        ->check(CLI::IsMember(kinds))
        ->type_name("K");
    CLI::Option* pass = sub.add_flag("--pass", o_.pass, "the runs that passed");
    sub.add_flag("--fail", o_.fail, "the runs that failed")->excludes(pass);
    const CLI::Validator when(
        [](std::string& text) -> std::string {
          static const std::regex form(R"(\d{4}-\d{2}-\d{2}(T\d{2}:\d{2}(:\d{2}(\.\d{1,3})?)?)?)");
          return std::regex_match(text, form) ? "" : "a date 2026-12-09 or a UTC time 2026-12-09T14:30: " + text;
        },
        "");
    sub.add_option("--since", o_.filter.since, "runs from this date or UTC time on")->check(when)->type_name("T");
    sub.add_option("--until", o_.filter.until, "runs up to this date or UTC time")->check(when)->type_name("T");
    DeclareOutputOptions(sub, o_, "the runs as CSV rows");
  }

  int Run() override {
    if (o_.json && o_.csv == "-") return SetupError("--json and --csv - cannot both have standard output");
    if (o_.pass || o_.fail) o_.filter.pass = o_.pass;
    const std::string target = DatabaseTarget(o_.db.db);
    // Reading makes no file: a bench that has recorded nothing has none.
    if (!results::IsServerUrl(target) && !std::filesystem::exists(target))
      return SetupError("no results database at " + target + " (nothing has been recorded there)");
    std::vector<results::RunRecord> runs;
    try {
      auto db = results::OpenDatabase(target);
      results::Migrate(*db);
      runs = results::List(*db, o_.filter);
    } catch (const results::DatabaseError& e) {
      return SetupError(std::string("cannot read the results: ") + e.what());
    }
    if (!o_.csv.empty()) {
      if (const std::string why = csv_.Open(o_.csv, o_.force); !why.empty()) return SetupError(why);
    }
    if (!o_.report.empty()) {
      if (const std::string why = page_.Open(o_.report, o_.force); !why.empty()) {
        // Both files or neither: the CSV just made goes again.
        if (csv_.Get() && !csv_.IsStandardOutput()) {
          csv_.Close();
          std::remove(o_.csv.c_str());
        }
        return SetupError(why);
      }
    }
    if (csv_.Get()) {
      WriteCsv(runs, csv_.Get());
      if (!csv_.Close()) return SetupError("writing " + o_.csv + " failed");
    }
    if (page_.Get()) {
      evaluation::WriteResultsPage(page_.Get(), ResultsPageOf(runs, Selection()));
      if (!page_.Close()) return SetupError("writing " + o_.report + " failed");
    }
    if (o_.json)
      WriteJson(runs, stdout);
    else if (o_.csv != "-")
      WriteTable(runs, stdout);
    return static_cast<int>(Exit::Pass);
  }

 private:
  static void WriteCsv(const std::vector<results::RunRecord>& runs, std::FILE* out) {
    std::fputs("time_utc,kind,station,port,serial,seq,value,unit,pass,reason,campaign,version,command_line,"
               "detail,limits\n",
               out);
    for (const results::RunRecord& r : runs) {
      std::fprintf(out, "%s,%s,%s,%s,%s,%lld,%s,%s,%s,%s,%s,%s,%s,%s,%s\n", r.time.c_str(), r.kind.c_str(),
                   CsvField(r.station).c_str(), CsvField(r.port).c_str(), CsvField(r.serial).c_str(),
                   static_cast<long long>(r.seq), ValueText(r.value).c_str(), r.unit.c_str(),
                   !r.pass ? "" : *r.pass ? "true" : "false", CsvField(r.reason).c_str(), r.campaign.c_str(),
                   CsvField(r.version).c_str(), CsvField(r.commandLine).c_str(), CsvField(r.detail).c_str(),
                   CsvField(r.limits).c_str());
    }
  }

  static void WriteJson(const std::vector<results::RunRecord>& runs, std::FILE* out) {
    evaluation::JsonWriter j(out);
    j.Open('[');
    for (const results::RunRecord& r : runs) {
      j.Open('{');
      j.StringEscaped("time_utc", r.time.c_str());
      j.StringEscaped("kind", r.kind.c_str());
      j.StringEscaped("station", r.station.c_str());
      j.StringEscaped("port", r.port.c_str());
      j.StringEscaped("serial", r.serial.c_str());
      j.Int("seq", r.seq);
      if (r.value)
        j.Fixed("value", *r.value, *r.value == std::floor(*r.value) ? 0 : 3);
      else
        j.Null("value");
      j.StringEscaped("unit", r.unit.c_str());
      if (r.pass)
        j.Bool("pass", *r.pass);
      else
        j.Null("pass");
      j.StringEscaped("reason", r.reason.c_str());
      j.StringEscaped("campaign", r.campaign.c_str());
      j.StringEscaped("version", r.version.c_str());
      j.StringEscaped("command_line", r.commandLine.c_str());
      j.StringEscaped("limits", r.limits.c_str());
      // Our own JSON object, written by the bench that made the run.
      j.Key("detail");
      j.Raw(r.detail.empty() ? "{}" : r.detail.c_str());
      j.Close('}');
    }
    j.Close(']');
    std::fputc('\n', out);
  }

  static void WriteTable(const std::vector<results::RunRecord>& runs, std::FILE* out) {
    int pass = 0, fail = 0;
    std::fprintf(out, "%-24s %-23s %-12s %-20s %-14s %5s %10s %-5s  %s\n", "time_utc", "kind", "station", "port",
                 "serial", "seq", "value", "unit", "result");
    for (const results::RunRecord& r : runs) {
      if (r.pass) ++(*r.pass ? pass : fail);
      std::string result = VerdictText(r.pass);
      if (!r.reason.empty()) result += (result.empty() ? "(" : " (") + r.reason + ")";
      std::fprintf(out, "%-24s %-23s %-12s %-20s %-14s %5lld %10s %-5s  %s\n", r.time.c_str(), r.kind.c_str(),
                   r.station.c_str(), r.port.c_str(), r.serial.c_str(), static_cast<long long>(r.seq),
                   ValueText(r.value).c_str(), r.unit.c_str(), result.c_str());
    }
    std::fprintf(out, "%zu run(s): %d pass, %d FAIL, %zu without a verdict\n", runs.size(), pass, fail,
                 runs.size() - static_cast<size_t>(pass + fail));
  }

  // The filters as the page names them: "serial A1234, kind ttff".
  std::string Selection() const {
    std::string text;
    const auto add = [&](const char* name, const std::string& value) {
      if (!value.empty()) text += (text.empty() ? "" : ", ") + std::string(name) + " " + value;
    };
    add("station", o_.filter.station);
    add("serial", o_.filter.serial);
    add("kind", o_.filter.kind);
    if (o_.filter.pass) add("verdict", *o_.filter.pass ? "pass" : "fail");
    add("since", o_.filter.since);
    add("until", o_.filter.until);
    return text.empty() ? "all runs" : text;
  }

  ResultsOptions o_;
  OutputFile csv_, page_;
};

}  // namespace

std::unique_ptr<BenchCommand> MakeResultsCommand() { return std::make_unique<ResultsCommand>(); }

}  // namespace vantrel::benchtool
