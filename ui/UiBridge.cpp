#include "ui/UiBridge.h"

#include <QMetaObject>

namespace vantrel {

UiBridge::UiBridge() = default;

void UiBridge::Post() {
  // Called on a reader thread; posting an event is thread-safe. Drain runs
  // every call queued so far, so extra nudges find nothing to do.
  QMetaObject::invokeMethod(
      &context_, [this] { handOver_.Drain(); }, Qt::QueuedConnection);
}

}  // namespace vantrel
