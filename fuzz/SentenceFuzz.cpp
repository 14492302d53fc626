// One sentence into one decoder: the first byte picks the decoder, the rest
// is the sentence. Also checks that the decoders' field walk and the
// shared NextField/AfterNextComma agree on the sentence.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "link/Framing.h"
#include "nmea/Decoders.h"
#include "nmea/FieldWalk.h"
#include "nmea/Reply.h"

namespace {

using namespace vantrel;

using Decoder = void (*)(ReceiverRecord&, const char*, size_t);
constexpr Decoder kDecoders[] = {DecodeGGA, DecodeRMC, DecodeVTG, DecodeGSA,          DecodeGSV,
                                 DecodeGLL, DecodeZDA, DecodeChannelStatus, checked::DecodeGSV};

void CompareWalks(const char* s, size_t len) {
  detail::FieldWalk walk(s, len);
  const char* pos = s;
  char field[kFieldMax + 1];
  for (;;) {
    const bool moved = walk.Next();
    pos = AfterNextComma(s, len, pos);
    if (moved != (pos != nullptr)) std::abort();
    if (!moved) return;
    const bool present = walk.Read();
    if (present != NextField(s, len, pos, field) || std::strcmp(field, walk.text()) != 0 ||
        std::strlen(field) != walk.length()) {
      std::fprintf(stderr, "field walk and NextField differ on \"%s\" / \"%s\"\n", walk.text(), field);
      std::abort();
    }
    if (present && walk.Whole() != ReadWhole(field)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const Decoder decode = kDecoders[data[0] % (sizeof kDecoders / sizeof kDecoders[0])];
  // A copy of exactly the sentence's size, so reading past it is caught.
  std::vector<char> sentence(data + 1, data + size);
  ReceiverRecord record;
  record.SatsInViewCount = 7;  // a state the decoders must cope with
  record.UsedPrns[0] = 5;
  decode(record, sentence.data(), sentence.size());
  MarkUsedSatellites(record);
  CompareWalks(sentence.data(), sentence.size());
  return 0;
}
