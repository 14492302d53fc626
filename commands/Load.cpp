#include "commands/Load.h"

#include <cstdio>
#include <limits>

namespace vantrel {

int OutputBytesPerFix(const int (&positions)[kOutputSentenceCount]) {
  int bytes = 0;
  for (int i = 0; i < kOutputSentenceCount; ++i) {
    const int n = positions[i];
    if (n > 0) bytes += (n + kOutputSentenceLength[i] - 1) / n;
  }
  return bytes;
}

std::optional<int32_t> ParseWholeNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(value);
}

std::optional<OutputLoadResult> ComputeOutputLoad(const int (&positions)[kOutputSentenceCount],
                                                  std::string_view fixRateText,
                                                  std::string_view baudText) {
  const auto hz = ParseWholeNumber(fixRateText);
  const auto baud = ParseWholeNumber(baudText);
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
