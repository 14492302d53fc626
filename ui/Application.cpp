#include "ui/Application.h"

namespace vantrel {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void TApplication::PrepareEnvironment() {
  // Qt's own event loop instead of GLib's: the window wakes a hundred times a
  // second at full line rate, and GLib's per-wake bookkeeping was a sixth of
  // what the live display cost. Nothing here needs GLib sources.
  if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
}

void TApplication::ShowExceptionsIn(QWidget* parent, IMessageBoxes* boxes) {
  parent_ = parent;
  boxes_ = boxes;
}

void TApplication::ShowException(const std::exception_ptr& exception) {
  QString text;
  try {
    std::rethrow_exception(exception);
  } catch (const std::exception& e) {
    text = QString::fromUtf8(e.what());
  } catch (...) {
  }
  if (parent_ && boxes_)
    boxes_->Show(parent_, text);
  else
    ownBoxes_.Show(nullptr, text);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    // The box runs its own event loop, where the same fault may throw again.
    if (!showing_) {
      showing_ = true;
      ShowException(std::current_exception());
      showing_ = false;
    }
    exit(0);
    return false;
  }
}

}  // namespace vantrel
