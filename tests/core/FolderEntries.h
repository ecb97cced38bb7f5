#pragma once
// A folder's entries as its listing gives them, and a plain text of them for comparisons
// whose failures read well.
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "util/StringList.h"
#include "util/files.h"

namespace trawlix {

inline TFolderEntries EntriesOf(const std::string& folder) {
  TFolderEntries entries;
  TFolderHandle(folder).ForEachEntry(
      [&](std::string_view name, TFolderHandle::EntryKind kind) { entries.Add(name, kind); });
  return entries;
}

// Entries given by name and kind, in that order.
inline TFolderEntries EntriesFrom(
    std::initializer_list<std::pair<std::string_view, TFolderHandle::EntryKind>> given) {
  TFolderEntries entries;
  for (const auto& [name, kind] : given) entries.Add(name, kind);
  return entries;
}

// Each entry as "name kind".
inline TStringList Described(const TFolderEntries& entries) {
  TStringList described;
  entries.ForEach([&](std::string_view name, TFolderHandle::EntryKind kind) {
    described.push_back(std::string(name) + " " + std::to_string(static_cast<int>(kind)));
  });
  return described;
}

}  // namespace trawlix
