#pragma once
// The program's string list: byte strings in order, owned by whoever holds the list.
#include <string>
#include <vector>

namespace trawlix {

using TStringList = std::vector<std::string>;

}  // namespace trawlix
