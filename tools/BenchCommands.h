#pragma once
// vantrel-bench's subcommands: each declares its options on its own part of
// the command line, runs, and reports, apart from the others.
#include <CLI/CLI.hpp>

#include <atomic>
#include <memory>
#include <string>

namespace vantrel::benchtool {

// Exit status: what a CI job or a production-line script acts on.
enum class Exit : int { Pass = 0, Fail = 1, Usage = 2 };

// The text that ends every help: what the exit status says.
extern const char kExitStatusText[];

// A number option: finite and in its range, or refused with the option's
// name. The text is rewritten as the plain number it read.
CLI::Validator Number(double lo, double hi, bool whole);

// Where a subcommand's results go: --csv FILE (`rows` says what a row is),
// --report FILE for the HTML page, --force to overwrite them, --json for the
// summary.
struct OutputOptions {
  std::string csv;     // empty: no CSV
  std::string report;  // empty: no page
  bool force = false;
  bool json = false;
};
void DeclareOutputOptions(CLI::App& sub, OutputOptions& out, const std::string& rows);

// Prints a set-up error ("vantrel-bench: ...") and gives the usage status.
int SetupError(const std::string& why);

// Ctrl-C or a kill ends a long run with the summary of what it did; a
// second Ctrl-C ends it at once.
const std::atomic<bool>* CatchInterrupt();

// One subcommand. Declare adds its options to `sub`; Run is called when the
// command line named it and parsed without error.
class BenchCommand {
 public:
  virtual ~BenchCommand() = default;
  virtual void Declare(CLI::App& sub) = 0;
  virtual int Run() = 0;
};

std::unique_ptr<BenchCommand> MakeTtffCommand();
std::unique_ptr<BenchCommand> MakeSensitivityCommand();

}  // namespace vantrel::benchtool
