#include "util/FolderPaths.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace trawlix {

std::string ChildPath(std::string_view dir, std::string_view name) {
  std::string path(dir);
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

std::string ResolvePath(std::string_view base, std::string_view path) {
  if (!path.empty() && path.front() == '/') return std::string(path);
  return ChildPath(base, path);
}

std::string NormalisePath(std::string_view base, std::string_view path) {
  const std::string full = ResolvePath(base, path);
  std::vector<std::string_view> parts;
  std::string_view rest(full);
  while (!rest.empty()) {
    const size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string normal;
  for (const std::string_view part : parts) {
    normal += '/';
    normal += part;
  }
  return normal.empty() ? "/" : normal;
}

bool PathIsIn(std::string_view path, std::string_view folder) {
  if (folder == "/") return !path.empty() && path.front() == '/';
  return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

std::optional<std::string> CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
  return std::string(buffer.data());
}

bool CollapseDuplicates(TStringList& list) {
  const auto merged = std::unique(list.begin(), list.end());
  if (merged == list.end()) return false;
  list.erase(merged, list.end());
  return true;
}

}  // namespace trawlix
