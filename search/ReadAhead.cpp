#include "search/ReadAhead.h"

#include <algorithm>

#include "search/AheadBudget.h"
#include "search/PartedSearch.h"
#include "search/SearchAhead.h"
#include "search/SearchResults.h"
#include "util/files.h"

namespace trawlix {

TReadAhead::TReadAhead(TSearchInputs& host, const TStringList& masks, size_t folderCount,
                       size_t searchers, TSearchResults& results)
    : results_(results),
      order_(host, masks, folderCount, TAheadBudget::FoldersOpen(), TAheadBudget::kFoldersListed),
      searching_(searchers > 0),
      window_(std::make_unique<TWorkWindow>(searching_)),
      switch_(searching_ ? kWaitsToCool : 1),
      active_(searching_) {
  if (!searching_) return;
  runSearcher_ = std::make_unique<TSearcher>();
  runSearcher_->store = &results_.AddSampleStore();
  // The run's thread searches too.
  StartSearchers(std::max<size_t>(searchers - 1, 1));
  if (searchers_.empty()) {
    // No thread could be started: the run searches alone, as with one thread.
    searching_ = active_ = false;
    window_ = std::make_unique<TWorkWindow>(false);
    switch_ = TColdWarmSwitch(1);
  }
}

TReadAhead::~TReadAhead() {
  window_->Stop();
  pool_.Join();
}

// Starts searchers until there are `count`, each with a store of the results of its own.
void TReadAhead::StartSearchers(size_t count) {
  while (searchers_.size() < count) {
    auto searcher = std::make_unique<TSearcher>();
    searcher->store = &results_.AddSampleStore();
    TSearcher* own = searcher.get();
    if (pool_.Start(1, [this, own] { Work(own); }) == 0) return;
    searchers_.push_back(std::move(searcher));
  }
}

const TListedFolder& TReadAhead::Enter(size_t index, const std::string& path) {
  bool relisted = false;
  const TListedFolder& folder = order_.Enter(index, path, relisted);
  if (relisted) {
    window_->DropAll();
    ready_.clear();
  }
  return folder;
}

void TReadAhead::SearchWith(const TSearchTerms& terms) {
  if (terms == runTerms_) return;
  runTerms_ = terms;
  window_->SetTerms(terms);
  ready_.clear();
  order_.RestartAfter(runs_);  // queued again from the file after the one the run starts
}

// Drops the work ahead and goes on right after the run's file.
void TReadAhead::Restart() {
  window_->DropAll();
  ready_.clear();
  order_.RestartAfter(runs_);
}

void TReadAhead::Started(TTurnKey key) {
  runs_ = key;
  if (!active_) return;
  while (!ready_.empty() && ready_.front().first < key) ready_.pop_front();
  if (!(key < order_.NextKey())) Restart();
  Queue();
}

// Fills the window with the turns that come next.
void TReadAhead::Queue() {
  const size_t room = window_->Room();
  std::vector<TTurn> turns;
  while (turns.size() < room) {
    std::optional<TTurn> turn = order_.Next();
    if (!turn) break;
    turns.push_back(std::move(*turn));
  }
  window_->Queue(std::move(turns));
}

TReadAhead::TTaken TReadAhead::Take(TFileLines& lines, std::vector<TGrepItem>& records,
                                    const std::function<void()>& beforeWait, bool& waited) {
  if (!active_) return TTaken::Nothing;
  if (!ready_.empty()) {
    if (ready_.front().first != runs_) return TTaken::Nothing;
    records.swap(ready_.front().second);
    ready_.pop_front();
    return TTaken::Records;
  }
  TWorkWindow::TTaken taken = window_->Take(
      runs_,
      [this](TWorkWindow::TWork& work) {
        window_->Finish(work.seq, Do(runSearcher_.get(), runTerms_, work));
      },
      beforeWait);
  waited = waited || taken.waited;
  for (auto& along : taken.along) ready_.push_back(std::move(along));
  switch (taken.found.kind) {
    case TFound::Kind::Records:
      records.swap(taken.found.records);
      return TTaken::Records;
    case TFound::Kind::Bytes:
      lines.Adopt(*taken.found.bytes);
      window_->Recycle(std::move(taken.found.bytes));
      return TTaken::Bytes;
    case TFound::Kind::Nothing:
      break;
  }
  return TTaken::Nothing;
}

void TReadAhead::Loaded(bool waited) {
  switch (switch_.Loaded(waited)) {
    case TColdWarmSwitch::TTurnTo::Same:
      return;
    case TColdWarmSwitch::TTurnTo::Cold:
      if (!coldStarted_) {
        coldStarted_ = true;
        pool_.Start(1, [this] { Hint(); });
        if (searching_) {
          StartSearchers(kLoaders);
        } else {
          loaders_ = pool_.Start(kLoaders, [this] { Work(nullptr); });
        }
      }
      window_->SetHinting(true);
      // Without a loader, the run would wait for loads that no thread makes.
      active_ = searching_ || loaders_ > 0;
      return;
    case TColdWarmSwitch::TTurnTo::Warm:
      window_->SetHinting(false);
      // Searchers never stop; the loads ahead of one thread start over from the run's
      // file once loads wait again.
      if (!searching_) {
        active_ = false;
        Restart();
      }
      return;
  }
}

void TReadAhead::Work(TSearcher* searcher) {
  TSearchTerms terms;
  std::optional<TWorkWindow::TDone> done;
  while (std::optional<TWorkWindow::TWork> work =
             window_->WaitForWork(searcher != nullptr, terms, std::move(done))) {
    done.reset();
    if (work->parted) {
      while (work->parted->SearchNextPart(*searcher)) {
      }
      continue;
    }
    done = TWorkWindow::TDone{work->seq, Do(searcher, terms, *work)};
  }
}

// One job: loaded, or loaded and searched; what it found goes back to the window.
TFound TReadAhead::Do(TSearcher* searcher, const TSearchTerms& terms, TWorkWindow::TWork& work) {
  const uint64_t seq = work.seq;
  const auto loadWaits = [this, seq] { window_->LoadWaits(seq); };
  TFound found;
  if (searcher != nullptr) {
    const TAheadControl control{work.job->dropped, window_->Stopping(),
                                [this, seq] { return window_->RecordRoom(seq); }, loadWaits};
    found = SearchFileAhead(*searcher, work.job->turn, terms, control);
  } else {
    found = LoadFileAhead(std::move(work.buffer), work.job->turn, loadWaits);
  }
  return found;
}

// Hints the window's files in order, where they lie on a disk.
void TReadAhead::Hint() {
  bool noAtime = true;
  std::shared_ptr<const TOpenFolder> folder;  // the last turn's, and whether it is on a disk
  bool onDisk = false;
  while (auto next = window_->WaitForHint()) {
    const TTurn& turn = next->second->turn;
    if (turn.folder != folder) {
      folder = turn.folder;
      onDisk = FileSystemKindOf(folder->handle.Fd()) == TFileSystemKind::Disk;
    }
    const THinted hinted = onDisk ? HintToPageCache(folder->handle.Fd(), turn.name,
                                                    TAheadBudget::kHintedPerFile, noAtime)
                                  : THinted{};
    window_->Hinted(next->first, hinted.bytes, hinted.cold);
  }
}

}  // namespace trawlix
