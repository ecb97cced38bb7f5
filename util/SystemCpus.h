#pragma once
// How many processors this process may keep busy at once.
#include <cstddef>

namespace trawlix {

// The processors of the process's affinity mask, fewer where a cgroup's CPU quota allows
// less time than that (rounded up); at least 1.
size_t UsableCpus();

}  // namespace trawlix
