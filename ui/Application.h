#pragma once
// The application object. Qt aborts when an exception leaves an event
// handler; here it ends in a message box and the event loop ends, so the
// window is closed and destroyed as on any other way out.
#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <exception>

#include "ui/RealSeams.h"

namespace vantrel {

class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);

  // Before the application object: choices Qt reads from the environment
  // at start-up, each left alone when the user has set it.
  static void PrepareEnvironment();

  // The box goes through `boxes` with `parent` over it while `parent`
  // lives; before and after, it is a real box of its own.
  void ShowExceptionsIn(QWidget* parent, IMessageBoxes* boxes);

  // Shows the exception's message (an unknown exception's is empty).
  void ShowException(const std::exception_ptr& exception);

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  QPointer<QWidget> parent_;
  IMessageBoxes* boxes_ = nullptr;
  RealMessageBoxes ownBoxes_;
  bool showing_ = false;  // a box is open: later exceptions only end the loop
};

}  // namespace vantrel
