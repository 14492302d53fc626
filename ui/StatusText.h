#pragma once
// Texts of the status page that do not depend on the locale: the monitor
// lines of a chunk, the date, the hour and minute, the fix and channel
// states.
#include <cstdint>
#include <string>
#include <string_view>

#include "nmea/Record.h"

namespace vantrel {

// A monitor line holds at most this many characters; longer ones are cut.
constexpr size_t kMonitorLineMax = 255;
// Date and hour-and-minute texts are cut to this many characters.
constexpr size_t kDateTextMax = 11;

// The complete "$GP" sentences of a chunk, without their CR LF, joined by
// "\n"; empty when there are none.
std::string MonitorLines(std::string_view workText);
// The same lines appended to `out`, after a "\n" when `out` is not empty.
void AppendMonitorLinesTo(std::string& out, std::string_view workText);

std::string DateText(const ReceiverRecord& record);        // "2007/4/27"
std::string HourMinuteText(const ReceiverRecord& record);  // "8:5:"

struct FixDisplay {
  const char* Text;
  bool Red;
};
FixDisplay FixText(uint8_t fixType, uint8_t fixQuality);

const char* ChannelStatusText(uint8_t status);  // "Idle", "Searching", "Tracking"

}  // namespace vantrel
