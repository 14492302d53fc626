// vantrel-bench: lab automation on the command line. "ttff" runs restarts on
// several receivers side by side and reports the times to first fix;
// "sensitivity" runs the window's sensitivity sequencer with a signal
// generator.
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "Version.h"
#include "tools/BenchCommands.h"
#include "tools/BenchOptions.h"
#include "tools/BenchRecording.h"

namespace vantrel::benchtool {

const char kExitStatusText[] =
    "Exit status: 0 every receiver passes (sensitivity: every iteration held a\n"
    "level in each phase), 1 a receiver fails (a run without a fix, a receiver\n"
    "gone or silent for 5 s, a time over the limit, a sensitivity iteration\n"
    "without a level held, such as a satellite not tracked at the start level,\n"
    "a generator that stopped taking commands mid-test; its figures are then\n"
    "absent, never 0), 2 a wrong command line or a set-up error (a port that\n"
    "will not open, a receiver that sends nothing in 5 s from the open, a\n"
    "generator that is missing, a CSV file that exists or cannot be written,\n"
    "a results database that cannot be reached or written), 3 runs were made\n"
    "but not all of them could be stored in the results database (each is\n"
    "named).\n"
    "\n"
    "Ctrl-C (or SIGTERM) ends a run with the summary of what was done so far,\n"
    "marked \"interrupted\", and exit status 1; a second Ctrl-C ends it at once.";

CLI::Validator Number(double lo, double hi, bool whole) {
  return CLI::Validator(
      [=](std::string& text) -> std::string {
        const std::optional<double> value = ReadOptionNumber(text, lo, hi, whole);
        if (!value) return NumberRangeText(lo, hi, whole) + ": " + text;
        char plain[32];
        std::snprintf(plain, sizeof plain, "%.17g", *value);
        text = plain;
        return "";
      },
      "");
}

void DeclareOutputOptions(CLI::App& sub, OutputOptions& out, const std::string& rows) {
  const CLI::Validator named(
      [](std::string& text) -> std::string { return text.empty() ? "a file name, or - for standard output" : ""; },
      "");
  sub.add_option("--csv", out.csv,
                 rows + " (\"-\": standard output, the summary then on\n"
                        "standard error); nothing is written without it")
      ->check(named)
      ->type_name("FILE");
  const CLI::Validator file(
      [](std::string& text) -> std::string { return text.empty() || text == "-" ? "a file name" : ""; }, "");
  sub.add_option("--report", out.report,
                 "one HTML page with the figures and their plots (self-contained;\n"
                 "it opens in any browser and prints on paper)")
      ->check(file)
      ->type_name("FILE");
  sub.add_flag("--force", out.force, "overwrite the --csv or --report file if it exists");
  sub.add_flag("--json", out.json, "the summary as one JSON object on standard output");
}

int SetupError(const std::string& why) {
  std::fprintf(stderr, "vantrel-bench: %s\n", why.c_str());
  return static_cast<int>(Exit::Usage);
}

namespace {
std::atomic<bool> gInterrupted{false};
extern "C" void OnInterrupt(int) { gInterrupted.store(true, std::memory_order_relaxed); }
}  // namespace

const std::atomic<bool>* CatchInterrupt() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  return &gInterrupted;
}

}  // namespace vantrel::benchtool

namespace {

using namespace vantrel::benchtool;

struct Subcommand {
  const char* name;
  const char* summary;  // its line in the program's help
  std::unique_ptr<BenchCommand> (*make)();
};

const Subcommand kSubcommands[] = {
    {"ttff", "time-to-first-fix campaigns on one or more receivers at once", MakeTtffCommand},
    {"sensitivity", "the window's sensitivity test with a signal generator", MakeSensitivityCommand},
    {"station", "the production test of one unit per port: PASS or FAIL", MakeStationCommand},
    {"results", "the runs kept in the results database, filtered, as CSV, JSON or a page",
     MakeResultsCommand},
};

}  // namespace

int main(int argc, char** argv) {
  CLI::App app(
      "vantrel-bench: lab automation for GPS receiver modules on serial ports.\n"
      "\"vantrel-bench SUBCOMMAND --help\" says more about each subcommand.",
      "vantrel-bench");
  app.set_version_flag("--version", std::string("vantrel-bench ") + vantrel::kVersion,
                       "the program's version");
  app.set_help_flag("-h,--help", "this text");
  app.require_subcommand(1);
  app.footer(std::string(kExitStatusText) + "\n\nSee also vantrel(1), vantrel-log(1) and vantrel-sim(1).");

  std::unique_ptr<BenchCommand> commands[std::size(kSubcommands)];
  std::string helpHint = "vantrel-bench --help";
  for (size_t i = 0; i < std::size(kSubcommands); ++i) {
    CLI::App* sub = app.add_subcommand(kSubcommands[i].name, kSubcommands[i].summary);
    sub->set_help_flag("-h,--help", "this text");
    commands[i] = kSubcommands[i].make();
    commands[i]->Declare(*sub);
  }
  // Said plainly, where the parser would ask for a subcommand.
  if (argc > 1 && argv[1][0] != '-' &&
      std::none_of(std::begin(kSubcommands), std::end(kSubcommands),
                   [&](const Subcommand& s) { return std::string_view(argv[1]) == s.name; })) {
    std::fprintf(stderr, "vantrel-bench: unknown subcommand %s (ttff, sensitivity, results or station)\n", argv[1]);
    return static_cast<int>(Exit::Usage);
  }
  SetCommandLine(argc, argv);
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help or --version, on standard output
  } catch (const CLI::ParseError& e) {
    for (size_t i = 0; i < std::size(kSubcommands); ++i)
      if (app.got_subcommand(kSubcommands[i].name))
        helpHint = std::string("vantrel-bench ") + kSubcommands[i].name + " --help";
    std::fprintf(stderr, "vantrel-bench: %s\n(\"%s\" shows the usage)\n", e.what(), helpHint.c_str());
    return static_cast<int>(Exit::Usage);
  }
  for (size_t i = 0; i < std::size(kSubcommands); ++i)
    if (app.got_subcommand(kSubcommands[i].name)) return commands[i]->Run();
  return static_cast<int>(Exit::Usage);
}
