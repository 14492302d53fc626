// A whole session with the simulated module, compared byte for byte with a
// reviewed transcript: every sentence it put on the line and every answer it
// gave, with the time. Catches any change of what goes on the line, wanted or
// not; after a wanted one, run with VANTREL_UPDATE_GOLDEN=1 and review the
// diff of the transcript.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/Control.h"
#include "sim/Module.h"
#include "sim/Sentence.h"

namespace vantrel::sim {
namespace {

#ifndef VANTREL_SIM_GOLDEN_DIR
#error "VANTREL_SIM_GOLDEN_DIR names the folder of the transcripts"
#endif

std::string Format(const char* fmt, auto... args) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, args...);
  return buf;
}

std::string Escape(std::string_view bytes) {
  std::string s;
  for (char ch : bytes) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 32 && c < 127 && c != '\\') {
      s += ch;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      s += hex;
    }
  }
  return s;
}

// One step of the session: at `t` seconds, a line from the PC ("pc"), a
// control line ("control"), a generator line ("generator") or a new rate of
// the PC's end of the line ("pc-baud").
struct Step {
  double t;
  const char* kind;
  std::string text;
};

std::string Transcript(const ModuleOptions& options, const std::vector<Step>& steps, double until) {
  Module module(options, 0.0);
  std::string out;
  double now = 0;
  module.SetCommandLog([&](std::string_view line, std::string_view answer) {
    out += Format("%.2f > ", now) + Escape(line) + " -> " + Escape(answer) + "\n";
  });
  std::string pending;  // bytes of the output line not yet ended
  int pcBaud = options.baud;
  size_t next = 0;
  // Whole steps of 10 ms counted in integers, so the times do not drift.
  for (long tick = 0; tick * 0.01 < until; ++tick) {
    now = tick * 0.01;
    for (; next < steps.size() && steps[next].t <= now + 1e-9; ++next) {
      const Step& s = steps[next];
      const std::string kind = s.kind;
      if (kind == "pc") {
        module.Receive(s.text + "\r\n", now, pcBaud);
      } else if (kind == "control") {
        out += Format("%.2f control ", now) + s.text + ": " + ApplyControl(s.text, module) + "\n";
      } else if (kind == "generator") {
        out += Format("%.2f generator ", now) + s.text + ": " + ApplyGenerator(s.text, module) + "\n";
      } else if (kind == "pc-baud") {
        pcBaud = std::atoi(s.text.c_str());
        out += Format("%.2f pc-baud %d\n", now, pcBaud);
      }
    }
    module.Tick(now);
    module.Pump(now, pcBaud, [&](const char* p, size_t n) {
      for (size_t i = 0; i < n; ++i) {
        pending += p[i];
        if (p[i] == '\n') {
          out += Format("%.2f < ", now) + Escape(pending) + "\n";
          pending.clear();
        }
      }
      return n;
    });
  }
  if (!pending.empty()) out += Format("%.2f < ", now) + Escape(pending) + "\n";
  return out + module.StatsText();
}

