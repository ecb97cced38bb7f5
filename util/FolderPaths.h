#pragma once
// Folder paths as the folder list keeps them: absolute, "/" for the root, no trailing
// separator otherwise. Names are joined as they are: blanks at either end of a Linux name
// are part of it, so nothing here trims.
#include <optional>
#include <string>
#include <string_view>

#include "util/StringList.h"

namespace trawlix {

// dir + "/" + name, with a single separator after the root.
std::string ChildPath(std::string_view dir, std::string_view name);
// path itself when absolute, else ChildPath(base, path); nothing else is changed.
std::string ResolvePath(std::string_view base, std::string_view path);
// ResolvePath, then "." and ".." and repeated separators resolved lexically
// ("/a/b/../c/" gives "/a/c"; ".." of the root is the root).
std::string NormalisePath(std::string_view base, std::string_view path);
// Whether path lies in folder or is folder itself ("/data/A" holds "/data/A/x", never
// "/data/AB"); the root holds every absolute path. Exact, byte-wise.
bool PathIsIn(std::string_view path, std::string_view folder);

// The process's current directory, or nothing when it cannot be read (it was removed).
std::optional<std::string> CurrentDirectory();

// Merges every run of equal neighbouring entries into one (exact comparison); says
// whether anything was merged.
bool CollapseDuplicates(TStringList& list);

}  // namespace trawlix
