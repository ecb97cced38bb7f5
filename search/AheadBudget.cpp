#include "search/AheadBudget.h"

#include <sys/resource.h>

#include <algorithm>

namespace trawlix {

void TAheadBudget::Add(const THold& hold) {
  held_.bytes += hold.bytes;
  held_.records += hold.records;
  held_.hinted += hold.hinted;
}

void TAheadBudget::Remove(const THold& hold) {
  held_.bytes -= hold.bytes;
  held_.records -= hold.records;
  held_.hinted -= hold.hinted;
}

size_t TAheadBudget::FoldersOpen() {
  constexpr size_t kMost = 64;
  constexpr size_t kKeptForOthers = 24;  // the standard streams, the windows' own, the walk
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kMost;
  const size_t open = static_cast<size_t>(limit.rlim_cur);
  return std::clamp<size_t>(open > kKeptForOthers ? (open - kKeptForOthers) / 4 : 0, 1, kMost);
}

}  // namespace trawlix
