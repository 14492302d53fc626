// Writes a campaign page, a sensitivity page and a results page from fixed
// figures, with the cases a browser must show right: a receiver that dropped
// out, runs without a fix, an iteration without a result, levels where the
// satellite was not seen, a failed station test with two reasons.
// Usage: vantrel-report-samples DIR
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
  page.results = {{1, false, -140, "", -139},
                  {1, true, -156, "", -155},
                  {2, false, -141, "", -140},
                  {2, true, std::nullopt, "satellite not tracked at the start level", std::nullopt}};
  page.tool = "test";
  page.written = "now";
  return page;
}

// Hot starts of three units, cold starts of two; three runs without a value.
ResultsPage Results() {
  ResultsPage page;
  page.selection = "station line 1";
  page.counts = {{"ttff-hot", 7, 1, 1, 0},
                 {"ttff-cold", 3, 0, 1, 0},
                 {"sensitivity-acquisition", 1, 0, 1, 0},
                 {"station", 1, 1, 0, 0}};
  for (const auto& c : page.counts) page.runs += static_cast<size_t>(c.pass + c.fail + c.noResult);
  const auto unit = [](const char* name, std::vector<std::optional<double>> times) {
    TtffPageReceiver u;
    u.port = name;
    for (const auto& t : times)
      u.runs.push_back({static_cast<int>(u.runs.size()) + 1, t, t ? "" : "timeout"});
    return u;
  };
  page.ttff = {{"hot",
                3.0,
                {unit("A1", {1.2, 1.4, 1.1}), unit("A2", {1.9, 2.2, std::nullopt}),
                 unit("/dev/ttyUSB2", {3.4, 0.9, 1.0})}},
               {"cold", std::nullopt, {unit("A1", {31.0, 35.5}), unit("A2", {std::nullopt, 40.2})}}};
  page.sensitivity = {
      {"A1", "acquisition", 1, -139.0, -140.0, ""},
      {"A2", "acquisition", 1, std::nullopt, std::nullopt, "satellite not tracked at the start level"}};
  page.stations = {{"08:00", "A1", "/dev/ttyUSB0", true, ""},
                   {"08:01", "A2", "/dev/ttyUSB1", false,
                    "hot start 3.4 s over the limit of 3 s; C/N0 31.0 dB-Hz under the limit of 35 dB-Hz"}};
  page.missing = {{"07:00", "ttff-hot", "A2", 3, "timeout"},
                  {"07:10", "ttff-cold", "A2", 1, "timeout"},
                  {"07:20", "sensitivity-acquisition", "A2", 1, "satellite not tracked at the start level"}};
  page.tool = "test";
  page.written = "now";
  return page;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string dir = argv[1];
  for (const std::string name : {"ttff.html", "sensitivity.html", "results.html"}) {
    std::FILE* out = std::fopen((dir + "/" + name).c_str(), "w");
    if (!out) return 1;
    if (name == "ttff.html")
      WriteTtffPage(out, Campaign());
    else if (name == "sensitivity.html")
      WriteSensitivityPage(out, Sensitivity());
    else
      WriteResultsPage(out, Results());
    if (std::fclose(out) != 0) return 1;
  }
  return 0;
}
