#pragma once
// A loaded text seen as lines, found on demand around the hits of a search.
//
// Lines end at CR, LF or CR LF (LF CR ends two lines); the first NUL byte ends the text;
// a last line without an end counts; an end at the very end adds no empty line; an empty
// text has no lines. Lines are views into the bytes: the matching searches the bytes
// themselves and only counts line ends around its hits, and a cursor and the lines walked
// last spare walking the same lines twice.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "search/ByteScan.h"
#include "util/StringList.h"

namespace trawlix {

// Where the line before the one that begins at `lineStart` (> 0) begins: a CR LF pair is
// always one end, so that line's end is found by looking at most two bytes back.
size_t PreviousLineStart(const char* text, size_t lineStart);

class TTextLines {
 public:
  // Starts over on these bytes, which must stay in place until the next Reset.
  void Reset(const char* data, size_t length);

  // The text: the bytes up to the first NUL.
  std::string_view Text();
  // Number of lines (walks the whole text the first time it is asked).
  int64_t Count();
  // Whether line i exists (i >= 0); walks no further than line i.
  bool HasLine(int64_t i);
  // Line i without its end; i must exist. Cheap for lines near the last one asked for.
  std::string_view Line(int64_t i);
  // Every line, copied.
  TStringList ToStringList();
  // Up to `count` lines from line `start` on, as views; `out` is emptied first.
  void GetLines(int64_t start, int64_t count, std::vector<std::string_view>& out);

  // The first occurrence of pattern (not empty, holding no NUL) in the text at or after
  // offset `from`, or kNotFound. With ignoreCase, pattern must be upper-cased already. The
  // NUL that ends the text is looked for in the same pass over the bytes, and only as far
  // as the search goes.
  size_t Find(size_t from, std::string_view pattern, bool ignoreCase);
  // The line that holds byte offset `offset` of the text, and the offset at which line i
  // begins (the text's length when there is no line i). Both move a cursor, so calls in
  // rising order cost time in proportion to the bytes passed over.
  int64_t LineAtOffset(size_t offset);
  size_t LineStart(int64_t i);
  // Find reports no occurrence that begins at or after `end`, and searches no further
  // (until the next Reset); the lines go on past it.
  void LimitSearch(size_t end) { searchEnd_ = end; }
  // Whether the text ends (at a NUL) before offset `offset`.
  bool EndsBefore(size_t offset) {
    CheckUpTo(offset);
    return textLength_ < offset;
  }
  // The pattern that Find was given last, made ready; Find must have been called.
  const TPattern& LastPattern() const { return *pattern_; }

 private:
  const char* data_ = nullptr;
  size_t length_ = 0;
  // The end of the text as far as it is known: the first NUL once one is found, else the
  // end of the bytes. [0, checked_) holds no NUL before textLength_.
  size_t textLength_ = 0;
  size_t checked_ = 0;
  size_t searchEnd_ = SIZE_MAX;
  // The cursor: line cursorLine_ begins at byte cursorStart_ (0 and 0 for an empty text).
  int64_t cursorLine_ = 0;
  size_t cursorStart_ = 0;
  // Where the lines that GetLines gave last begin and end (line walkedFirst_ + k at
  // walked_[k]), so that the search after a match returns to them without walking back,
  // and the next sample, which mostly overlaps this one, walks only its new lines.
  struct LineSpan {
    size_t start;
    size_t end;
  };
  std::vector<LineSpan> walked_;
  int64_t walkedFirst_ = 0;
  int64_t count_ = -1;               // number of lines, once known
  bool hadHit_ = false;              // whether Find has found the pattern in this file
  std::optional<TPattern> pattern_;  // the last pattern Find was given, made ready

  // Looks for the NUL in the bytes before `offset` that have not been looked at.
  void CheckUpTo(size_t offset);
  const LineSpan* Walked(int64_t i) const;  // line i, if the last GetLines gave it
  bool SeekLine(int64_t i);
  size_t LineEnd(size_t start);
  size_t AfterLineEnd(size_t end);
  size_t NextLineStart(size_t start);
  size_t StepBack();  // returns the end of the line it moves to
  bool WalkBackTo(int64_t start, int64_t count);
  bool StepForward(size_t end);
};

}  // namespace trawlix
