#include "search/WorkerPool.h"

#include <system_error>

namespace trawlix {

size_t TWorkerPool::Start(size_t count, const std::function<void()>& role) {
  size_t started = 0;
  try {
    for (; started < count; ++started) threads_.emplace_back(role);
  } catch (const std::system_error&) {
    // Refused: the threads started so far do the work.
  }
  return started;
}

void TWorkerPool::Join() {
  for (std::thread& thread : threads_) thread.join();
  threads_.clear();
}

}  // namespace trawlix
