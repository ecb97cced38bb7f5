#include "util/SystemMemory.h"

#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

namespace trawlix {

namespace {

// The first number in the file, or none ("max", unreadable).
bool ReadNumber(const std::string& path, uint64_t& value) {
  std::ifstream in(path);
  return static_cast<bool>(in >> value);
}

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

// The room left under a cgroup's limit, looked for in the process's own cgroup and then
// at the hierarchy's root (which is the process's own inside a cgroup namespace).
uint64_t RoomUnder(const std::string& mount, const std::string& path, const char* limitFile,
                   const char* usageFile) {
  for (const std::string& folder : {mount + path, mount}) {
    uint64_t limit = 0, usage = 0;
    if (ReadNumber(folder + "/" + limitFile, limit) &&
        ReadNumber(folder + "/" + usageFile, usage)) {
      return limit > usage ? limit - usage : 0;
    }
  }
  return UINT64_MAX;
}

uint64_t CgroupRoom() {
  std::ifstream cgroups("/proc/self/cgroup");
  uint64_t room = UINT64_MAX;
  for (std::string line; std::getline(cgroups, line);) {
    std::istringstream fields(line);
    std::string id, controllers, path;
    if (!std::getline(fields, id, ':') || !std::getline(fields, controllers, ':')) continue;
    std::getline(fields, path);
    uint64_t here = UINT64_MAX;
    if (id == "0" && controllers.empty()) {
      here = RoomUnder("/sys/fs/cgroup", path, "memory.max", "memory.current");
    } else if (controllers == "memory") {
      here = RoomUnder("/sys/fs/cgroup/memory", path, "memory.limit_in_bytes",
                       "memory.usage_in_bytes");
    }
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
