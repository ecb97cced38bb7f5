#include "search/GrepItemUnit.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "search/ByteScan.h"
#include "search/FileLines.h"
#include "search/SampleStore.h"
#include "util/text.h"

namespace trawlix {

namespace {

constexpr std::string_view kMarked = "--> ";
constexpr std::string_view kUnmarked = "    ";

// Whether the text holds a CR, LF or NUL, which no line's text can.
bool HoldsLineEndOrNul(std::string_view text) {
  return FindLineEnd(text.data(), 0, text.size()) != text.size();
}

// A search text holding a line end or a NUL can never lie inside one line of text.
bool Searchable(std::string_view searchText) {
  return !searchText.empty() && !HoldsLineEndOrNul(searchText);
}

// Calls visit(text) for each of the first `count` lines of a sample. A sample holds its
// file's own line ends between its lines, so it splits as the file did.
template <typename Visit>
void ForEachSampleLine(std::string_view sample, size_t count, Visit&& visit) {
  size_t start = 0;
  for (size_t i = 0; i < count; ++i) {
    const size_t end = FindLineEnd(sample.data(), start, sample.size());
    visit(sample.substr(start, end - start));
    start = SkipLineEnd(sample.data(), end, sample.size());
  }
}

// A sample line as it is shown: its prefix, then its text.
std::string SampleEntry(std::string_view text, bool marked) {
  const std::string_view prefix = marked ? kMarked : kUnmarked;
  std::string entry;
  entry.reserve(prefix.size() + text.size());
  return entry.append(prefix).append(text);
}

}  // namespace

int64_t FindNextMatch(const std::string& searchText, TFileLines& lines, bool caseSensitive,
                      int64_t start) {
  if (!Searchable(searchText)) return -1;
  const int64_t first = start < 0 ? 0 : start + 1;
  if (!lines.HasLine(first)) return -1;
  // Since the text cannot span a line end, its first occurrence from the start of line
  // `first` on names the line that a line-by-line search would return.
  const std::string pattern = caseSensitive ? searchText : UpperCase(searchText);
  const size_t hit = lines.Find(lines.LineStart(first), pattern, !caseSensitive);
  return hit == kNotFound ? -1 : lines.LineAtOffset(hit);
}

// The text must lie in the line with a blank or the line's edge on either side; that is
// where " text " occurs in " line ". The padded text is found in the padded line by
// Knuth-Morris-Pratt, which never steps back in the line, so the test costs time in
// proportion to the line and the text, however the two repeat themselves.
bool IsWholeWord(const std::string& searchText, std::string_view line, bool caseSensitive) {
  if (searchText.size() > line.size()) return false;
  const auto fold = [caseSensitive](char c) { return caseSensitive ? c : UpCase(c); };
  const size_t m = searchText.size() + 2;
  const auto patternAt = [&](size_t k) {
    return k == 0 || k == m - 1 ? ' ' : fold(searchText[k - 1]);
  };
  const size_t n = line.size() + 2;
  const auto lineAt = [&](size_t i) { return i == 0 || i == n - 1 ? ' ' : fold(line[i - 1]); };
  // border[k]: the length of the longest proper prefix of the pattern's first k + 1 bytes
  // that is also their suffix.
  std::vector<size_t> border(m, 0);
  for (size_t k = 1, length = 0; k < m; ++k) {
    while (length > 0 && patternAt(k) != patternAt(length)) length = border[length - 1];
    if (patternAt(k) == patternAt(length)) ++length;
    border[k] = length;
  }
  for (size_t i = 0, matched = 0; i < n; ++i) {
    while (matched > 0 && lineAt(i) != patternAt(matched)) matched = border[matched - 1];
    if (lineAt(i) == patternAt(matched)) ++matched;
    if (matched == m) return true;
  }
  return false;
}

void BuildSampleView(TFileLines& lines, int64_t start, int64_t count, int64_t matchIndex,
                     TSampleView& sample) {
  const int64_t first = Max(start, 0);
  lines.GetLines(first, count - (first - start), sample.lines);
  const int64_t marked = matchIndex - first;
  sample.marked = marked >= 0 && marked < static_cast<int64_t>(sample.lines.size()) ? marked : -1;
}

TStringList BuildSample(TFileLines& lines, int64_t start, int64_t count, int64_t matchIndex) {
  TSampleView view;
  BuildSampleView(lines, start, count, matchIndex, view);
  TStringList sample;
  sample.reserve(view.lines.size());
  for (size_t i = 0; i < view.lines.size(); ++i) {
    sample.push_back(SampleEntry(view.lines[i], static_cast<int64_t>(i) == view.marked));
  }
  return sample;
}

TGrepItem::TGrepItem(int64_t lineIndex, std::string_view line,
                     std::shared_ptr<const std::string> fileName, const TStringList& sample)
    : fileName_(std::move(fileName)) {
  std::vector<std::string_view> texts;
  texts.reserve(sample.size());
  int64_t marked = -1;
  for (const std::string& entry : sample) {
    const std::string_view prefix = std::string_view(entry).substr(0, kMarked.size());
    const std::string_view text = std::string_view(entry).substr(prefix.size());
    const bool marks = prefix == kMarked;
    if ((!marks && prefix != kUnmarked) || (marks && marked >= 0) || HoldsLineEndOrNul(text)) {
      throw std::invalid_argument("not a sample line: " + entry);
    }
    if (marks) marked = static_cast<int64_t>(texts.size());
    texts.push_back(text);
  }
  // The block: the sample lines joined by LF, then the line unless the marked one holds it.
  const bool lineInSample = marked >= 0 && texts[static_cast<size_t>(marked)] == line;
  std::string block;
  size_t lineAt = 0;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) block += '\n';
    if (static_cast<int64_t>(i) == marked && lineInSample) lineAt = block.size();
    block += texts[i];
  }
  const size_t sampleLength = block.size();
  if (!lineInSample) {
    lineAt = block.size();
    block += line;
  }
  std::unique_ptr<char[]> own(new char[block.size() + 1]);
  std::memcpy(own.get(), block.data(), block.size());
  SetSpans(
      {own.get(), sampleLength, own.get() + lineAt, line.size(), lineIndex, texts.size(), marked},
      true);
  own.release();
}

