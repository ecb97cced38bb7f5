#pragma once
// Opening an editor at a line: the editors known to take a line number on their command
// line, each told it in the form its manual page or --help gives in Debian 12.
#include <cstdint>
#include <string>
#include <vector>

namespace trawlix {

// Adds the arguments that take `command` (argv, its program command[0], known by its file
// name) to line `line` (counting from 1) of the file that command[file] names. The
// command of any other editor stays as it is.
void AddLineArguments(std::vector<std::string>& command, size_t file, int64_t line);

}  // namespace trawlix
