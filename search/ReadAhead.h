#pragma once
// The work ahead of the run, as the run sees it. The run enters its folders and starts
// its files here, in its order; at each file's turn it takes over what was done ahead
// for that file, or is told to load and search the file itself.
//
// With searchers, workers load and search the files that come next, each into a batch of
// records of their own, with the terms the run read at its last file's turn; the run
// appends a file's batch at its turn where it would have searched the file itself, and
// while it waits for a file at work elsewhere it searches the next one no worker has come
// to. Without, the files are only loaded ahead, and only once loads wait for the disk or
// the network: the run then finds each file's bytes ready at its turn. Either way, once
// loads wait, a thread asks the system to read a wide window of the files ahead into its
// page cache, and once loads find their files cached again the hints (and the loads
// ahead of one thread) stop. A file that cannot be done ahead is left to its turn, so
// every error is met and reported there.
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "search/FileSearch.h"
#include "search/GrepItemUnit.h"
#include "search/PageCacheHints.h"
#include "search/RunOrder.h"
#include "search/Searcher.h"
#include "search/WorkWindow.h"
#include "search/WorkerPool.h"
#include "util/StringList.h"

namespace trawlix {

class TSearchResults;
class TPartedFile;

class TReadAhead {
 public:
  // With `searchers` above 0, that many threads (the run's own among them) search ahead
  // from the start, keeping the records' samples in stores of `results`.
  TReadAhead(TSearchInputs& host, const TStringList& masks, size_t folderCount, size_t searchers,
             TSearchResults& results);
  ~TReadAhead();  // stops the workers, each within the file it is in, and waits for them
  TReadAhead(const TReadAhead&) = delete;
  TReadAhead& operator=(const TReadAhead&) = delete;

  // Whether workers search ahead: asked for, and at least one thread started for it.
  bool Searching() const { return searching_; }
  // The run's own means of searching, and a stop flag for its searches, with searchers.
  TSearcher& RunSearcher() { return *runSearcher_; }
  const std::atomic<bool>& Stopping() const { return window_->Stopping(); }
  // Has the searchers search the parts of `file` before any file ahead, until Unshare.
  void Share(std::shared_ptr<TPartedFile> file) { window_->Share(std::move(file)); }
  void Unshare() { window_->Unshare(); }

  // The run enters folder `index`, named `path` now: its listing (see TRunOrder::Enter).
  const TListedFolder& Enter(size_t index, const std::string& path);
  // The terms the searchers search with from now on; a change drops what was found with
  // others. Called at every file's turn, before Started.
  void SearchWith(const TSearchTerms& terms);
  // The run starts the file at `key` of the folder it entered last.
  void Started(TTurnKey key);
  // Hands over the started file where it was done ahead: its records, where a searcher
  // searched it, into `records`, else its bytes into `lines`. It first waits for the
  // worker at the file, searching other files meanwhile with searchers, and calls
  // beforeWait once that load waits for the disk. Nothing where the run is to load the
  // file itself. `waited`: set where the bytes had to come from the disk.
  enum class TTaken : unsigned char { Nothing, Bytes, Records };
  TTaken Take(TFileLines& lines, std::vector<TGrepItem>& records,
              const std::function<void()>& beforeWait, bool& waited);
  // A load of the run's had to wait for the disk, or did not (see TColdWarmSwitch).
  void Loaded(bool waited);

  // Loads in flight together once loads wait, and waits among the last loads before the
  // searchers' reading ahead turns cold.
  static constexpr size_t kLoaders = 4;
  static constexpr size_t kWaitsToCool = 8;

 private:
  TSearchResults& results_;
  TRunOrder order_;
  bool searching_;
  std::unique_ptr<TWorkWindow> window_;
  TColdWarmSwitch switch_;
  bool active_;               // turns are queued ahead of the run
  bool coldStarted_ = false;  // the hinting thread and the loaders were started
  size_t loaders_ = 0;        // threads that only load
  TTurnKey runs_;             // the run's file
  TSearchTerms runTerms_;
  // Searched files taken out of the window along with an earlier one, for their turns.
  std::deque<std::pair<TTurnKey, std::vector<TGrepItem>>> ready_;
  std::unique_ptr<TSearcher> runSearcher_;
  std::vector<std::unique_ptr<TSearcher>> searchers_;  // the workers'
  TWorkerPool pool_;

  void StartSearchers(size_t count);
  void Queue();
  void Restart();
  void Work(TSearcher* searcher);
  TFound Do(TSearcher* searcher, const TSearchTerms& terms, TWorkWindow::TWork& work);
  void Hint();
};

}  // namespace trawlix
