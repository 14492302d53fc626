// The simulated module's command interpreter on any bytes from the PC: it
// answers, refuses or ignores, and never breaks; its line never carries more
// than it was given room for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

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
  // The input goes in as a few lines at the module's rate, with time passing
  // in between, so commands that change the rate or the output take effect.
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  double now = 0.0;
  for (size_t at = 0; at < bytes.size(); at += 64) {
    module.Receive(bytes.substr(at, 64), now, module.Baud());
    now += 0.25;
    module.Tick(now);
    module.Pump(now, module.Baud(), write);
  }
  module.Tick(now + 2.0);
  module.Pump(now + 2.0, module.Baud(), write);
  // At most what the fastest line could carry in that time, with room for a
  // queued sentence.
  if (written > static_cast<size_t>((now + 2.0) * 11520.0 * 40 + 4096)) std::abort();
  return 0;
}
