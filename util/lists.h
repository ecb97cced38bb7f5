#pragma once
// String-list helpers and the listing of a folder's matching files.
#include <string>

#include "util/StringList.h"
#include "util/files.h"

namespace trawlix {

// Replaces Files with the names of the folder's ordinary, visible files that match a mask,
// in listing order, each once per matching mask. Attributes 0 lists files only; a folder
// that cannot be listed gives none. Returns the number of entries in Files.
int ListMatchingFiles(const std::string& folder, const TStringList& masks, int attributes,
                      TStringList& files);
// The same over a folder that is already open.
int ListMatchingFiles(const TFolderHandle& folder, const TStringList& masks, int attributes,
                      TStringList& files);
// The same over a folder's entries listed before, as its ForEachEntry gave them.
int ListMatchingFiles(const TFolderEntries& entries, const TStringList& masks, int attributes,
                      TStringList& files);

// Upper-cases (ASCII) every entry in place.
void UpperCaseStrings(TStringList& list);
// Appends every entry of Source to Dest, emptying Dest first when clearFirst.
void AppendStrings(const TStringList& source, TStringList& dest, bool clearFirst);

// Add All's step, for the folder dialog and trawlix-cli -r alike: appends `folder` and then
// every folder below it, breadth-first (ListAllSubfolders), to `folders`, and merges equal
// neighbours. With `listed`, the walk's listings are kept there for the search.
// With threads above 1, the folders are listed ahead on threads of their own.
void AppendFolderTree(const std::string& folder, TStringList& folders,
                      TListedFolders* listed = nullptr, size_t threads = 1);

}  // namespace trawlix
