#pragma once
// Desktop entries (the .desktop files that name an application and how to start it):
// finding one by its id and turning its Exec line into an argument vector.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trawlix {

struct TDesktopEntry {
  std::string exec;  // the Exec value with the string escapes (\s \n \t \r \\) resolved
  bool terminal = false;
};

// The [Desktop Entry] group's Exec and Terminal keys, or nothing when there is no Exec.
std::optional<TDesktopEntry> ParseDesktopEntry(std::string_view content);

// The content of the entry file `id` ("org.example.Editor.desktop") from the first of
// $XDG_DATA_HOME/applications and $XDG_DATA_DIRS/applications that holds it.
std::optional<std::string> ReadDesktopEntry(const std::string& id);

// The argument vector of an Exec value for opening `file`: arguments split at blanks,
// double-quoted arguments taken whole with their \" \` \$ \\ escapes; %f %F %u %U become
// `file` (one argument, unchanged), %% a "%", the other field codes are dropped. When the
// line has no file code, `file` is appended. Nothing for a malformed or empty line.
// `fileArgument`, when given, gets the index of the argument that holds the file (the
// first one, where several do).
std::optional<std::vector<std::string>> ExecArguments(std::string_view exec,
                                                      const std::string& file,
                                                      size_t* fileArgument = nullptr);

}  // namespace trawlix
