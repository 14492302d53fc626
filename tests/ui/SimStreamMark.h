#pragma once
// How many sentences the simulated module sent against how many the
// window's reader decoded, taken at a moment between two fixes, when the
// line is quiet: two such marks with the same reader in between say whether
// a sentence was lost on the way.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdint>

#include "link/Thread.h"
#include "tests/sim/SimHarness.h"
#include "ui/Form.h"

namespace vantrel::testing {

struct StreamMark {
  long long sent = -1;  // the module's sent_total
  uint64_t decoded = 0;
  const vantrel::TNMEAThread* reader = nullptr;
  bool ok() const { return sent >= 0 && reader != nullptr; }
};

// Sentences lost between two marks of the same reader; -1 when the marks
// cannot be compared.
inline long long LostBetween(const StreamMark& a, const StreamMark& b) {
  if (!a.ok() || !b.ok() || a.reader != b.reader) return -1;
  return (b.sent - a.sent) - static_cast<long long>(b.decoded - a.decoded);
}

// One moment between two fixes: nothing went out while the reader's count
// stood still. The reader holds the last sentence it saw until the next one
// starts, so decoded trails sent by the same amount at every such moment and
// only the difference of two marks means anything.
inline StreamMark QuietMoment(vantrel::test::SimHarness& sim, TMainForm& form) {
  const auto pump = [](int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  };
  for (int attempt = 0; attempt < 50; ++attempt) {
    const TNMEAThread* reader = form.ReaderThread;
    if (reader == nullptr) return {};
    const long long before = sim.Stats()["sent_total"];
    // The reader has taken what was on the line once its count stands still
    // while the window serves its hand-overs; on a line that never rests it
    // does not, and the marks below differ.
    uint64_t decoded = reader->DecodedSentences();
    for (int turn = 0; turn < 20; ++turn) {
      pump(30);
      const uint64_t now = reader->DecodedSentences();
      if (now == decoded) break;
      decoded = now;
    }
    const long long after = sim.Stats()["sent_total"];
    // Nothing went out meanwhile: the count belongs to exactly those sentences.
    if (before > 0 && before == after && form.ReaderThread == reader) return {after, decoded, reader};
  }
  return {};
}

// A reader kept from the processor for longer than the count's pause would
// look behind at one moment: a mark is two quiet moments in a row that agree.
inline StreamMark MarkStream(vantrel::test::SimHarness& sim, TMainForm& form) {
  StreamMark last = QuietMoment(sim, form);
  for (int attempt = 0; attempt < 20 && last.ok(); ++attempt) {
    const StreamMark next = QuietMoment(sim, form);
    if (LostBetween(last, next) == 0 && next.sent > last.sent) return next;
    last = next;
  }
  return {};
}

}  // namespace vantrel::testing
