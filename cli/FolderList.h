#pragma once
// The folders given on the command line, made into a folder list the way the folder
// dialog adds them: absolute, without "." and ".." or doubled separators, no trailing
// separator but for "/", spelt as given (links are not resolved), equal neighbours merged.
#include <string>
#include <vector>

#include "util/StringList.h"
#include "util/files.h"

namespace trawlix {

struct TFolderList {
  TStringList folders;
  std::vector<std::string> missing;  // arguments that name no existing folder
  TListedFolders listed;             // the entries of every folder the walk listed
};

// With `withSubfolders`, each folder is followed by every folder below it, breadth-first;
// the walk keeps what it listed, so that the search need not list those folders again. It
// lists on `threads` threads (see AppendFolderTree).
TFolderList BuildFolderList(const std::vector<std::string>& arguments, bool withSubfolders,
                            size_t threads = 1);

}  // namespace trawlix
