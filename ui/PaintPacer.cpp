#include "ui/PaintPacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace vantrel {

PaintPacer::PaintPacer(QWidget* window, int intervalMs)
    : QObject(window), window_(window), intervalMs_(intervalMs), held_(new QTimer(this)) {
  held_->setSingleShot(true);
  connect(held_, &QTimer::timeout, this, &PaintPacer::SendHeld);
  // On the application, not the window: input goes to the widget under the
  // mouse or in focus. (Filtering on both would see each request twice.)
  QCoreApplication::instance()->installEventFilter(this);
}

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
      return true;
    default:
      return false;
  }
}

}  // namespace

// Qt asks a window to repaint what is dirty by an UpdateRequest, and posts no
// other until that one has been handled; so holding it back holds back every
// repaint, and sending it later paints everything that became dirty meanwhile.
bool PaintPacer::eventFilter(QObject* watched, QEvent* event) {
  if (IsUserInput(event->type())) {
    // Its answer is painted as soon as it is made; a repaint held back
    // meanwhile goes with it.
    userActed_ = true;
    if (held_->isActive()) held_->start(0);
    return false;
  }
  if (watched != window_ || event->type() != QEvent::UpdateRequest || sending_) return false;
  if (held_->isActive()) return true;
  if (userActed_ || !sinceLast_.isValid() || sinceLast_.elapsed() >= intervalMs_) {
    userActed_ = false;
    sinceLast_.start();
    ++delivered_;
    return false;
  }
  held_->start(static_cast<int>(intervalMs_ - sinceLast_.elapsed()));
  return true;
}

void PaintPacer::SendHeld() {
  QEvent request(QEvent::UpdateRequest);
  sending_ = true;
  QCoreApplication::sendEvent(window_, &request);
  sending_ = false;
  userActed_ = false;
  sinceLast_.start();
  ++delivered_;
}

}  // namespace vantrel
