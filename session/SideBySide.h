#pragma once
// Jobs run side by side, one thread each, and waited for: several receivers
// answering at once, each on its own session.
#include <cstddef>
#include <functional>

namespace vantrel {

// Runs job(0) .. job(count - 1) at once and returns when all have.
void RunSideBySide(size_t count, const std::function<void(size_t index)>& job);

}  // namespace vantrel
