#include "ui/Application.h"
#include "ui/Form.h"

int main(int argc, char** argv) {
  vantrel::TApplication::PrepareEnvironment();
  vantrel::TApplication app(argc, argv);
  const vantrel::WindowOptions options = vantrel::ParseWindowOptions(app);
  try {
    TMainForm MainForm;
    if (options.TestBench) MainForm.ShowTestBenchPage();
    if (options.AllGnss) MainForm.ShowAllGnss();
    app.ShowExceptionsIn(&MainForm, MainForm.MessageBoxes);
    MainForm.show();
    app.exec();
  } catch (...) {
    // Thrown outside the event loop, while the window was being built.
    app.ShowException(std::current_exception());
  }
  return 0;
}
