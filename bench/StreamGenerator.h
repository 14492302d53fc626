#pragma once
// A synthetic receiver stream at 1 Hz: every second GGA, GLL, GSA, three
// GSV, RMC, VTG and ZDA with CR LF, checksums right, values moving.
#include <cstddef>
#include <string>

namespace vantrel::bench {

// The stream of `seconds` seconds; `sentences` (if given) receives the
// number of sentences in it.
std::string GenerateStream(size_t seconds, size_t* sentences = nullptr);

}  // namespace vantrel::bench
