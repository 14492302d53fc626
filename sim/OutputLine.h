#pragma once
// The module's transmit side of the serial line: sentences wait in a queue
// and leave at the module's baud rate, ten bit times a byte. A module that
// makes more than its line carries drops whole NMEA sentences (overrun); a
// PC listening at another rate gets framing noise; bytes the pseudo-terminal
// refuses are lost, as on a line without flow control. A baud change takes
// effect once the sentence that announced it has left.
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "sim/Stats.h"

namespace vantrel::sim {

class OutputLine {
 public:
  // Takes `bytes` and returns how many the pseudo-terminal accepted.
  using WriteFn = std::function<size_t(const char* bytes, size_t count)>;
  // Told of every sentence once its last byte has left: the sentence with its
  // line ending, and "sent", "garbled" or "cut".
  using SentLog = std::function<void(std::string_view sentence, const char* outcome)>;

  OutputLine(int baud, double now, Stats& stats);

  // Queues a finished sentence. With `mayDrop` it is dropped when the queue
  // is full; answers are not. `switchBaudTo` (0: none) is the rate the line
  // takes once this sentence's last byte has left.
  void Push(std::string text, Kind kind, bool mayDrop, int switchBaudTo = 0);

  // Moves queued bytes onto the line for the time since the last call.
  void Pump(double now, int pcBaud, const WriteFn& write);

  // A dead module sends nothing, and what was waiting goes nowhere.
  void SetDead(bool dead);
  bool Dead() const { return dead_; }

  int Baud() const { return baud_; }
  void SetBaud(int baud) { baud_ = baud; }
  size_t QueuedBytes() const { return queuedBytes_; }
  // The time of the last Pump.
  double Now() const { return lastPump_; }
  void SetSentLog(SentLog log) { sentLog_ = std::move(log); }

 private:
  struct Out {
    std::string text;
    Kind kind;
    int switchBaudTo = 0;
    size_t offset = 0;
    bool garbled = false;
    bool cut = false;
  };

  int baud_;
  bool dead_ = false;
  std::deque<Out> queue_;
  size_t queuedBytes_ = 0;
  double credit_ = 0;  // bytes the line may still send, from the time passed
  double lastPump_;
  Stats& stats_;
  SentLog sentLog_;
};

}  // namespace vantrel::sim
