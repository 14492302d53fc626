#pragma once
// The serial-line load of the chosen NMEA output: bytes a fix, at the fix
// rate, against the characters the line carries a second.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// Output lists in the order the load is summed.
enum OutputSentence : int { kGLL, kRMC, kVTG, kGSA, kGSV, kGGA, kZDA, kQCHN, kOutputSentenceCount };

// Bytes of one output of each sentence, in OutputSentence order.
inline constexpr int kOutputSentenceLength[kOutputSentenceCount] = {60, 75, 41, 65, 258, 76, 50, 203};

// Bytes a fix: for every list whose selected position n is above 0, the
// ceiling of L / n. Positions of -1 (nothing selected) or 0 add nothing.
int OutputBytesPerFix(const int (&positions)[kOutputSentenceCount]);

struct OutputLoadResult {
  float Percent = 0;
  bool OverLine = false;  // above 100 %: the output cannot be confirmed
  bool operator==(const OutputLoadResult&) const = default;
};

// Load in percent from the list positions, the fix-rate text and the text of
// the baud rate to be set. Nothing when a text is not a whole number or the
// baud rate is below 10 (no characters a second to divide by).
std::optional<OutputLoadResult> ComputeOutputLoad(const int (&positions)[kOutputSentenceCount],
                                                  std::string_view fixRateText,
                                                  std::string_view baudText);

// "15.0%": one decimal, a full stop, then the percent sign.
std::string LoadText(float percent);

}  // namespace vantrel
