#pragma once
// The window's few contacts with the outside that tests must control: modal
// message boxes, the save dialog, blocking pauses and the monotonic clock.
// Each is one small interface; the real implementations live in Seams.cpp,
// the test doubles in tests/ui/FakeSeams.h.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "commands/Pauses.h"  // IPauses, shared with the core's pacing

class QWidget;

namespace vantrel {

// A modal box with the text and an OK button; returns when it is closed.
class IMessageBoxes {
 public:
  virtual ~IMessageBoxes() = default;
  virtual void Show(QWidget* parent, const QString& text) = 0;
};

struct SaveDialogSettings {
  QString fileName;     // preset name; the dialog keeps the last choice
  QStringList filters;  // "NMEA Files (*.nma)", ...
  int filterIndex = 0;
};

// Returns the chosen path, or nothing when the user cancels.
class ISaveDialog {
 public:
  virtual ~ISaveDialog() = default;
  virtual std::optional<QString> Run(QWidget* parent, SaveDialogSettings& settings) = 0;
};

// Monotonic time in milliseconds; never jumps with the wall clock.
class IClock {
 public:
  virtual ~IClock() = default;
  virtual int64_t NowMs() = 0;
};

}  // namespace vantrel
