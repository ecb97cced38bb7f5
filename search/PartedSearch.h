#pragma once
// A large mapped file searched in line-aligned parts by several threads at once, and the
// parts' records put together in the file's order: the records one search of the whole
// file makes, with their line numbers counted from the lines of the parts before.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "search/FileLines.h"
#include "search/FileSearch.h"
#include "search/GrepItemUnit.h"
#include "search/Searcher.h"
#include "util/ShortLock.h"

namespace trawlix {

class TPartedFile {
 public:
  // A part's bytes, as near as its lines allow; a file of at least two parts is split.
  static constexpr size_t kPartBytes = size_t{4} << 20;
  static bool Splits(size_t length) { return length >= 2 * kPartBytes; }

  // `whole` must stay loaded, and `stopAll` alive, until Finish has returned.
  TPartedFile(const TFileLines& whole, std::shared_ptr<const std::string> path,
              const TSearchTerms& terms, const std::atomic<bool>& stopAll);
  // Stops the parts in progress, each within its part, and waits for them; no part is
  // taken after it.
  void Finish();
  TPartedFile(const TPartedFile&) = delete;
  TPartedFile& operator=(const TPartedFile&) = delete;

  // Whether a part is left that no thread has taken yet.
  bool HasPartsLeft() const;
  // Searches the next part that no thread has taken; false when none is left.
  bool SearchNextPart(TSearcher& searcher);

  // Hands the records to append(record) in the file's order, and calls merged() after each
  // part's, searching parts with `searcher` while the next one is not done. The file ends
  // after the first part whose search ended it (its text ends there, a found line failed
  // the whole-word test, or it changed); a part's failure is thrown after the records it
  // found before.
  template <typename Append, typename Merged>
  void Merge(TSearcher& searcher, Append&& append, Merged&& merged);

 private:
  struct Part {
    bool done = false;
    std::vector<TGrepItem> records;  // their line numbers counted from the part's view
    int64_t firstLine = 0;           // the part's first line among the lines of its view
    int64_t lines = -1;              // the lines that begin in the part, once counted
    bool endsFile = false;
    std::exception_ptr failure;
  };

  const TFileLines& whole_;
  const std::shared_ptr<const std::string> path_;
  const TSearchTerms terms_;
  const std::atomic<bool>& stopAll_;
  std::atomic<bool> stop_{false};
  std::vector<Part> parts_;
  std::atomic<size_t> taken_{0};  // parts taken by a thread
  TShortMutex mutex_;
  TShortCondition doneCue_;
  size_t inProgress_ GUARDED_BY(mutex_) = 0;

  size_t Boundary(size_t part) const;
  int64_t LinesOf(size_t part) const;
  void Search(size_t part, TSearcher& searcher);
  Part& WaitFor(size_t part, TSearcher& searcher);
};

template <typename Append, typename Merged>
void TPartedFile::Merge(TSearcher& searcher, Append&& append, Merged&& merged) {
  int64_t startLine = 0;  // the number of the first line of part `counted`
  size_t counted = 0;
  for (size_t k = 0; k < parts_.size(); ++k) {
    Part& part = WaitFor(k, searcher);
    if (!part.records.empty()) {
      for (; counted < k; ++counted) startLine += LinesOf(counted);
    }
    for (TGrepItem& record : part.records) {
      record.MoveLineIndex(startLine - part.firstLine);
      append(std::move(record));
    }
    // The records live on in the results: what is left of them here goes at once, or a
    // dense file would hold a second list of its records until its end.
    std::vector<TGrepItem>().swap(part.records);
    merged();
    if (part.failure) std::rethrow_exception(part.failure);
    if (part.endsFile) return;
  }
}

}  // namespace trawlix
