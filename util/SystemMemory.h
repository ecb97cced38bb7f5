#pragma once
// How much memory the system can give this process without swapping.
#include <cstddef>

namespace trawlix {

// The smaller of the system's available memory (MemAvailable, which counts the page cache
// that can be dropped) and what the process's memory cgroup still allows, in bytes; the
// physical memory when neither can be read.
size_t AvailableMemory();

}  // namespace trawlix
