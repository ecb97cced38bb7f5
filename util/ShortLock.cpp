#include "util/ShortLock.h"

namespace trawlix {

TShortMutex::TShortMutex() {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_ADAPTIVE_NP);
  pthread_mutex_init(&mutex_, &attributes);
  pthread_mutexattr_destroy(&attributes);
}

TShortMutex::~TShortMutex() {
  pthread_mutex_destroy(&mutex_);
}

}  // namespace trawlix
