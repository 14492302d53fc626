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

// What the window's command line asks for.
struct WindowOptions {
  bool TestBench = false;  // show the sensitivity test bench's page
  bool AllGnss = false;    // every talker and constellation, not "$GP" alone
};

// Reads the command line after Qt took its own options from it. --help
// prints the usage and ends the program with 0; an unknown option prints
// why and ends it with 1.
WindowOptions ParseWindowOptions(const QApplication& app);

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
