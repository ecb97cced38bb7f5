#pragma once
// Owns the threads of the work ahead: every one of them is started here and joined here.
// A thread that the system will not start (a task limit, a pids cgroup) is left out, and
// its work falls to the threads that did start, down to the run's own.
#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

namespace trawlix {

class TWorkerPool {
 public:
  TWorkerPool() = default;
  ~TWorkerPool() { Join(); }  // the work must have been told to stop first
  TWorkerPool(const TWorkerPool&) = delete;
  TWorkerPool& operator=(const TWorkerPool&) = delete;

  // Starts up to `count` threads running `role`; returns how many started.
  size_t Start(size_t count, const std::function<void()>& role);
  void Join();

 private:
  std::vector<std::thread> threads_;
};

}  // namespace trawlix
