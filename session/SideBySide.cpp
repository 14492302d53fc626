#include "session/SideBySide.h"

#include <thread>
#include <vector>

namespace vantrel {

void RunSideBySide(size_t count, const std::function<void(size_t index)>& job) {
  std::vector<std::jthread> threads;
  threads.reserve(count);
  for (size_t i = 0; i < count; ++i) threads.emplace_back([&job, i] { job(i); });
}

}  // namespace vantrel
