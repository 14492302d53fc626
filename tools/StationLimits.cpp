#include "tools/StationLimits.h"

#include <toml++/toml.h>

#include <cmath>
#include <cstdio>
#include <set>

namespace vantrel::benchtool {
namespace {

// A refusal that names the line.
struct Refused {
  std::string text;
};

std::string At(const std::string& file, const toml::source_region& where) {
  return file + ":" + std::to_string(where.begin.line) + ": ";
}

class Reader {
 public:
  Reader(const toml::table& table, std::string file, std::string prefix)
      : table_(table), file_(std::move(file)), prefix_(std::move(prefix)) {}

  // Every key is one we know: a misspelt limit would otherwise be a limit
  // silently not applied.
  void OnlyKeys(const std::set<std::string>& known) const {
    for (const auto& [key, node] : table_)
      if (!known.count(std::string(key.str())))
        throw Refused{At(file_, key.source()) + "unknown key " + prefix_ + std::string(key.str())};
  }

  double Number(const char* key, double lo, double hi, std::optional<double> fallback, bool whole = false) const {
    const toml::node* node = table_.get(key);
    if (!node) {
      if (fallback) return *fallback;
      throw Refused{At(file_, table_.source()) + prefix_ + key + " is missing"};
    }
    std::optional<double> v;
    if (const auto* i = node->as_integer()) v = static_cast<double>(i->get());
    if (const auto* f = node->as_floating_point(); f && !whole) v = f->get();
    char range[96];
    std::snprintf(range, sizeof range, "%s from %g to %g", whole ? "a whole number" : "a number", lo, hi);
    if (!v || !std::isfinite(*v) || *v < lo || *v > hi)
      throw Refused{At(file_, node->source()) + prefix_ + key + " must be " + range};
    return *v;
  }

  const toml::table* Table(const char* key, bool required) const {
    const toml::node* node = table_.get(key);
    if (!node) {
      if (required) throw Refused{file_ + ": the table [" + key + "] is missing"};
      return nullptr;
    }
    if (!node->is_table()) throw Refused{At(file_, node->source()) + key + " must be a table [" + key + "]"};
    return node->as_table();
  }

 private:
  const toml::table& table_;
  std::string file_, prefix_;
};

StartLimits ReadStart(const toml::table& t, const std::string& file, const std::string& name) {
  const Reader r(t, file, name + ".");
  r.OnlyKeys({"limit_s", "timeout_s"});
  StartLimits s;
  s.limitS = r.Number("limit_s", 0.001, 86400, std::nullopt);
  s.timeoutS = r.Number("timeout_s", 1, 86400, std::max(1.0, 2 * s.limitS));
  if (s.timeoutS < s.limitS) throw Refused{At(file, t.source()) + name + ".timeout_s is shorter than its limit_s"};
  return s;
}

std::string Figure(double v, const char* format) {
  char text[48];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

}  // namespace

std::variant<StationLimits, std::string> ParseStationLimits(const std::string& text, const std::string& file) {
  try {
    const toml::table doc = toml::parse(text, file);
    const Reader top(doc, file, "");
    top.OnlyKeys({"baud", "hot_start", "cnr", "cold_start"});
    StationLimits l;
    l.baud = static_cast<long>(top.Number("baud", 300, 4000000, 38400.0, true));
    l.hot = ReadStart(*top.Table("hot_start", true), file, "hot_start");
    const toml::table& cnrTable = *top.Table("cnr", true);
    const Reader cnr(cnrTable, file, "cnr.");
    cnr.OnlyKeys({"sv", "generator_dbm", "generator_baud", "min_db_hz", "settle_s", "read_s"});
    l.sv = static_cast<int>(cnr.Number("sv", 1, 255, std::nullopt, true));
    l.generatorDbm = static_cast<int>(cnr.Number("generator_dbm", -200, 20, std::nullopt, true));
    l.generatorBaud = static_cast<long>(cnr.Number("generator_baud", 300, 4000000, 19200.0, true));
    l.minDbHz = cnr.Number("min_db_hz", 0, 99, std::nullopt);
    l.settleS = cnr.Number("settle_s", 0, 600, 3.0);
    l.readS = cnr.Number("read_s", 0.1, 600, 2.0);
    if (const toml::table* cold = top.Table("cold_start", false)) l.cold = ReadStart(*cold, file, "cold_start");
    return l;
  } catch (const toml::parse_error& e) {
    return At(file, e.source()) + std::string(e.description());
  } catch (const Refused& r) {
    return r.text;
  }
}

StationVerdict Judge(const StationLimits& limits, const StationMeasurements& m) {
  StationVerdict v;
  const auto start = [&](const char* name, const Measured& ms, const StartLimits& l) {
    if (!ms.value)
      v.reasons.push_back(std::string(name) + " start: no fix (" + ms.reason + ")");
    else if (*ms.value > l.limitS * 1000)
      v.reasons.push_back(std::string(name) + " start " + Figure(*ms.value / 1000, "%.3f") + " s over the limit of " +
                          Figure(l.limitS, "%g") + " s");
  };
  start("hot", m.hotMs, limits.hot);
  if (!m.cnrDbHz.value)
    v.reasons.push_back("C/N0 of satellite " + std::to_string(limits.sv) + ": none (" + m.cnrDbHz.reason + ")");
  else if (*m.cnrDbHz.value < limits.minDbHz)
    v.reasons.push_back("C/N0 of satellite " + std::to_string(limits.sv) + " " + Figure(*m.cnrDbHz.value, "%.1f") +
                        " dB-Hz under the limit of " + Figure(limits.minDbHz, "%g") + " dB-Hz");
  if (limits.cold) {
    if (m.coldMs)
      start("cold", *m.coldMs, *limits.cold);
    else
      v.reasons.push_back("cold start: not made");
  }
  v.pass = v.reasons.empty();
  return v;
}

}  // namespace vantrel::benchtool
