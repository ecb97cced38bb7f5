#pragma once
// The hits of a search in a line: the occurrences of its text as the search run compared
// them. Case Sensitive off folds the ASCII letters; Whole Word takes only an occurrence
// with a blank or the line's end on either side (the run's blank-only rule).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "search/ByteScan.h"

namespace trawlix {

// What a search run looked for, handed to the results window with its results.
struct TSearchedText {
  std::string text;
  bool caseSensitive = false;
  bool wholeWord = false;
  bool operator==(const TSearchedText&) const = default;
};

// The bytes [begin, end) of a line.
struct TByteSpan {
  size_t begin;
  size_t end;
  bool operator==(const TByteSpan&) const = default;
};

class THitFinder {
 public:
  THitFinder() = default;  // finds nothing
  explicit THitFinder(const TSearchedText& searched);

  size_t HitLength() const { return pattern_ ? pattern_->text.size() : 0; }
  // Where the first hit that begins in [from, before) begins, or kNotFound. Only the
  // hit's own bytes and the one on either side are looked at beyond the range.
  size_t FirstHit(std::string_view line, size_t from = 0, size_t before = kNotFound) const;
  // The bytes of line[from, to) that hits cover, as ascending spans that neither overlap
  // nor touch; a hit that runs over an end of the range is cut there.
  std::vector<TByteSpan> Spans(std::string_view line, size_t from, size_t to) const;

 private:
  bool StandsAlone(std::string_view line, size_t at) const;

  std::optional<TPattern> pattern_;
  bool wholeWord_ = false;
};

}  // namespace trawlix
