#include "sim/Control.h"

#include <cstdlib>

#include "sim/Module.h"
#include "sim/Sentence.h"

namespace vantrel::sim {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

bool OnOff(std::string_view arg, bool& out) {
  if (arg == "on") return out = true, true;
  if (arg == "off") return out = false, true;
  return false;
}

}  // namespace

std::string ApplyControl(std::string_view line, Module& module) {
  line = Trim(line);
  const size_t space = line.find(' ');
  const std::string_view verb = line.substr(0, space);
  const std::string_view arg = space == std::string_view::npos ? std::string_view{} : Trim(line.substr(space + 1));
  long n = 0;
  bool on = false;
  if (verb == "fault" && arg.empty()) {
    if (!module.ReportFault()) return "one report a second at most";
  } else if ((verb == "refuse" || verb == "accept") && ParseInt(arg, n)) {
    module.SetRefused(static_cast<Command>(n), verb == "refuse");
  } else if ((verb == "ignore" || verb == "heed") && arg == "all") {
    module.SetIgnoredAll(verb == "ignore");
  } else if ((verb == "ignore" || verb == "heed") && ParseInt(arg, n)) {
    module.SetIgnored(static_cast<Command>(n), verb == "ignore");
  } else if (verb == "silent" && OnOff(arg, on)) {
    module.SetSilent(on);
  } else if (verb == "nofix" && OnOff(arg, on)) {
    module.SetFixBlocked(on);
  } else if (verb == "baud" && ParseInt(arg, n) && n >= 300 && n <= 4000000) {
    module.ForceBaud(static_cast<int>(n));
  } else if (verb == "reset-stats" && arg.empty()) {
    module.ResetStats();
  } else if (verb == "stats" && arg.empty()) {
    // The program writes the file; nothing to change in the module.
  } else {
    return "unknown control line: " + std::string(line);
  }
  return {};
}

std::string ApplyGenerator(std::string_view line, Module& module) {
  line = Trim(line);
  long n = 0;
  if (line.starts_with("MAIN:TEST ") && ParseInt(Trim(line.substr(10)), n)) {
    module.GeneratorTest(n != 0);
  } else if (line.starts_with("MAIN:SV ") && ParseInt(Trim(line.substr(8)), n) && n >= 1 && n <= 37) {
    module.GeneratorSv(static_cast<int>(n));
  } else if (line.starts_with("MAIN:RFLVL ") && ParseInt(Trim(line.substr(11)), n) && n >= -200 && n <= 20) {
    module.GeneratorLevel(static_cast<double>(n));
  } else {
    return "unknown generator line: " + std::string(line);
  }
  return {};
}

}  // namespace vantrel::sim
