#include "results/HitFinder.h"

#include <algorithm>

#include "util/text.h"

namespace trawlix {

THitFinder::THitFinder(const TSearchedText& searched) : wholeWord_(searched.wholeWord) {
  // The run finds such a text nowhere, so no results line holds a hit of it.
  if (searched.text.empty() ||
      searched.text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
    return;
  }
  pattern_.emplace(searched.caseSensitive ? searched.text : UpperCase(searched.text),
                   !searched.caseSensitive);
}

bool THitFinder::StandsAlone(std::string_view line, size_t at) const {
  const size_t end = at + pattern_->text.size();
  return (at == 0 || line[at - 1] == ' ') && (end == line.size() || line[end] == ' ');
}

size_t THitFinder::FirstHit(std::string_view line, size_t from, size_t before) const {
  if (!pattern_) return kNotFound;
  // The scan takes only occurrences that end within its range.
  const size_t end =
      before >= line.size() ? line.size() : std::min(line.size(), before + HitLength() - 1);
  while (from < end) {
    const size_t at = FindPatternOrNul(line.data(), from, end, *pattern_);
    if (at == kNotFound) return kNotFound;
    if (line[at] == '\0') {  // the scan stops at a NUL too; the text holds none
      from = at + 1;
      continue;
    }
    if (!wholeWord_ || StandsAlone(line, at)) return at;
    // An occurrence that stands alone follows a blank.
    const size_t blank = line.find(' ', at);
    if (blank == std::string_view::npos) return kNotFound;
    from = blank + 1;
  }
  return kNotFound;
}

std::vector<TByteSpan> THitFinder::Spans(std::string_view line, size_t from, size_t to) const {
  std::vector<TByteSpan> spans;
  const size_t length = HitLength();
  if (length == 0) return spans;
  to = std::min(to, line.size());
  // The first hit that can reach into the range begins length - 1 bytes before it.
  for (size_t at = from >= length ? from - length + 1 : 0;
       (at = FirstHit(line, at, to)) != kNotFound; ++at) {
    const TByteSpan span{std::max(at, from), std::min(at + length, to)};
    if (!spans.empty() && span.begin <= spans.back().end) {
      spans.back().end = std::max(spans.back().end, span.end);
    } else {
      spans.push_back(span);
    }
  }
  return spans;
}

}  // namespace trawlix
