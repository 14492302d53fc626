#include <cstdio>
#include <string_view>

#include "Version.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace {

constexpr const char kHelp[] =
    "Usage: vantrel [--test-bench] [--gnss] [Qt options]\n"
    "       vantrel --help | --version\n"
    "The window that watches, commands and records a GPS receiver module on a\n"
    "serial port, and measures its sensitivity with a signal generator on a\n"
    "second port. It stores nothing between runs.\n"
    "\n"
    "Options:\n"
    "  --test-bench  show the GPS-101 page: acquisition and tracking\n"
    "                sensitivity tests with a signal generator on a second port\n"
    "  --gnss        decode every talker (\"$GN\", \"$GL\", \"$GA\", \"$GB\" as well\n"
    "                as \"$GP\") and show the satellites of every system, marked\n"
    "                G, R, E, C or J; without it the window reads \"$GP\" only\n"
    "  --help        this text\n"
    "  --version     the program's version\n"
    "Qt's own options work too, such as -platform offscreen.\n"
    "\n"
    "Exit status: 0 when the window is closed, 2 for an option it does not know.\n"
    "See also vantrel-log(1), vantrel-bench(1) and vantrel-sim(1).\n";

}  // namespace

int main(int argc, char** argv) {
  // Answered before the application object, which needs a display.
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--version") {
      std::printf("vantrel %s\n", vantrel::kVersion);
      return 0;
    }
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
  }
  vantrel::TApplication::PrepareEnvironment();
  vantrel::TApplication app(argc, argv);
  // What Qt left of the command line is ours.
  bool testBench = false;
  bool allGnss = false;
  const QStringList arguments = app.arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == QLatin1String("--test-bench")) {
      testBench = true;
      continue;
    }
    if (arguments[i] == QLatin1String("--gnss")) {
      allGnss = true;
      continue;
    }
    std::fprintf(stderr, "vantrel: unknown option '%s'\nTry 'vantrel --help'.\n", qPrintable(arguments[i]));
    return 2;
  }
  try {
    TMainForm MainForm;
    if (testBench) MainForm.ShowTestBenchPage();
    if (allGnss) MainForm.ShowAllGnss();
    app.ShowExceptionsIn(&MainForm, MainForm.MessageBoxes);
    MainForm.show();
    app.exec();
  } catch (...) {
    // Thrown outside the event loop, while the window was being built.
    app.ShowException(std::current_exception());
  }
  return 0;
}
