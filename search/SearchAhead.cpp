#include "search/SearchAhead.h"

#include <utility>

#include "search/SampleStore.h"
#include "util/FolderPaths.h"

namespace trawlix {

namespace {

// Keeps a file's records as they are found, as long as they fit their room.
class TBatchSink {
 public:
  TBatchSink(TSearcher& searcher, const TTurn& turn, const TAheadControl& control)
      : searcher_(searcher), turn_(turn), control_(control) {
    searcher_.store->StartFile();
    keptBefore_ = searcher_.store->Kept();
  }

  TGrepItem NewItem(int64_t n, std::string_view line, const TSampleView& sample) {
    if (!path_)
      path_ = std::make_shared<const std::string>(ChildPath(turn_.folder->path, turn_.name));
    return TGrepItem(n, line, path_, sample, *searcher_.store);
  }
  bool Append(TGrepItem item) {
    records_.push_back(std::move(item));
    const size_t bytes = Bytes();
    if (bytes > room_) room_ = control_.room();
    full_ = bytes > room_;
    return !full_;
  }

  size_t Bytes() const {
    return records_.size() * sizeof(TGrepItem) + (searcher_.store->Kept() - keptBefore_);
  }
  bool Full() const { return full_; }
  std::vector<TGrepItem>& Records() { return records_; }

 private:
  TSearcher& searcher_;
  const TTurn& turn_;
  const TAheadControl& control_;
  std::shared_ptr<const std::string> path_;
  std::vector<TGrepItem> records_;
  size_t keptBefore_ = 0;
  size_t room_ = 0;
  bool full_ = false;
};

}  // namespace

TFound SearchFileAhead(TSearcher& searcher, const TTurn& turn, const TSearchTerms& terms,
                       const TAheadControl& control) {
  TFound found;
  try {
    if (searcher.lines.LoadAheadAt(turn.folder->handle.Fd(), turn.name, control.loadWaits)) {
      TBatchSink sink(searcher, turn, control);
      TFixedInputs inputs{terms, control.dropped, control.stopping};
      SearchFileLines(searcher.lines, inputs, sink, searcher.sample);
      if (!sink.Full() && !inputs.Cancelled()) {
        found.kind = TFound::Kind::Records;
        found.recordBytes = sink.Bytes();
        found.records = std::move(sink.Records());
      }
    }
  } catch (...) {
    // Whatever failed here fails again, or not, at the file's turn, and is reported then.
    found = TFound();
  }
  searcher.lines.Clear();
  return found;
}

TFound LoadFileAhead(std::unique_ptr<TFileBytes> buffer, const TTurn& turn,
                     const std::function<void()>& loadWaits) {
  TFound found;
  if (buffer->LoadAheadAt(turn.folder->handle.Fd(), turn.name, loadWaits)) {
    found.kind = TFound::Kind::Bytes;
  }
  found.bytes = std::move(buffer);
  return found;
}

}  // namespace trawlix
