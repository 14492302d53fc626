#include "link/StreamDecoder.h"

namespace vantrel {

size_t StreamDecoder::Feed(const char* chunk, size_t count) {
  if (framing_.ReleaseEndedHead()) DecodeWorkText();
  const size_t taken = framing_.AppendChunk(chunk, count, talkers_);
  DecodeWorkText();
  return taken;
}

void StreamDecoder::Finish() {
  framing_.FlushCarry();
  DecodeWorkText();
}

bool StreamDecoder::FinishRecording() {
  const bool cut = framing_.DropCutTail();
  Finish();
  return cut;
}

void StreamDecoder::DecodeWorkText() {
  handler_.OnCycleText(framing_.WorkText, framing_.WorkLength);
  DispatchSentences(framing_.WorkText, framing_.WorkLength, framing_.WorkOffset, record_, handler_, talkers_);
  framing_.WorkLength = 0;
  MarkUsedSatellites(record_);
}

}  // namespace vantrel
