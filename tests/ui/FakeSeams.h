#pragma once
// Test doubles for the window's seams: boxes are recorded (and answered at
// once), the file choice is scripted, pauses are recorded and never wait,
// and the clock is set by the test.
#include <QString>
#include <deque>
#include <functional>
#include <ostream>
#include <optional>
#include <vector>

#include "ui/Form.h"
#include "ui/Seams.h"

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace vantrel::testing {

class FakeMessageBoxes : public IMessageBoxes {
 public:
  void Show(QWidget*, const QString& text) override { Texts.push_back(text); }
  std::vector<QString> Texts;
};

class FakeSaveDialog : public ISaveDialog {
 public:
  std::optional<QString> Run(QWidget*, SaveDialogSettings& settings) override {
    ++Runs;
    LastSettings = settings;
    if (Choices.empty()) return std::nullopt;
    auto choice = Choices.front();
    Choices.pop_front();
    if (choice) settings.fileName = *choice;
    return choice;
  }
  std::deque<std::optional<QString>> Choices;  // nullopt: the user cancels
  SaveDialogSettings LastSettings;
  int Runs = 0;
};

class FakePauses : public IPauses {
 public:
  void Sleep(int milliseconds) override {
    Recorded.push_back(milliseconds);
    if (OnSleep) OnSleep(milliseconds);
  }
  std::vector<int> Recorded;
  std::function<void(int)> OnSleep;  // sees the window as it stands at each pause
};

class FakeClock : public IClock {
 public:
  int64_t NowMs() override { return Now; }
  int64_t Now = 0;
};

// All four fakes, ready to hand to a window.
struct FakeSeams {
  FakeMessageBoxes Boxes;
  FakeSaveDialog Dialog;
  FakePauses Pauses;
  FakeClock Clock;
  FormServices Services() { return {&Boxes, &Dialog, &Pauses, &Clock}; }
};

}  // namespace vantrel::testing
