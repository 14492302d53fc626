#pragma once
// Paces the repaints of a window. The status refresh runs after every chunk
// read, so a line at full rate would repaint the page a hundred times a
// second, mostly for one changed label at a time. The pacer lets one repaint
// through at once and holds the next ones until `intervalMs` has passed since
// the last; the held repaint then shows the latest state, so nothing drawn
// is lost, it only arrives up to `intervalMs` later. What the user does is
// answered at once: after a key or mouse event the next repaint is not held.
#include <QElapsedTimer>
#include <QObject>

class QTimer;
class QWidget;

namespace vantrel {

class PaintPacer : public QObject {
 public:
  // Paces `window` (a top-level widget), which owns it.
  PaintPacer(QWidget* window, int intervalMs);
  int Delivered() const { return delivered_; }  // repaints let through or sent

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SendHeld();

  QWidget* window_;
  int intervalMs_;
  QTimer* held_;
  QElapsedTimer sinceLast_;
  bool sending_ = false;
  bool userActed_ = false;
  int delivered_ = 0;
};

}  // namespace vantrel
