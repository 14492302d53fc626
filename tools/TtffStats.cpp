#include "tools/TtffStats.h"

#include <algorithm>

namespace vantrel::benchtool {

TtffSummary Summarise(const std::vector<TtffRun>& runs, std::optional<int64_t> limitMs) {
  TtffSummary s;
  s.runs = static_cast<int>(runs.size());
  std::vector<int64_t> times;
  std::vector<std::string> reasons;
  for (const TtffRun& r : runs) {
    if (r.ttffMs) {
      times.push_back(*r.ttffMs);
      continue;
    }
    ++s.failures;
    if (std::find(reasons.begin(), reasons.end(), r.failure) == reasons.end()) reasons.push_back(r.failure);
  }
  for (const std::string& why : reasons) s.reasons += (s.reasons.empty() ? "" : "; ") + why;
  std::sort(times.begin(), times.end());
  const size_t n = times.size();
  if (n > 0) {
    TtffFigures f;
    f.minMs = times.front();
    f.maxMs = times.back();
    f.medianMs = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    // ceil(0.95 n) in whole numbers, so 20 runs give the 19th, not the 20th.
    const size_t rank = (95 * n + 99) / 100;
    f.p95Ms = times[std::max<size_t>(rank, 1) - 1];
    s.figures = f;
  }
  s.pass = s.runs > 0 && s.failures == 0 && s.figures && (!limitMs || s.figures->maxMs <= *limitMs);
  return s;
}

}  // namespace vantrel::benchtool
