#pragma once
// The GNSS talkers a dispatch accepts. A sentence of a standard type is
// decoded only when its talker ("$GP", "$GN", ...) is in the set handed to
// the dispatch and the framing: the window and `vantrel-log json` keep to
// "$GP", the exports and the statistics of vantrel-log read every
// constellation of a multi-constellation receiver with the same decoders.
// Plain C++, no I/O.
#include <cstdint>

namespace vantrel {

// The two letters after "$": GPS, combined GNSS, GLONASS, Galileo, BeiDou.
enum class Talker : uint8_t { GP, GN, GL, GA, GB, None };
constexpr int kTalkers = 5;  // None is not counted

// "GP", ..., "GB", or "" for None.
const char* TalkerName(Talker talker);

// The talker whose second letter (after "G") is `letter`; None for any other.
// A table rather than a switch: the dispatch asks for every sentence.
constexpr Talker TalkerOfLetter(char letter) {
  constexpr Talker N = Talker::None;
  constexpr Talker kByLetter[26] = {Talker::GA, Talker::GB, N, N, N, N,          N, N, N, N, N, Talker::GL, N,
                                    Talker::GN, N,          Talker::GP, N, N, N, N, N, N, N, N, N, N};
  const unsigned i = static_cast<unsigned char>(letter) - unsigned{'A'};
  return i < 26 ? kByLetter[i] : N;
}

class TalkerSet {
 public:
  // "$GP" only: the window's rules.
  static constexpr TalkerSet Gps() { return TalkerSet(Bit(Talker::GP)); }
  // Every talker above.
  static constexpr TalkerSet AllGnss() { return TalkerSet((1u << kTalkers) - 1); }

  constexpr bool Has(Talker talker) const { return (bits_ >> static_cast<unsigned>(talker)) & 1u; }
  // True when "$G" followed by `letter` starts a sentence of an accepted talker.
  constexpr bool HasLetter(char letter) const { return Has(TalkerOfLetter(letter)); }
  constexpr bool operator==(const TalkerSet&) const = default;

 private:
  constexpr explicit TalkerSet(uint32_t bits) : bits_(bits) {}
  static constexpr uint32_t Bit(Talker talker) { return 1u << static_cast<unsigned>(talker); }
  uint32_t bits_;  // None's bit is never set
};

}  // namespace vantrel