void CompareWithGolden(const std::string& name, const std::string& actual) {
  const std::string path = std::string(VANTREL_SIM_GOLDEN_DIR) + "/" + name;
  if (std::getenv("VANTREL_UPDATE_GOLDEN")) {
    std::ofstream(path, std::ios::binary) << actual;
    GTEST_SKIP() << "wrote " << path;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << "missing " << path << " (VANTREL_UPDATE_GOLDEN=1 writes it)";
  std::stringstream expected;
  expected << in.rdbuf();
  if (expected.str() == actual) return;
  // Name the first line that differs; the whole text would drown it.
  std::istringstream a(actual), e(expected.str());
  std::string al, el;
  for (int line = 1;; ++line) {
    const bool more = static_cast<bool>(std::getline(a, al));
    const bool moreExpected = static_cast<bool>(std::getline(e, el));
    if (!more && !moreExpected) break;
    if (al != el || more != moreExpected) {
      ADD_FAILURE() << path << ":" << line << "\nexpected: " << (moreExpected ? el : "<end>")
                    << "\nactual:   " << (more ? al : "<end>");
      return;
    }
  }
}

std::string Checked(const std::string& body) {
  std::string s = Finish(body);
  s.resize(s.size() - 2);
  return s;
}

TEST(SimTranscript, SessionWithEveryKindOfCommand) {
  ModuleOptions opt;
  opt.utcStart = 1175904000;  // 2007-04-07 00:00:00 UTC
  opt.rates = OutputRates{1, 1, 1, 1, 1, 1, 1, 1};
  opt.ttffWarm = 4;
  opt.ttffCold = 6;
  opt.flashWrites = 3;
  const std::vector<Step> steps = {
      {3.0, "pc", "$PQOL414*33"},
      {3.4, "pc", "$PQOL400*36"},
      {3.8, "pc", "$PQOL602*36"},
      {4.2, "pc", "$PQOL401*37"},
      {4.6, "pc", "$PQOL419*3E"},
      {5.0, "pc", "$PQOL490*3F"},
      {5.4, "pc", "$PQOL430*35"},
      {5.8, "pc", "$PQOL605*31"},
      {6.2, "pc", "$PQOL456*35"},
      {7.0, "pc", Checked("$PQOL220,500")},
      {7.5, "pc", Checked("$PQOL314,1,2,1,1,3,2,0,0,0,0,0,0,0,0,0,0,0,4,1")},
      {9.0, "pc", Checked("$PQOL330,5")},
      {9.4, "pc", "$PQOL313,1*2E"},
      {9.8, "pc", "$PQOL301,2*2E"},
      {10.2, "pc", "$PQOL319,0*25"},
      {11.0, "pc", "$PQOL102*31"},
      {17.0, "pc", "$PQOL103*30"},
      {19.0, "generator", "MAIN:TEST 1"},
      {19.0, "generator", "MAIN:SV 14"},
      {19.0, "generator", "MAIN:RFLVL -100"},
      {22.0, "generator", "MAIN:RFLVL -125"},
      {25.0, "pc", Checked("$PQOL250,1,0,4800")},
      {25.4, "pc", "$PQOL301,1*2D"},
      {25.8, "pc", "$PQOL602*36"},
      {26.2, "pc", "$PQOL401*37"},
      {27.0, "pc", "$PQOL101*33"},
      {27.4, "pc", Checked("$PQOL999")},
      {27.8, "pc", Checked("$PQOL220,x")},
      {28.2, "pc", Checked("$GPTXT,01,01,02,hello")},
      {29.0, "pc", Checked("$PQOL390,0,1,38400,1,1,1,1,1,1,0,1,-1,2,9600")},
      {29.5, "pc", "$PQOL490*3F"},
      {30.0, "pc", "$PQOL160*35"},
      {31.0, "pc", "$PQOL251,9600*17"},
      {32.5, "pc", "$PQOL400*36"},
      {33.0, "pc-baud", "9600"},
      {33.2, "pc", "$PQOL400*36"},
      {34.0, "control", "refuse 430"},
      {34.2, "pc", "$PQOL430*35"},
      {34.6, "control", "accept 430"},
      {35.0, "control", "nofix on"},
      {37.0, "control", "nofix off"},
      {38.0, "control", "fault"},
      {38.5, "control", "ignore all"},
      {38.6, "pc", "$PQOL400*36"},
      {38.7, "control", "heed all"},
      {39.0, "control", "silent on"},
      {39.1, "pc", "$PQOL400*36"},
      {40.0, "control", "silent off"},
  };
  CompareWithGolden("session.txt", Transcript(opt, steps, 42.0));
}

TEST(SimTranscript, AsleepModuleAtASlowLineThatOverruns) {
  ModuleOptions opt;
  opt.utcStart = 1175904000;
  opt.asleep = true;
  opt.baud = 4800;
  opt.fixPeriodMs = 200;
  opt.rates = OutputRates{1, 1, 1, 1, 1, 1, 1, 1};
  opt.latitude = -33.9;
  opt.longitude = -70.6;
  const std::vector<Step> steps = {
      {2.0, "pc", "$PQOL400*36"},
      {3.0, "pc", "$PQOL188*33"},
  };
  CompareWithGolden("asleep_overrun.txt", Transcript(opt, steps, 8.0));
}

}  // namespace
}  // namespace vantrel::sim
