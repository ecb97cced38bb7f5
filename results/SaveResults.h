#pragma once
// Writes the results lines to a file the user names.
#include <string>

namespace trawlix {

class TSearchResults;

// Creates `path` (or truncates it) and writes the lines text of all results lines.
// Throws EFCreateError("Cannot create file "path". reason") when it cannot be created and
// EWriteError("Stream write error") when not every byte could be written; the file
// keeps what was written.
void SaveResults(const std::string& path, const TSearchResults& results);

}  // namespace trawlix
