#include "util/lists.h"

#include "util/FolderPaths.h"
#include "util/MaskComparerUnit.h"
#include "util/files.h"
#include "util/text.h"

namespace trawlix {

namespace {
// The listing's attribute bits for the entries a caller may ask for besides ordinary files.
constexpr int kHidden = 2;
constexpr int kDirectory = 16;

// Empties Files and gives the choice ListMatchingFiles makes, entry by entry, appending to
// Files: one filter for a folder's listing and for its entries kept from before.
auto MatchingFilesFilter(const TStringList& masks, int attributes, TStringList& files) {
  files.clear();
  return [&masks, attributes, &files, comparer = TMaskComparer()](std::string_view name,
                                                                  TFolderHandle::EntryKind kind) {
    // System entries (FIFOs, sockets, devices, broken links) are never listed: opening
    // one could hang or read without end.
    if (kind == TFolderHandle::EntryKind::Other) return;
    if (kind == TFolderHandle::EntryKind::Folder && !(attributes & kDirectory)) return;
    if (name.front() == '.' && !(attributes & kHidden)) return;
    for (const std::string& mask : masks) {
      if (comparer.Matches(name, mask)) files.emplace_back(name);
    }
  };
}

}  // namespace

int ListMatchingFiles(const std::string& folder, const TStringList& masks, int attributes,
                      TStringList& files) {
  return ListMatchingFiles(TFolderHandle(folder), masks, attributes, files);
}

int ListMatchingFiles(const TFolderHandle& folder, const TStringList& masks, int attributes,
                      TStringList& files) {
  folder.ForEachEntry(MatchingFilesFilter(masks, attributes, files));
  return static_cast<int>(files.size());
}

int ListMatchingFiles(const TFolderEntries& entries, const TStringList& masks, int attributes,
                      TStringList& files) {
  const auto filter = MatchingFilesFilter(masks, attributes, files);
  entries.ForEach(filter);
  return static_cast<int>(files.size());
}

void UpperCaseStrings(TStringList& list) {
  for (std::string& entry : list) entry = UpperCase(entry);
}

void AppendStrings(const TStringList& source, TStringList& dest, bool clearFirst) {
  if (clearFirst) dest.clear();
  // Source may be Dest itself: walk its original entries by index, with room reserved so
  // that appending never moves them.
  const size_t count = source.size();
  dest.reserve(dest.size() + count);
  for (size_t i = 0; i < count; ++i) dest.push_back(source[i]);
}

void AppendFolderTree(const std::string& folder, TStringList& folders, TListedFolders* listed,
                      size_t threads) {
  // The walk expands whatever its list holds already, so it gets a fresh one.
  TStringList subfolders;
  ListAllSubfoldersOf(folder, subfolders, listed, threads);
  folders.push_back(folder);
  AppendStrings(subfolders, folders, false);
  CollapseDuplicates(folders);
}

}  // namespace trawlix
