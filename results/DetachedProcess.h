#pragma once
// Starting other programs without a shell and without waiting for them.
#include <string>
#include <vector>

namespace trawlix {

// The full path of the executable `name`: taken as it is when it holds a "/", else
// searched along $PATH. Empty when there is none.
std::string FindProgram(const std::string& name);

// Starts the program command[0] (found by FindProgram) with the argument vector
// `command`, bytes unchanged, in its own session with standard input from /dev/null.
// Nothing waits for it and it never becomes this process's zombie. Returns false when
// the program was not found; a failure after that is not reported.
bool StartProgram(const std::vector<std::string>& command);

}  // namespace trawlix