TGrepItem::TGrepItem(int64_t lineIndex, std::string_view line,
                     std::shared_ptr<const std::string> fileName, const TSampleView& sample,
                     TSampleStore& store)
    : fileName_(std::move(fileName)) {
  TSpans spans{nullptr, 0, nullptr, line.size(), lineIndex, sample.lines.size(), sample.marked};
  if (sample.lines.empty()) {
    spans.line = store.Keep(line.data(), line.data() + line.size());
    spans.sample = spans.line;
  } else {
    const char* from = sample.lines.front().data();
    const char* to = sample.lines.back().data() + sample.lines.back().size();
    spans.sample = store.Keep(from, to);
    spans.sampleLength = static_cast<size_t>(to - from);
    // The run's line is the marked sample line itself; any other is kept apart.
    const bool lineInSample = line.data() >= from && line.data() + line.size() <= to;
    spans.line = lineInSample ? spans.sample + (line.data() - from)
                              : store.Keep(line.data(), line.data() + line.size());
  }
  SetSpans(spans, false);
}

// A compact record holds its line as an offset into its sample, so every field must fit
// 32 bits (16 for the count and the mark); anything else goes to a block of its own.
void TGrepItem::SetSpans(const TSpans& spans, bool ownsBlock) {
  constexpr uint64_t kMax32 = UINT32_MAX;
  const auto line = reinterpret_cast<uintptr_t>(spans.line);
  const auto sample = reinterpret_cast<uintptr_t>(spans.sample);
  const bool fits = line >= sample && line - sample <= kMax32 && spans.sampleLength <= kMax32 &&
                    spans.lineLength <= kMax32 && spans.lineIndex >= 0 &&
                    static_cast<uint64_t>(spans.lineIndex) <= kMax32 &&
                    spans.sampleCount <= UINT16_MAX && spans.marked <= INT16_MAX;
  const uint8_t owns = ownsBlock ? kOwnsBlock : 0;
  if (!fits) {
    // Made before anything changes, so that a failure leaves the record as it was.
    sample_ = reinterpret_cast<const char*>(new TSpans(spans));
    flags_ = owns | kWide;
    return;
  }
  flags_ = owns;
  sample_ = spans.sample;
  sampleLength_ = static_cast<uint32_t>(spans.sampleLength);
  lineOffset_ = static_cast<uint32_t>(spans.line - spans.sample);
  lineLength_ = static_cast<uint32_t>(spans.lineLength);
  lineIndex_ = static_cast<uint32_t>(spans.lineIndex);
  sampleCount_ = static_cast<uint16_t>(spans.sampleCount);
  marked_ = static_cast<int16_t>(spans.marked);
}

