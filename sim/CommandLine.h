#pragma once
// The simulator's command line: what the options set, and the help text that
// also describes its files and control lines.
#include <string>
#include <vector>

#include "sim/CommandInterpreter.h"
#include "sim/ModuleOptions.h"

namespace vantrel::sim {

// Where the simulator runs unless told: "vantrel-sim" in the user's runtime
// directory ($XDG_RUNTIME_DIR), else "/tmp/vantrel-sim-UID". The window's
// port list looks in the same place (link/DeviceNames.cpp).
std::string DefaultRunDirectory();

struct ProgramOptions {
  ModuleOptions module;
  std::string dir = DefaultRunDirectory();
  std::vector<Command> refused;
  bool silent = false;
  bool noFix = false;
  bool logSent = false;
  int generatorBaud = 19200;
  std::string replay;       // a recording to play instead of the simulated fixes
  double replaySpeed = 1;   // 0: as fast as the line allows
  bool replayLoop = false;
};

struct ParsedCommandLine {
  ProgramOptions options;
  bool help = false;  // print kHelp and stop
  bool version = false;  // print the version and stop
  std::string error;  // non-empty: what was wrong, the simulator does not start
};

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv);

extern const char kHelp[];

}  // namespace vantrel::sim
