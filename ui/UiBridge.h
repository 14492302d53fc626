#pragma once
// RunOnUiThread for the window: a reader's queued call is run by the Qt
// event loop of the thread that made the bridge. The waiting itself is the
// plain mutex and condition variable of UiHandOver (link/), which the
// sanitizers see; Qt only carries the nudge.
#include <QObject>

#include "link/HandOver.h"

namespace vantrel {

class UiBridge {
 public:
  // Construct on the UI thread.
  UiBridge();
  UiBridge(const UiBridge&) = delete;
  UiBridge& operator=(const UiBridge&) = delete;

  UiHandOver& HandOver() { return handOver_; }

 private:
  void Post();

  QObject context_;  // lives on the UI thread; pending nudges die with it
  UiHandOver handOver_{[this] { Post(); }};
};

}  // namespace vantrel
