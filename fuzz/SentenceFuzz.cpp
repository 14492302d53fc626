// One sentence through the decoder entry: the first byte picks a sentence
// name to put in front and whether to close the sentence with its right
// checksum, so every decoder's field handling is reached; the rest is the
// sentence. Also checks the field walker against a plain reading of the
// field rule.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "nmea/Decoders.h"
#include "nmea/Fields.h"

namespace {

using namespace vantrel;

constexpr const char* kNames[] = {"$GPGGA", "$GPRMC", "$GPVTG", "$GPGSA", "$GPGSV", "$GPGLL", "$GPZDA", "$PQOLCHN", ""};
constexpr size_t kNameCount = sizeof kNames / sizeof kNames[0];

void Fail(const char* what, std::string_view s) {
  std::fprintf(stderr, "%s: \"%.*s\"\n", what, static_cast<int>(s.size()), s.data());
  std::abort();
}

// The field at `at`, read by the rule as written: it ends at the next ",",
// else at the first "*"; present when it has a character; cut to kFieldMax
// and at a zero byte.
bool ReferenceField(std::string_view s, size_t at, std::string& text) {
  size_t end = s.find(',', at);
  if (end == std::string_view::npos) end = s.find('*', at);
  text.clear();
  if (end == std::string_view::npos || end == at) return false;
  text = s.substr(at, std::min<size_t>(end - at, kFieldMax));
  text = text.substr(0, std::strlen(text.c_str()));
  return true;
}

void CompareWalk(std::string_view s) {
  FieldWalk walk(s.data(), s.size());
  size_t at = 0;
  std::string expected;
  for (;;) {
    const bool present = walk.Read();
    if (present != ReferenceField(s, at, expected) || expected != walk.text() || expected.size() != walk.length())
      Fail("field walk differs from the rule", s);
    if (walk.Whole() != ReadWhole(expected.c_str())) Fail("Whole differs from ReadWhole", s);
    char copy[8];
    walk.CopyText(copy, sizeof copy);
    if (std::strncmp(copy, expected.c_str(), sizeof copy - 1) != 0 || copy[sizeof copy - 1] != '\0')
      Fail("CopyText differs from the field", s);
    const size_t comma = s.find(',', at);
    if (walk.Next() != (comma != std::string_view::npos)) Fail("Next differs from the next comma", s);
    if (comma == std::string_view::npos) return;
    at = comma + 1;
    if (walk.position() != s.data() + at) Fail("Next lands off the field", s);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::string text = kNames[(data[0] & 0x7F) % kNameCount];
  text.append(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] & 0x80) {
    unsigned x = 0;
    for (size_t i = 1; i < text.size(); ++i) x ^= static_cast<unsigned char>(text[i]);
    char tail[4];
    std::snprintf(tail, sizeof tail, "*%02X", x & 0xFFu);
    text += tail;
  }
  // A copy of exactly the sentence's size, so reading past it is caught.
  const std::vector<char> sentence(text.begin(), text.end());
  ReceiverRecord record;
  record.SatsInViewCount = 7;  // a state the decoders must cope with
  record.UsedPrns[0] = 5;
  DecodeSentence(record, sentence.data(), sentence.size());
  MarkUsedSatellites(record);
  CompareWalk(std::string_view(sentence.data(), sentence.size()));
  return 0;
}
