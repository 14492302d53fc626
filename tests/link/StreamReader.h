#pragma once
// A reader for the tests: a stream decoder with its framing, its record and a
// recorder of what it reported.
#include <gtest/gtest.h>

#include <string>

#include "link/StreamDecoder.h"
#include "tests/nmea/PieceRecorder.h"
#include "tests/nmea/SentenceText.h"

namespace vantrel::test {

// Sentences of one fix, with their checksums.
inline const std::string kGGA = WithChecksum("GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,55.2,M,,");
inline const std::string kRMC = WithChecksum("GPRMC,092751.000,A,5321.6802,N,00630.3372,W,0.02,31.66,280511,,,A");
inline const std::string kGSA = WithChecksum("GPGSA,A,3,10,07,05,02,29,04,08,13,,,,,1.72,1.03,1.38");
inline const std::string kZDA = WithChecksum("GPZDA,092752.000,28,05,2011,,");

class StreamRecorder : public PieceRecorder<IStreamHandler> {
 public:
  void OnCycleText(const char* text, size_t len) override {
    EXPECT_EQ(text[len], '\0');
    cycleText.assign(text, len);
    ++cycles;
  }
  std::string cycleText;  // of the last cycle
  int cycles = 0;
};

struct StreamReader {
  explicit StreamReader(TalkerSet talkers = TalkerSet::Gps()) : decoder{framing, record, seen, talkers} {}

  StreamFraming framing;
  ReceiverRecord record;
  StreamRecorder seen;
  StreamDecoder decoder;

  // One read cycle per chunk; returns the cycle's text as the monitor sees it.
  std::string Cycle(const std::string& chunk) {
    EXPECT_EQ(decoder.Feed(chunk.data(), chunk.size()), chunk.size());
    return seen.cycleText;
  }
  void Feed(const std::string& stream, size_t chunkSize) {
    for (size_t at = 0; at < stream.size(); at += chunkSize) Cycle(stream.substr(at, chunkSize));
  }
  void Finish() { decoder.Finish(); }
  std::string Carry() const { return std::string(framing.CarryText, framing.CarryLength); }
};

}  // namespace vantrel::test
