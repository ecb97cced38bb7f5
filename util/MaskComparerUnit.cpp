#include "util/MaskComparerUnit.h"

#include "util/text.h"

namespace trawlix {

void TMaskComparer::Split(std::string_view text, std::string_view delimiter,
                          TStringList& list) const {
  list.clear();
  const size_t d = delimiter.size();
  size_t start = 0;
  // Every position is tested, also inside a delimiter just found, as the splitting rule says.
  for (size_t p = 0; d > 0 && p + d <= text.size(); ++p) {
    if (text.compare(p, d, delimiter) == 0) {
      list.emplace_back(p > start ? text.substr(start, p - start) : std::string_view());
      start = p + d;
    }
  }
  list.emplace_back(start < text.size() ? text.substr(start) : std::string_view());
}

TMaskComparer::Parts TMaskComparer::SplitExtension(std::string_view name) const {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {name, {}};
  return {name.substr(0, dot), name.substr(dot + 1)};
}

bool TMaskComparer::SegmentMatchesAt(std::string_view namePart, std::string_view segment,
                                     long position) const {
  for (size_t k = 0; k < segment.size(); ++k) {
    const char c = segment[k];
    if (c == '?') continue;
    const long at = position + static_cast<long>(k);  // 1-based
    if (at < 1 || at > static_cast<long>(namePart.size())) return false;
    if (UpCase(c) != UpCase(namePart[at - 1])) return false;
  }
  return true;
}

long TMaskComparer::FindSegment(std::string_view namePart, std::string_view segment,
                                long start) const {
  if (segment.empty()) return 1;
  for (long p = start < 1 ? 1 : start; p <= static_cast<long>(namePart.size()); ++p) {
    if (SegmentMatchesAt(namePart, segment, p)) return p;
  }
  return -1;
}

bool TMaskComparer::MatchPart(std::string_view namePart, std::string_view maskPart) const {
  // The segments between the stars are walked in place; nothing is allocated.
  const bool beginsWithStar = maskPart.empty() || maskPart.front() == '*';
  const bool endsWithStar = maskPart.empty() || maskPart.back() == '*';
  long start = 1;
  size_t from = 0;
  bool first = true;
  for (;;) {
    const size_t star = maskPart.find('*', from);
    const bool last = star == std::string_view::npos;
    const std::string_view segment =
        maskPart.substr(from, last ? std::string_view::npos : star - from);
    const long length = static_cast<long>(segment.size());
    long position;
    if (last && !endsWithStar) {
      position = static_cast<long>(namePart.size()) - length + 1;
      if (position < start || !SegmentMatchesAt(namePart, segment, position)) return false;
    } else {
      position = FindSegment(namePart, segment, start);
      if (position == -1) return false;
    }
    if (first && !beginsWithStar && position != 1) return false;
    start = position + length;
    if (last) return true;
    first = false;
    from = star + 1;
  }
}

bool TMaskComparer::Matches(std::string_view fileName, std::string_view mask) const {
  const Parts name = SplitExtension(fileName);
  const Parts pattern = SplitExtension(mask);
  if (!MatchPart(name.base, pattern.base) || !MatchPart(name.extension, pattern.extension)) {
    return false;
  }
  if (!pattern.base.empty() && pattern.extension.empty()) {
    return !name.base.empty() && name.extension.empty();
  }
  if (!pattern.base.empty() && !name.base.empty()) return true;  // mask extension non-empty
  return !pattern.extension.empty() && name.base.empty() && !name.extension.empty();
}

}  // namespace trawlix
