// Writes a campaign page and a sensitivity page from fixed figures, with
// the cases a browser must show right: a receiver that dropped out, runs
// without a fix, an iteration without a result, levels where the satellite
// was not seen. Usage: vantrel-report-samples DIR
#include <cstdio>
#include <string>

#include "evaluation/BenchReports.h"

using namespace vantrel::evaluation;

namespace {

TtffPage Campaign() {
  TtffPage page;
  page.kind = "cold";
  page.runsAsked = 6;
  page.limitS = 40.0;
  page.tool = "test";
  page.written = "now";
  const double times[3][6] = {
      {31.2, 33.0, 29.8, 35.1, 30.4, 32.2}, {36.0, 41.5, 38.2, 0, 37.7, 39.9}, {28.0, 27.5, 0, 0, 0, 0}};
  const char* ports[3] = {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2"};
  for (int r = 0; r < 3; ++r) {
    TtffPageReceiver rx;
    rx.port = ports[r];
    for (int i = 0; i < 6; ++i) {
      TtffPageRun run{i + 1, times[r][i], ""};
      if (times[r][i] == 0) {
        run.seconds.reset();
        run.failure = r == 1 ? "timeout" : (i == 2 ? "receiver gone" : "not run: receiver gone");
      }
      rx.runs.push_back(run);
    }
    page.receivers.push_back(rx);
  }
  page.receivers[0].pass = true;
  page.receivers[2].failure = "receiver gone";
  return page;
}

SensitivityPage Sensitivity() {
  SensitivityPage page;
  page.port = "/dev/ttyUSB0";
  page.generator = "/dev/ttyUSB1";
  page.sv = 14;
  page.degradeDb = 40;
  page.acqCnr = 20;
  page.trackCnr = 15;
  page.acquisition = page.tracking = true;
  page.iterations = 2;
  for (int it = 1; it <= 2; ++it) {
    for (int level = -90; level >= -104; level -= 2)
      page.curve.push_back(
          {it, false, level, level > -102 ? std::optional<int>(level + 128 - it) : std::nullopt});
    for (int level = -100; level >= -116; level -= 2)
      page.curve.push_back({it, true, level, level + 132 - it});
  }
  page.results = {{1, false, -140, ""},
                  {1, true, -156, ""},
                  {2, false, -141, ""},
                  {2, true, std::nullopt, "the satellite was lost before the first step"}};
  page.tool = "test";
  page.written = "now";
  return page;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string dir = argv[1];
  for (const char* name : {"ttff.html", "sensitivity.html"}) {
    std::FILE* out = std::fopen((dir + "/" + name).c_str(), "w");
    if (!out) return 1;
    if (std::string(name) == "ttff.html")
      WriteTtffPage(out, Campaign());
    else
      WriteSensitivityPage(out, Sensitivity());
    if (std::fclose(out) != 0) return 1;
  }
  return 0;
}
