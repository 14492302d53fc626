#include "ui/StatusText.h"

#include <cstdio>

namespace vantrel {

std::string MonitorLines(std::string_view text) {
  std::string lines;
  AppendMonitorLinesTo(lines, text);
  return lines;
}

void AppendMonitorLinesTo(std::string& lines, std::string_view text) {
  size_t start = text.find("$GP");
  while (start != std::string_view::npos) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) break;
    if (!lines.empty()) lines += '\n';
    // A valid sentence is far shorter; anything longer is cut, not overflowed.
    lines.append(text.substr(start, std::min(end - start, kMonitorLineMax)));
    start = text.find("$GP", end);
  }
}

std::string DateText(const ReceiverRecord& r) {
  char text[40];
  std::snprintf(text, sizeof text, "%d/%d/%d", r.UtcYear, r.UtcMonth, r.UtcDay);
  return std::string(text).substr(0, kDateTextMax);
}

std::string HourMinuteText(const ReceiverRecord& r) {
  char text[40];
  std::snprintf(text, sizeof text, "%d:%d:", r.UtcHour, r.UtcMinute);
  return std::string(text).substr(0, kDateTextMax);
}

FixDisplay FixText(uint8_t fixType, uint8_t fixQuality) {
  static const char* const kTexts[3][4] = {
      // quality: other, 1, 2, 6
      {"", "SPS", "DGPS", "Est"},
      {"2D ", "2D SPS", "2D DGPS", "2D Est"},
      {"3D ", "3D SPS", "3D DGPS", "3D Est"},
  };
  if (fixType == 0) return {"NoFix ", true};
  const int q = fixQuality == 1 ? 1 : fixQuality == 2 ? 2 : fixQuality == 6 ? 3 : 0;
  const int t = fixType == 1 ? 1 : fixType == 2 ? 2 : 0;
  return {kTexts[t][q], false};
}

const char* ChannelStatusText(uint8_t status) {
  return status == 0 ? "Idle" : status == 1 ? "Searching" : "Tracking";
}

}  // namespace vantrel
