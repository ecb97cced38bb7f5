#pragma once
// A mutex and its condition for state that threads on processors of their own hand to
// each other many thousand times a second, each time holding it only briefly. A thread
// that finds the mutex held spins a moment before it sleeps: the holder mostly lets go
// within that moment, while going to sleep and being woken cost a system call and a
// switch of threads each.
#include <pthread.h>

#include "util/ThreadSafety.h"

namespace trawlix {

class CAPABILITY("mutex") TShortMutex {
 public:
  TShortMutex();
  ~TShortMutex();
  TShortMutex(const TShortMutex&) = delete;
  TShortMutex& operator=(const TShortMutex&) = delete;

  void lock() ACQUIRE() { pthread_mutex_lock(&mutex_); }
  void unlock() RELEASE() { pthread_mutex_unlock(&mutex_); }

 private:
  friend class TShortCondition;
  pthread_mutex_t mutex_;
};

// Holds the mutex for its scope; it may let go and take it again within.
class SCOPED_CAPABILITY TShortLock {
 public:
  explicit TShortLock(TShortMutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
  ~TShortLock() RELEASE() {
    if (held_) mutex_.unlock();
  }
  TShortLock(const TShortLock&) = delete;
  TShortLock& operator=(const TShortLock&) = delete;

  void lock() ACQUIRE() {
    mutex_.lock();
    held_ = true;
  }
  void unlock() RELEASE() {
    held_ = false;
    mutex_.unlock();
  }

 private:
  friend class TShortCondition;
  TShortMutex& mutex_;
  bool held_ = true;
};

// As std::condition_variable, over a TShortMutex. The callers loop on their own
// condition, where the analysis sees the lock they hold.
class TShortCondition {
 public:
  TShortCondition() { pthread_cond_init(&cond_, nullptr); }
  ~TShortCondition() { pthread_cond_destroy(&cond_); }
  TShortCondition(const TShortCondition&) = delete;
  TShortCondition& operator=(const TShortCondition&) = delete;

  void wait(TShortLock& lock) { pthread_cond_wait(&cond_, &lock.mutex_.mutex_); }
  void notify_one() { pthread_cond_signal(&cond_); }
  void notify_all() { pthread_cond_broadcast(&cond_); }

 private:
  pthread_cond_t cond_;
};

}  // namespace trawlix
