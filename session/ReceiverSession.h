#pragma once
// The receiver as one thing: its port opened by name, the reader that reads
// it (one at a time, the next taking over what the last had begun of an
// acknowledgement), the acknowledgement slots, the log's entry and the
// command writes with their pauses. The window holds one; the command-line
// bench holds one per receiver. No Qt: the window's side comes in through
// a ReaderHost and its hand-over, and without them the reader's calls run
// on the reader thread itself.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "commands/Commands.h"
#include "commands/Pauses.h"
#include "link/HandOver.h"
#include "link/PortLink.h"
#include "link/SerialPort.h"
#include "link/Thread.h"

namespace vantrel {

// How an open ended: opened, or the step that refused and what the system
// said. Nothing stays open after a refusal.
struct PortOpening {
  enum class Refusal : uint8_t {
    None,
    CannotOpen,       // the device could not be opened
    BaudNotANumber,   // the rate's text is no whole number
    SettingsRefused,  // the device refused the rate or the line settings
  };
  Refusal refusal = Refusal::None;
  int error = 0;     // the system's code for CannotOpen and SettingsRefused
  std::string path;  // the device tried
  bool ok() const { return refusal == Refusal::None; }
};

class ReceiverSession {
 public:
  // Without a window until Attach(): the reader's calls then run on the
  // reader thread and reach nothing but OnGone.
  ReceiverSession();
  // Closes the port and joins every reader.
  ~ReceiverSession();
  ReceiverSession(const ReceiverSession&) = delete;
  ReceiverSession& operator=(const ReceiverSession&) = delete;

  // The window's side of the readers started from now on; both outlive
  // the session's readers.
  void Attach(ReaderHost& host, UiHandOver& handOver);
  // The pause seam of Write(const Command&); none: no pauses.
  void SetPauses(IPauses& pauses) { pauses_ = &pauses; }

  // Opens `portName` (as the window's list names it) at the rate in
  // `baudText`. The device is opened before the rate is read, so a missing
  // device is told first. Does not start a reader.
  PortOpening Open(SerialPortFactory& ports, const std::string& portName, const std::string& baudText);
  bool IsOpen() const { return link_ != nullptr; }
  // Before a reader starts: waits up to `ms` for the receiver's first bytes,
  // which a wrong port or rate never brings. False when none came or the
  // device went away.
  bool AwaitFirstBytes(int ms);
  // The open port; null when closed.
  const std::shared_ptr<PortLink>& Link() const { return link_; }
  // Closes the port and asks its reader to stop; the reader ends within one
  // read and lets go of the descriptor.
  void Close();

  // A new reader of the open port, with an empty record; one already
  // running is asked to stop first, and the receiver's current-test state
  // is forgotten. Nothing when closed.
  TNMEAThread* StartReader();
  // Asks the current reader to end and forgets it.
  void StopReader();
  // The reader replaced between two writes: the bytes the receiver sends
  // from now on are read with an empty record.
  void RestartReader();
  // The running reader, null when none; never deleted by the caller.
  TNMEAThread* const& Reader() const { return reader_; }
  // Talkers decoded by readers started from now on.
  void SetTalkers(TalkerSet talkers) { talkers_ = talkers; }

  // The command's bytes with its pauses around them; nothing when closed.
  void Write(const Command& command);
  // The bytes alone, no pause; nothing when closed. Returns what was
  // written, which the window's commands do not look at.
  size_t Write(const char* bytes, size_t count);

  // The satellites in view as of the reader's last complete group; an empty
  // table without a reader. Returns the count.
  int32_t SatsInView(SatInView (&out)[kSatsInViewMax]) const;
  // The current reader's fix type as the window's record reads it (0:
  // none); 0 without a reader.
  uint8_t FixType() const;
  // The receiver has sent nothing for `ms` since the current reader started
  // or last read; a port without a reader is not watched.
  bool Silent(int ms) const;
  // The receiver went away under the reader.
  bool Gone() const { return link_ != nullptr && link_->Gone(); }

  // A reopen closes the port while its reader still holds the last sentence
  // of the old line. Joins the stopped readers, so their last sentence is
  // decoded, and returns the acknowledgement slot as they left it.
  int32_t AcknowledgedAtClose();
  // After the reopen's open, which clears the slots: an acknowledgement of
  // the flash write made on the old line is kept for the next report.
  void KeepAcknowledgementOfReopen(int32_t acknowledged);

  // Waits for every reader, stopped or not.
  void StopAndJoinAll();

  // Called from the reader (inside its hand-over, when there is one) when
  // the device went away: the one way any holder, the window too, learns
  // of it. Set before the first reader starts.
  std::function<void()> OnGone;
  // Told on the reader thread as each sentence is decoded, in stream order,
  // for a caller that times the receiver's answers: what a sentence of any
  // talker says of the fix (a GGA or GNS quality, a GSA mode, an RMC
  // status), as the evaluation reads it; and the command and flag of every
  // acknowledgement (kAckCarriedOut, kAckFailed, ...). Set before the
  // reader starts.
  std::function<void(bool fix)> OnFixReport;
  std::function<void(int32_t command, int32_t flag)> OnAcknowledgement;

  AckSlots Acks;
  LogHook Log;
  // The receiver accepted the current-test command; a new reader forgets
  // it. Read and set by the caller's thread only.
  bool CurrentTestEnabled = false;

 private:
  class Host;
  class Tap;
  std::unique_ptr<Host> host_;
  std::unique_ptr<Tap> tap_;
  UiHandOver ownHandOver_;  // without a window: runs each call on the reader thread
  UiHandOver* handOver_ = &ownHandOver_;
  IPauses* pauses_ = nullptr;
  TalkerSet talkers_ = TalkerSet::Gps();
  std::shared_ptr<PortLink> link_;
  TNMEAThread* reader_ = nullptr;
  ReaderSet readers_;  // last: joined before anything they use goes
};

}  // namespace vantrel