TGrepItem::TSpans TGrepItem::Spans() const {
  if ((flags_ & kWide) != 0) return *reinterpret_cast<const TSpans*>(sample_);
  return {sample_,      sampleLength_, sample_ + lineOffset_, lineLength_, lineIndex_,
          sampleCount_, marked_};
}

void TGrepItem::Release() {
  if ((flags_ & kOwnsBlock) != 0) delete[] Spans().sample;
  if ((flags_ & kWide) != 0) delete reinterpret_cast<const TSpans*>(sample_);
}

TGrepItem::~TGrepItem() {
  Release();
}

TGrepItem::TGrepItem(TGrepItem&& other) noexcept
    : fileName_(std::move(other.fileName_)),
      sample_(std::exchange(other.sample_, nullptr)),
      sampleLength_(other.sampleLength_),
      lineOffset_(other.lineOffset_),
      lineLength_(other.lineLength_),
      lineIndex_(other.lineIndex_),
      sampleCount_(other.sampleCount_),
      marked_(other.marked_),
      flags_(std::exchange(other.flags_, 0)) {}

TGrepItem& TGrepItem::operator=(TGrepItem&& other) noexcept {
  if (this != &other) {
    Release();
    fileName_ = std::move(other.fileName_);
    sample_ = std::exchange(other.sample_, nullptr);
    sampleLength_ = other.sampleLength_;
    lineOffset_ = other.lineOffset_;
    lineLength_ = other.lineLength_;
    lineIndex_ = other.lineIndex_;
    sampleCount_ = other.sampleCount_;
    marked_ = other.marked_;
    flags_ = std::exchange(other.flags_, 0);
  }
  return *this;
}

int64_t TGrepItem::LineIndex() const {
  return Spans().lineIndex;
}

void TGrepItem::MoveLineIndex(int64_t lines) {
  TSpans spans = Spans();
  spans.lineIndex += lines;
  const auto* wide = (flags_ & kWide) != 0 ? reinterpret_cast<const TSpans*>(sample_) : nullptr;
  SetSpans(spans, (flags_ & kOwnsBlock) != 0);
  delete wide;
}

std::string_view TGrepItem::Line() const {
  const TSpans spans = Spans();
  return {spans.line, spans.lineLength};
}

const std::string& TGrepItem::FileName() const {
  return *fileName_;
}

const std::shared_ptr<const std::string>& TGrepItem::SharedFileName() const {
  return fileName_;
}

size_t TGrepItem::SampleCount() const {
  return Spans().sampleCount;
}

std::string TGrepItem::SampleLine(size_t i) const {
  const TSpans spans = Spans();
  std::string_view text;
  ForEachSampleLine({spans.sample, spans.sampleLength}, i + 1,
                    [&text](std::string_view line) { text = line; });
  return SampleEntry(text, static_cast<int64_t>(i) == spans.marked);
}

// Checked with one pass over the whole sample rather than a walk line by line, since a
// dense search checks every record of a mapped file: no NUL, the marked line's count of
// line ends before it and in all, and the line itself ending where it does.
bool TGrepItem::Holds(const TPattern& pattern) const {
  const TSpans s = Spans();
  if (s.marked < 0 || s.line < s.sample || s.line + s.lineLength > s.sample + s.sampleLength) {
    return false;
  }
  const size_t before = static_cast<size_t>(s.line - s.sample);
  if (before > 0 && s.sample[before - 1] != '\n' && s.sample[before - 1] != '\r') return false;
  const TTextShape shape = ShapeOf(s.sample, s.sampleLength, before);
  if (shape.nul || shape.endsBefore != static_cast<size_t>(s.marked) ||
      shape.ends != s.sampleCount - 1) {
    return false;
  }
  if (FindLineEnd(s.sample, before, s.sampleLength) != before + s.lineLength) return false;
  const size_t at = FindPatternOrNul(s.line, 0, s.lineLength, pattern);
  return at != kNotFound;
}

void TGrepItem::VisitSample(
    const std::function<void(std::string_view, std::string_view)>& visit) const {
  const TSpans spans = Spans();
  int64_t i = 0;
  ForEachSampleLine(
      {spans.sample, spans.sampleLength}, spans.sampleCount,
      [&](std::string_view line) { visit(i++ == spans.marked ? kMarked : kUnmarked, line); });
}

TStringList TGrepItem::Sample() const {
  TStringList lines;
  lines.reserve(SampleCount());
  VisitSample([&lines](std::string_view prefix, std::string_view text) {
    lines.emplace_back(prefix).append(text);
  });
  return lines;
}

}  // namespace trawlix
