#include "cli/FolderList.h"

#include <unistd.h>

#include <cerrno>
#include <optional>

#include "util/files.h"
#include "util/lists.h"

namespace {

std::optional<std::string> CurrentFolder() {
  std::string buffer(256, '\0');
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(buffer.find('\0'));
  return buffer;
}

// Merges every run of equal neighbouring entries into one (exact comparison).
void CollapseDuplicates(TStringList& list) {
  TStringList merged;
  merged.reserve(list.size());
  for (std::string& entry : list) {
    if (merged.empty() || merged.back() != entry) merged.push_back(std::move(entry));
  }
  list = std::move(merged);
}

}  // namespace

std::string AbsoluteFolder(std::string_view folder, std::string_view currentFolder) {
  std::vector<std::string_view> parts;
  auto take = [&parts](std::string_view path) {
    while (!path.empty()) {
      size_t slash = path.find('/');
      std::string_view part = path.substr(0, slash);
      path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
      if (part.empty() || part == ".") continue;
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else {
        parts.push_back(part);
      }
    }
  };
  if (!folder.starts_with('/')) take(currentFolder);
  take(folder);
  if (parts.empty()) return "/";
  std::string result;
  for (std::string_view part : parts) {
    result += '/';
    result += part;
  }
  return result;
}

TFolderList BuildFolderList(const std::vector<std::string>& arguments, bool withSubfolders) {
  TFolderList list;
  std::optional<std::string> current;
  bool currentRead = false;
  for (const std::string& argument : arguments) {
    if (!argument.starts_with('/') && !currentRead) {
      current = CurrentFolder();
      currentRead = true;
    }
    // An empty name, or a relative one while the current folder is gone, names nothing.
    if (argument.empty() || (!argument.starts_with('/') && !current)) {
      list.missing.push_back(argument);
      continue;
    }
    std::string folder = AbsoluteFolder(argument, current ? *current : std::string_view());
    if (!DirectoryExists(folder)) {
      list.missing.push_back(argument);
      continue;
    }
    list.folders.push_back(folder);
    if (withSubfolders) {
      std::string pattern = folder;
      if (pattern.back() != PathDelim) pattern += PathDelim;
      pattern += "*.*";
      // The walk expands whatever its list holds already, so it gets a fresh one.
      TStringList subfolders;
      ListAllSubfolders(pattern, subfolders);
      AppendStrings(subfolders, list.folders, false);
    }
  }
  CollapseDuplicates(list.folders);
  return list;
}
