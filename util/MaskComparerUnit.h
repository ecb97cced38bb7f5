#pragma once
// Wildcard file masks ("*.txt", "ab?*.c"): base and extension matched separately,
// "*" for any run, "?" for any one character (or none at the end), ASCII case ignored.
#include <string>
#include <string_view>

#include "util/StringList.h"

namespace trawlix {

class TMaskComparer {
 public:
  bool Matches(std::string_view fileName, std::string_view mask) const;
  // Empties List and fills it with the pieces of Text between the delimiters.
  void Split(std::string_view text, std::string_view delimiter, TStringList& list) const;

 private:
  struct Parts {
    std::string_view base, extension;
  };
  Parts SplitExtension(std::string_view name) const;
  bool MatchPart(std::string_view namePart, std::string_view maskPart) const;
  // Positions are 1-based as in the matching rules; -1 means none.
  long FindSegment(std::string_view namePart, std::string_view segment, long start) const;
  bool SegmentMatchesAt(std::string_view namePart, std::string_view segment, long position) const;
};

}  // namespace trawlix
