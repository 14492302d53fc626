#include "commands/Load.h"

#include <cstdio>
#include <limits>

#include "commands/Commands.h"  // ListTextToInt

namespace vantrel {

int OutputBytesPerFix(const int (&positions)[kOutputSentenceCount]) {
  int bytes = 0;
  for (int i = 0; i < kOutputSentenceCount; ++i) {
    const int n = positions[i];
    if (n > 0) bytes += (n + kOutputSentenceLength[i] - 1) / n;
  }
  return bytes;
}

std::optional<OutputLoadResult> ComputeOutputLoad(const int (&positions)[kOutputSentenceCount],
                                                  std::string_view fixRateText,
                                                  std::string_view baudText) {
  const auto hz = ListTextToInt(fixRateText);
  const auto baud = ListTextToInt(baudText);
  if (!hz || !baud || *baud < 10) return std::nullopt;
  const int bytes = OutputBytesPerFix(positions);
  const auto chars = static_cast<float>(*baud / 10);
  OutputLoadResult result;
  result.Percent = static_cast<float>(bytes / static_cast<double>(chars) * 100.0 * *hz);
  result.OverLine = result.Percent > 100.0f;
  return result;
}

std::string LoadText(float percent) {
  char text[48];
  std::snprintf(text, sizeof text, "%.1f%%", static_cast<double>(percent));
  return text;
}

}  // namespace vantrel
