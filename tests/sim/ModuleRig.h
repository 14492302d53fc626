#pragma once
// A simulated module on a line that takes everything, driven in 10 ms steps,
// and the helpers the tests of sim/ read its output with. The module alone:
// bytes in, time forward, bytes out.
#include <sstream>
#include <string>
#include <vector>

#include "sim/Module.h"
#include "sim/Sentence.h"

namespace vantrel::sim::test {

inline std::vector<std::string> Lines(const std::string& stream) {
  std::vector<std::string> lines;
  std::istringstream in(stream);
  std::string l;
  while (std::getline(in, l)) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    if (!l.empty()) lines.push_back(l);
  }
  return lines;
}

inline std::vector<std::string> With(const std::string& stream, const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& l : Lines(stream))
    if (l.rfind(prefix, 0) == 0) out.push_back(l);
  return out;
}

inline std::string Field(const std::string& sentence, int index) {
  std::stringstream in(sentence.substr(0, sentence.find('*')));
  std::string f;
  for (int i = 0; i <= index; ++i)
    if (!std::getline(in, f, ',')) return "<none>";
  return f;
}

// A module on a line that takes everything, at 38400 baud unless told.
class Rig {
 public:
  explicit Rig(ModuleOptions opt = {}) : module(Fix(opt), 0.0) {}
  static ModuleOptions Fix(ModuleOptions opt) {
    opt.utcStart = 1175904000;  // 2007-04-07 00:00:00 UTC
    return opt;
  }
  // Sends `line` (CR LF added; a line that has one already gets an empty
  // line more, which the module skips) at time `t` and returns what the module
  // puts on the line until `t` + 0.5 s.
  std::string Send(const std::string& line, double t = -1) {
    if (t < 0) t = now;
    module.Receive(line + "\r\n", t, pcBaud);
    return Run(t + 0.5);
  }
  // Runs fixes and the line up to `until`, in 10 ms steps.
  std::string Run(double until) {
    const size_t from = out.size();
    for (; now < until; now += 0.01) {
      module.Tick(now);
      module.Pump(now, pcBaud, [&](const char* p, size_t n) {
        out.append(p, n);
        return lineTakes ? n : 0;
      });
    }
    return out.substr(from);
  }
  Module module;
  std::string out;
  double now = 0;
  int pcBaud = 38400;
  bool lineTakes = true;
};

inline std::string Ack(int command, int flag) {
  return Finish("$PQOL001," + std::to_string(command) + "," + std::to_string(flag));
}

inline std::string Acks(const std::string& stream) {
  std::string acks;
  for (const std::string& a : With(stream, "$PQOL001,")) acks += a + "\r\n";
  return acks;
}

}  // namespace vantrel::sim::test
