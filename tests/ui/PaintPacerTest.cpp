// The pacing of the window's repaints.
#include <QCoreApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include "ui/PaintPacer.h"

namespace {

// A top-level window that counts its paints and remembers the state the
// last one showed.
struct CountingWindow : QWidget {
  int paints = 0;
  int text = -1, shown = -1;
  void paintEvent(QPaintEvent*) override {
    ++paints;
    shown = text;
  }
};

// A burst of changes, one per chunk read, is painted at most once per
// interval, and the state after the last change is what ends up painted.
TEST(PaintPacer, HoldsTheRepaintsOfABurstAndPaintsTheLastState) {
  CountingWindow window;
  window.resize(60, 20);
  auto* pacer = new vantrel::PaintPacer(&window, 150);  // owned by the window
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.paints > 0; }));
  const int before = window.paints;
  for (int i = 0; i < 20; ++i) {
    window.text = i;
    window.update();
    QCoreApplication::processEvents();
  }
  EXPECT_LE(window.paints - before, 1);  // at most the first, if the show's paint was long enough ago
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.shown == 19; }));
  EXPECT_LE(window.paints - before, 2);
  EXPECT_GE(pacer->Delivered(), 2);
}

// What the user does is painted at once, pacing or not.
TEST(PaintPacer, UserInputLetsTheHeldRepaintThrough) {
  CountingWindow window;
  window.resize(60, 20);
  new vantrel::PaintPacer(&window, 3600 * 1000);  // an hour: nothing would come by itself
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.paints > 0; }));
  const int before = window.paints;
  window.update();  // held: the show's repaint was just now
  QCoreApplication::processEvents();
  EXPECT_EQ(window.paints, before);
  QTest::mouseClick(&window, Qt::LeftButton);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.paints > before; }));
  // And the next repaint after a key goes through without waiting either.
  const int after = window.paints;
  QTest::keyClick(&window, Qt::Key_A);
  window.update();
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.paints > after; }));
}

}  // namespace
