#pragma once
// Runs the window's event loop until `done` holds or `timeoutMs` have
// passed: the readers' hand-overs, queued message boxes and timers all need
// it. Waits on a condition, never for a fixed time.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace vantrel::testing {

template <typename Pred>
bool PumpUntil(Pred done, int timeoutMs = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

}  // namespace vantrel::testing
