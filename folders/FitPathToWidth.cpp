#include "folders/FitPathToWidth.h"

#include <string_view>

namespace trawlix {

namespace {

constexpr std::string_view kEllipsis = ".../";

// Replaces the first folder of the directory part by ".../" (or drops the last one).
std::string CutFirstFolder(std::string dir) {
  if (dir == "/") return {};
  const bool leadingSeparator = dir.front() == '/';
  if (leadingSeparator) dir.erase(0, 1);
  // Only a whole ".../" goes here: a folder such as ".a" merely begins with a dot.
  if (dir.starts_with(kEllipsis)) dir.erase(0, kEllipsis.size());
  const size_t slash = dir.find('/');
  if (slash == std::string::npos) {
    dir.clear();
  } else {
    dir.erase(0, slash + 1);
    dir.insert(0, kEllipsis);
  }
  if (leadingSeparator) dir.insert(0, 1, '/');
  return dir;
}

}  // namespace

std::string FitPathToWidth(const std::string& path, int width, const TTextWidth& textWidth) {
  const size_t split = path.rfind('/') + 1;  // 0 when there is no separator
  std::string dir = path.substr(0, split);
  const std::string name = path.substr(split);
  std::string result = path;
  while (!dir.empty() && textWidth(result) > width) {
    if (dir == "/.../") {
      dir = kEllipsis;
    } else {
      dir = CutFirstFolder(std::move(dir));
    }
    result = dir + name;
  }
  return result;
}

}  // namespace trawlix
