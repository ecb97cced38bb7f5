#pragma once
// The search run: every file matching a mask in every listed folder, every line that
// holds the search text. Written once, for the windows and for the command-line tool,
// which supply its inputs and take its reports through TSearchHost.
#include "search/SearchHost.h"

namespace trawlix {

class TSearchResults;

// Runs one search into `results`, emptying it first.
void RunSearch(TSearchHost& host, TSearchResults& results);

}  // namespace trawlix
