// The simulator's control FIFO and generator link on any lines: each is
// applied or refused with a reason, the module goes on, and its line never
// carries more than the line's rate allows however many faults are asked for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/Control.h"
#include "sim/Module.h"

using namespace vantrel::sim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ModuleOptions options;
  options.utcStart = 1175904000;
  Module module(options, 0.0);
  size_t written = 0;
  const Module::WriteFn write = [&written](const char*, size_t count) {
    written += count;
    return count;
  };
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  double now = 0.0;
  int lines = 0;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    // Odd lines go to the generator, even ones to the control FIFO.
    const std::string why = ++lines % 2 == 0 ? ApplyControl(line, module) : ApplyGenerator(line, module);
    if (why.size() > line.size() + 64) std::abort();
    now += 0.05;
    module.Tick(now);
    module.Pump(now, module.Baud(), write);
  }
  module.Tick(now + 1.0);
  module.Pump(now + 1.0, module.Baud(), write);
  // The fastest rate control can set, with room for a queued sentence.
  if (written > static_cast<size_t>((now + 1.0) * 400000.0 + 4096)) std::abort();
  return 0;
}
