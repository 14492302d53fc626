// The simulator's options: what each sets, and the ones it refuses to start
// with.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "sim/CommandLine.h"

namespace vantrel::sim {
namespace {

TEST(SimCommandLine, OptionsSetTheModuleAndBadOnesStopTheStart) {
  struct Row {
    std::vector<const char*> args;
    std::string error;  // the start of the message; empty: accepted
    std::function<bool(const ParsedCommandLine&)> check;
  };
  const Row rows[] = {
      {{}, "", [](auto& p) { return p.options.dir == DefaultRunDirectory() && p.options.module.baud == 38400; }},
      {{"--help"}, "", [](auto& p) { return p.help; }},
      {{"--version"}, "", [](auto& p) { return p.version; }},
      {{"--fix-rate", "4"}, "", [](auto& p) { return p.options.module.fixPeriodMs == 250; }},
      {{"--fix-rate", "6"}, "bad option --fix-rate 6", nullptr},
      {{"--rate", "ZDA=2"}, "", [](auto& p) { return p.options.module.rates.zda == 2; }},
      {{"--rate", "XYZ=2"}, "bad option", nullptr},
      {{"--rate", "ZDA"}, "bad option", nullptr},
      {{"--all-rates", "3"},
       "",
       [](auto& p) { return p.options.module.rates == OutputRates{3, 3, 3, 3, 3, 3, 3, 3}; }},
      {{"--chn-rate", "0"}, "", [](auto& p) { return p.options.module.rates.chn == 0; }},
      {{"--refuse", "314", "--refuse", "220"},
       "",
       [](auto& p) {
         return p.options.refused == std::vector<Command>{Command::OutputRates, Command::FixPeriod};
       }},
      {{"--asleep", "--flash-writes", "0", "--log-sent"},
       "",
       [](auto& p) {
         return p.options.module.asleep && p.options.module.flashWrites == 0 && p.options.logSent;
       }},
      {{"--ttff-cold", "2.5", "--utc", "1175904000"},
       "",
       [](auto& p) { return p.options.module.ttffCold == 2.5 && p.options.module.utcStart == 1175904000; }},
      {{"--baud"}, "missing value or unknown option --baud", nullptr},
      {{"--baud=9600", "--rate=GGA=2"},
       "",
       [](auto& p) { return p.options.module.baud == 9600 && p.options.module.rates.gga == 2; }},
      {{"--baud="}, "bad option --baud ", nullptr},
      {{"--flood=1"}, "option --flood takes no value", nullptr},
      {{"--bogus", "1"}, "bad option --bogus 1", nullptr},
      {{"--lat", "89"}, "bad option", nullptr},
      {{"--lon", "180"}, "bad option", nullptr},
      {{"--lon", "-179"}, "bad option", nullptr},
      {{"--utc", "1e18"}, "bad option", nullptr},
      {{"--sky-speed", "inf"}, "bad option", nullptr},
      {{"--gen-loss", "nan"}, "bad option", nullptr},
      {{"--ttff-cold", "1e300"}, "bad option", nullptr},
      {{"--ttff-hot", "-1"}, "bad option", nullptr},
  };
  for (const Row& row : rows) {
    std::vector<const char*> argv = {"vantrel-sim"};
    argv.insert(argv.end(), row.args.begin(), row.args.end());
    const ParsedCommandLine parsed = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    const std::string name = row.args.empty() ? "(none)" : row.args[0];
    EXPECT_EQ(parsed.error.substr(0, row.error.size()), row.error) << name;
    EXPECT_EQ(parsed.error.empty(), row.error.empty()) << name << ": " << parsed.error;
    if (row.check) {
      EXPECT_TRUE(row.check(parsed)) << name;
    }
  }
}

}  // namespace
}  // namespace vantrel::sim
