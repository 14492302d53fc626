// An exception that leaves an event handler: a message box through the
// seam, then the event loop ends with 0, where Qt alone would abort. The
// program's application object is this process's, so the test has its own
// main.
#include <QMetaObject>
#include <QObject>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/ui/FakeSeams.h"
#include "ui/Application.h"
#include "ui/UiBridge.h"

namespace {

using vantrel::testing::FakeMessageBoxes;

vantrel::TApplication* app = nullptr;

// Runs the event loop with `start` queued, as the program would; a loop that
// is not ended by the exception ends after five seconds with 99.
int RunLoop(const std::function<void()>& start) {
  QTimer::singleShot(0, app, start);
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, app, [] { app->exit(99); });
  guard.start(5000);
  return app->exec();
}

TEST(Application, ExceptionFromAHandlerIsShownAndEndsTheLoopWithZero) {
  struct Case {
    const char* how;
    std::function<void()> raise;
    QString text;
  };
  const Case cases[] = {
      {"timer", [] { QTimer::singleShot(0, [] { throw std::runtime_error("Timer fault"); }); }, "Timer fault"},
      {"queued call",
       [] { QMetaObject::invokeMethod(app, [] { throw std::out_of_range("Index 40"); }, Qt::QueuedConnection); },
       "Index 40"},
      {"not a std::exception", [] { throw 42; }, ""},
  };
  for (const Case& c : cases) {
    FakeMessageBoxes boxes;
    QWidget window;
    app->ShowExceptionsIn(&window, &boxes);
    EXPECT_EQ(RunLoop(c.raise), 0) << c.how;
    EXPECT_EQ(boxes.Texts, std::vector<QString>{c.text}) << c.how;
  }
}

TEST(Application, ClickHandlerThatThrowsEndsTheLoop) {
  FakeMessageBoxes boxes;
  QWidget window;
  auto* button = new QPushButton("Open", &window);
  QObject::connect(button, &QPushButton::clicked, [] { throw std::runtime_error("Open failed"); });
  app->ShowExceptionsIn(&window, &boxes);
  EXPECT_EQ(RunLoop([button] { button->click(); }), 0);
  EXPECT_EQ(boxes.Texts, std::vector<QString>{"Open failed"});
}

// A reader's hand-over runs window code on the UI thread; the reader is not
// left waiting when that code throws.
TEST(Application, HandOverThatThrowsReleasesItsReader) {
  FakeMessageBoxes boxes;
  QWidget window;
  app->ShowExceptionsIn(&window, &boxes);
  vantrel::UiBridge bridge;
  std::atomic<bool> stop{false};
  bool ran = false;
  std::thread reader;
  const int code = RunLoop([&] {
    reader = std::thread([&] {
      ran = bridge.HandOver().RunOnUiThread([] { throw std::runtime_error("Refresh fault"); }, stop);
    });
  });
  reader.join();
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(ran);
  EXPECT_EQ(boxes.Texts, std::vector<QString>{"Refresh fault"});
}

// The box runs an event loop of its own; the same fault throwing again
// there shows no second box.
class BoxWithItsOwnLoop : public vantrel::IMessageBoxes {
 public:
  void Show(QWidget*, const QString& text) override {
    Texts.push_back(text);
    QTimer::singleShot(0, [] { throw std::runtime_error("again"); });
    bool done = false;
    QTimer::singleShot(20, [&] { done = true; });
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  std::vector<QString> Texts;
};

TEST(Application, ExceptionWhileTheBoxIsOpenShowsNoSecondBox) {
  BoxWithItsOwnLoop boxes;
  QWidget window;
  app->ShowExceptionsIn(&window, &boxes);
  EXPECT_EQ(RunLoop([] { throw std::runtime_error("first"); }), 0);
  EXPECT_EQ(boxes.Texts, std::vector<QString>{"first"});
}

// Once the window is gone its seam is not used.
TEST(Application, BoxesOfAWindowThatIsGoneAreNotUsed) {
  FakeMessageBoxes boxes;
  auto* window = new QWidget;
  app->ShowExceptionsIn(window, &boxes);
  delete window;
  // A real box opens instead; it would wait for a user, so it is closed.
  bool realBox = false;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (QWidget* box = QApplication::activeModalWidget()) {
      realBox = true;
      box->close();
    }
  });
  closer.start(10);
  EXPECT_EQ(RunLoop([] { throw std::runtime_error("late"); }), 0);
  EXPECT_TRUE(realBox);
  EXPECT_TRUE(boxes.Texts.empty());
}

}  // namespace

// An exception that unwinds through Qt's signal emission leaves a guard of
// Qt's own behind: Qt is not exception-safe, which is why the program exits
// after the box. The leak detector is told so, for this program only.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:QtSharedPointer::ExternalRefCountData::getAndRef\n";
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  vantrel::TApplication application(argc, argv);
  app = &application;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
