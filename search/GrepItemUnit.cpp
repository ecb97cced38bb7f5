#include "search/GrepItemUnit.h"

#include <cstring>
#include <stdexcept>

#include "search/ByteScan.h"
#include "search/FileLines.h"
#include "search/SampleStore.h"
#include "util/text.h"

namespace trawlix {

namespace {

constexpr std::string_view kMarked = "--> ";
constexpr std::string_view kUnmarked = "    ";

// A search text holding a line end or a NUL can never lie inside one line of text.
bool Searchable(std::string_view searchText) {
  return !searchText.empty() &&
         searchText.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
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
    : lineIndex_(lineIndex),
      fileName_(std::move(fileName)),
      sampleCount_(static_cast<uint32_t>(sample.size())) {
  std::vector<std::string_view> texts;
  texts.reserve(sample.size());
  for (const std::string& entry : sample) {
    const std::string_view prefix = std::string_view(entry).substr(0, kMarked.size());
    const std::string_view text = std::string_view(entry).substr(prefix.size());
    const bool marks = prefix == kMarked;
    if ((!marks && prefix != kUnmarked) || (marks && marked_ >= 0) ||
        text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
      throw std::invalid_argument("not a sample line: " + entry);
    }
    if (marks) marked_ = static_cast<int32_t>(texts.size());
    texts.push_back(text);
  }
  // The block: the sample lines joined by LF, then the line unless the marked one holds it.
  const bool lineInSample = marked_ >= 0 && texts[static_cast<size_t>(marked_)] == line;
  std::string block;
  size_t lineAt = 0;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) block += '\n';
    if (static_cast<int32_t>(i) == marked_ && lineInSample) lineAt = block.size();
    block += texts[i];
  }
  sampleLength_ = block.size();
  if (!lineInSample) {
    lineAt = block.size();
    block += line;
  }
  ownBlock_ = new char[block.size() + 1];
  std::memcpy(ownBlock_, block.data(), block.size());
  sample_ = ownBlock_;
  line_ = ownBlock_ + lineAt;
  lineLength_ = line.size();
}

TGrepItem::TGrepItem(int64_t lineIndex, std::string_view line,
                     std::shared_ptr<const std::string> fileName, const TSampleView& sample,
                     TSampleStore& store)
    : lineIndex_(lineIndex),
      fileName_(std::move(fileName)),
      sampleCount_(static_cast<uint32_t>(sample.lines.size())),
      marked_(static_cast<int32_t>(sample.marked)) {
  if (sample.lines.empty()) {
    line_ = store.Keep(line.data(), line.data() + line.size());
  } else {
    const char* from = sample.lines.front().data();
    const char* to = sample.lines.back().data() + sample.lines.back().size();
    sample_ = store.Keep(from, to);
    sampleLength_ = static_cast<uint64_t>(to - from);
    // The run's line is the marked sample line itself; any other is kept apart.
    const bool lineInSample = line.data() >= from && line.data() + line.size() <= to;
    line_ = lineInSample ? sample_ + (line.data() - from)
                         : store.Keep(line.data(), line.data() + line.size());
  }
  lineLength_ = line.size();
}

TGrepItem::~TGrepItem() {
  delete[] ownBlock_;
}

TGrepItem::TGrepItem(TGrepItem&& other) noexcept
    : lineIndex_(other.lineIndex_),
      fileName_(std::move(other.fileName_)),
      sample_(std::exchange(other.sample_, nullptr)),
      sampleLength_(std::exchange(other.sampleLength_, 0)),
      line_(std::exchange(other.line_, nullptr)),
      lineLength_(std::exchange(other.lineLength_, 0)),
      sampleCount_(std::exchange(other.sampleCount_, 0)),
      marked_(std::exchange(other.marked_, -1)),
      ownBlock_(std::exchange(other.ownBlock_, nullptr)) {}

TGrepItem& TGrepItem::operator=(TGrepItem&& other) noexcept {
  if (this != &other) {
    delete[] ownBlock_;
    lineIndex_ = other.lineIndex_;
    fileName_ = std::move(other.fileName_);
    sample_ = std::exchange(other.sample_, nullptr);
    sampleLength_ = std::exchange(other.sampleLength_, 0);
    line_ = std::exchange(other.line_, nullptr);
    lineLength_ = std::exchange(other.lineLength_, 0);
    sampleCount_ = std::exchange(other.sampleCount_, 0);
    marked_ = std::exchange(other.marked_, -1);
    ownBlock_ = std::exchange(other.ownBlock_, nullptr);
  }
  return *this;
}

int64_t TGrepItem::LineIndex() const {
  return lineIndex_;
}

std::string_view TGrepItem::Line() const {
  return {line_, lineLength_};
}

const std::string& TGrepItem::FileName() const {
  return *fileName_;
}

const std::shared_ptr<const std::string>& TGrepItem::SharedFileName() const {
  return fileName_;
}

size_t TGrepItem::SampleCount() const {
  return sampleCount_;
}

std::string TGrepItem::SampleLine(size_t i) const {
  std::string_view text;
  ForEachSampleLine({sample_, sampleLength_}, i + 1,
                    [&text](std::string_view line) { text = line; });
  return SampleEntry(text, static_cast<int32_t>(i) == marked_);
}

// Checked with a few scans over the whole sample rather than a walk line by line, since a
// dense search checks every record of a mapped file: no NUL, the marked line's count of
// line ends before it, the line itself ending where it does, and the rest's line ends.
bool TGrepItem::Holds(const TPattern& pattern) const {
  if (marked_ < 0 || line_ < sample_ || line_ + lineLength_ > sample_ + sampleLength_) return false;
  if (std::memchr(sample_, 0, sampleLength_) != nullptr) return false;
  const size_t before = static_cast<size_t>(line_ - sample_);
  const size_t end = before + lineLength_;
  if (before > 0 && sample_[before - 1] != '\n' && sample_[before - 1] != '\r') return false;
  if (FindLineEnd(sample_, before, sampleLength_) != end) return false;
  if (CountLineEnds(sample_, 0, before).count != static_cast<size_t>(marked_)) return false;
  const size_t after = sampleCount_ - 1 - static_cast<size_t>(marked_);
  if (CountLineEnds(sample_, end, sampleLength_).count != after) return false;
  const size_t at = FindPatternOrNul(line_, 0, lineLength_, pattern);
  return at != kNotFound && line_[at] != '\0';
}

void TGrepItem::VisitSample(
    const std::function<void(std::string_view, std::string_view)>& visit) const {
  size_t i = 0;
  ForEachSampleLine({sample_, sampleLength_}, sampleCount_, [&](std::string_view line) {
    visit(static_cast<int32_t>(i++) == marked_ ? kMarked : kUnmarked, line);
  });
}

TStringList TGrepItem::Sample() const {
  TStringList lines;
  lines.reserve(sampleCount_);
  VisitSample([&lines](std::string_view prefix, std::string_view text) {
    lines.emplace_back(prefix).append(text);
  });
  return lines;
}

}  // namespace trawlix
