#pragma once
// A reader for the tests: a stream decoder with its framing, its record and a
// recorder of what it reported.
#include <gtest/gtest.h>

#include <string>

#include "link/StreamDecoder.h"
#include "tests/nmea/PieceRecorder.h"

namespace vantrel::test {

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
  StreamFraming framing;
  ReceiverRecord record;
  StreamRecorder seen;
  StreamDecoder decoder{framing, record, seen};

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
