#include "search/PartedSearch.h"

#include "search/ByteScan.h"
#include "search/SampleStore.h"
#include "search/TextLines.h"

namespace trawlix {

namespace {

// The lines before a part that its first matches' samples take in.
constexpr int64_t kLinesBefore = 5;

// Keeps a part's records, each made with its sample in the searcher's store.
class TPartSink {
 public:
  TPartSink(TSearcher& searcher, const std::shared_ptr<const std::string>& path,
            std::vector<TGrepItem>& records)
      : searcher_(searcher), path_(path), records_(records) {
    searcher_.store->StartFile();
  }
  TGrepItem NewItem(int64_t n, std::string_view line, const TSampleView& sample) {
    return TGrepItem(n, line, path_, sample, *searcher_.store);
  }
  bool Append(TGrepItem record) {
    records_.push_back(std::move(record));
    return true;
  }

 private:
  TSearcher& searcher_;
  const std::shared_ptr<const std::string>& path_;
  std::vector<TGrepItem>& records_;
};

}  // namespace

TPartedFile::TPartedFile(const TFileLines& whole, std::shared_ptr<const std::string> path,
                         const TSearchTerms& terms, const std::atomic<bool>& stopAll)
    : whole_(whole),
      path_(std::move(path)),
      terms_(terms),
      stopAll_(stopAll),
      parts_((whole.Length() + kPartBytes - 1) / kPartBytes) {}

void TPartedFile::Finish() {
  TShortLock lock(mutex_);
  stop_ = true;
  while (inProgress_ != 0) doneCue_.wait(lock);
}

// Where part k begins: the first line that begins at or after its share of the bytes. Each
// part finds its own start and its end, the next part's start, the same way.
size_t TPartedFile::Boundary(size_t part) const {
  const char* data = whole_.Data();
  const size_t length = whole_.Length();
  const size_t at = part * kPartBytes;
  if (part == 0) return 0;
  if (at >= length) return length;
  if (data[at - 1] == '\n' || (data[at - 1] == '\r' && data[at] != '\n')) return at;
  const size_t end = FindLineEnd(data, at, length);
  // A NUL ends the text in the part before: what follows it is never searched.
  if (end < length && data[end] == '\0') return end + 1;
  return SkipLineEnd(data, end, length);
}

bool TPartedFile::HasPartsLeft() const {
  return !stop_ && taken_.load() < parts_.size();
}

bool TPartedFile::SearchNextPart(TSearcher& searcher) {
  size_t k;
  {
    TShortLock lock(mutex_);
    if (stop_ || taken_ >= parts_.size()) return false;
    k = taken_++;
    ++inProgress_;
  }
  Search(k, searcher);
  {
    TShortLock lock(mutex_);
    --inProgress_;
    parts_[k].done = true;
  }
  doneCue_.notify_all();
  return true;
}

// The part's lines are seen from up to five lines before it, so that the samples of its
// first matches take in the lines before it as one search of the file would; its last
// matches' samples run on into the next part's lines.
void TPartedFile::Search(size_t k, TSearcher& searcher) {
  Part& part = parts_[k];
  try {
    const size_t start = Boundary(k);
    const size_t end = Boundary(k + 1);
    if (start >= end) return;
    size_t origin = start;
    int64_t before = 0;
    for (; before < kLinesBefore && origin > 0; ++before) {
      origin = PreviousLineStart(whole_.Data(), origin);
    }
    part.firstLine = before;
    searcher.lines.ViewOf(whole_, origin);
    searcher.lines.LimitSearch(end - origin);
    TPartSink sink(searcher, path_, part.records);
    TFixedInputs inputs{terms_, stop_, stopAll_};
    const bool toEnd = SearchFileLines(searcher.lines, inputs, sink, searcher.sample, before - 1);
    part.endsFile = !toEnd || searcher.lines.EndsBefore(end - origin);
    // A part with matches counts its lines on from its last one; the lines of one without
    // are counted only where a later part's matches need them (see LinesOf).
    if (!part.endsFile && end < whole_.Length() && !part.records.empty()) {
      part.lines = searcher.lines.LineAtOffset(end - origin) - before;
    }
  } catch (...) {
    part.failure = std::current_exception();
    part.endsFile = true;
  }
  searcher.lines.Clear();
}

// The lines that begin in part k, which begins at a line's start and holds no NUL (a part
// that ends the file is never counted), so that each line end in it starts one more.
int64_t TPartedFile::LinesOf(size_t k) const {
  if (parts_[k].lines >= 0) return parts_[k].lines;
  return static_cast<int64_t>(CountLineEnds(whole_.Data(), Boundary(k), Boundary(k + 1)).count);
}

TPartedFile::Part& TPartedFile::WaitFor(size_t k, TSearcher& searcher) {
  for (;;) {
    {
      TShortLock lock(mutex_);
      if (parts_[k].done) return parts_[k];
      if (taken_ >= parts_.size()) {
        while (!parts_[k].done) doneCue_.wait(lock);
        return parts_[k];
      }
    }
    SearchNextPart(searcher);
  }
}

}  // namespace trawlix
