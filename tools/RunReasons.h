#pragma once
// Why a bench run has no figure: the texts a report, a CSV row and a script
// see, the same for every subcommand.

namespace vantrel::benchtool {

inline constexpr char kNoFixText[] = "no fix within the time-out";
inline constexpr char kGoneText[] = "receiver gone";
inline constexpr char kInterruptedText[] = "interrupted";
// The receiver answered the restart command with a failed acknowledgement:
// a fix after it would time no restart.
inline constexpr char kRestartRefusedText[] = "restart refused by the receiver";
// A receiver that sends nothing at all for this long is not answering: it
// is dropped, as one unplugged would be, instead of waiting the time-out
// or reading a stale satellite table. The same wait for its first bytes
// after the open: one interval of silence for the user to know.
constexpr int kSilenceMs = 5000;
inline constexpr char kNoAnswerText[] = "no answer in 5 s";

}  // namespace vantrel::benchtool
