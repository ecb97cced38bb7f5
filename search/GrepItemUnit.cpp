#include "search/GrepItemUnit.h"

#include <cstring>

#include "search/ByteScan.h"
#include "search/FileLines.h"
#include "search/MappedMemory.h"
#include "util/text.h"

namespace {

constexpr std::string_view kMarked = "--> ";
constexpr std::string_view kUnmarked = "    ";

// Copies the bytes of a view; an empty view may carry no data pointer, which memcpy must
// not be given. Returns the number of bytes copied.
size_t CopyBytes(char* to, std::string_view bytes) {
  if (!bytes.empty()) std::memcpy(to, bytes.data(), bytes.size());
  return bytes.size();
}

// A search text holding a line end or a NUL can never lie inside one line of text.
bool Searchable(std::string_view searchText) {
  return !searchText.empty() &&
         searchText.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool SameBytes(char a, char b, bool caseSensitive) {
  return caseSensitive ? a == b : UpCase(a) == UpCase(b);
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
// where " text " occurs in " line ".
bool IsWholeWord(const std::string& searchText, std::string_view line, bool caseSensitive) {
  const size_t m = searchText.size();
  if (m > line.size()) return false;
  for (size_t at = 0; at + m <= line.size(); ++at) {
    if (at > 0 && line[at - 1] != ' ') continue;
    if (at + m < line.size() && line[at + m] != ' ') continue;
    size_t k = 0;
    while (k < m && SameBytes(line[at + k], searchText[k], caseSensitive)) ++k;
    if (k == m) return true;
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
    const std::string_view prefix = static_cast<int64_t>(i) == view.marked ? kMarked : kUnmarked;
    std::string entry;
    entry.reserve(prefix.size() + view.lines[i].size());
    entry.append(prefix).append(view.lines[i]);
    sample.push_back(std::move(entry));
  }
  return sample;
}

TGrepItem::TGrepItem(int64_t lineIndex, std::string_view line,
                     std::shared_ptr<const std::string> fileName, const TStringList& sample)
    : lineIndex_(lineIndex),
      fileName_(std::move(fileName)),
      sampleCount_(static_cast<uint32_t>(sample.size())) {
  Store(
      line,
      [&sample](size_t i) {
        return std::pair<std::string_view, std::string_view>{{}, sample[i]};
      },
      nullptr);
}

TGrepItem::TGrepItem(int64_t lineIndex, std::string_view line,
                     std::shared_ptr<const std::string> fileName, const TSampleView& sample,
                     TMemoryArena* arena)
    : lineIndex_(lineIndex),
      fileName_(std::move(fileName)),
      sampleCount_(static_cast<uint32_t>(sample.lines.size())) {
  Store(
      line,
      [&sample](size_t i) {
        const std::string_view prefix =
            static_cast<int64_t>(i) == sample.marked ? kMarked : kUnmarked;
        return std::pair<std::string_view, std::string_view>{prefix, sample.lines[i]};
      },
      arena);
}

template <typename Entry>
void TGrepItem::Store(std::string_view line, Entry&& entry, TMemoryArena* arena) {
  // The marked sample line normally holds the line itself after its prefix.
  bool marked = false;
  uint64_t markedOffset = 0;
  uint64_t bytes = 0;
  for (uint32_t i = 0; i < sampleCount_; ++i) {
    const auto [prefix, text] = entry(i);
    if (!marked) {
      // The prefix may come apart from the text or as its first bytes.
      const size_t inText = prefix.empty() ? kMarked.size() : 0;
      if ((prefix == kMarked || (prefix.empty() && text.substr(0, kMarked.size()) == kMarked)) &&
          text.substr(inText) == line) {
        marked = true;
        markedOffset = bytes;
      }
    }
    bytes += prefix.size() + text.size();
  }
  const uint64_t sampleBytes = bytes;
  if (!marked) bytes += line.size();

  const size_t offsetWords = sampleCount_ + 1;
  const size_t words = offsetWords + (bytes + 7) / 8;
  if (arena != nullptr) {
    block_ = static_cast<uint64_t*>(arena->Allocate(words * sizeof(uint64_t)));
    ownsBlock_ = false;
  } else {
    block_ = new uint64_t[words];
  }
  char* out = reinterpret_cast<char*>(block_ + offsetWords);
  uint64_t at = 0;
  for (uint32_t i = 0; i < sampleCount_; ++i) {
    const auto [prefix, text] = entry(i);
    block_[i] = at;
    at += CopyBytes(out + at, prefix);
    at += CopyBytes(out + at, text);
  }
  block_[sampleCount_] = at;
  if (marked) {
    lineBegin_ = markedOffset + kMarked.size();
  } else {
    lineBegin_ = sampleBytes;
    CopyBytes(out + sampleBytes, line);
  }
  lineLength_ = line.size();
}

TGrepItem::~TGrepItem() {
  if (ownsBlock_) delete[] block_;
}

TGrepItem::TGrepItem(TGrepItem&& other) noexcept
    : lineIndex_(other.lineIndex_),
      fileName_(std::move(other.fileName_)),
      block_(std::exchange(other.block_, nullptr)),
      sampleCount_(std::exchange(other.sampleCount_, 0)),
      ownsBlock_(other.ownsBlock_),
      lineBegin_(other.lineBegin_),
      lineLength_(std::exchange(other.lineLength_, 0)) {}

TGrepItem& TGrepItem::operator=(TGrepItem&& other) noexcept {
  if (this != &other) {
    if (ownsBlock_) delete[] block_;
    lineIndex_ = other.lineIndex_;
    fileName_ = std::move(other.fileName_);
    block_ = std::exchange(other.block_, nullptr);
    sampleCount_ = std::exchange(other.sampleCount_, 0);
    ownsBlock_ = other.ownsBlock_;
    lineBegin_ = other.lineBegin_;
    lineLength_ = std::exchange(other.lineLength_, 0);
  }
  return *this;
}

const char* TGrepItem::Bytes() const {
  return reinterpret_cast<const char*>(block_ + sampleCount_ + 1);
}

int64_t TGrepItem::LineIndex() const {
  return lineIndex_;
}

std::string_view TGrepItem::Line() const {
  return {Bytes() + lineBegin_, lineLength_};
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
  return std::string(Bytes() + block_[i], block_[i + 1] - block_[i]);
}

TStringList TGrepItem::Sample() const {
  TStringList lines;
  lines.reserve(sampleCount_);
  for (size_t i = 0; i < sampleCount_; ++i) lines.push_back(SampleLine(i));
  return lines;
}
