#include "search/SampleStore.h"

#include <cstring>

namespace trawlix {

void TSampleStore::StartFile() {
  keptFrom_ = nullptr;
  keptTo_ = nullptr;
  copy_ = nullptr;
}

const char* TSampleStore::Keep(const char* from, const char* to) {
  const size_t size = static_cast<size_t>(to - from);
  if (copy_ != nullptr && from >= keptFrom_ && from <= keptTo_) {
    if (to <= keptTo_) return copy_ + (from - keptFrom_);
    const size_t more = static_cast<size_t>(to - keptTo_);
    char* copyEnd = copy_ + (keptTo_ - keptFrom_);
    if (memory_.Extend(copyEnd, more)) {
      std::memcpy(copyEnd, keptTo_, more);
      kept_ += more;
      keptTo_ = to;
      return copy_ + (from - keptFrom_);
    }
  }
  char* copy = memory_.Allocate(size);
  if (size > 0) std::memcpy(copy, from, size);
  kept_ += size;
  keptFrom_ = from;
  keptTo_ = to;
  copy_ = copy;
  return copy;
}

void TSampleStore::Clear() {
  memory_.Clear();
  StartFile();
  kept_ = 0;
}

}  // namespace trawlix
