#include "util/Cgroups.h"

#include <fstream>
#include <sstream>

namespace trawlix {

namespace {

bool ListsController(const std::string& controllers, const std::string& controller) {
  std::istringstream names(controllers);
  for (std::string name; std::getline(names, name, ',');) {
    if (name == controller) return true;
  }
  return false;
}

}  // namespace

std::vector<TCgroup> CgroupsOf(const std::string& controller) {
  std::vector<TCgroup> groups;
  std::ifstream cgroups("/proc/self/cgroup");
  for (std::string line; std::getline(cgroups, line);) {
    std::istringstream fields(line);
    std::string id, controllers, path;
    if (!std::getline(fields, id, ':') || !std::getline(fields, controllers, ':')) continue;
    std::getline(fields, path);
    std::string mount;
    if (id == "0" && controllers.empty()) {
      mount = "/sys/fs/cgroup";
    } else if (ListsController(controllers, controller)) {
      mount = "/sys/fs/cgroup/" + controllers;
    } else {
      continue;
    }
    groups.push_back({mount == "/sys/fs/cgroup", {mount + path, mount}});
  }
  return groups;
}

bool ReadNumber(const std::string& path, uint64_t& value) {
  std::ifstream in(path);
  return static_cast<bool>(in >> value);
}

}  // namespace trawlix
