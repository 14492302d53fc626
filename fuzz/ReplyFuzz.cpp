// The reply decoder on any bytes: what it reports stays inside its fields,
// what the record keeps stays inside the record, and a checksum-valid copy
// of the same text decodes the same way twice.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "nmea/Reply.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // The first byte picks whether the text gets its right checksum, so the
  // decoding behind the checksum test is reached as often as the test itself.
  std::string sentence = "$PQOL" + text.substr(size > 0 ? 1 : 0);
  if (size > 0 && (data[0] & 1) != 0) {
    unsigned char sum = 0;
    for (size_t i = 1; i < sentence.size(); ++i) sum ^= static_cast<unsigned char>(sentence[i]);
    static const char kHex[] = "0123456789ABCDEF";
    sentence += '*';
    sentence += kHex[sum >> 4];
    sentence += kHex[sum & 15];
  }
  const Reply first = DecodeReply(sentence.data(), sentence.size());
  Reply again = DecodeReply(sentence.data(), sentence.size());
  // "NAN" is a number the reader takes, and a NaN is unequal to itself.
  if (std::isnan(first.fraction) && std::isnan(again.fraction)) {
    Reply a = first;
    a.fraction = again.fraction = 0;
    if (!(a == again)) std::abort();
  } else if (!(first == again)) {
    std::abort();
  }
  if (first.text1[sizeof first.text1 - 1] != '\0' || first.text2[sizeof first.text2 - 1] != '\0' ||
      first.payload[sizeof first.payload - 1] != '\0')
    std::abort();
  ReceiverRecord record;
  StoreReply(record, first);
  if (record.VersionText1[kVersionTextSize - 1] != '\0' || record.OutputRatesText[kOutputRatesTextSize - 1] != '\0')
    std::abort();
  (void)ShownDgpsMode(first.number, record.RtcmBaud);
  return 0;
}
