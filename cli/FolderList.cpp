#include "cli/FolderList.h"

#include <optional>

#include "util/FolderPaths.h"
#include "util/files.h"
#include "util/lists.h"

namespace trawlix {

TFolderList BuildFolderList(const std::vector<std::string>& arguments, bool withSubfolders,
                            size_t threads) {
  TFolderList list;
  std::optional<std::string> current;
  bool currentRead = false;
  for (const std::string& argument : arguments) {
    if (!argument.starts_with('/') && !currentRead) {
      current = CurrentDirectory();
      currentRead = true;
    }
    // An empty name, or a relative one while the current folder is gone, names nothing.
    if (argument.empty() || (!argument.starts_with('/') && !current)) {
      list.missing.push_back(argument);
      continue;
    }
    std::string folder = NormalisePath(current ? *current : std::string(), argument);
    if (!DirectoryExists(folder)) {
      list.missing.push_back(argument);
      continue;
    }
    if (withSubfolders) {
      AppendFolderTree(folder, list.folders, &list.listed, threads);
    } else {
      list.folders.push_back(folder);
    }
  }
  CollapseDuplicates(list.folders);
  return list;
}

}  // namespace trawlix
