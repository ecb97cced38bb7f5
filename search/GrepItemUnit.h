#pragma once
// Line matching, the context sample, and the match record.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/StringList.h"

namespace trawlix {

class TFileLines;
class TSampleStore;
struct TPattern;

// Index of the first line after `start` that contains the search text (start -1 begins
// with line 0), or -1. Case-insensitive search folds ASCII letters only. An empty text,
// or one holding CR, LF or NUL, is found nowhere.
int64_t FindNextMatch(const std::string& searchText, TFileLines& lines, bool caseSensitive,
                      int64_t start);

// Whether " " + text + " " occurs in " " + line + " " (only the blank separates words).
bool IsWholeWord(const std::string& searchText, std::string_view line, bool caseSensitive);

// The context sample as views into the file's lines, without the prefixes: the lines and
// the position among them of the marked one (-1 for none). Filled again for every match,
// so that the run builds no strings but the record's own copy.
struct TSampleView {
  std::vector<std::string_view> lines;
  int64_t marked = -1;
};
void BuildSampleView(TFileLines& lines, int64_t start, int64_t count, int64_t matchIndex,
                     TSampleView& sample);

// Up to `count` lines from `start`, the line `matchIndex` prefixed "--> ", the others "    ".
TStringList BuildSample(TFileLines& lines, int64_t start, int64_t count, int64_t matchIndex);

inline int64_t Max(int64_t a, int64_t b) {
  return a > b ? a : b;
}
inline int64_t Min(int64_t a, int64_t b) {
  return a < b ? a : b;
}

// One match: the line's zero-based index and text, the file's full path, and the context
// sample. Stored compactly, since a run may keep millions: the path is shared by all
// records of a file, and the sample is kept as the file's bytes from its first line's
// start to its last line's end, without the prefixes, which are added when it is read.
class TGrepItem {
 public:
  // A record that owns a copy of the sample: each sample line is a prefix, "--> " for at
  // most one line and four blanks for the others, and a line without CR, LF or NUL; any other
  // sample throws std::invalid_argument.
  TGrepItem(int64_t lineIndex, std::string_view line, std::shared_ptr<const std::string> fileName,
            const TStringList& sample);
  // The same from a sample view, whose bytes `store` keeps: it must outlive the record.
  TGrepItem(int64_t lineIndex, std::string_view line, std::shared_ptr<const std::string> fileName,
            const TSampleView& sample, TSampleStore& store);
  ~TGrepItem();
  TGrepItem(TGrepItem&& other) noexcept;
  TGrepItem& operator=(TGrepItem&& other) noexcept;
  TGrepItem(const TGrepItem&) = delete;
  TGrepItem& operator=(const TGrepItem&) = delete;

  int64_t LineIndex() const;
  // Moves the record's line index by `lines` (a record made of a part of its file, counted
  // from the part). Throws std::bad_alloc, leaving the record as it was.
  void MoveLineIndex(int64_t lines);
  std::string_view Line() const;
  const std::string& FileName() const;
  const std::shared_ptr<const std::string>& SharedFileName() const;
  // The sample lines, each with its four-character prefix.
  size_t SampleCount() const;
  std::string SampleLine(size_t i) const;
  TStringList Sample() const;
  // Calls visit(prefix, text) for each sample line, in order, without copying its bytes.
  void VisitSample(const std::function<void(std::string_view, std::string_view)>& visit) const;
  // Whether the record is whole: its sample splits into its lines, the marked one is its
  // line, and that holds the pattern. One made of bytes that changed while they were
  // read may not be.
  bool Holds(const TPattern& pattern) const;

 private:
  // Where a record's bytes lie. Most records keep these in the compact fields below; one
  // that does not fit them (a line index or a length past 32 bits, a line that lies before
  // its sample) keeps them in a block of its own.
  struct TSpans {
    const char* sample;  // its lines with their ends between them
    size_t sampleLength;
    const char* line;
    size_t lineLength;
    int64_t lineIndex;
    size_t sampleCount;
    int64_t marked;  // the sample line with the "--> " prefix, or -1
  };
  enum : uint8_t { kWide = 1, kOwnsBlock = 2 };

  std::shared_ptr<const std::string> fileName_;
  // The sample's first byte, the line at lineOffset_ after it; for a wide record, its
  // TSpans. With kOwnsBlock, the sample (and the line, if apart) is a block of the
  // record's own rather than the store's.
  const char* sample_ = nullptr;
  uint32_t sampleLength_ = 0;
  uint32_t lineOffset_ = 0;
  uint32_t lineLength_ = 0;
  uint32_t lineIndex_ = 0;
  uint16_t sampleCount_ = 0;
  int16_t marked_ = -1;
  uint8_t flags_ = 0;

  void SetSpans(const TSpans& spans, bool ownsBlock);
  TSpans Spans() const;
  void Release();
};

}  // namespace trawlix
