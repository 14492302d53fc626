// The evaluation's epoch model, its statistics and its exports on arbitrary
// lines. Besides the sanitizers it checks what the model promises: every
// value it keeps is in its range, and no export writes a number that is no
// figure ("nan", "inf") or a control character into its XML.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "evaluation/Epochs.h"
#include "evaluation/Exports.h"
#include "evaluation/Stats.h"

namespace {

using namespace vantrel::evaluation;

void Check(bool ok, const char* what) {
  if (!ok) {
    __builtin_printf("broken: %s\n", what);
    std::abort();
  }
}

bool Within(const std::optional<double>& v, double low, double high) {
  return !v || (std::isfinite(*v) && *v >= low && *v <= high);
}

struct All final : IEpochSink {
  All(std::FILE* csv, std::FILE* gpx, std::FILE* kml) : csvW(csv), gpxW(gpx, "f\x01\xff<&"), kmlW(kml, "\xc3") {}
  void OnEpoch(const Epoch& e) override {
    Check(Within(e.latitude, -90, 90) && Within(e.longitude, -180, 180), "position in range");
    Check(Within(e.altitudeMsl, -1000, 100000) && Within(e.hdop, 0, 100), "altitude and DOP in range");
    Check(!e.msOfDay || (*e.msOfDay >= 0 && *e.msOfDay < 86'401'000), "time of day in range");
    Check(!e.date || (e.date->month >= 1 && e.date->month <= 12 && e.date->day >= 1 && e.date->day <= 31),
          "date in range");
    Check(!e.quality || (*e.quality >= 0 && *e.quality <= 8), "quality in range");
    stats.OnEpoch(e);
    csvW.OnEpoch(e);
    gpxW.OnEpoch(e);
    kmlW.OnEpoch(e);
  }
  StatsCollector stats;
  CsvWriter csvW;
  GpxWriter gpxW;
  KmlWriter kmlW;
};

void CheckText(const char* text, size_t len, bool xml) {
  const std::string s(text, len);
  Check(s.find("nan") == std::string::npos && s.find("inf") == std::string::npos, "no figure that is none");
  if (!xml) return;
  for (unsigned char c : s) Check(c >= 0x20 || c == '\n' || c == '\t' || c == '\r', "no control character in XML");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char* texts[4] = {};
  size_t lengths[4] = {};
  std::FILE* outs[4];
  for (int i = 0; i < 4; ++i) outs[i] = open_memstream(&texts[i], &lengths[i]);
  {
    All all(outs[0], outs[1], outs[2]);
    EpochModel model(all);
    const char* p = reinterpret_cast<const char*>(data);
    const char* const end = p + size;
    while (p < end) {
      const char* stop = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      if (stop == nullptr) stop = end;
      std::string line(p, stop);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      model.Sentence(line.c_str(), line.size());
      p = stop + 1;
    }
    model.Finish();
    all.csvW.Finish();
    all.gpxW.Finish();
    all.kmlW.Finish();
    const StatsReport report = all.stats.Report(model.Tally());
    WriteStatsText(outs[3], "fuzz", report);
    WriteStatsJson(outs[3], "fuzz\x7f\xfe", report);
  }
  for (int i = 0; i < 4; ++i) std::fclose(outs[i]);
  CheckText(texts[1], lengths[1], true);
  CheckText(texts[2], lengths[2], true);
  CheckText(texts[0], lengths[0], false);
  for (char* t : texts) std::free(t);
  return 0;
}
