#pragma once
// The folders given on the command line, made into a folder list the way the folder
// dialog adds them: absolute, without "." and ".." or doubled separators, no trailing
// separator but for "/", spelt as given (links are not resolved), equal neighbours merged.
#include <string>
#include <vector>

#include "util/StringList.h"

struct TFolderList {
  TStringList folders;
  std::vector<std::string> missing;  // arguments that name no existing folder
};

// With `withSubfolders`, each folder is followed by every folder below it, breadth-first.
TFolderList BuildFolderList(const std::vector<std::string>& arguments, bool withSubfolders);
