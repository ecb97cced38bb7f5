#pragma once
// The lines text that the results commands copy and save: every line, the last one
// included, followed by CR LF; bytes unchanged; no lines give the empty text.
#include <string>

#include "util/StringList.h"

namespace trawlix {

class TFileLines;
class TSearchResults;

std::string LinesText(const TStringList& lines);
// A loaded file's lines, taken from it without a list of copies between.
std::string LinesText(TFileLines& lines);
// All results lines, in list order, as they are shown.
std::string LinesText(const TSearchResults& results);
// Appends results line i and its CR LF to `out` (the save writes in blocks).
void AppendLineText(const TSearchResults& results, size_t i, std::string& out);

}  // namespace trawlix
