#include "sim/OutputLine.h"

#include <algorithm>
#include <cstdint>

namespace vantrel::sim {

namespace {

// What a UART set to the wrong rate makes of a byte: framing noise, never a
// "$", CR or LF, so nothing of it reads as a sentence.
char Garble(char c) { return static_cast<char>(0x80 | ((static_cast<uint8_t>(c) * 37u + 11u) & 0x7F)); }

}  // namespace

OutputLine::OutputLine(int baud, double now, Stats& stats) : baud_(baud), lastPump_(now), stats_(stats) {}

void OutputLine::Push(std::string text, Kind kind, bool mayDrop, int switchBaudTo) {
  if (dead_) {
    // Nothing goes out, but the UART still takes its new rate.
    if (switchBaudTo) baud_ = switchBaudTo;
    return;
  }
  // A module whose output does not fit its line drops whole sentences
  // rather than fall ever further behind.
  const size_t capacity = std::max<size_t>(1024, static_cast<size_t>(baud_ / 10));
  if (mayDrop && queuedBytes_ + text.size() > capacity) {
    ++stats_.overrun[static_cast<int>(kind)];
    return;
  }
  queuedBytes_ += text.size();
  queue_.push_back(Out{std::move(text), kind, switchBaudTo});
}

void OutputLine::SetDead(bool dead) {
  dead_ = dead;
  if (dead) {
    queue_.clear();
    queuedBytes_ = 0;
  }
}

void OutputLine::Pump(double now, int pcBaud, const WriteFn& write) {
  const double bytesPerSecond = baud_ / 10.0;
  credit_ += std::max(0.0, now - lastPump_) * bytesPerSecond;
  lastPump_ = now;
  // Neither an idle line nor a late call saves up time for a burst: a UART
  // never sends faster than its rate, so after a stall the line just falls
  // behind.
  credit_ = std::min(credit_, std::max(64.0, bytesPerSecond * 0.05));

  char chunk[512];
  while (credit_ >= 1.0 && !queue_.empty()) {
    Out& out = queue_.front();
    const size_t left = out.text.size() - out.offset;
    const size_t n = std::min({left, static_cast<size_t>(credit_), sizeof chunk});
    const bool mismatch = pcBaud != 0 && pcBaud != baud_;
    for (size_t i = 0; i < n; ++i)
      chunk[i] = mismatch ? Garble(out.text[out.offset + i]) : out.text[out.offset + i];
    out.garbled |= mismatch;
    const size_t taken = std::min(write(chunk, n), n);
    if (taken < n) out.cut = true;
    stats_.bytesWritten += taken;
    stats_.bytesLost += n - taken;
    // The bits left the UART whether or not anybody took them.
    out.offset += n;
    queuedBytes_ -= n;
    credit_ -= static_cast<double>(n);
    if (out.offset == out.text.size()) {
      const int k = static_cast<int>(out.kind);
      if (out.cut)
        ++stats_.cut[k];
      else if (out.garbled)
        ++stats_.garbled[k];
      else
        ++stats_.sent[k];
      if (sentLog_) sentLog_(out.text, out.cut ? "cut" : out.garbled ? "garbled" : "sent");
      if (out.switchBaudTo) baud_ = out.switchBaudTo;
      queue_.pop_front();
    }
  }
}

}  // namespace vantrel::sim
