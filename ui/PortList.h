#pragma once
// The receiver's port list: what is plugged in changes while the window is
// open, so the list asks for the present devices each time it drops down.
#include <QComboBox>
#include <functional>

namespace vantrel {

class TPortList final : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> BeforePopup;

  void showPopup() override {
    if (BeforePopup) BeforePopup();
    QComboBox::showPopup();
  }
};

}  // namespace vantrel
