#include "search/TextLines.h"

#include <cstring>

#include "search/ByteScan.h"
#include "search/FileBytes.h"

namespace trawlix {

namespace {

// How much of the text is searched before its line ends are counted (see Find).
constexpr size_t kWindow = size_t{256} << 10;

}  // namespace

size_t PreviousLineStart(const char* text, size_t lineStart) {
  size_t end = lineStart - 1;
  if (text[end] == '\n' && end > 0 && text[end - 1] == '\r') --end;
  const size_t before = FindLastLineEnd(text, 0, end);
  return before == kNotFound ? 0 : before + 1;
}

void TTextLines::Reset(const char* data, size_t length) {
  data_ = data;
  length_ = length;
  textLength_ = length;
  checked_ = 0;
  searchEnd_ = SIZE_MAX;
  cursorLine_ = 0;
  cursorStart_ = 0;
  count_ = -1;
  hadHit_ = false;
  walked_.clear();
}

void TTextLines::CheckUpTo(size_t offset) {
  if (offset > textLength_) offset = textLength_;
  if (offset <= checked_) return;
  const char* text = data_;
  // The line walk mostly asks for a byte or two more; a call would cost more than those.
  size_t nul = checked_;
  if (offset - checked_ <= 16) {
    while (nul < offset && text[nul] != '\0') ++nul;
  } else {
    const void* found = std::memchr(text + checked_, 0, offset - checked_);
    nul = found == nullptr ? offset : static_cast<size_t>(static_cast<const char*>(found) - text);
  }
  if (nul < offset) {
    textLength_ = nul;
    offset = nul;
  }
  checked_ = offset;
}

std::string_view TTextLines::Text() {
  CheckUpTo(length_);
  return {data_, textLength_};
}

// Once a mapped file has had a hit, the rest is searched a window at a time, and the line
// ends of a window without a hit are counted at once, while its bytes are still in the
// cache, so that the line number of a later hit costs no second pass over memory. Until
// then nothing is counted, since most large files hold no hit at all; the first hit pays
// one more pass over the bytes before it. A smaller file stays in the cache whole, so its
// line ends are counted only when a hit needs them.
size_t TTextLines::Find(size_t from, std::string_view pattern, bool ignoreCase) {
  if (!pattern_ || pattern_->text != pattern || pattern_->ignoreCase != ignoreCase) {
    pattern_.emplace(pattern, ignoreCase);
  }
  CheckUpTo(from);
  for (;;) {
    // Occurrences that begin in [from, windowEnd), which may end past it (but not past the
    // text); `end` is where the search stops.
    const size_t end = textLength_ < searchEnd_ ? textLength_ : searchEnd_;
    if (from >= end) return kNotFound;
    const size_t window = hadHit_ && length_ >= TFileBytes::kMappedFrom ? kWindow : end;
    const size_t windowEnd = end - from > window ? from + window : end;
    const size_t scanEnd =
        textLength_ - windowEnd > pattern.size() - 1 ? windowEnd + pattern.size() - 1 : textLength_;
    const size_t at = FindPatternOrNul(data_, from, scanEnd, *pattern_);
    if (at != kNotFound && data_[at] == '\0') {
      textLength_ = at;
      checked_ = at;
      return kNotFound;
    }
    if (at != kNotFound) {
      // The pattern holds no NUL, so the text goes on at least to the occurrence's end.
      if (checked_ < at + pattern.size()) checked_ = at + pattern.size();
      hadHit_ = true;
      return at;
    }
    if (checked_ < scanEnd) checked_ = scanEnd;
    if (windowEnd == end) return kNotFound;
    LineAtOffset(windowEnd);
    from = windowEnd;
  }
}

// The end of the line that begins at `start`: its CR or LF, or the end of the text.
// The scan for it stops at a NUL too, which then ends the text; the bytes before the
// line's start have been looked at already, so that NUL is the first.
size_t TTextLines::LineEnd(size_t start) {
  CheckUpTo(start);
  const size_t end = FindLineEnd(data_, start, textLength_);
  if (end < textLength_ && data_[end] == '\0') textLength_ = end;
  if (checked_ < end) checked_ = end;
  return end;
}

// The start of the line after the one whose end is at `end`, or the end of the text.
size_t TTextLines::AfterLineEnd(size_t end) {
  if (end == textLength_) return end;
  const size_t next = SkipLineEnd(data_, end, textLength_);
  CheckUpTo(next + 1);  // the next line exists only if its first byte is text
  return next < textLength_ ? next : textLength_;
}

size_t TTextLines::NextLineStart(size_t start) {
  return AfterLineEnd(LineEnd(start));
}

// Moves the cursor to the line before it. A mapped file's bytes that changed under the
// reader may hold fewer line ends than were counted before: the cursor then stays at the
// text's start as line 0, and the record made there does not hold its match.
size_t TTextLines::StepBack() {
  if (cursorStart_ == 0) {
    cursorLine_ = 0;
    return 0;
  }
  size_t end = cursorStart_ - 1;
  if (data_[end] == '\n' && end > 0 && data_[end - 1] == '\r') --end;
  cursorStart_ = PreviousLineStart(data_, cursorStart_);
  --cursorLine_;
  return end;
}

// Stepping back from the cursor to a line shortly before it finds each line between them
// whole, so those lines are kept as walked and need not be walked forward again.
bool TTextLines::WalkBackTo(int64_t start, int64_t count) {
  if (start < 0 || start >= cursorLine_ || cursorLine_ - start > count) return false;
  walked_.resize(static_cast<size_t>(cursorLine_ - start));
  for (size_t k = walked_.size(); k-- > 0;) {
    const size_t end = StepBack();
    walked_[k] = {cursorStart_, end};
  }
  walkedFirst_ = start;
  return true;
}

const TTextLines::LineSpan* TTextLines::Walked(int64_t i) const {
  const int64_t k = i - walkedFirst_;
  return k >= 0 && k < static_cast<int64_t>(walked_.size()) ? &walked_[static_cast<size_t>(k)]
                                                            : nullptr;
}

bool TTextLines::SeekLine(int64_t i) {
  CheckUpTo(1);
  if (i < 0 || textLength_ == 0 || (count_ >= 0 && i >= count_)) return false;
  if (const LineSpan* line = Walked(i)) {
    cursorLine_ = i;
    cursorStart_ = line->start;
    return true;
  }
  if (i < cursorLine_) {
    if (i < cursorLine_ - i) {
      cursorLine_ = 0;
      cursorStart_ = 0;
    } else {
      while (cursorLine_ > i) StepBack();
    }
  }
  while (cursorLine_ < i) {
    if (!StepForward(LineEnd(cursorStart_))) return false;
  }
  return true;
}

int64_t TTextLines::Count() {
  if (count_ < 0) {
    CheckUpTo(length_);
    if (textLength_ == 0) {
      count_ = 0;
    } else {
      const char* text = data_;
      const LineEnds ends = CountLineEnds(text, cursorStart_, textLength_);
      const char lastByte = text[textLength_ - 1];
      const bool endsWithLineEnd = lastByte == '\r' || lastByte == '\n';
      count_ = cursorLine_ + static_cast<int64_t>(ends.count) + (endsWithLineEnd ? 0 : 1);
    }
  }
  return count_;
}

bool TTextLines::HasLine(int64_t i) {
  return SeekLine(i);
}

std::string_view TTextLines::Line(int64_t i) {
  if (!SeekLine(i)) return {};
  if (const LineSpan* line = Walked(i)) return {data_ + line->start, line->end - line->start};
  return {data_ + cursorStart_, LineEnd(cursorStart_) - cursorStart_};
}

TStringList TTextLines::ToStringList() {
  CheckUpTo(length_);
  TStringList lines;
  for (size_t start = 0; start < textLength_; start = NextLineStart(start)) {
    lines.emplace_back(data_ + start, LineEnd(start) - start);
  }
  return lines;
}

// Leaves the cursor on the last line given. Lines that the last call walked are taken
// again as they were found, and the walk goes on after them.
void TTextLines::GetLines(int64_t start, int64_t count, std::vector<std::string_view>& out) {
  out.clear();
  if (count <= 0) return;
  if (Walked(start) == nullptr && !WalkBackTo(start, count)) {
    if (!SeekLine(start)) return;
    walked_.clear();
    walkedFirst_ = start;
  }
  walked_.erase(walked_.begin(), walked_.begin() + (start - walkedFirst_));
  if (static_cast<int64_t>(walked_.size()) > count) walked_.resize(static_cast<size_t>(count));
  walkedFirst_ = start;
  for (const LineSpan& line : walked_) out.emplace_back(data_ + line.start, line.end - line.start);
  if (!walked_.empty()) {
    cursorLine_ = start + static_cast<int64_t>(walked_.size()) - 1;
    cursorStart_ = walked_.back().start;
    if (static_cast<int64_t>(out.size()) == count) return;
    if (!StepForward(walked_.back().end)) return;
  }
  for (;;) {
    const size_t end = LineEnd(cursorStart_);
    walked_.push_back({cursorStart_, end});
    out.emplace_back(data_ + cursorStart_, end - cursorStart_);
    if (static_cast<int64_t>(out.size()) == count || !StepForward(end)) return;
  }
}

// Moves the cursor to the line after the one that ends at `end`, if there is one.
bool TTextLines::StepForward(size_t end) {
  const size_t next = AfterLineEnd(end);
  if (next >= textLength_) {
    count_ = cursorLine_ + 1;
    return false;
  }
  cursorStart_ = next;
  ++cursorLine_;
  return true;
}

int64_t TTextLines::LineAtOffset(size_t offset) {
  CheckUpTo(offset + 1);
  if (textLength_ == 0) return -1;
  if (offset >= textLength_) offset = textLength_ - 1;
  while (offset < cursorStart_) StepBack();
  const char* text = data_;
  // The LF of a CR LF pair belongs to the line that its CR ends.
  size_t to = offset;
  if (to > cursorStart_ && text[to] == '\n' && text[to - 1] == '\r') --to;
  const LineEnds ends = CountLineEnds(text, cursorStart_, to);
  if (ends.count > 0) {
    cursorLine_ += static_cast<int64_t>(ends.count);
    cursorStart_ = ends.lastByte + 1;
  }
  return cursorLine_;
}

size_t TTextLines::LineStart(int64_t i) {
  return SeekLine(i) ? cursorStart_ : textLength_;
}

}  // namespace trawlix
