#pragma once
// The control groups that limit this process, as /proc/self/cgroup names them.
#include <cstdint>
#include <string>
#include <vector>

namespace trawlix {

struct TCgroup {
  bool unified;  // the v2 hierarchy, else the v1 hierarchy of the controller asked for
  // Where its files are looked for: the process's own cgroup, then the hierarchy's root
  // (which is the process's own inside a cgroup namespace).
  std::vector<std::string> folders;
};

// The v2 cgroup and the v1 cgroup of `controller` ("memory", "cpu") that hold the process.
std::vector<TCgroup> CgroupsOf(const std::string& controller);

// The first number in the file, or false ("max", unreadable).
bool ReadNumber(const std::string& path, uint64_t& value);

}  // namespace trawlix
