#pragma once
// The blocking pause that paces every command: the window's seam
// (ui/Seams.h), the test bench's generator lines and cold starts, and the
// fakes of the tests, which record pauses instead of waiting.
namespace vantrel {

// A blocking pause of the calling (UI) thread: no nested event loop.
class IPauses {
 public:
  virtual ~IPauses() = default;
  virtual void Sleep(int milliseconds) = 0;
};

}  // namespace vantrel
