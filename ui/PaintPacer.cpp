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
  window_->installEventFilter(this);
}

// Qt asks a window to repaint what is dirty by an UpdateRequest, and posts no
// other until that one has been handled; so holding it back holds back every
// repaint, and sending it later paints everything that became dirty meanwhile.
bool PaintPacer::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_ || event->type() != QEvent::UpdateRequest || sending_) return false;
  if (held_->isActive()) return true;
  if (!sinceLast_.isValid() || sinceLast_.elapsed() >= intervalMs_) {
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
  sinceLast_.start();
  ++delivered_;
}

}  // namespace vantrel
