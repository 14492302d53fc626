#pragma once
// The read cycle of the receiver stream, written once: append a chunk to the
// framing, report the cycle's text, decode its complete sentences into the
// record, mark the satellites used in the fix. The reader thread, vantrel-log,
// the bench, the fuzzers and the tests all feed their bytes through it.
// Plain C++, no Qt, no I/O, no allocation.
#include <cstddef>

#include "link/Framing.h"
#include "nmea/Dispatch.h"
#include "nmea/Record.h"

namespace vantrel {

// What a stream decoder reports: every piece, as the dispatcher does, and
// the text of every cycle.
class IStreamHandler : public IDispatchHandler {
 public:
  // The cycle's complete sentences as they arrived, before the dispatch cuts
  // them apart: what the monitor shows. Called once a cycle, also when the
  // text is empty, and once more ahead of it when a held sentence is let go
  // before a tail of noise is dropped; `text` is zero-terminated. Optional.
  virtual void OnCycleText(const char* text, size_t len) { (void)text, (void)len; }

 protected:
  ~IStreamHandler() = default;
};

// Works on a framing and a record held by its owner (the reader keeps both
// for its lifetime); it holds no state of its own. `talkers` are the GNSS
// talkers it frames and decodes: "$GP" for the window.
class StreamDecoder {
 public:
  StreamDecoder(StreamFraming& framing, ReceiverRecord& record, IStreamHandler& handler,
                TalkerSet talkers = TalkerSet::Gps())
      : framing_(framing), record_(record), handler_(handler), talkers_(talkers) {}

  // One read cycle over up to kChunkMax bytes of `chunk`. Returns the number
  // of bytes taken; a caller with more bytes runs another cycle for the rest.
  size_t Feed(const char* chunk, size_t count);

  // End of stream: decodes the sentence still waiting for a successor.
  void Finish();
  // End of a recording: as Finish, but a last sentence cut off by the end of
  // the file is dropped instead of decoded. True if there was one.
  bool FinishRecording();

  const StreamFraming& framing() const { return framing_; }

 private:
  void DecodeWorkText();

  StreamFraming& framing_;
  ReceiverRecord& record_;
  IStreamHandler& handler_;
  TalkerSet talkers_;
};

}  // namespace vantrel
