#pragma once
// The real seams: Qt's message box and file dialog, a plain sleep of the
// calling thread and the steady clock.
#include "ui/Seams.h"

namespace vantrel {

class RealMessageBoxes : public IMessageBoxes {
 public:
  void Show(QWidget* parent, const QString& text) override;
};

class RealSaveDialog : public ISaveDialog {
 public:
  std::optional<QString> Run(QWidget* parent, SaveDialogSettings& settings) override;

 private:
  static std::optional<QString> RunDialog(QWidget* parent, SaveDialogSettings& settings);
};

class RealPauses : public IPauses {
 public:
  void Sleep(int milliseconds) override;
};

class RealClock : public IClock {
 public:
  int64_t NowMs() override;
};

}  // namespace vantrel
