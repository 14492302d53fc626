#include "ui/Application.h"

#include <QCommandLineParser>

namespace vantrel {

WindowOptions ParseWindowOptions(const QApplication& app) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Evaluate and configure a GPS receiver module on a serial port.\n"
      "The receiver's port is chosen in the window; see vantrel(1)."));
  parser.addHelpOption();
  const QCommandLineOption testBench(
      QStringLiteral("test-bench"),
      QStringLiteral("Show the GPS-101 page: acquisition and tracking sensitivity tests with a signal "
                     "generator on a second serial port."));
  parser.addOption(testBench);
  const QCommandLineOption gnss(
      QStringLiteral("gnss"),
      QStringLiteral("Decode every talker (\"$GN\", \"$GL\", \"$GA\", \"$GB\" as well as \"$GP\") and show the "
                     "satellites of every system, marked G, R, E, C or J. Without it the window reads \"$GP\" "
                     "only."));
  parser.addOption(gnss);
  parser.process(app);
  WindowOptions options;
  options.TestBench = parser.isSet(testBench);
  options.AllGnss = parser.isSet(gnss);
  return options;
}

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
