#include "util/SystemCpus.h"

#include <sched.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>

#include "util/Cgroups.h"

namespace trawlix {

namespace {

size_t AffinityCpus() {
  // The mask is asked for in growing sizes, for machines with more processors than a
  // cpu_set_t holds.
  for (size_t cpus = 1024; cpus <= (size_t{1} << 20); cpus *= 2) {
    cpu_set_t* set = CPU_ALLOC(cpus);
    if (set == nullptr) break;
    const size_t size = CPU_ALLOC_SIZE(cpus);
    const bool got = sched_getaffinity(0, size, set) == 0;
    const size_t count = got ? static_cast<size_t>(CPU_COUNT_S(size, set)) : 0;
    CPU_FREE(set);
    if (got) return count;
  }
  const long online = sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<size_t>(online) : 1;
}

// The first word of a file, or "".
std::string FirstWord(const std::string& path) {
  std::ifstream in(path);
  std::string word;
  in >> word;
  return word;
}

// The processors' worth of time that a cgroup's quota gives per period, rounded up, in
// the first of its folders that tells it; SIZE_MAX for none. The unified hierarchy says
// "QUOTA PERIOD" or "max PERIOD" in one file, v1 a quota of -1 for none.
size_t QuotaCpus(const TCgroup& group) {
  for (const std::string& folder : group.folders) {
    std::string quota;
    uint64_t period = 0;
    if (group.unified) {
      std::ifstream in(folder + "/cpu.max");
      if (!(in >> quota >> period)) continue;
    } else {
      if (!ReadNumber(folder + "/cpu.cfs_period_us", period)) continue;
      quota = FirstWord(folder + "/cpu.cfs_quota_us");
    }
    if (quota.empty() || quota == "max" || quota.front() == '-' || period == 0) return SIZE_MAX;
    const uint64_t time = std::stoull(quota);
    return time == 0 ? SIZE_MAX : static_cast<size_t>((time + period - 1) / period);
  }
  return SIZE_MAX;
}

}  // namespace

size_t UsableCpus() {
  size_t cpus = AffinityCpus();
  try {
    for (const TCgroup& group : CgroupsOf("cpu")) {
      const size_t quota = QuotaCpus(group);
      if (quota < cpus) cpus = quota;
    }
  } catch (const std::exception&) {
    // A quota file that cannot be read as numbers limits nothing.
  }
  return cpus > 0 ? cpus : 1;
}

}  // namespace trawlix
