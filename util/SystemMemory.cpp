#include "util/SystemMemory.h"

#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "util/Cgroups.h"

namespace trawlix {

namespace {

uint64_t MemAvailable() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  uint64_t kib = 0;
  while (meminfo >> key >> kib) {
    if (key == "MemAvailable:") return kib * 1024;
    meminfo.ignore(256, '\n');
  }
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  return pages > 0 && pageSize > 0 ? static_cast<uint64_t>(pages) * pageSize : UINT64_MAX;
}

// The room left under a cgroup's limit, in the first of its folders that tells it.
uint64_t RoomUnder(const TCgroup& group) {
  const char* limitFile = group.unified ? "memory.max" : "memory.limit_in_bytes";
  const char* usageFile = group.unified ? "memory.current" : "memory.usage_in_bytes";
  for (const std::string& folder : group.folders) {
    uint64_t limit = 0, usage = 0;
    if (ReadNumber(folder + "/" + limitFile, limit) &&
        ReadNumber(folder + "/" + usageFile, usage)) {
      return limit > usage ? limit - usage : 0;
    }
  }
  return UINT64_MAX;
}

uint64_t CgroupRoom() {
  uint64_t room = UINT64_MAX;
  for (const TCgroup& group : CgroupsOf("memory")) {
    const uint64_t here = RoomUnder(group);
    if (here < room) room = here;
  }
  return room;
}

}  // namespace

size_t AvailableMemory() {
  const uint64_t system = MemAvailable();
  const uint64_t cgroup = CgroupRoom();
  const uint64_t room = cgroup < system ? cgroup : system;
  return room > SIZE_MAX ? SIZE_MAX : static_cast<size_t>(room);
}

}  // namespace trawlix
