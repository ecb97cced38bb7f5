#pragma once
// A path as the file:// URI that the desktop's services take.
#include <optional>
#include <string>

namespace trawlix {

// "file://" and the path with every byte but the unreserved ones and "/" percent-encoded.
// Nothing for a path no file manager could take back: one that is relative, too long for
// the system to open, or not UTF-8 (file managers decode the escapes as UTF-8).
std::optional<std::string> FileUri(const std::string& path);

}  // namespace trawlix
