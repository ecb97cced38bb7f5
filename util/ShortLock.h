#pragma once
// A mutex and its condition for state that threads on processors of their own hand to
// each other many thousand times a second, each time holding it only briefly. A thread
// that finds the mutex held spins a moment before it sleeps: the holder mostly lets go
// within that moment, while going to sleep and being woken cost a system call and a
// switch of threads each.
#include <pthread.h>

#include <mutex>

namespace trawlix {

class TShortMutex {
 public:
  TShortMutex();
  ~TShortMutex();
  TShortMutex(const TShortMutex&) = delete;
  TShortMutex& operator=(const TShortMutex&) = delete;

  void lock() { pthread_mutex_lock(&mutex_); }
  bool try_lock() { return pthread_mutex_trylock(&mutex_) == 0; }
  void unlock() { pthread_mutex_unlock(&mutex_); }

 private:
  friend class TShortCondition;
  pthread_mutex_t mutex_;
};

using TShortLock = std::unique_lock<TShortMutex>;

// As std::condition_variable, over a TShortMutex.
class TShortCondition {
 public:
  TShortCondition() { pthread_cond_init(&cond_, nullptr); }
  ~TShortCondition() { pthread_cond_destroy(&cond_); }
  TShortCondition(const TShortCondition&) = delete;
  TShortCondition& operator=(const TShortCondition&) = delete;

  void wait(TShortLock& lock) { pthread_cond_wait(&cond_, &lock.mutex()->mutex_); }
  template <typename Predicate>
  void wait(TShortLock& lock, Predicate ready) {
    while (!ready()) wait(lock);
  }
  void notify_one() { pthread_cond_signal(&cond_); }
  void notify_all() { pthread_cond_broadcast(&cond_); }

 private:
  pthread_cond_t cond_;
};

}  // namespace trawlix
