#pragma once
// Lines of the runtime control channel and of the signal generator's link,
// applied to the module. Both return an empty text when the line was
// understood, else what was wrong with it.
#include <string>
#include <string_view>

namespace vantrel::sim {

class Module;

// Control lines (one per line written to the control FIFO):
//   fault              send the receiver-fault acknowledgement now
//   refuse N|accept N  answer command N with flag 2 / normally again
//   ignore N|heed N    give command N no answer at all (N = all: every command)
//   silent on|off      send nothing at all
//   nofix on|off       lose / regain the fix (antenna pulled)
//   baud N             switch the module's own rate without telling anybody
//   reset-stats        zero the counters
//   stats              write the statistics file now (handled by the program)
std::string ApplyControl(std::string_view line, Module& module);

// Generator lines: "MAIN:TEST 1", "MAIN:SV n", "MAIN:RFLVL x".
std::string ApplyGenerator(std::string_view line, Module& module);

}  // namespace vantrel::sim
